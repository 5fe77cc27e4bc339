// The equipment-number pre-parse screen's logic: the default table, the substitution, the grids, the
// row buttons, and the update with its questions, messages, log block and rewrites in nine tables.
#include "EquipmentFixture.h"
#include "convert/equipment/ChangeValue.h"
#include "convert/equipment/PreParse.h"

#include <QFileInfo>

using namespace eqtest;

namespace {

class PreParseScreen : public EquipmentTest {
protected:
    // Each EQNUM given once in every one of the nine tables that carry equipment numbers.
    void InsertEverywhere(const QStringList& numbers)
    {
        for (const char* table : kEqNumTables) {
            std::vector<testsupport::Mp2Row> rows;
            for (const QString& n : numbers)
                rows.push_back({{"EQNUM", n}});
            Insert(table, rows);
        }
    }

    // The EQNUMs of one table, sorted, joined by "|".
    QString Numbers(const QString& table) const
    {
        return In("SELECT group_concat(EQNUM, '|') FROM (SELECT EQNUM FROM " + table + " ORDER BY EQNUM COLLATE BINARY)");
    }
};

std::vector<SubstringPair> Pairs(std::initializer_list<std::pair<const char*, const char*>> list)
{
    std::vector<SubstringPair> pairs;
    for (const auto& [a, b] : list)
        pairs.push_back({a, b});
    return pairs;
}

}  // namespace

TEST(PreParseDefaults, HoldTheTableInLoadOrder)
{
    const auto& rows = DefaultSubstrings();
    ASSERT_EQ(rows.size(), 149u);
    auto row = [&](int n) { return rows[static_cast<size_t>(n - 1)].mp2 + "=" + rows[static_cast<size_t>(n - 1)].vx; };
    EXPECT_EQ(row(1), "ADMIN=Adm");
    EXPECT_EQ(row(18), "BLDG=Bldg");
    EXPECT_EQ(row(24), "BUILDING=Bldg");
    EXPECT_EQ(row(30), "CHANGE=Chg");
    EXPECT_EQ(row(31), "CHANGE=Chg");
    EXPECT_EQ(row(32), "CHANG=Chg");
    EXPECT_EQ(row(55), "CMPRSR=Cmpsr");
    EXPECT_EQ(row(90), "EVPRTR=Evap");
    EXPECT_EQ(row(114), "GROUNDS=Grd");
    EXPECT_EQ(row(117), "GRND=Grd");
    EXPECT_EQ(row(148), "VLV=Vlv");
    EXPECT_EQ(row(149), "YEAR=Yr");
    for (const SubstringPair& p : rows)
        EXPECT_EQ(p.mp2, p.mp2.toUpper());
}

TEST(PreParseSubstitution, RowsApplyInOrderAndReplacementsKeepTheirCase)
{
    EXPECT_EQ(SubstituteEqNum("MAIN-GRNDS-1", Pairs({{"GRND", "Grd"}, {"GRNDS", "Grds"}})), "MAIN-GrdS-1");
    EXPECT_EQ(SubstituteEqNum("MAIN-GRNDS-1", Pairs({{"GRNDS", "Grds"}, {"GRND", "Grd"}})), "MAIN-Grds-1");
    // Every occurrence, left to right, without overlaps; an empty replacement removes.
    EXPECT_EQ(SubstituteEqNum("AAAA-TANK-TANK", Pairs({{"AA", "B"}, {"TANK", ""}})), "BB--");
    // A mixed-case result is not matched again; an upper-case one is.
    EXPECT_EQ(SubstituteEqNum("BUILDING-2", Pairs({{"BUILDING", "Bldg"}, {"BLDG", "B"}})), "Bldg-2");
    EXPECT_EQ(SubstituteEqNum("BUILDING-2", Pairs({{"BUILDING", "BLDG"}, {"BLDG", "B"}})), "B-2");
    // With the default table.
    EXPECT_EQ(SubstituteEqNum("NORTH BUILDING AIR COMPRESSOR 2", DefaultSubstrings()), "NORTH Bldg AIR Cmpsr 2");
}

