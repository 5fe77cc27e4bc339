// A whole unattended import of a small plant whose employees, tasks, schedules and meter readings
// hold the awkward cases: the records and the log lines they leave, and task instructions that a
// rich-text reader shows as they were written.
#include "TaskFixture.h"
#include "convert/equipment/PreParse.h"
#include "WholeImportFixture.h"
#include "import/Driver.h"
#include "jet/CopySource.h"
#include "support/ReliabilitySupport.h"
#include "jet/JetWriter.h"
#include "support/Mp2Source.h"
#include "support/RtfText.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>

using namespace convtest;
using dao::Variant;
using Answer = ScriptedOperator::Answer;
using testsupport::Mp2Row;

namespace {

const QDateTime kToday = QDateTime(QDate(2027, 1, 5), QTime(9, 15), Qt::UTC);

QMap<QString, std::vector<Mp2Row>> PlantRows()
{
    QMap<QString, std::vector<Mp2Row>> rows;
    rows["EQUIP"] = {{{"EQNUM", "P-1"}, {"DESCRIPTION", "Pump"}},
                     {{"EQNUM", "P-2"}, {"DESCRIPTION", "Fan"}},
                     {{"EQNUM", "O'NEIL-3"}, {"DESCRIPTION", "Press"}}};
    rows["EMP"] = {{{"EMPCODE", "E1"}, {"LASTNAME", "Smith"}, {"FIRSTNAME", "John"}},
                   {{"EMPCODE", "E1"}, {"LASTNAME", "Jones"}, {"FIRSTNAME", "Ann"}},
                   {{"EMPCODE", "JS"}, {"LASTNAME", "Stone"}, {"FIRSTNAME", "Jo"}},
                   {{"EMPCODE", "js"}, {"LASTNAME", "Small"}, {"FIRSTNAME", "Jim"}}};
    rows["TASK"] = {{{"TASKNUM", "PM-2"}, {"DESCRIPTION", "Check {belt} at C:\\fan, 5 \u20ac caf\u00e9"},
                     {"ASSIGNEDTO", "js"}},
                    {{"TASKNUM", "PM-1"}, {"DESCRIPTION", "Grease bearings"}, {"ASSIGNEDTO", "E1"}},
                    {{"TASKNUM", "CORRECTIVE"}, {"DESCRIPTION", "Breakdowns"}},
                    {{"TASKNUM", "O'BRIEN"}, {"ASSIGNEDTO", "JS"}}};
    rows["TSKINSTR"] = {{{"TASKNUM", "O'BRIEN"}, {"INSTRCODE", "L2"}, {"SEQUENCENUM", 2}},
                        {{"TASKNUM", "O'BRIEN"}, {"INSTRCODE", "LNULL"}, {"SEQUENCENUM", 1}},
                        {{"TASKNUM", "O'BRIEN"}, {"INSTRCODE", "L3"}, {"SEQUENCENUM", 3}},
                        {{"TASKNUM", "PM-1"}, {"INSTRCODE", "L1"}, {"SEQUENCENUM", 1}}};
    rows["INSTR"] = {{{"INSTRCODE", "L1"}, {"INSTRTEXT", "Use the grease gun"}},
                     {{"INSTRCODE", "L2"}, {"INSTRTEXT", "Lock out"}},
                     {{"INSTRCODE", "L3"}, {"INSTRTEXT", "Open the cover"}},
                     {{"INSTRCODE", "LNULL"}}};
    auto schedule = [](const QString& task, const QString& eq, const QDateTime& due, const QString& unit, int n) {
        return Mp2Row{{"TASKNUM", task}, {"EQNUM", eq}, {"NEXTDUEDATE", due}, {"DATEUNIT", unit}, {"NUMOFDATE", n}};
    };
    rows["TASKEQ"] = {schedule("PM-1", "P-1", Day(2026, 11, 26), "M", 1),     // 40 days overdue
                      schedule("PM-1", "P-1", Day(2027, 2, 1), "D", 7),       // the same schedule again
                      schedule("PM-2", "P-2", Day(2027, 1, 20), "Q", 1),      // a unit the product lacks
                      schedule("O'BRIEN", "O'NEIL-3", Day(2026, 12, 6), "w", 2),  // exactly 30 days old
                      schedule("CORRECTIVE", "P-1", Day(2027, 1, 10), "D", 1),
                      schedule("PM-2", "GONE", Day(2027, 1, 10), "D", 1)};
    rows["METER"] = {{{"EQNUM", "P-1"}, {"EQDATE", Day(2026, 12, 1)}, {"CURMTR", 1200.0}},
                     {{"EQNUM", "P-1"}, {"EQDATE", Day(2026, 12, 1)}, {"CURMTR", 1150.0}},
                     {{"EQNUM", "P-2"}, {"EQDATE", Day(2026, 12, 1)}, {"CURMTR", 5.0}},
                     {{"EQNUM", "O'NEIL-3"}, {"EQDATE", Day(2026, 12, 1)}},
                     {{"EQNUM", "GONE"}, {"EQDATE", Day(2026, 12, 1)}, {"CURMTR", 1.0}}};
    return rows;
}

// The plant as an Access file when the Jet reader is built, else as a database in our own format.
void WritePlant(const QString& path) { testsupport::WriteMp2Source(path, PlantRows()); }

// Does `lines` hold `block` as consecutive lines?
bool HoldsBlock(const QStringList& lines, const QStringList& block)
{
    for (qsizetype i = 0; i + block.size() <= lines.size(); ++i)
        if (lines.mid(i, block.size()) == block)
            return true;
    return false;
}

class TaskImport : public WholeImportFixture {
protected:
    TaskImport() : WholeImportFixture(kToday) {}
};

TEST_F(TaskImport, UnattendedImportConvertsEmployeesTasksSchedulesAndReadings)
{
    WritePlant(run.txtSourceDB);
    op.Input("N").Then(Answer::PreParseActions([](PreParse& screen) { screen.Exit(); })).Input("30");
    const reliability::Fingerprint source = reliability::FingerprintOf(run.txtSourceDB);
    OpenImportLog(run);
    int status = -1;
    try {
        DoImport(run);
    } catch (const EndProgram& end) {
        status = end.status;
    }
    EXPECT_TRUE(reliability::FingerprintOf(run.txtSourceDB) == source) << "the import changed its source";
    ASSERT_EQ(status, 0) << op.messages().join("\n---\n").toStdString();
    EXPECT_EQ(op.answersLeft(), 0);

    auto out = dao::Database::OpenDatabase(dir.filePath("Crew/Plant1/Plant1.mdb"));
    auto rows = [&](const QString& sql, const QStringList& columns) {
        std::vector<std::vector<Variant>> result;
        auto rs = out->OpenRecordset(sql, dao::dbOpenSnapshot);
        for (; !rs->EOF_(); rs->MoveNext()) {
            std::vector<Variant> row;
            for (const QString& c : columns)
                row.push_back(rs->Fields(c).Value());
            result.push_back(row);
        }
        return result;
    };

    EXPECT_EQ(rows("Select * from Employee Order by Id", {"EmployeeNum", "Name"}),
              std::vector<std::vector<Variant>>(
                  {{"E1", "John Smith"}, {"E1", "Ann Jones"}, {"JS", "Jo Stone"}, {"js", "Jim Small"}}));

    // Tasks in number order; the employee is the last exact match of the number.
    const auto tasks =
        rows("Select * from Task Order by [Task#]", {"Task#", "Description", "EmployeeId", "Status", "Instructions"});
    ASSERT_EQ(tasks.size(), 3u);
    const QStringList descriptions = {"O'BRIEN", "PM-1", "PM-2"};
    const std::vector<int> employees = {3, 2, 4};
    const QStringList texts = {"Instructions: \r\nLock out\r\n\r\nOpen the cover\r\n\r\n",
                               "Grease bearings\r\n\r\nInstructions: \r\nUse the grease gun\r\n\r\n",
                               "Check {belt} at C:\\fan, 5 \u20ac caf\u00e9\r\n\r\n"};
    for (size_t i = 0; i < tasks.size(); ++i) {
        EXPECT_EQ(tasks[i][0], Variant(static_cast<int>(i + 1)));
        EXPECT_EQ(tasks[i][1], Variant(descriptions[i]));
        EXPECT_EQ(tasks[i][2], Variant(employees[i]));
        EXPECT_EQ(tasks[i][3], Variant(0));
        const QString rtf = tasks[i][4].toText();
        EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Times New Roman;}}"
                                   "\r\n\\viewkind4\\uc1\\pard\\lang1033\\f0\\fs20 "));
        EXPECT_EQ(testsupport::RtfToText(rtf), texts[i]);
    }

    const QDateTime today = QDateTime(kToday.date(), QTime(0, 0), Qt::UTC);
    EXPECT_EQ(rows("Select * from TaskEq Order by Id", {"Task#", "Equipment#", "DayFrequency", "NextDueDate"}),
              std::vector<std::vector<Variant>>({{2, "P-1", 30, today},
                                                 {3, "P-2", Variant(), Variant()},
                                                 {1, "O'NEIL-3", 14, Day(2026, 12, 6)}}));
    EXPECT_EQ(rows("Select * from [Meter Readings] Order by Id", {"Equipment#", "Date", "Value"}),
              std::vector<std::vector<Variant>>({{"P-1", Day(2026, 12, 1), 1200.0}, {"P-2", Day(2026, 12, 1), 5.0}}));
    out->Close();

    QFile logFile(dir.filePath("Crew/Plant1/MP2ImportLog.txt"));
    ASSERT_TRUE(logFile.open(QIODevice::ReadOnly));
    const QStringList log = QString::fromUtf8(logFile.readAll()).split(CRLF);
    EXPECT_TRUE(HoldsBlock(log, {"Records in MP2 EMP table - 4", "", "Records in Vantrix/Mendly Employee table - 4", "",
                                 "EmpID - 1    EmpNum - E1", "EmpID - 2    EmpNum - E1", "EmpID - 3    EmpNum - JS",
                                 "EmpID - 4    EmpNum - js", "", "Records in MP2 TASK table - 4", "",
                                 "Records in Vantrix/Mendly Task table - 3", ""}));
    const QString dup = "CreateTaskEq Error(dup key skipped:3022" + CR + dao::JetError::DuplicateKey().Description + CR +
                        "(EqLink and Tasklink: P-1  2)";
    EXPECT_TRUE(HoldsBlock(log, {
        "Records in MP2 TASKEQ table - 6", "", "The user selected the following # as the cutoff: '30'", "",
        "MP2 TASKEQ record was rescheduled. EQNUM = P-1 TASKNUM = PM-1. MP2 record has NEXTDUEDATE = " +
            Variant(Day(2026, 11, 26)).toText() + " which is > 30 days in the past.",
        dup, "",
        "MP2 TASKEQ record wasn't scheduled. EQNUM = P-2 TASKNUM = PM-2. MP2 record has DATEUNIT = 'Q'",
        "MP2 TASKEQ record skipped. EQNUM = P-1 TASKNUM = CORRECTIVE. Couldn't find corresponding Task rec in VX.",
        "MP2 TASKEQ record skipped. EQNUM = GONE TASKNUM = PM-2. Couldn't find Equipment# in VX.",
        "Records in Vantrix/Mendly TaskEq table - 4", ""})) << log.join("\n").toStdString();
    const QString gone = "Record in MP2 METER table skipped Equipment# 'GONE' not found in Vantrix Equipment table.";
    EXPECT_TRUE(HoldsBlock(log, {
        "Records in MP2 METER table - 5", "Note: There is not a 1 to 1 correspondence with the ",
        "records in the VX Meter Readings table.", "",
        "Record in MP2 METER table skipped Equipment# 'O'NEIL-3' is missing the meter reading in the MP2 METER table.",
        "", gone, "", "Records in Vantrix/Mendly Meter Readings table - 2", ""})) << log.join("\n").toStdString();
    EXPECT_TRUE(op.messages().contains(gone));
}

}  // namespace
