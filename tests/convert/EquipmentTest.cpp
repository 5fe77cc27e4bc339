// The equipment conversion: every target field's rule, the notes with the manufacturer block, the
// removal of records without a number, the operator's replacements of long numbers with their checks,
// log lines and rewrites, the fatal trap, and the existence test the later conversions use.
#include "EquipmentFixture.h"
#include "db/TextForm.h"
#include "convert/Conversions.h"
#include "convert/equipment/EqExists.h"
#include "convert/equipment/PreParse.h"
#include "import/Driver.h"

#include <QDir>
#include <QFileInfo>

using namespace eqtest;

namespace {

class Equipment : public EquipmentTest {
protected:
    void SetUp() override
    {
        EquipmentTest::SetUp();
        op.Then(Answer::PreParseActions([](PreParse& s) { s.Exit(); }));
    }

    // An expression over the Equipment record with the given number.
    QString Field(QString number, const QString& expression) const
    {
        return Out("SELECT " + expression + " FROM Equipment WHERE \"Equipment#\" = '" + number.replace("'", "''") +
                   "' COLLATE BINARY");
    }
};

QDateTime Day(int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(0, 0)); }

}  // namespace

TEST_F(Equipment, WritesEveryFieldByItsRuleAndComposesTheNotes)
{
    Insert("EQUIP", {{{"EQNUM", "P'1"},
                      {"LOCATION", " Hall "},
                      {"SUBLOCATION1", "   "},
                      {"SUBLOCATION2", "-"},
                      {"SUBLOCATION3", "A-12"},
                      {"VENDORID", "ACME"},
                      {"SPARECODE", ""},
                      {"PURCHDATE", Day(2001, 3, 4)},
                      {"LIFE", 12.5},
                      {"REPLACEMENTCOST", 1200.0},
                      {"LABORCOST", 0.0},
                      {"SAFETYNOTE", "Lock out"},
                      {"MANUFACTURER", "O'BRIEN"},
                      {"SERIALNUM", "SN1"},
                      {"MODELNUM", ""}},
                     {{"EQNUM", "P2"}, {"DESCRIPTION", "Pump"}, {"ORIGINALCOST", 99.5}, {"MANUFACTURER", "NOBODY"}}});
    Insert("METER", {{{"EQNUM", "P'1"}, {"UOM", "hrs."}, {"AVGMTRUNITSPERDAY", 0.05}, {"SignalTag", "TAG-7"}}});
    Insert("MANUFACT", {{{"MANUFACTID", "O'BRIEN"},
                         {"NAME", "O'Brien Pumps"},
                         {"CITY", ""},
                         {"FEDID", "12-345"},
                         {"NOTES", "Call first"}}});
    Open();
    ASSERT_EQ(Status([&] { CreateEq(run); }), -1) << op.messages().join("\n").toStdString();

    EXPECT_EQ(Field("P'1", "Description"), "????");
    EXPECT_EQ(Field("P'1", "Location"), " Hall ");
    EXPECT_EQ(Field("P'1", "OrigCost"), "0.0");
    EXPECT_EQ(Field("P'1", "Metered"), "1");
    EXPECT_EQ(Field("P'1", "Units"), "Hours");
    EXPECT_EQ(Field("P'1", "AvgPerDay"), "0.1");
    EXPECT_EQ(Field("P'1", "SignalTag"), "TAG-7");
    EXPECT_EQ(Field("P'1", "Stat"), "Last Good Reading");
    EXPECT_EQ(Field("P'1", "ScaleFactor"), "1.0");
    EXPECT_EQ(Field("P'1", "Status"), "0");
    EXPECT_EQ(Field("P'1", "EquipmentUD1"), "SN1");
    EXPECT_EQ(Field("P'1", "typeof(EquipmentUD3)"), "null");  // empty MODELNUM: not written
    EXPECT_EQ(Field("P'1", "EquipmentUD2"), "O'BRIEN");
    const QString rule = "Info ------------------------------ ";
    EXPECT_EQ(Field("P'1", "Notes"),
              "SubLocation3 - A-12" + CRLF + "VendorID - ACME" + CRLF + "Purchase Date - " + DateText(Day(2001, 3, 4)) +
                  CRLF + "Life - 12.5" + CRLF + "Replacement Cost - 1200" + CRLF + "Labor Cost - 0" + CRLF +
                  "Safety Note - Lock out" + CRLF + "Start of Manufacturer " + rule + CRLF + "MANUFACTID - O'BRIEN" +
                  CRLF + "NAME - O'Brien Pumps" + CRLF + "Manufacturer - 12-345" + CRLF +
                  "Manufacturer NOTES - Call first" + CRLF + "End of Manufacturer " + rule + CRLF);

    // Without a meter or a known manufacturer.
    EXPECT_EQ(Field("P2", "Description || '/' || OrigCost || '/' || Metered || '/' || Units || '/' || AvgPerDay"),
              "Pump/99.5/0/Hours/0.0");
    EXPECT_EQ(Field("P2", "typeof(Notes) || typeof(SignalTag) || typeof(Stat) || ScaleFactor"), "texttexttext1.0");
    EXPECT_EQ(Field("P2", "Notes"), "");

    EXPECT_EQ(LogLines(), QStringList({"Records in MP2 EQUIP table - 2", "",
                                       "Records in Vantrix/Mendly Equipment table - 2", "", "", ""}));
    EXPECT_EQ(Steps(), 2);
    EXPECT_TRUE(op.messages().isEmpty());
}

