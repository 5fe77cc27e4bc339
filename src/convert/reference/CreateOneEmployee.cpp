// A placeholder employee for a number that labour history refers to but EMP did not hold.
#include "convert/reference/CreateOneEmployee.h"

#include "common/Trim.h"
#include "db/Database.h"
#include "run/ErrorBox.h"
#include "run/RecordWarning.h"

namespace {
const QChar CR(13);
}

bool CreateOneEmployee(RunState& run, const QString& InEmpNum, qint16 InStatus)
{
    bool result = false;
    std::unique_ptr<dao::Recordset> employees;
    try {
        employees = run.DBout->OpenRecordset("Employee", dao::dbOpenTable);
        if (InEmpNum.isEmpty()) {
            const QString text = "Error: Sub CreateOneEmployee was sent a blank employee#.";
            RecordWarning(run, text, WarningLogged::ByCaller);
            run.Log(text);
            run.Log(QString());
        } else {
            employees->AddNew();
            employees->Fields("EmployeeNum") = InEmpNum;
            employees->Fields("FirstName") = "MP2 was missing EMP rec,crew rec created,";
            employees->Fields("LastName") = "to save MP2 WO Labor history";
            // The name is made from what the record holds, as the product builds it.
            employees->Fields("Name") = Trim(employees->Fields("FirstName").Value().toText()) + " " +
                                        Trim(employees->Fields("LastName").Value().toText());
            employees->Fields("Address") = QString();
            employees->Fields("Address2") = QString();
            employees->Fields("City") = QString();
            employees->Fields("State") = QString();
            employees->Fields("Zip") = QString();
            employees->Fields("Country") = QString();
            employees->Fields("Phone") = QString();
            employees->Fields("Notes") = QString();
            employees->Fields("Status") = InStatus == 1 ? 1 : 0;
            employees->Update();
            run.summary.account.Invented("Employee");  // inactive, to keep history
            dao::Idle(dao::dbRefreshCache);
            result = true;
        }
        employees->Close();
        employees.reset();
        dao::Idle(dao::dbRefreshCache);
        return result;
    } catch (const dao::DaoError& e) {
        if (employees) {
            employees->Close();
            employees.reset();
            dao::Idle(dao::dbRefreshCache);
        }
        ShowErrorBox(run, "CreateOneEmployee Error:" + QString::number(e.Number) + CR + e.Description);
        return false;
    }
}