TEST_F(PreParseScreen, ListsTheNumbersInUpperCaseWithTheirLengthsAndMarksLongOnes)
{
    Insert("EQUIP", {{{"EQNUM", "pump-01"}}, {{"EQNUM", QString(15, 'X')}}, {{"EQNUM", QString(16, 'Y')}},
                     {{"EQNUM", dao::Variant()}}});
    for (int i = 0; i < 12; ++i)
        Insert("EQUIP", {{{"EQNUM", QString("Z%1").arg(i, 2, 10, QChar('0'))}}});
    Open();
    PreParse screen(run);
    screen.Open();

    ASSERT_GE(screen.EqNumRowCount(), 16);
    EXPECT_EQ(screen.LastEqNumRow(), 16);
    EXPECT_TRUE(screen.EqNum(1).number.isEmpty());  // Null comes first and shows empty
    EXPECT_FALSE(screen.EqNum(1).length.has_value());
    EXPECT_EQ(screen.EqNum(2).number, "PUMP-01");
    EXPECT_EQ(screen.EqNum(2).length, 7);
    EXPECT_EQ(screen.EqNum(3).length, 15);
    EXPECT_FALSE(screen.EqNum(3).yellow);
    EXPECT_EQ(screen.EqNum(4).length, 16);
    EXPECT_TRUE(screen.EqNum(4).yellow);
    EXPECT_EQ(screen.EqNum(16).number, "Z11");
    EXPECT_TRUE(op.messages().isEmpty());
}

TEST_F(PreParseScreen, LoadingDefaultsAsksFirstAndKeepsFiftySpareRows)
{
    op.No().Yes();
    Open();
    PreParse screen(run);
    screen.SetSubString(1, 1, "MINE");
    screen.LoadDefaults();
    EXPECT_EQ(screen.SubString(1, 1), "MINE");
    screen.LoadDefaults();
    EXPECT_EQ(op.questions(), QStringList(2, "This will clear the substring table and load " + CR +
                                                 "it with some defaults. " + CR + "Do you wish to continue?"));
    EXPECT_EQ(screen.SubString(1, 1), "ADMIN");
    EXPECT_EQ(screen.LastSubStringRow(), 149);
    EXPECT_GE(screen.SubStringRowCount(), 199);
}

TEST_F(PreParseScreen, RowsMoveWithTheSelectionAndAreDeletedOnYes)
{
    op.No().Yes();
    Open();
    PreParse screen(run);
    screen.FillSubStrings(Pairs({{"A", "1"}, {"B", "2"}, {"C", ""}}));

    screen.SetActiveCell(5, 1);  // an empty row
    screen.MoveUp();
    screen.MoveDown();
    screen.DeleteRow();
    EXPECT_EQ(op.messages(), QStringList({"Click on the row you want to move first.",
                                          "Click on the row you want to move first.",
                                          "Click on the row you want to remove first."}));

    screen.SetActiveCell(3, 2);
    screen.MoveUp();
    EXPECT_EQ(screen.ActiveRow(), 2);
    EXPECT_EQ(screen.ActiveCol(), 1);
    screen.MoveUp();
    screen.MoveUp();  // row 1 stays where it is
    EXPECT_EQ(screen.ActiveRow(), 1);
    EXPECT_EQ(screen.SubString(1, 1) + screen.SubString(2, 1) + screen.SubString(3, 1), "CAB");
    screen.MoveDown();
    EXPECT_EQ(screen.SubString(1, 1) + screen.SubString(2, 1) + screen.SubString(3, 1), "ACB");

    screen.SetActiveCell(3, 1);
    screen.DeleteRow();  // No
    screen.DeleteRow();  // Yes
    EXPECT_EQ(op.questions(), QStringList(2, "Are you sure you want to remove MP2 substring 'B' and VX substring '2' ?"));
    EXPECT_EQ(screen.SubString(1, 1) + screen.SubString(2, 1) + screen.SubString(3, 1), "AC");
    EXPECT_EQ(screen.LastSubStringRow(), 2);
}