TEST_F(Equipment, MeterUnitsAndAveragesFollowTheirRules)
{
    Insert("EQUIP", {{{"EQNUM", "M0"}}, {{"EQNUM", "M005"}}, {{"EQNUM", "M25"}}, {{"EQNUM", "MNEG"}},
                     {{"EQNUM", "MNULL"}}, {{"EQNUM", "MTWO"}}});
    Insert("METER", {{{"EQNUM", "M0"}, {"UOM", "Miles"}, {"AVGMTRUNITSPERDAY", 0.0}},
                     {{"EQNUM", "M005"}, {"UOM", "HR"}, {"AVGMTRUNITSPERDAY", 0.05}},
                     {{"EQNUM", "M25"}, {"UOM", "hour"}, {"AVGMTRUNITSPERDAY", 2.5}},
                     {{"EQNUM", "MNEG"}, {"UOM", " HRS"}, {"AVGMTRUNITSPERDAY", -3.0}},
                     {{"EQNUM", "MNULL"}},
                     {{"EQNUM", "MTWO"}, {"UOM", "Km"}, {"AVGMTRUNITSPERDAY", 5.0}},
                     {{"EQNUM", "MTWO"}, {"UOM", "Mi"}, {"AVGMTRUNITSPERDAY", 7.0}}});
    Open();
    ASSERT_EQ(Status([&] { CreateEq(run); }), -1);

    EXPECT_EQ(Out("SELECT group_concat(\"Equipment#\" || ':' || Units || ':' || AvgPerDay || ':' || Metered, ' ') "
                  "FROM (SELECT * FROM Equipment ORDER BY Id)"),
              "M0:Miles:1.0:1 M005:Hours:0.1:1 M25:Hours:2.5:1 MNEG: HRS:0.1:1 MNULL:Hours:1.0:1 MTWO:Km:5.0:1");
    EXPECT_EQ(Out("SELECT count(*) FROM Equipment WHERE SignalTag = '' AND Stat = ''"), "6");
}

TEST_F(Equipment, RecordsWithoutANumberAreRemovedAndNeitherCountedNorConverted)
{
    Insert("EQUIP", {{{"EQNUM", ""}}, {{"EQNUM", dao::Variant()}}, {{"EQNUM", "A"}}});
    Open();
    ASSERT_EQ(Status([&] { CreateEq(run); }), -1);

    EXPECT_EQ(In("SELECT group_concat(coalesce(EQNUM, 'NULL')) FROM EQUIP"), "A");
    EXPECT_EQ(Out("SELECT group_concat(\"Equipment#\") FROM Equipment"), "A");
    EXPECT_EQ(LogLines().mid(0, 4), QStringList({"Records in MP2 EQUIP table - 1", "",
                                                 "Records in Vantrix/Mendly Equipment table - 1", ""}));
    EXPECT_EQ(Steps(), 1);
}

TEST_F(Equipment, NoEquipmentIsSaidOnceAndLogsNothing)
{
    Open();
    ASSERT_EQ(Status([&] { CreateEq(run); }), -1);
    EXPECT_EQ(op.messages(), QStringList({"MP2 doesn't have any equipment records. Click on the Exit button.",
                                          "No equipment records to import."}));
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_EQ(Out("SELECT count(*) FROM Equipment"), "0");
}

