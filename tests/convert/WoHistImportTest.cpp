// A whole unattended import of a plant whose work-order history, labour, parts, vendors and items
// hold the awkward cases: the import completes and registers the database, the log says what the
// tables hold, and the records are those the history conversions promise.
#include "WoHistSupport.h"

#include "common/Clock.h"
#include "convert/equipment/PreParse.h"
#include "WholeImportFixture.h"
#include "import/Driver.h"
#include "jet/CopySource.h"
#include "support/ReliabilitySupport.h"
#include "jet/JetWriter.h"
#include "support/Mp2Source.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>

using testsupport::Mp2Row;
using Answer = ScriptedOperator::Answer;

namespace {

const QString CR = QStringLiteral("\r");
const QString kPhone26 = QStringLiteral("+1 (555) 010-9999 ext 1234");

QMap<QString, std::vector<Mp2Row>> PlantRows()
{
    const dao::Variant may6 = Day(2024, 5, 6);
    QMap<QString, std::vector<Mp2Row>> rows;
    rows["EQUIP"] = {{{"EQNUM", "P-1"}, {"DESCRIPTION", "Pump"}}, {{"EQNUM", "P-2"}, {"DESCRIPTION", "Fan"}}};
    rows["EMP"] = {{{"EMPCODE", "E1"}, {"LASTNAME", "Smith"}}, {{"EMPCODE", "E2"}, {"LASTNAME", "Jones"}}};
    rows["TASK"] = {{{"TASKNUM", "PM-1"}, {"DESCRIPTION", "Grease bearings"}}};
    rows["WO"] = {{{"WONUM", "100"}, {"TASKNUM", "PM-1"}, {"DELAYDESC", "Waiting for parts"}, {"TASKDESC", "Replace belt"}},
                  {{"WONUM", "200"}},
                  {{"WONUM", "300"}, {"TASKNUM", "CORRECTIVE"}, {"TASKDESC", "  "}},
                  {{"WONUM", "400"}, {"TASKNUM", "PM-1"}}};
    auto line = [&](const QString& wo, const QString& eq, const dao::Variant& emp, const dao::Variant& reg,
                    const dao::Variant& ot, const dao::Variant& sub3 = dao::Variant()) {
        return Mp2Row{{"WONUM", wo}, {"EQNUM", eq}, {"CLOSEDATE", may6}, {"LOCATION", "Plant"},
                      {"SUBLOCATION1", "Bay 2"}, {"SUBLOCATION2", ""}, {"SUBLOCATION3", sub3},
                      {"EMPCODE", emp}, {"REGHRS", reg}, {"OTHRS", ot}};
    };
    rows["WOE"] = {line("500", "P-1", "E1", 1.0, 0.0),  // no MP2 work order
                   line("100", "P-1", "E1", 8.0, 2.0, "C"),
                   line("100", "P-1", "E2", 4.0, dao::Variant(), "C"),
                   line("100", "P-2", "  ", 3.0, dao::Variant(), "C"),
                   line("200", "P-1", "E9", 1.0, dao::Variant()),
                   line("300", "P-2", "E9", 2.0, 0.0),
                   line("400", "GONE", "E1", 5.0, 0.0)};
    rows["WOC"] = {{{"WONUM", "100"}, {"EQNUM", "P-1"}, {"CLOSEDATE", may6}, {"LOCATION", "Plant"},
                    {"SUBLOCATION1", "Bay 2"}, {"SUBLOCATION2", ""}, {"SUBLOCATION3", "C"}, {"TEXTS", "Seal replaced"}},
                   {{"WONUM", "100"}, {"EQNUM", "P-2"}, {"CLOSEDATE", may6}, {"LOCATION", "Plant"},
                    {"SUBLOCATION1", "Bay 2"}, {"SUBLOCATION2", ""}, {"SUBLOCATION3", "C"}, {"TEXTS", "Fan cleaned"}}};
    rows["WOP"] = {{{"WONUM", "100"}, {"EQNUM", "P-1"}, {"ITEMNUM", "A"}, {"DESCRIPTION", "Belt"}, {"QTYUSED", 2.0},
                    {"TOTALUNITCOST", 10.0}},
                   {{"WONUM", "100"}, {"EQNUM", "P-1"}, {"ITEMNUM", "B"}, {"QTYUSED", 3.0}, {"TOTALUNITCOST", 6.0}},
                   {{"WONUM", "200"}, {"EQNUM", "P-1"}, {"ITEMNUM", ""}, {"TOTALUNITCOST", 1.0}},
                   {{"WONUM", "200"}, {"EQNUM", "P-1"}, {"ITEMNUM", "C"}, {"DESCRIPTION", "O'Ring kit"},
                    {"QTYUSED", 1.0}, {"TOTALUNITCOST", 4.0}}};
    rows["VENDOR"] = {{{"VENDORID", "V1"}, {"NAME", "ACME"}},
                      {{"VENDORID", "V2"}, {"NAME", "ACME"}, {"TERMS", "Net 30"}},
                      {{"VENDORID", "V3"}, {"NAME", "ACME"}},
                      {{"VENDORID", "V4"}},
                      {{"VENDORID", "V5"}, {"NAME", "Far"}, {"PHONE", kPhone26}}};
    rows["VENDCOMM"] = {{{"VENDORID", "V1"}, {"COMMENTS", "first"}}, {{"VENDORID", "V1"}, {"COMMENTS", "second"}}};
    rows["INVY"] = {{{"ITEMNUM", "A"}, {"DESCRIPTION", "Belt"}, {"TYPE", "FLT"}},
                    {{"ITEMNUM", "B"}, {"DESCRIPTION", "Bolt"}}};
    rows["INVVEND"] = {{{"ITEMNUM", "A"}, {"VENDORID", "V1"}, {"UNITCOST", 4.0}},
                       {{"ITEMNUM", "A"}, {"VENDORID", "V2"}, {"PRIMARYVENDOR", "y"}, {"UNITCOST", 12.5}},
                       {{"ITEMNUM", "B"}, {"VENDORID", "V4"}, {"PRIMARYVENDOR", "Y"}, {"UNITCOST", 3.0}},
                       {{"ITEMNUM", "B"}, {"VENDORID", "V5"}, {"UNITCOST", 2.0}}};
    rows["INVCOST"] = {{{"ITEMNUM", "A"}, {"UNITCOST", 9.0}, {"AVAILABLEQTY", 6.0}},
                       {{"ITEMNUM", "B"}, {"UNITCOST", 9.0}}};
    rows["INVTYPE"] = {{{"TYPE", "FLT"}, {"DESCRIPTION", "Filters"}}};
    return rows;
}

// The plant as an Access file when the Jet reader is built, else straight in the working-copy format.
void WritePlant(const QString& path) { testsupport::WriteMp2Source(path, PlantRows()); }

// The lines of `log` from the first that equals `first`, `count` of them.
QStringList Block(const QStringList& log, const QString& first, int count)
{
    const qsizetype at = log.indexOf(first);
    return at < 0 ? QStringList{"<missing> " + first} : log.mid(at, count);
}

// The number that ends a count line of the log ("... table - 7"), or -1.
int CountIn(const QStringList& log, const QString& prefix)
{
    for (const QString& line : log)
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).toInt();
    return -1;
}