TEST_F(PreParseScreen, UpdateRewritesChangedNumbersInAllNineTablesAndLogsThem)
{
    InsertEverywhere({"pump-01", "O'NEIL BLDG", "B-FILTER", "BIG TANK", "valve-2"});
    Open();
    op.Then(Answer::PreParseActions([](PreParse& s) {
        s.SetSubString(1, 1, "bldg");
        s.SetSubString(1, 2, "Bldg");
        s.SetSubString(2, 1, "pump");
        s.SetSubString(2, 2, "Pmp");
        s.SetSubString(3, 1, "TANK");
        s.SetSubString(4, 2, "only vx");
        s.SetSubString(5, 1, "FILTER");
        s.SetSubString(5, 2, "Fltr");
        EXPECT_TRUE(s.UpdateDatabaseAndClose());
        EXPECT_TRUE(s.IsClosed());
    }));
    op.Yes();  // row 3 has a blank VX substring
    RunPreParse(run);

    EXPECT_EQ(op.questions(), QStringList({"Row '3' " + CR + "with a MP2 substring of 'TANK' " + CR +
                                           "has the VX substring set to blank." + CR + "Is this correct?"}));
    EXPECT_EQ(op.messages(), QStringList({"Row '4' skipped. MP2 has no substring set up.",
                                          "Equipment PreParse Phase is Done. Click OK to continue."}));
    // The grid is in EQNUM order: B-FILTER, BIG TANK, O'NEIL BLDG, PUMP-01, VALVE-2; valve-2 matches no
    // row and keeps its stored form.
    EXPECT_EQ(LogLines(), QStringList({"-----PreParseEqNum - Start--------", "",
                                       "MP2SubStr(1)= BLDG  VXSubStr(1)= Bldg", "",
                                       "MP2SubStr(2)= PUMP  VXSubStr(2)= Pmp", "",
                                       "MP2SubStr(3)= TANK  VXSubStr(3)= ", "",
                                       "MP2SubStr(4)= FILTER  VXSubStr(4)= Fltr", "", "",
                                       "MP2EqOld(1)= B-FILTER  MP2EqNew(1)= B-Fltr", "",
                                       "MP2EqOld(2)= BIG TANK  MP2EqNew(2)= BIG ", "",
                                       "MP2EqOld(3)= O'NEIL BLDG  MP2EqNew(3)= O'NEIL Bldg", "",
                                       "MP2EqOld(4)= PUMP-01  MP2EqNew(4)= Pmp-01", "",
                                       "-----PreParseEqNum - End--------", ""}));
    for (const char* table : kEqNumTables)
        EXPECT_EQ(Numbers(table), "B-Fltr|BIG |O'NEIL Bldg|Pmp-01|valve-2") << table;

    // The screen is shown with the normal pointer, and the hourglass comes back when it closes.
    const auto busy = op.entries(Kind::Busy);
    ASSERT_GE(busy.size(), 2u);
    EXPECT_EQ(busy.front().value, 0);
    EXPECT_EQ(busy.back().value, 1);
}

TEST_F(PreParseScreen, AnEmptyTableLogsOnlyTheFrameAndIsDone)
{
    InsertEverywhere({"PUMP"});
    Open();
    PreParse screen(run);
    screen.Open();
    EXPECT_TRUE(screen.UpdateDatabaseAndClose());
    EXPECT_EQ(LogLines(), QStringList({"-----PreParseEqNum - Start--------", "", "", "-----PreParseEqNum - End--------", ""}));
    EXPECT_EQ(op.messages(), QStringList({"Equipment PreParse Phase is Done. Click OK to continue."}));
}

TEST_F(PreParseScreen, RefusingABlankReplacementOrLeavingByExitChangesNothing)
{
    InsertEverywhere({"BIG TANK"});
    Open();
    op.No();
    PreParse screen(run);
    screen.Open();
    screen.FillSubStrings(Pairs({{"TANK", ""}}));
    EXPECT_FALSE(screen.UpdateDatabaseAndClose());
    EXPECT_EQ(screen.state(), PreParse::State::Open);
    screen.Exit();
    EXPECT_TRUE(screen.IsClosed());

    EXPECT_EQ(Numbers("EQUIP"), "BIG TANK");
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_TRUE(op.messages().isEmpty());
}