TEST_F(Equipment, LongNumbersAreReplacedByTheOperatorAndRewrittenEverywhere)
{
    const QString n30(30, 'K'), l31(31, 'L'), m31 = QString(30, 'M') + "'";
    Insert("EQUIP", {{{"EQNUM", n30}}, {{"EQNUM", l31}}, {{"EQNUM", m31}}, {{"EQNUM", "P-2"}}, {{"EQNUM", "PÜMPE-3"}}});
    for (const char* table : kEqNumTables)
        if (QString(table) != "EQUIP")
            Insert(table, {{{"EQNUM", l31}}, {{"EQNUM", m31}}});
    Open();
    op.Then(Answer::Change(""))           // closed without OK: asked again
        .Then(Answer::Change("P-2"))      // another record's number
        .Then(Answer::Change("SHORT-1"))  // accepted for L
        .Then(Answer::Change("SHORT-1"))  // written earlier in this run
        .Then(Answer::Change("short-1"))  // the same numbers in another letter case
        .Then(Answer::Change("p-2"))
        .Then(Answer::Change("pümpe-3"))
        .Then(Answer::Change("SHORT-2"));  // accepted for M
    ASSERT_EQ(Status([&] { CreateEq(run); }), -1) << op.messages().join("\n").toStdString();

    const auto dialogs = op.entries(Kind::ChangeValue);
    ASSERT_EQ(dialogs.size(), 8u);
    EXPECT_EQ(dialogs[0].text, "The length of this Equipment# is '31' in the MP2 database. " + CR +
                                   "It has to be 30 characters or less for Vantrix/Mendly." + CR + CR +
                                   "Change the New Value to comply." + CR);
    EXPECT_EQ(dialogs[0].defaultText, l31);
    EXPECT_EQ(dialogs[0].value, 1);
    EXPECT_EQ(dialogs[0].maximum, 30);
    EXPECT_EQ(dialogs[3].defaultText, m31);
    QStringList used;
    for (const char* number : {"P-2", "SHORT-1", "short-1", "p-2", "pümpe-3"})
        used << "Error: The equipment# '" + QString(number) + "'" + CR + "is already being used. Try again.";
    EXPECT_EQ(op.messages(), used);

    EXPECT_EQ(Out("SELECT group_concat(\"Equipment#\", '|') FROM (SELECT * FROM Equipment ORDER BY Id)"),
              n30 + "|SHORT-1|SHORT-2|P-2|PÜMPE-3");
    EXPECT_EQ(LogLines(), QStringList({"Records in MP2 EQUIP table - 5", "",
                                       "Records in Vantrix/Mendly Equipment table - 5", "",
                                       "Old eq# (1) - " + l31, "Old eq# (2) - " + m31, "",
                                       "New eq# (1) - SHORT-1", "New eq# (2) - SHORT-2", ""}));
    for (const char* table : kEqNumTables) {
        EXPECT_EQ(In(QString("SELECT count(*) FROM %1 WHERE EQNUM = 'SHORT-1' COLLATE BINARY").arg(table)), "1") << table;
        EXPECT_EQ(In(QString("SELECT count(*) FROM %1 WHERE EQNUM = 'SHORT-2' COLLATE BINARY").arg(table)), "1") << table;
        EXPECT_EQ(In(QString("SELECT count(*) FROM %1 WHERE length(EQNUM) > 30").arg(table)), "0") << table;
    }
}

TEST_F(Equipment, TheMeterIsFoundUnderTheNumberAsStoredBeforeItsReplacement)
{
    const QString l31(31, 'L');
    Insert("EQUIP", {{{"EQNUM", l31}}});
    Insert("METER", {{{"EQNUM", l31}, {"UOM", "Miles"}, {"AVGMTRUNITSPERDAY", 3.0}}});
    Open();
    op.Then(Answer::Change("L-1"));
    ASSERT_EQ(Status([&] { CreateEq(run); }), -1);
    EXPECT_EQ(Field("L-1", "Units || AvgPerDay"), "Miles3.0");
    EXPECT_EQ(In("SELECT EQNUM FROM METER"), "L-1");
}

TEST_F(Equipment, CancelImportEndsTheRunWithoutLeavingTheNewDatabase)
{
    Insert("EQUIP", {{{"EQNUM", QString(31, 'L')}}});
    Open();
    op.Then(Answer::CancelImport());
    ASSERT_EQ(Status([&] { CreateEq(run); }), 1);
    EXPECT_FALSE(QFileInfo::exists(outPath));
    EXPECT_TRUE(QFileInfo::exists(inPath));
    EXPECT_EQ(LogLines(), QStringList({"Records in MP2 EQUIP table - 1", ""}));
}

TEST_F(Equipment, AFailureIsFatalAndRemovesTheNewDatabase)
{
    Insert("EQUIP", {{{"EQNUM", "A"}}});
    testsupport::RunSql(outPath, {"DROP TABLE Equipment"});
    Open();
    ASSERT_EQ(Status([&] { CreateEq(run); }), 1);
    ASSERT_FALSE(op.messages().isEmpty());
    EXPECT_TRUE(op.messages().last().startsWith("CreateEq Error:3078" + CR)) << op.messages().last().toStdString();
    EXPECT_FALSE(QFileInfo::exists(outPath));
}

