// The account of every source row, over a whole import of a small plant in which every reason for
// skipping a row occurs: each row of each MP2 table has one fate (converted, merged or skipped for a
// named reason), each record made is counted, and the placeholders made to keep history are counted
// as invented. With record warnings written to the log only, no warning box is shown and no record
// changes.
#include "WoHistSupport.h"

#include "common/Clock.h"
#include "convert/equipment/PreParse.h"
#include "import/Driver.h"
#include "run/EndProgram.h"
#include "run/ScriptedOperator.h"
#include "support/DumpDatabase.h"
#include "support/Mp2Source.h"
#include "support/SqliteFile.h"
#include "wizard/HostProduct.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using testsupport::Mp2Row;
using Answer = ScriptedOperator::Answer;

namespace {

const QString kLong = QStringLiteral("+1 (555) 010-9999 extension 1234");  // 32 characters

dao::Variant May(int d) { return ::Day(2024, 5, d); }

QMap<QString, std::vector<Mp2Row>> PlantRows()
{
    QMap<QString, std::vector<Mp2Row>> rows;
    rows["FACILITY"] = {{{"Name", "North Works"}, {"PHONENUM", kLong}}, {{"Name", "Second"}}};
    rows["EQUIP"] = {{{"EQNUM", "P-1"}}, {{"EQNUM", "P-2"}}, {{"EQNUM", ""}}, {{"DESCRIPTION", "no number"}}};
    rows["EMP"] = {{{"EMPCODE", "E1"}, {"ADDR2", QString(30, 'a')}, {"ADDR3", QString(30, 'b')}}, {{"EMPCODE", "E2"}}};
    rows["TASK"] = {{{"TASKNUM", "PM-1"}}, {{"TASKNUM", "Corrective"}}, {{"DESCRIPTION", "no number"}}};
    auto schedule = [](const QString& task, const QString& eq, const dao::Variant& due) {
        return Mp2Row{{"TASKNUM", task}, {"EQNUM", eq}, {"NEXTDUEDATE", due}, {"DATEUNIT", "W"}, {"NUMOFDATE", 2}};
    };
    rows["TASKEQ"] = {schedule("PM-1", "P-1", May(20)), schedule("PM-1", "P-1", May(21)),
                      schedule("NOPE", "P-1", May(20)), schedule("PM-1", "-", May(20)),
                      schedule("PM-1", "GONE", May(20)), schedule("PM-1", "P-2", dao::Variant())};
    rows["WO"] = {{{"WONUM", "100"}, {"TASKNUM", "PM-1"}}, {{"WONUM", "200"}, {"TASKNUM", ""}},
                  {{"WONUM", "300"}}, {{"WONUM", "500"}, {"TASKNUM", "PM-1"}}};
    auto line = [](const QString& wo, const QString& eq, const QString& emp) {
        return Mp2Row{{"WONUM", wo}, {"EQNUM", eq}, {"CLOSEDATE", May(6)}, {"EMPCODE", emp}, {"REGHRS", 2.0}};
    };
    rows["WOE"] = {line("100", "P-1", "E1"), line("100", "P-1", "E2"), line("100", "P-2", "E1"),
                   line("200", "P-1", "E1"), line("300", "P-1", "E9"), line("400", "P-1", "E1"),
                   line("100", "GONE", "E1"), line("500", "P-2", "E2")};
    rows["METER"] = {{{"EQNUM", "P-1"}, {"EQDATE", May(1)}, {"CURMTR", 100.0}},
                     {{"EQNUM", "P-1"}, {"EQDATE", May(1)}, {"CURMTR", 120.0}},
                     {{"EQNUM", "GONE"}, {"EQDATE", May(1)}, {"CURMTR", 5.0}},
                     {{"EQNUM", "P-2"}, {"CURMTR", 7.0}},
                     {{"EQNUM", "P-2"}, {"EQDATE", May(2)}}};
    rows["VENDOR"] = {{{"VENDORID", "V1"}, {"NAME", "ACME"}, {"PHONE", kLong}}, {{"VENDORID", "V2"}}};
    rows["INVY"] = {{{"ITEMNUM", "A"}}, {{"ITEMNUM", "B"}}};
    auto part = [](const QString& wo, const QString& eq, const QString& item) {
        return Mp2Row{{"WONUM", wo}, {"EQNUM", eq}, {"ITEMNUM", item}, {"QTYUSED", 1.0}, {"TOTALUNITCOST", 2.0}};
    };
    rows["WOP"] = {part("100", "P-1", "A"), part("100", "P-1", "B"), part("100", "P-2", ""),
                   part("300", "P-1", "C"), part("400", "P-1", "A"), part("500", "P-2", "REFUSED"),
                   part("500", "P-2", "A")};
    rows["VENDPO"] = {{{"VENDORID", "V1"}, {"PONUM", "PO-1"}}};
    return rows;
}

struct Outcome {
    int status = -1;
    RunSummary summary;
    QStringList messages;
    QString log;
    QString database;  // its dump
};

// The whole import of the plant in a folder of its own, the log opened as the Import button opens it.
// The new database's template refuses the item REFUSED, as a validation rule of a site's own would,
// so that a placeholder item cannot be made for it.
Outcome ImportPlant(bool warningsToLogOnly)
{
    QTemporaryDir dir;
    for (const char* sub : {"work", "list", "mp2", "Crew"})
        QDir(dir.path()).mkdir(sub);
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.filePath("work"));
    CreateTemplate(dir.filePath("list/BlnkVtrx.vdb"));
    testsupport::RunSql(dir.filePath("list/BlnkVtrx.vdb"),
                        {"CREATE TRIGGER refused BEFORE INSERT ON Invy WHEN NEW.\"Item#\" = 'REFUSED' "
                         "BEGIN SELECT RAISE(ABORT, 'REFUSED is not an item'); END"});
    CreateDatabaseList(dir.filePath("list/VXDB97.mdb"));
    testsupport::WriteMp2Source(dir.filePath("mp2/PLANT.mdb"), PlantRows());
    Clock::SetFixed(QDateTime(QDate(2024, 6, 1), QTime(9, 0), Qt::UTC));