TEST_F(PreParseScreen, AFailingRenameReopensTheScreenAndKeepsEarlierRenames)
{
    InsertEverywhere({"A-BUILDING", "B-BLDG", "B-BUILDING"});
    Open();
    Sql("CREATE UNIQUE INDEX eqnum_key ON EQUIP (EQNUM)");
    PreParse screen(run);
    screen.Open();
    screen.FillSubStrings(Pairs({{"BUILDING", "Bldg"}}));

    EXPECT_FALSE(screen.UpdateDatabaseAndClose());
    EXPECT_EQ(screen.state(), PreParse::State::Open);
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_TRUE(op.messages()[0].startsWith("3022 - ")) << op.messages()[0].toStdString();
    EXPECT_FALSE(op.busy());
    // The first rename went through in all nine tables; the second stopped at EQUIP, the first table.
    EXPECT_EQ(Numbers("EQUIP"), "A-Bldg|B-BLDG|B-BUILDING");
    EXPECT_EQ(Numbers("TASKEQ"), "A-Bldg|B-BLDG|B-BUILDING");
    EXPECT_TRUE(LogLines().contains("-----PreParseEqNum - End--------"));

    screen.Exit();
    EXPECT_TRUE(screen.IsClosed());
}

TEST_F(PreParseScreen, ARenameThatWouldMergeTwoNumbersOrEmptyOneIsRefused)
{
    // No unique key on EQNUM here: the screen itself keeps two pieces of equipment from becoming one.
    InsertEverywhere({"B-BLDG", "B-BUILDING", "TANK"});
    Open();
    PreParse screen(run);
    screen.Open();
    screen.FillSubStrings(Pairs({{"BLDG", "Bldg"}, {"BUILDING", "Bldg"}}));
    EXPECT_FALSE(screen.UpdateDatabaseAndClose());
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_TRUE(op.messages()[0].startsWith("3022 - ")) << op.messages()[0].toStdString();
    EXPECT_EQ(Numbers("WOE"), "B-BUILDING|B-Bldg|TANK");  // the rename before the refused one stays

    op.Yes();
    screen.FillSubStrings(Pairs({{"TANK", ""}}));
    EXPECT_FALSE(screen.UpdateDatabaseAndClose());
    ASSERT_EQ(op.messages().size(), 2);
    EXPECT_TRUE(op.messages()[1].startsWith("3315 - ")) << op.messages()[1].toStdString();
    EXPECT_EQ(Numbers("EQUIP"), "B-BUILDING|B-Bldg|TANK");
    EXPECT_EQ(screen.state(), PreParse::State::Open);
}

TEST_F(PreParseScreen, PressingUpdateAgainAfterAFailureFinishesTheRenames)
{
    InsertEverywhere({"A-BUILDING", "B-BLDG", "B-BUILDING", "C-BUILDING", "C-BUILDING"});
    Open();
    PreParse screen(run);
    screen.Open();
    screen.FillSubStrings(Pairs({{"BUILDING", "Bldg"}}));
    EXPECT_FALSE(screen.UpdateDatabaseAndClose());  // B-BUILDING would become B-BLDG
    EXPECT_EQ(Numbers("EQUIP"), "A-Bldg|B-BLDG|B-BUILDING|C-BUILDING|C-BUILDING");

    // The operator gives B-BUILDING a number of its own and presses again: A-BUILDING, renamed by the
    // first press, is renamed again (to the number it already has) and is no other record's number;
    // C-BUILDING, held by two records, is renamed in both by its first rename, not merged by its second.
    screen.FillSubStrings(Pairs({{"B-BUILDING", "B-Bldg2"}, {"BUILDING", "Bldg"}}));
    EXPECT_TRUE(screen.UpdateDatabaseAndClose()) << op.messages().join("\n").toStdString();
    ASSERT_EQ(op.messages().size(), 2);
    EXPECT_EQ(op.messages()[1], "Equipment PreParse Phase is Done. Click OK to continue.");
    for (const char* table : kEqNumTables)
        EXPECT_EQ(Numbers(table), "A-Bldg|B-BLDG|B-Bldg2|C-Bldg|C-Bldg") << table;
}