TEST_F(Equipment, ExistenceIgnoresLetterCaseAndIsSafeWithQuotes)
{
    Open();
    EXPECT_FALSE(EqExists(run, "PUMP-1"));
    Insert("EQUIP", {{{"EQNUM", "PUMP-1"}}, {{"EQNUM", "O'NEIL"}}});
    ASSERT_EQ(Status([&] { CreateEq(run); }), -1);
    EXPECT_TRUE(EqExists(run, "pump-1"));
    EXPECT_TRUE(EqExists(run, "O'NEIL"));
    EXPECT_FALSE(EqExists(run, "O'NEIL'"));
    EXPECT_FALSE(EqExists(run, "PUMP"));
}

// The whole import with the facility and equipment conversions and the default substrings applied as
// the unattended mode applies them: the records, the log lines and the rewritten working copy.
TEST(EquipmentImport, DefaultSubstringsShortenNumbersThroughTheWholeImport)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    ScriptedOperator op;
    RunState run(op);
    CreateTemplate(dir.filePath("BlnkVtrx.vdb"));
    CreateDatabaseList(dir.filePath("VXDB97.mdb"));
    run.gVXDBListDir = dir.path();
    run.gVXDBListDb = dao::Database::OpenDatabase(dir.filePath("VXDB97.mdb"));
    const QString source = dir.filePath("PLANT.mp2");
    testsupport::CreateMp2WorkingCopy(source);
    testsupport::InsertMp2Rows(source, "FACILITY", {{{"Name", "North Plant"}, {"PHONENUM", "555-0100"}}});
    const QString longNumber = "NORTH BUILDING AIR COMPRESSOR 2";  // 31 characters
    testsupport::InsertMp2Rows(source, "EQUIP",
                               {{{"EQNUM", longNumber}, {"MANUFACTURER", "ACME"}}, {{"EQNUM", "PUMP-1"}}});
    testsupport::InsertMp2Rows(source, "MANUFACT", {{{"MANUFACTID", "ACME"}, {"FEDID", "99"}}});
    for (const char* table : kEqNumTables)
        if (QString(table) != "EQUIP")
            testsupport::InsertMp2Rows(source, table, {{{"EQNUM", longNumber}}});
    run.txtSourceDB = source;
    run.txtTargetDir = dir.filePath("out");
    run.txtFileName = "Plant.mdb";
    run.txtDBName = "Plant";

    op.Input("N").Then(Answer::PreParseActions([](PreParse& s) {
        s.FillSubStrings(DefaultSubstrings());
        s.UpdateDatabaseAndClose();
    }));
    int status = -1;
    // The working copy as the later conversions read it (it goes when the run ends): every table holds
    // the shortened number.
    QStringList rewritten;
    const ConversionStep look{"Looking at the working copy", [&](RunState& r) {
                                  for (const char* table : kEqNumTables)
                                      rewritten << testsupport::QueryText(
                                          r.TempPath, QString("SELECT EQNUM FROM %1 ORDER BY EQNUM LIMIT 1").arg(table));
                              }};
    try {
        const auto& all = StandardConversions();
        OpenImportLog(run);
        DoImport(run, {all[0], all[1], look});
    } catch (const EndProgram& end) {
        status = end.status;
    }
    run.log.Close();
    run.gVXDBListDb->Close();
    QDir::setCurrent(previous);
    ASSERT_EQ(status, 0) << op.messages().join("\n").toStdString();

    const QString target = dir.filePath("out/Plant.mdb");
    EXPECT_EQ(testsupport::QueryText(target, "SELECT Name || '/' || Phone FROM Facility"), "North Plant/555-0100");
    EXPECT_EQ(testsupport::QueryText(target, "SELECT group_concat(\"Equipment#\", '|') FROM Equipment"),
              "NORTH Bldg AIR Cmpsr 2|PUMP-1");
    EXPECT_TRUE(testsupport::QueryText(target, "SELECT Notes FROM Equipment WHERE Id = 1").contains("Manufacturer - 99"));
    EXPECT_EQ(rewritten, QStringList(std::size(kEqNumTables), "NORTH Bldg AIR Cmpsr 2"));

    QFile log(dir.filePath("out/MP2ImportLog.txt"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(text.contains(CRLF + "MP2SubStr(149)= YEAR  VXSubStr(149)= Yr" + CRLF));
    EXPECT_TRUE(text.contains(CRLF + "MP2EqOld(1)= NORTH BUILDING AIR COMPRESSOR 2  MP2EqNew(1)= NORTH Bldg AIR Cmpsr 2" +
                              CRLF + CRLF + "-----PreParseEqNum - End--------" + CRLF + CRLF +
                              "Records in MP2 EQUIP table - 2" + CRLF + CRLF +
                              "Records in Vantrix/Mendly Equipment table - 2" + CRLF + CRLF + CRLF + CRLF));
    // No number is left over 30 characters: the change-value dialog was never needed.
    EXPECT_TRUE(op.entries(Kind::ChangeValue).empty());
}