    ScriptedOperator op;
    op.Input("N").Then(Answer::PreParseActions([](PreParse& screen) { screen.Exit(); })).Input("30");
    Outcome out;
    {
        RunState run{op};
        run.warningsToLogOnly = warningsToLogOnly;
        run.gVXDBListDir = dir.filePath("list");
        run.gVXDBListDb = dao::Database::OpenDatabase(dir.filePath("list/VXDB97.mdb"));
        run.txtSourceDB = dir.filePath("mp2/PLANT.mdb");
        run.txtTargetDir = dir.filePath("Crew/Plant1");
        run.txtFileName = "Plant1.mdb";
        run.txtDBName = "Plant 1";
        OpenImportLog(run);
        try {
            DoImport(run);
        } catch (const EndProgram& end) {
            out.status = end.status;
        }
        out.summary = run.summary;
        run.log.Close();
        for (auto* db : {&run.DBin, &run.DBout, &run.gVXDBListDb})
            if (*db && (*db)->isOpen())
                (*db)->Close();
    }
    Clock::SetFixed({});
    QDir::setCurrent(previous);
    out.messages = op.messages();
    QFile log(dir.filePath("Crew/Plant1/MP2ImportLog.txt"));
    if (log.open(QIODevice::ReadOnly))
        out.log = QString::fromUtf8(log.readAll());
    out.database = testsupport::DumpDatabase(dir.filePath("Crew/Plant1/Plant1.mdb"));
    return out;
}

// One line per table: "TABLE read converted merged skipped", then "  n reason" per reason.
QStringList Sources(const RunAccount& account)
{
    QStringList lines;
    for (const SourceTableAccount& s : account.Sources()) {
        lines << QString("%1 %2 %3 %4 %5").arg(s.mp2).arg(s.read).arg(s.converted).arg(s.merged).arg(s.skipped());
        for (const auto& [reason, rows] : s.skippedByReason)
            lines << QString("  %1 %2").arg(rows).arg(reason);
    }
    return lines;
}

QStringList Targets(const RunAccount& account)
{
    QStringList lines;
    for (const TargetTableAccount& t : account.Targets())
        lines << QString("%1 %2 %3").arg(t.table).arg(t.created).arg(t.invented);
    return lines;
}

}  // namespace

