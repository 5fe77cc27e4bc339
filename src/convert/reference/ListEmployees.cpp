#include "convert/reference/ListEmployees.h"

#include "db/Database.h"

void ListEmployees(RunState& run, const QStringList& heading)
{
    auto employees = run.DBout->OpenRecordset("Employee", dao::dbOpenTable);
    if (employees->BOF() && employees->EOF_())
        return;
    employees->MoveLast();
    const long count = employees->RecordCount();
    for (const QString& line : heading)
        run.Log(line);
    run.Log("Records in Vantrix/Mendly Employee table - " + QString::number(count));
    run.Log(QString());

    run.EmpIdList.Clear();
    run.EmpNumList.Clear();
    employees->MoveFirst();
    for (long i = 0; i < count; ++i) {
        const dao::Variant id = employees->Fields("Id").Value();
        if (!id.isNull()) {
            run.EmpIdList.Append(id);
            run.EmpNumList.Append(employees->Fields("EmployeeNum").Value());
        }
        employees->MoveNext();
    }
    for (int i = 1; i <= run.EmpIdList.Count(); ++i)
        run.Log("EmpID - " + run.EmpIdList[i].toText() + "    " + "EmpNum - " + run.EmpNumList[i].toText());
    run.Log(QString());
    employees->Close();
}
