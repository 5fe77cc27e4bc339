// The tasks: every MP2 TASK row except the pseudo-task "CORRECTIVE" becomes a Task record whose
// Description is the MP2 task number. The task's description and its instruction lines, in their
// sequence, become the task's instructions as an RTF document.
#include "common/Lookups.h"
#include "convert/Conversions.h"
#include "convert/tasks/RtfWriter.h"
#include "run/ConversionTrap.h"
#include "db/Database.h"

#include <QHash>
#include <algorithm>

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

// Employee numbers to employee Ids, from the lists the employee conversion left. The comparison is
// exact; where a number is listed twice the later entry wins.
QHash<QString, dao::Variant> EmployeeIdsByNumber(const RunState& run)
{
    QHash<QString, dao::Variant> ids;
    const int count = std::min(run.EmpNumList.Count(), run.EmpIdList.Count());
    ids.reserve(count);
    for (int i = 1; i <= count; ++i) {
        const dao::Variant& number = run.EmpNumList[i];
        if (!number.isNull())  // a Null number equals nothing
            ids.insert(number.toText(), run.EmpIdList[i]);
    }
    return ids;
}

// The task's text before it becomes RTF: the description, then "Instructions: " and every
// instruction line that has a text, in sequence.
QString TaskText(RunState& run, const dao::Variant& description, const QString& taskNum)
{
    QString text;
    if (!description.isNull())
        text += description.toText() + kLineBreak + kLineBreak;

    auto lines = run.DBin->OpenRecordset(QStringLiteral("Select INSTRTEXT ") + "from TSKINSTR,INSTR " +
                                             "Where TASKNUM = '" + DoubleApostrophes(taskNum) + "' " +
                                             "And TSKINSTR.INSTRCODE = INSTR.INSTRCODE " + "Order by SEQUENCENUM",
                                         dao::dbOpenDynaset);
    if (!(lines->BOF() && lines->EOF_())) {
        lines->MoveFirst();
        int lineNumber = 1;
        while (!lines->EOF_()) {
            const dao::Variant line = lines->Fields("INSTRTEXT").Value();
            if (!line.isNull()) {
                if (lineNumber == 1)
                    text += "Instructions: " + kLineBreak;
                text += line.toText() + kLineBreak + kLineBreak;
                ++lineNumber;
            }
            lines->MoveNext();
        }
    }
    lines->Close();
    return text;
}

}  // namespace

void CreateTask(RunState& run)
{
    try {
        auto source = run.DBin->OpenRecordset(QStringLiteral("Select * from TASK ") + "Order by TASKNUM",
                                              dao::dbOpenDynaset);
        RunAccount& account = run.summary.account;
        account.Read("TASK", source->RecordCount());
        if (source->BOF() && source->EOF_()) {
            source->Close();
            return;
        }
        source->MoveLast();
        run.Log("Records in MP2 TASK table - " + QString::number(source->RecordCount()));
        run.Log(QString());
        source->MoveFirst();

        const QHash<QString, dao::Variant> employeeIds = EmployeeIdsByNumber(run);
        auto target = run.DBout->OpenRecordset("Task", dao::dbOpenTable);
        long created = 0;
        while (!source->EOF_()) {
            const dao::Variant taskNumValue = source->Fields("TASKNUM").Value();
            if (taskNumValue.isNull()) {
                account.Skipped("TASK", "MP2 TASK record has no TASKNUM");
                source->MoveNext();
                continue;
            }
            const QString taskNum = taskNumValue.toText();
            if (taskNum.toUpper() != QLatin1String("CORRECTIVE")) {
                target->AddNew();
                target->Fields("Description") = taskNum;
                target->Fields("Ref") = QString();
                const QString text = TaskText(run, source->Fields("DESCRIPTION").Value(), taskNum);
                target->Fields("Instructions") = TextToRtf(text);
                target->Fields("TaskPriorityId") = 1;
                target->Fields("EmployeeId") = 0;
                const dao::Variant assignedTo = source->Fields("ASSIGNEDTO").Value();
                if (!assignedTo.isNull()) {
                    const auto found = employeeIds.constFind(assignedTo.toText());
                    if (found != employeeIds.constEnd())
                        target->Fields("EmployeeId") = found.value();
                }
                target->Fields("Status") = 0;
                target->Update();
                account.Converted("TASK");
                account.Created("Task");
                ++created;
            } else {
                account.Skipped("TASK", "CORRECTIVE is MP2's pseudo-task for corrective work, not a task");
            }
            run.UpProg();
            source->MoveNext();
        }
        run.Log("Records in Vantrix/Mendly Task table - " + QString::number(created));
        run.Log(QString());
        target->Close();
        source->Close();
    } catch (const dao::DaoError& e) {
        ConversionTrap(run, "CreateTask Error:", e);
    }
}
