// The employees: every MP2 EMP row becomes an Employee record, in one pass and without skipping any
// row. Afterwards the new Employee table is listed in the log, and its Id and EmployeeNum values are
// left in EmpIdList/EmpNumList for the task conversion.
#include "common/Trim.h"
#include "convert/Conversions.h"
#include "convert/reference/ListEmployees.h"
#include "run/ConversionTrap.h"
#include "run/RecordWarning.h"
#include "db/Database.h"

namespace {

const QChar CR(13);
constexpr int kAddress2Size = 50;
constexpr int kPhoneSize = 25;

// A text column as stored, Null read as the empty text.
QString TextOrEmpty(const dao::Variant& v) { return v.isNull() ? QString() : v.toText(); }

// A text column trimmed of blanks, Null read as the empty text.
QString TrimmedOrEmpty(const dao::Variant& v) { return v.isNull() ? QString() : Trim(v.toText()); }

void ConvertRows(RunState& run, dao::Recordset& emp)
{
    auto target = run.DBout->OpenRecordset("Employee", dao::dbOpenTable);
    while (!emp.EOF_()) {
        const QString firstName = TrimmedOrEmpty(emp.Fields("FIRSTNAME").Value());
        const QString lastName = TrimmedOrEmpty(emp.Fields("LASTNAME").Value());

        target->AddNew();
        target->Fields("EmployeeNum") = TextOrEmpty(emp.Fields("EMPCODE").Value());
        target->Fields("LastName") = lastName;
        target->Fields("FirstName") = firstName;
        target->Fields("Name") = firstName + " " + lastName;
        target->Fields("Address") = TrimmedOrEmpty(emp.Fields("ADDR1").Value());

        // ADDR2 and ADDR3 share one field; an ADDR3 always brings its blank, even after an empty ADDR2.
        QString address2;
        const dao::Variant addr2 = emp.Fields("ADDR2").Value();
        const dao::Variant addr3 = emp.Fields("ADDR3").Value();
        if (!addr2.isNull())
            address2 = Trim(addr2.toText());
        if (!addr3.isNull())
            address2 += " " + Trim(addr3.toText());
        if (address2.size() > kAddress2Size) {
            address2.truncate(kAddress2Size);
            RecordWarning(run, QStringLiteral("Warning: Address2 in the Employee table has ") + "been truncated. " +
                                   CR + "Check it when you run the program " + "after the import is complete.");
        }
        target->Fields("Address2") = address2;

        target->Fields("City") = TextOrEmpty(emp.Fields("CITY").Value());
        target->Fields("State") = TextOrEmpty(emp.Fields("STATE").Value());
        target->Fields("Zip") = TextOrEmpty(emp.Fields("ZIP").Value());
        target->Fields("Country") = TextOrEmpty(emp.Fields("COUNTRY").Value());

        QString phone = TrimmedOrEmpty(emp.Fields("PHONE").Value());
        if (phone.size() > kPhoneSize) {
            phone.truncate(kPhoneSize);
            RecordWarning(run, QStringLiteral("Warning: Phone in the Employee table has ") + "been truncated. " + CR +
                                   "Check it when you run the program " + "after the import is complete.");
        }
        target->Fields("Phone") = phone;

        const dao::Variant hireDate = emp.Fields("HIREDATE").Value();
        if (!hireDate.isNull())
            target->Fields("HireDate") = hireDate;

        target->Fields("Notes") = TextOrEmpty(emp.Fields("NOTES").Value());
        target->Fields("Status") = 0;
        target->Update();
        run.summary.account.Converted("EMP");
        run.summary.account.Created("Employee");
        emp.MoveNext();
    }
    target->Close();
}

}  // namespace

void CreateEmployee(RunState& run)
{
    try {
        auto emp = run.DBin->OpenRecordset("EMP", dao::dbOpenTable);
        run.summary.account.Read("EMP", emp->RecordCount());
        if (emp->BOF() && emp->EOF_()) {
            emp->Close();
            return;
        }
        emp->MoveLast();
        run.Log("Records in MP2 EMP table - " + QString::number(emp->RecordCount()));
        run.Log(QString());
        emp->MoveFirst();

        ConvertRows(run, *emp);
        emp->Close();
        run.UpProg();

        ListEmployees(run);
    } catch (const dao::DaoError& e) {
        ConversionTrap(run, "CreateEmployee Error:", e);
    }
}
