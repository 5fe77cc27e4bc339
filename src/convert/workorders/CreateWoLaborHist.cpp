// Labour history: for every work-order history record, one WoLabor record per MP2 WOE line and kind of
// hours (regular, overtime), the total hours in the history record, and a closing employee listing.
#include "common/Lookups.h"
#include "common/Trim.h"
#include "convert/Conversions.h"
#include "convert/reference/CreateOneEmployee.h"
#include "convert/reference/ListEmployees.h"
#include "convert/workorders/HistoryNotes.h"
#include "run/ConversionTrap.h"

#include <QHash>

namespace {

qint32 FindEmployee(RunState& run, const QString& empCode)
{
    return GetGenericLongKey(run, "DBout", DoubleApostrophes(empCode), "Employee", "EmployeeNum", "Id", false);
}

}  // namespace

void CreateWoLaborHist(RunState& run)
{
    try {
        auto hist = run.DBout->OpenRecordset("Select * From WO Where RecType = 3", dao::dbOpenDynaset);
        if (hist->BOF() && hist->EOF_()) {
            hist->Close();
            return;
        }
        hist->MoveLast();
        hist->MoveFirst();
        run.Log("Start of sub CreateWoLaborHist");
        run.Log(QString());

        auto labor = run.DBout->OpenRecordset("WoLabor", dao::dbOpenTable);
        labor->SetIndex("PrimaryKey");
        long written = 0;
        QHash<QString, qint32> employeeIds;  // EMPCODE (exact) -> Employee Id

        for (; !hist->EOF_(); hist->MoveNext()) {
            const dao::Variant woNum = hist->Fields("WoNum").Value();
            const dao::Variant dateComplete = hist->Fields("DateComplete").Value();
            const QString mp2WoNum = WoNumFromNotes(hist->Fields("Notes").Value().toText());
            const QString equipment = hist->Fields("Equipment#").Value().toText();

            auto woe = run.DBin->OpenRecordset(QStringLiteral("Select * ") + "from WOE " + "Where WONUM = '" +
                                                   DoubleApostrophes(mp2WoNum) + "' " + "And EQNUM = '" +
                                                   DoubleApostrophes(equipment) + "' ",
                                               dao::dbOpenDynaset);
            if (woe->BOF() && woe->EOF_()) {
                woe.reset();
                run.Log(QStringLiteral("WO record skipped. ") + " WONUM = " + mp2WoNum +
                        ". Couldn't find corresponding rec(s) in MP2 WOE table.");
                run.Log(QString());
                continue;
            }

            const QString laborNotes = WoNumNotesLine(mp2WoNum);
            double total = 0;
            woe->MoveFirst();
            for (; !woe->EOF_(); woe->MoveNext()) {
                const dao::Variant regular = woe->Fields("REGHRS").Value();
                const dao::Variant overtime = woe->Fields("OTHRS").Value();
                const dao::Variant empCodeValue = woe->Fields("EMPCODE").Value();
                if (!regular.isNull())
                    total += regular.toDouble();
                if (!overtime.isNull())
                    total += overtime.toDouble();
                if (empCodeValue.isNull() || Trim(empCodeValue.toText()).isEmpty())
                    continue;
                const QString empCode = empCodeValue.toText();

                // An employee found once stays: employees are only added here.
                qint32 empId = employeeIds.value(empCode, 0);
                if (empId == 0)
                    empId = FindEmployee(run, empCode);
                if (empId == 0) {
                    CreateOneEmployee(run, empCode, 1);
                    empId = FindEmployee(run, empCode);
                    if (empId != 0) {
                        run.Log(QStringLiteral("Created an inactive employee in order to save history. ") +
                                " Employee # = '" + empCode + "'");
                    } else {
                        run.Log(QStringLiteral("MP2 WOE labor record skipped. ") + " WONUM = " + woNum.toText() +
                                " EMPCODE = " + empCode + ". Couldn't find corresponding " + "Employee rec in VX.");
                        continue;
                    }
                }
                employeeIds.insert(empCode, empId);

                for (const dao::Variant* hours : {&regular, &overtime}) {
                    if (hours->isNull() || hours->toDouble() <= 0)
                        continue;
                    labor->AddNew();
                    labor->Fields("WoNum") = woNum;
                    labor->Fields("EmpId") = empId;
                    labor->Fields("Date") = dateComplete;
                    labor->Fields("Hours") = *hours;
                    labor->Fields("Cost") = 0;
                    labor->Fields("Notes") = laborNotes;
                    labor->Fields("RecType") = 3;
                    labor->Update();
                    run.summary.account.Created("WoLabor");
                    ++written;
                }
                run.UpProg();
            }
            woe->Close();

            hist->Edit();
            hist->Fields("TotalLaborHours") = total;
            hist->Update();
        }

        run.Log(QString());
        run.Log("Records in Vantrix/Mendly WoLaborHist table - " + QString::number(written));
        run.Log(QString());
        labor->Close();
        hist->Close();
        labor.reset();
        hist.reset();

        ListEmployees(run, {QStringLiteral("All employees,including inactive ones ") + "created to save history."});
    } catch (const dao::DaoError& e) {
        ConversionTrap(run, "CreateWoLaborHist Error:", e);
    }
}
