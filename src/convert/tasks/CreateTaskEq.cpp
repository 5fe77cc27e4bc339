// The schedules: which task is done on which piece of equipment and how often. Every MP2 schedule
// whose task and equipment were converted becomes a fixed schedule counted in days; a next due
// date further in the past than the operator's cutoff is moved to today.
#include "common/Clock.h"
#include "common/Lookups.h"
#include "convert/Conversions.h"
#include "convert/equipment/EqExists.h"
#include "convert/tasks/Cutoff.h"
#include "run/ConversionTrap.h"
#include "db/Database.h"

namespace {

const QChar CR(13);

// The cutoff question, asked until the answer is a number from 10 to 366. The answer as typed.
QString AskCutoff(RunState& run)
{
    const QString prompt = QStringLiteral("MP2 TASKEQ records have a NEXTDUEDATE field. ") + CR +
                           "If the date is too far in the past " + CR + "it will be rescheduled with todays " + CR +
                           "date as the next due date. " + CR + "" + CR + "Enter the number of days that you " + CR +
                           "want to go back without changing " + CR + "the next due date (10-366). " + CR;
    for (;;) {
        const QString answer = run.op.InputBox(prompt, "Cutoff Days?", "30").value_or(QString());
        if (const auto refusal = CutoffRefusal(answer)) {
            run.op.MsgBox(*refusal);
            continue;
        }
        return answer;
    }
}

// Days per unit of an MP2 interval; 0 for a unit the product does not know.
int DaysPerUnit(const QString& unit)
{
    const QString u = unit.toUpper();
    if (u == QLatin1String("D"))
        return 1;
    if (u == QLatin1String("W"))
        return 7;
    if (u == QLatin1String("M"))
        return 30;
    if (u == QLatin1String("Y"))
        return 365;
    return 0;
}

struct Row {
    QString eqNum;
    QString taskNum;
};

// Sets DayFrequency and NextDueDate of the schedule being added, or logs why it cannot be scheduled.
void Schedule(RunState& run, dao::Recordset& target, dao::Recordset& source, const Row& row,
              const QString& cutoffAsTyped, double cutoffDays, const QDate& today)
{
    const dao::Variant nextDue = source.Fields("NEXTDUEDATE").Value();
    const dao::Variant unit = source.Fields("DATEUNIT").Value();
    const dao::Variant count = source.Fields("NUMOFDATE").Value();
    const QString which = "EQNUM = " + row.eqNum + " TASKNUM = " + row.taskNum + ". ";
    if (nextDue.isNull() || unit.isNull() || count.isNull()) {
        run.Log("MP2 TASKEQ record wasn't scheduled. " + which + "MP2 record is missing information.");
        return;
    }

    const QDateTime due = nextDue.toDate();
    dao::Variant nextDueDate = nextDue;
    if (due.date().daysTo(today) > cutoffDays) {
        run.Log("MP2 TASKEQ record was rescheduled. " + which + "MP2 record has NEXTDUEDATE = " + nextDue.toText() +
                " which is > " + cutoffAsTyped + " days in the past.");
        nextDueDate = QDateTime(today, QTime(0, 0), Qt::UTC);
    }

    if (count.toDouble() <= 0) {
        run.Log("MP2 TASKEQ record wasn't scheduled. " + which + "MP2 record has NUMOFDATE = " + count.toText());
        return;
    }
    const int days = DaysPerUnit(unit.toText());
    if (days == 0) {
        run.Log("MP2 TASKEQ record wasn't scheduled. " + which + "MP2 record has DATEUNIT = '" + unit.toText() + "'");
        return;
    }
    if (count.kind() == dao::Variant::Kind::Integer)
        target.Fields("DayFrequency") = dao::Variant(count.toLong() * days);
    else
        target.Fields("DayFrequency") = dao::Variant(count.toDouble() * days);
    target.Fields("NextDueDate") = nextDueDate;
}

}  // namespace