class WoHistImport : public WholeImportFixture {
protected:
    WoHistImport() : WholeImportFixture(QDateTime(QDate(2024, 6, 1), QTime(9, 0), Qt::UTC)) {}

    // The whole import with the log opened as the main form opens it: its exit status.
    int Import()
    {
        OpenImportLog(run);
        try {
            DoImport(run);
        } catch (const EndProgram& end) {
            return end.status;
        }
        return -1;
    }
};

TEST_F(WoHistImport, HistoryVendorsAndItemsOfAWholeImportMatchTheirLog)
{
    WritePlant(run.txtSourceDB);
    op.Input("N").Then(Answer::PreParseActions([](PreParse& screen) { screen.Exit(); })).Input("30");
    const reliability::Fingerprint source = reliability::FingerprintOf(run.txtSourceDB);
    const int status = Import();
    EXPECT_TRUE(reliability::FingerprintOf(run.txtSourceDB) == source) << "the import changed its source";
    ASSERT_EQ(status, 0) << op.messages().join("\n---\n").toStdString();

    const QString target = dir.filePath("Crew/Plant1/Plant1.mdb");
    EXPECT_EQ(testsupport::QueryText(dir.filePath("list/VXDB97.mdb"), "SELECT Name FROM DB"), "Plant 1");
    auto count = [&](const QString& sql) { return testsupport::QueryText(target, sql).toInt(); };

    QFile logFile(dir.filePath("Crew/Plant1/MP2ImportLog.txt"));
    ASSERT_TRUE(logFile.open(QIODevice::ReadOnly));
    const QStringList log = QString::fromUtf8(logFile.readAll()).split("\r\n");

    EXPECT_EQ(Block(log, "Records in MP2 WOE table - 7", 11), (QStringList{
        "Records in MP2 WOE table - 7",
        "Note: There is not a 1 to 1 correspondence with the ",
        "records in the VX WoHist table.",
        "",
        "Created an inactive task in order to save history.  Description = 'Corrective'",
        "MP2 WOE record skipped.  WONUM = 400 EQNUM = GONE TASKNUM = PM-1. Couldn't find Equipment# in VX.",
        "MP2 WOE record skipped.  WONUM = 500. Couldn't find corresponding rec in MP2 WO table.",
        "Records in Vantrix/Mendly WoHist table - 4",
        "",
        "Start of sub CreateWoLaborHist",
        ""})) << log.join("\n").toStdString();
    EXPECT_EQ(Block(log, "Created an inactive employee in order to save history.  Employee # = 'E9'", 12), (QStringList{
        "Created an inactive employee in order to save history.  Employee # = 'E9'",
        "",
        "Records in Vantrix/Mendly WoLaborHist table - 5",
        "",
        "All employees,including inactive ones created to save history.",
        "Records in Vantrix/Mendly Employee table - 3",
        "",
        "EmpID - 1    EmpNum - E1",
        "EmpID - 2    EmpNum - E2",
        "EmpID - 3    EmpNum - E9",
        "",
        "Records in MP2 VENDOR table - 5"})) << log.join("\n").toStdString();
    const QString skipped = "Record in MP2 VENDOR table skipped (null VENDORID or NAME)";
    const QString phoneWarning = "Warning: Phone in the Vendor table has been truncated for Name 'Far'." + CR +
                                 "The old Phone # in MP2 was '" + kPhone26 + "'" + CR +
                                 "This old # will be put it in the Notes field for this vendor record. " + CR +
                                 "Check it when you run the program after the import is complete.";
    EXPECT_EQ(Block(log, "Records in MP2 VENDOR table - 5", 24), (QStringList{
        "Records in MP2 VENDOR table - 5", "", skipped, "", phoneWarning,
        "Records in Vantrix/Mendly Vendor table - 4", "",
        "NewVendName - ACME    OldVendId - V1", "NewVendName - ACME2    OldVendId - V2",
        "NewVendName - ACME23    OldVendId - V3", "NewVendName - Far    OldVendId - V5", "",
        "Records in MP2 INVY table - 2", "", "Records in Vantrix/Mendly Invy table - 2", "",
        "Start of sub CreateWoItemsHist", "", "Records in MP2 WOP table - 4",
        "Note: There is not a 1 to 1 correspondence with the ", "records in the VX WoItemsHist table.", "",
        "Created an inactive Invy in order to save history.  Item# = 'C'",
        "Records in Vantrix/Mendly WoItemsHist table - 2"})) << log.join("\n").toStdString();
    EXPECT_TRUE(op.messages().contains(skipped));
    EXPECT_TRUE(op.messages().contains(phoneWarning));

    // The counts the log gives are what the new database holds.
    EXPECT_EQ(count("SELECT count(*) FROM WO WHERE RecType = 3"), CountIn(log, "Records in Vantrix/Mendly WoHist table - "));
    EXPECT_EQ(count("SELECT count(*) FROM WoLabor"), CountIn(log, "Records in Vantrix/Mendly WoLaborHist table - "));
    EXPECT_EQ(count("SELECT count(*) FROM WoItems"), CountIn(log, "Records in Vantrix/Mendly WoItemsHist table - "));
    EXPECT_EQ(count("SELECT count(*) FROM Vendor"), CountIn(log, "Records in Vantrix/Mendly Vendor table - "));
    EXPECT_EQ(count("SELECT count(*) FROM Invy WHERE Status = 0"), CountIn(log, "Records in Vantrix/Mendly Invy table - "));
    EXPECT_EQ(count("SELECT seq FROM sqlite_sequence WHERE name = 'WO'"), 8);

    // What one conversion leaves for the next: placeholder items and costs on the history records,
    // and the vendors an item refers to.
    auto text = [&](const QString& sql) { return testsupport::QueryText(target, sql); };
    EXPECT_EQ(text("SELECT group_concat(WoNum || ':' || ItemId || ':' || Qty, '|') FROM WoItems"), "1:1:5.0|3:3:1.0");
    EXPECT_EQ(text("SELECT group_concat(TotalCost, ',') FROM (SELECT TotalCost FROM WO ORDER BY WoNum)"),
              "16.0,0.0,5.0,0.0");
    EXPECT_EQ(text("SELECT group_concat(VendorId || ':' || Cost, '|') FROM Invy WHERE Status = 0"), "2:12.5|4:9.0");
}