TEST(RowAccount, EveryRowOfAPlantWithEveryReasonToSkipHasOneFate)
{
    const Outcome r = ImportPlant(false);
    ASSERT_EQ(r.status, 0) << r.messages.join("\n---\n").toStdString();
    const RunAccount& account = r.summary.account;

    EXPECT_EQ(Sources(account), (QStringList{
        "FACILITY 2 1 0 1",
        "  1 Only the first MP2 Facility record is imported",
        "EQUIP 4 2 0 2",
        "  2 MP2 has blank equipment (EQNUM empty or Null)",
        "EMP 2 2 0 0",
        "TASK 3 1 0 2",
        "  1 MP2 TASK record has no TASKNUM",
        "  1 CORRECTIVE is MP2's pseudo-task for corrective work, not a task",
        "TASKEQ 6 2 0 4",
        "  1 CreateTaskEq Error(dup key skipped:3022): the task is already scheduled on this equipment",
        "  1 MP2 TASKEQ record skipped. Couldn't find corresponding Task rec in VX.",
        "  1 MP2 TASKEQ record skipped. EQNUM = - It is junk anyway.",
        "  1 MP2 TASKEQ record skipped. Couldn't find Equipment# in VX.",
        "WOE 8 4 1 3",
        "  1 MP2 WOE record skipped. Couldn't find Equipment# in VX.",
        "  1 MP2 WOE record skipped. Couldn't find corresponding Task rec in VX.",
        "  1 MP2 WOE record skipped. Couldn't find corresponding rec in MP2 WO table.",
        "METER 5 1 1 3",
        "  1 Record in MP2 METER table skipped. Equipment# not found in Vantrix Equipment table.",
        "  1 Record in MP2 METER table skipped. Equipment# is missing the date in the MP2 METER table.",
        "  1 Record in MP2 METER table skipped. Equipment# is missing the meter reading in the MP2 METER table.",
        "VENDOR 2 1 0 1",
        "  1 Record in MP2 VENDOR table skipped (null VENDORID or NAME)",
        "INVY 2 2 0 0",
        "WOP 7 2 2 3",
        "  2 MP2 WOP record skipped. Couldn't find corresponding Invy rec in VX.",
        "  1 MP2 WOP record has no work-order history record (WONUM and EQNUM)",
        "VENDMANU 0 0 0 0",
        "VENDPO 1 0 0 1",
        "  1 Table not converted",
        "INVCOMM 0 0 0 0",
        "INVSITE 0 0 0 0",
        "INVSUB 0 0 0 0",
        "INVYDRWG 0 0 0 0",
    }));
    for (const SourceTableAccount& s : account.Sources())
        EXPECT_TRUE(s.addsUp()) << s.mp2.toStdString();

    // The records made, and of them the placeholders: the task Corrective, the employee E9, the item C.
    EXPECT_EQ(Targets(account), (QStringList{"Facility 1 0", "Equipment 2 0", "Employee 3 1", "Task 2 1",
                                             "TaskEq 2 0", "WO 4 0", "WoLabor 5 0", "Meter Readings 1 0",
                                             "Vendor 1 0", "Invy 3 1", "WoItems 2 0"}));
    EXPECT_EQ(r.summary.result, RunResult::Imported);
    EXPECT_TRUE(r.summary.warnings.isEmpty());
}

TEST(RowAccount, RecordWarningsToTheLogOnlyShowNoBoxAndChangeNoRecord)
{
    const Outcome boxes = ImportPlant(false);
    const Outcome logged = ImportPlant(true);
    ASSERT_EQ(boxes.status, 0);
    ASSERT_EQ(logged.status, 0) << logged.messages.join("\n---\n").toStdString();

    const QStringList warnings = logged.summary.warnings;
    ASSERT_EQ(warnings.size(), 6) << warnings.join("\n").toStdString();
    EXPECT_TRUE(warnings[0].startsWith("Warning: Phone in the Facility table has been truncated."));
    EXPECT_TRUE(warnings[1].startsWith("Warning: Address2 in the Employee table has been truncated."));
    EXPECT_EQ(warnings[2], "Error: Sub CreateOneTask was sent a blank description.");
    EXPECT_EQ(warnings[3], "Record in MP2 METER table skipped Equipment# 'GONE' not found in Vantrix Equipment table.");
    EXPECT_TRUE(warnings[4].startsWith("Warning: Phone in the Vendor table has been truncated for Name 'ACME'."));
    EXPECT_EQ(warnings[5], "Record in MP2 VENDOR table skipped (null VENDORID or NAME)");
    for (const QString& warning : warnings) {
        // Each is a box when the flag is off, and a line of the log (once) when it is on.
        EXPECT_TRUE(boxes.messages.contains(warning)) << warning.toStdString();
        EXPECT_FALSE(logged.messages.contains(warning)) << warning.toStdString();
        EXPECT_EQ(logged.log.count("\r\n" + warning + "\r\n"), 1) << warning.toStdString();
    }
    // The other boxes stay (the last one names the run's own folder).
    QStringList rest = boxes.messages;
    for (const QString& warning : warnings)
        rest.removeOne(warning);
    EXPECT_EQ(logged.messages.mid(0, logged.messages.size() - 1), rest.mid(0, rest.size() - 1));
    EXPECT_EQ(logged.database, boxes.database);
    EXPECT_TRUE(logged.log.contains("\r\nWarnings: 6\r\n"));
}