TEST_F(PreParseScreen, NumbersWithLettersBeyondAsciiAreListedAndRewrittenWhateverTheirCase)
{
    InsertEverywhere({"pümpe-süd", "straße-pumpe"});
    Open();
    PreParse screen(run);
    screen.Open();
    // Upper case one character for one, as the numbers are compared.
    EXPECT_EQ(screen.EqNum(1).number, "PÜMPE-SÜD");
    EXPECT_EQ(screen.EqNum(2).number, "STRAßE-PUMPE");
    EXPECT_EQ(screen.EqNum(2).length, 12);
    screen.FillSubStrings(Pairs({{"süd", "S"}, {"PUMPE", "Pmp"}}));
    EXPECT_TRUE(screen.UpdateDatabaseAndClose()) << op.messages().join("\n").toStdString();
    EXPECT_TRUE(LogLines().contains("MP2EqOld(1)= PÜMPE-SÜD  MP2EqNew(1)= PÜMPE-S"));
    for (const char* table : kEqNumTables)
        EXPECT_EQ(Numbers(table), "PÜMPE-S|STRAßE-Pmp") << table;
}

TEST(PreParseCsv, SplitsEachLineAtTheFirstComma)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("subs.csv");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("BUILDING,Bldg\r\n\r\nTANK,\nVALVE\nA,b,c\n");
    f.close();
    const auto pairs = ReadSubstringCsv(path);
    ASSERT_EQ(pairs.size(), 4u);
    EXPECT_EQ(pairs[0].mp2 + "=" + pairs[0].vx, "BUILDING=Bldg");
    EXPECT_EQ(pairs[1].mp2 + "=" + pairs[1].vx, "TANK=");
    EXPECT_EQ(pairs[2].mp2 + "=" + pairs[2].vx, "VALVE=");
    EXPECT_EQ(pairs[3].mp2 + "=" + pairs[3].vx, "A=b,c");
    EXPECT_THROW(ReadSubstringCsv(dir.filePath("missing.csv")), dao::DaoError);
}

// ---- the change-value dialog ----

TEST(ChangeValueRules, TrimBlanksThenHoldTheLengthBetweenMinimumAndMaximum)
{
    auto check = CheckChangeValue("  PUMP 1 ", 1, 30);
    EXPECT_TRUE(check.accepted);
    EXPECT_EQ(check.value, "PUMP 1");

    check = CheckChangeValue("   ", 1, 30);
    EXPECT_FALSE(check.accepted);
    EXPECT_EQ(check.message, "Error: The new value must be at least '1' characters long.");

    EXPECT_TRUE(CheckChangeValue(QString(30, 'x') + " ", 1, 30).accepted);
    check = CheckChangeValue(QString(31, 'x'), 1, 30);
    EXPECT_FALSE(check.accepted);
    EXPECT_EQ(check.message, "Error: The new value can't be longer than '30' characters. It has a length of 31.");
    EXPECT_EQ(CheckChangeValue("\tA\t", 1, 30).value, "\tA\t");  // blanks only
}

TEST_F(PreParseScreen, TheDialogIsShownAgainUntilItsRulesAreMetAndCancelImportEndsTheRun)
{
    Open();
    op.Then(Answer::Change("   ")).Then(Answer::Change(QString(31, 'x'))).Then(Answer::Change(" OK-1 "));
    EXPECT_EQ(AskChangeValue(run, "OLD", 1, 30, "msg"), "OK-1");
    EXPECT_EQ(op.messages(), QStringList({"Error: The new value must be at least '1' characters long.",
                                          "Error: The new value can't be longer than '30' characters. It has a length of 31."}));
    EXPECT_EQ(op.entries(Kind::ChangeValue).size(), 3u);

    op.Then(Answer::CancelImport());
    EXPECT_EQ(Status([&] { AskChangeValue(run, "OLD", 1, 30, "msg"); }), 1);
    EXPECT_FALSE(QFileInfo::exists(outPath));  // the half-built database does not stay behind
    EXPECT_FALSE(run.gDBoutOpen);
    EXPECT_TRUE(QFileInfo::exists(inPath));
}