void CreateTaskEq(RunState& run)
{
    // The schedule being written, for the error texts: empty until the first one is added.
    QString eqLink, taskLink;
    auto links = [&]() -> QString { return "(EqLink and Tasklink: " + eqLink + "  " + taskLink + ")"; };
    try {
        auto source = run.DBin->OpenRecordset("TaskEq", dao::dbOpenTable);
        RunAccount& account = run.summary.account;
        account.Read("TASKEQ", source->RecordCount());
        if (source->BOF() && source->EOF_()) {
            source->Close();
            return;
        }
        source->MoveLast();
        run.Log("Records in MP2 TASKEQ table - " + QString::number(source->RecordCount()));
        run.Log(QString());
        source->MoveFirst();

        auto target = run.DBout->OpenRecordset("TaskEq", dao::dbOpenTable);
        target->SetIndex("Task#");
        long written = 0;

        const QString cutoff = AskCutoff(run);
        const double cutoffDays = CutoffDays(cutoff);
        run.op.SetBusy(true);
        run.Log("The user selected the following # as the cutoff: '" + cutoff + "'");
        run.Log(QString());
        const QDate today = Clock::Today();

        while (!source->EOF_()) {
            const Row row{source->Fields("EQNUM").Value().toText(), source->Fields("TASKNUM").Value().toText()};
            const qint32 taskKey =
                GetGenericLongKey(run, "DBout", DoubleApostrophes(row.taskNum), "Task", "Description", "Task#", false);
            if (taskKey == 0) {
                run.Log("MP2 TASKEQ record skipped. EQNUM = " + row.eqNum + " TASKNUM = " + row.taskNum +
                        ". Couldn't find corresponding Task rec in VX.");
                account.Skipped("TASKEQ", "MP2 TASKEQ record skipped. Couldn't find corresponding Task rec in VX.");
                source->MoveNext();
                continue;
            }
            if (row.eqNum == QLatin1String("-")) {
                run.Log("MP2 TASKEQ record skipped. EQNUM = " + row.eqNum + " It is junk anyway.");
                account.Skipped("TASKEQ", "MP2 TASKEQ record skipped. EQNUM = - It is junk anyway.");
                source->MoveNext();
                continue;
            }
            if (!EqExists(run, row.eqNum)) {
                run.Log("MP2 TASKEQ record skipped. EQNUM = " + row.eqNum + " TASKNUM = " + row.taskNum +
                        ". Couldn't find Equipment# in VX.");
                account.Skipped("TASKEQ", "MP2 TASKEQ record skipped. Couldn't find Equipment# in VX.");
                source->MoveNext();
                continue;
            }

            target->AddNew();
            eqLink = row.eqNum;
            taskLink = QString::number(taskKey);
            target->Fields("Task#") = taskLink;
            target->Fields("Equipment#") = source->Fields("EQNUM").Value();
            target->Fields("ScheduleBy") = "Days";
            Schedule(run, *target, *source, row, cutoff, cutoffDays, today);
            target->Fields("ScheduleType") = "Fixed";
            target->Fields("AssignedTo") = 0;
            try {
                target->Update();
                account.Converted("TASKEQ");
                account.Created("TaskEq");
            } catch (const dao::DaoError& e) {
                if (e.Number != 3022)
                    throw;
                // A second schedule of the same task on the same equipment is left out, and said so.
                run.Log("CreateTaskEq Error(dup key skipped:" + QString::number(e.Number) + CR + e.Description + CR +
                        links());
                run.Log(QString());
                account.Skipped("TASKEQ", "CreateTaskEq Error(dup key skipped:3022): the task is already scheduled "
                                          "on this equipment");
            }
            ++written;
            run.UpProg();
            source->MoveNext();
        }
        run.Log("Records in Vantrix/Mendly TaskEq table - " + QString::number(written));
        run.Log(QString());
        target->Close();
        source->Close();
    } catch (const dao::DaoError& e) {
        ConversionTrap(run, "CreateTaskEq Error:", e, true, CR + links());
    }
}
