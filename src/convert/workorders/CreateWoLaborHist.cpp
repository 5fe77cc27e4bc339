// Labour history: for every work-order history record, one WoLabor record per MP2 WOE line and kind of
// hours (regular, overtime), the total hours in the history record, and a closing employee listing.
//
// The records are written by the history's pass, each with its history record (WorkOrderHistory.h);
// this step writes what they logged, in its own place of the log, and the employee listing.
#include "common/Lookups.h"
#include "common/Trim.h"
#include "convert/Conversions.h"
#include "convert/reference/CreateOneEmployee.h"
#include "convert/reference/ListEmployees.h"
#include "convert/workorders/HistoryNotes.h"
#include "convert/workorders/WorkOrderHistory.h"
#include "run/ConversionTrap.h"

namespace {

qint32 FindEmployee(RunState& run, const QString& empCode)
{
    return GetGenericLongKey(run, "DBout", DoubleApostrophes(empCode), "Employee", "EmployeeNum", "Id", false);
}

}  // namespace

std::optional<std::vector<WorkOrderLine>> SelectLabourLines(RunState& run, const HistoryRecord& record)
{
    auto woe = run.DBin->OpenRecordset(QStringLiteral("Select * ") + "from WOE " + "Where WONUM = '" +
                                           DoubleApostrophes(record.mp2WoNum) + "' " + "And EQNUM = '" +
                                           DoubleApostrophes(record.equipment) + "' ",
                                       dao::dbOpenDynaset);
    if (woe->BOF() && woe->EOF_())
        return std::nullopt;
    std::vector<WorkOrderLine> lines;
    woe->MoveFirst();
    for (; !woe->EOF_(); woe->MoveNext()) {
        WorkOrderLine line;
        line.Set(WorkOrderLine::RegularHours, woe->Fields("REGHRS").Value());
        line.Set(WorkOrderLine::OvertimeHours, woe->Fields("OTHRS").Value());
        line.Set(WorkOrderLine::EmpCode, woe->Fields("EMPCODE").Value());
        lines.push_back(std::move(line));
    }
    woe->Close();
    return lines;
}

double LabourHours(const std::vector<const WorkOrderLine*>& lines)
{
    double total = 0;
    for (const WorkOrderLine* line : lines) {
        const dao::Variant& regular = (*line)[WorkOrderLine::RegularHours];
        const dao::Variant& overtime = (*line)[WorkOrderLine::OvertimeHours];
        if (!regular.isNull())
            total += regular.toDouble();
        if (!overtime.isNull())
            total += overtime.toDouble();
    }
    return total;
}

void WriteLabour(RunState& run, WorkOrderHistory& history, const HistoryRecord& record,
                 const std::optional<std::vector<const WorkOrderLine*>>& lines)
{
    QStringList& log = history.labourLog;
    if (!history.labor) {
        history.labor = run.DBout->OpenRecordset("WoLabor", dao::dbOpenTable);
        history.labor->SetIndex("PrimaryKey");
    }
    if (!lines) {
        log << QStringLiteral("WO record skipped. ") + " WONUM = " + record.mp2WoNum +
                   ". Couldn't find corresponding rec(s) in MP2 WOE table."
            << QString();
        return;
    }
    dao::Recordset& labor = *history.labor;
    const QString laborNotes = WoNumNotesLine(record.mp2WoNum);
    for (const WorkOrderLine* line : *lines) {
        const dao::Variant& empCodeValue = (*line)[WorkOrderLine::EmpCode];
        if (empCodeValue.isNull() || Trim(empCodeValue.toText()).isEmpty())
            continue;
        const QString empCode = empCodeValue.toText();

        // An employee found once stays: employees are only added here.
        qint32 empId = history.employeeIds.value(empCode, 0);
        if (empId == 0)
            empId = FindEmployee(run, empCode);
        if (empId == 0) {
            CreateOneEmployee(run, empCode, 1);
            empId = FindEmployee(run, empCode);
            if (empId != 0) {
                log << QStringLiteral("Created an inactive employee in order to save history. ") + " Employee # = '" +
                           empCode + "'";
            } else {
                log << QStringLiteral("MP2 WOE labor record skipped. ") + " WONUM = " + QString::number(record.woNum) +
                           " EMPCODE = " + empCode + ". Couldn't find corresponding " + "Employee rec in VX.";
                continue;
            }
        }
        history.employeeIds.insert(empCode, empId);

        for (const dao::Variant* hours : {&(*line)[WorkOrderLine::RegularHours], &(*line)[WorkOrderLine::OvertimeHours]}) {
            if (hours->isNull() || hours->toDouble() <= 0)
                continue;
            labor.AddNew();
            labor.Fields("WoNum") = record.woNum;
            labor.Fields("EmpId") = empId;
            labor.Fields("Date") = record.dateComplete;
            labor.Fields("Hours") = *hours;
            labor.Fields("Cost") = 0;
            labor.Fields("Notes") = laborNotes;
            labor.Fields("RecType") = 3;
            labor.Update();
            run.summary.account.Created("WoLabor");
            ++history.labourWritten;
        }
        run.UpProg();
    }
}

void CreateWoLaborHist(RunState& run)
{
    try {
        if (!run.history || run.history->records == 0)
            return;
        const WorkOrderHistory& history = *run.history;
        run.Log("Start of sub CreateWoLaborHist");
        run.Log(QString());
        for (const QString& line : history.labourLog)
            run.Log(line);
        if (history.labourFailure)
            throw *history.labourFailure;

        run.Log(QString());
        run.Log("Records in Vantrix/Mendly WoLaborHist table - " + QString::number(history.labourWritten));
        run.Log(QString());

        ListEmployees(run, {QStringLiteral("All employees,including inactive ones ") + "created to save history."});
    } catch (const dao::DaoError& e) {
        ConversionTrap(run, "CreateWoLaborHist Error:", e);
    }
}
