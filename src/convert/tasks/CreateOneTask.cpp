// A placeholder task for an MP2 task number that work-order history refers to but no task holds.
#include "convert/tasks/CreateOneTask.h"

#include "db/Database.h"
#include "run/ErrorBox.h"
#include "run/RecordWarning.h"

namespace {
const QChar CR(13);
}

bool CreateOneTask(RunState& run, const QString& InDescription, qint16 InStatus)
{
    bool result = false;
    std::unique_ptr<dao::Recordset> tasks;
    try {
        tasks = run.DBout->OpenRecordset("Task", dao::dbOpenTable);
        if (InDescription.isEmpty()) {
            const QString text = "Error: Sub CreateOneTask was sent a blank description.";
            RecordWarning(run, text, WarningLogged::ByCaller);
            run.Log(text);
            run.Log(QString());
        } else {
            tasks->AddNew();
            tasks->Fields("Description") = InDescription;
            tasks->Fields("Ref") = QString();
            tasks->Fields("Instructions") = QString();
            tasks->Fields("TaskPriorityId") = 1;
            tasks->Fields("EmployeeId") = 0;
            tasks->Fields("Status") = InStatus == 1 ? 1 : 0;
            tasks->Update();
            run.summary.account.Invented("Task");  // inactive, to keep history
            dao::Idle(dao::dbRefreshCache);
            result = true;
        }
        tasks->Close();
        tasks.reset();
        dao::Idle(dao::dbRefreshCache);
        return result;
    } catch (const dao::DaoError& e) {
        if (tasks) {
            tasks->Close();
            tasks.reset();
            dao::Idle(dao::dbRefreshCache);
        }
        ShowErrorBox(run, "CreateOneTask Error:" + QString::number(e.Number) + CR + e.Description);
        return false;
    }
}