TEST_F(WoHistImport, LinesOfOneWorkOrderAndEquipmentInAnyLetterCaseMakeOneRecordCountedOnce)
{
    const dao::Variant may6 = Day(2024, 5, 6);
    QMap<QString, std::vector<Mp2Row>> rows;
    rows["EQUIP"] = {{{"EQNUM", "P-1"}}, {{"EQNUM", "pümpe-2"}}, {{"EQNUM", "PÜMPF-3"}}};
    rows["EMP"] = {{{"EMPCODE", "E1"}}, {{"EMPCODE", "E2"}}};
    rows["TASK"] = {{{"TASKNUM", "PM-1"}}};
    rows["WO"] = {{{"WONUM", "100"}, {"TASKNUM", "PM-1"}}};
    auto line = [&](const char* eq, const char* emp, double hours) {
        return Mp2Row{{"WONUM", "100"}, {"EQNUM", eq}, {"CLOSEDATE", may6}, {"EMPCODE", emp}, {"REGHRS", hours}};
    };
    // In the order of the numbers, PÜMPF-3 comes between PÜMPE-2 and pümpe-2.
    rows["WOE"] = {line("P-1", "E1", 8.0), line("p-1", "E2", 4.0), line("PÜMPE-2", "E1", 2.0),
                   line("pümpe-2", "E2", 1.0), line("PÜMPF-3", "E1", 5.0)};
    rows["WOP"] = {{{"WONUM", "100"}, {"EQNUM", "p-1"}, {"ITEMNUM", "A"}, {"QTYUSED", 2.0}, {"TOTALUNITCOST", 10.0}},
                   {{"WONUM", "100"}, {"EQNUM", "PÜMPE-2"}, {"ITEMNUM", "A"}, {"QTYUSED", 1.0}, {"TOTALUNITCOST", 3.0}}};
    rows["INVY"] = {{{"ITEMNUM", "A"}, {"DESCRIPTION", "Belt"}}};
    testsupport::WriteMp2Source(run.txtSourceDB, rows);
    op.Input("N").Then(Answer::PreParseActions([](PreParse& screen) { screen.Exit(); })).Input("30");
    ASSERT_EQ(Import(), 0) << op.messages().join("\n---\n").toStdString();

    const QString target = dir.filePath("Crew/Plant1/Plant1.mdb");
    auto text = [&](const QString& sql) { return testsupport::QueryText(target, sql); };
    EXPECT_EQ(text("SELECT group_concat(\"Equipment#\" || ':' || TotalLaborHours || ':' || TotalCost, '|') "
                   "FROM (SELECT * FROM WO ORDER BY WoNum)"),
              "P-1:12.0:10.0|PÜMPE-2:3.0:3.0|PÜMPF-3:5.0:0.0");
    EXPECT_EQ(text("SELECT group_concat(WoNum || ':' || Hours, '|') FROM (SELECT * FROM WoLabor ORDER BY Id)"),
              "1:8.0|1:4.0|2:2.0|2:1.0|3:5.0");
    EXPECT_EQ(text("SELECT group_concat(WoNum || ':' || Qty, '|') FROM (SELECT * FROM WoItems ORDER BY Id)"),
              "1:2.0|2:1.0");
}

}  // namespace
