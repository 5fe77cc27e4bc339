// Parts history: the first usable part with the summed quantity, the parts cost added to the history
// record, placeholder items and the skip line.
#include "WoHistSupport.h"

#include "convert/Conversions.h"

using testsupport::Mp2Row;

class WoItemsConversion : public ConversionRun {
protected:
    // Items A (Id 1) and B (Id 2), and history records with the costs a run may have left.
    void Target()
    {
        Out({"INSERT INTO Invy (\"Item#\") VALUES ('A'), ('B')",
             "INSERT INTO WO (WoNum, \"Equipment#\", Notes, RecType, InvyCost, LaborCost, MiscCost, TotalCost) VALUES "
             "(10, 'P-1', 'MP2 WONUM = (100)' || char(13), 3, 0, 0, 0, 0), "
             "(11, 'P-1', 'MP2 WONUM = (200)' || char(13) || 'TASKDESC = (z)', 3, NULL, NULL, 2.5, 0), "
             "(12, 'P-2', 'MP2 WONUM = (300)' || char(13), 3, 7, NULL, NULL, 7), "
             "(13, 'P-1', 'MP2 WONUM = (400)' || char(13), 3, 1, 3, NULL, 0), "
             "(14, 'P-1', 'MP2 WONUM = (O''5)' || char(13), 3, 0, 0, 0, 0)"});
    }
};

TEST_F(WoItemsConversion, NoHistoryWritesNothing)
{
    Mp2("WOP", {Mp2Row{{"WONUM", "100"}, {"EQNUM", "P-1"}, {"ITEMNUM", "A"}}});
    Open();
    CreateWoItemsHist(*run);
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_EQ(OutText("SELECT count(*) FROM WoItems"), "0");
}

TEST_F(WoItemsConversion, FirstPartTotalsAndCostsWithPlaceholderItems)
{
    Target();
    Mp2("WOP", {
        Mp2Row{{"WONUM", "100"}, {"EQNUM", "P-1"}, {"ITEMNUM", "A"}, {"DESCRIPTION", "Part A"}, {"QTYUSED", 2.0},
               {"TOTALUNITCOST", 10.0}},
        Mp2Row{{"WONUM", "100"}, {"EQNUM", "P-1"}, {"ITEMNUM", "B"}, {"DESCRIPTION", "Part B"}, {"QTYUSED", 3.0},
               {"TOTALUNITCOST", 6.0}},
        Mp2Row{{"WONUM", "100"}, {"EQNUM", "P-2"}, {"ITEMNUM", "B"}, {"QTYUSED", 50.0}, {"TOTALUNITCOST", 50.0}},
        Mp2Row{{"WONUM", "200"}, {"EQNUM", "P-1"}, {"ITEMNUM", "  "}, {"DESCRIPTION", "blank"}, {"TOTALUNITCOST", 1.0}},
        Mp2Row{{"WONUM", "200"}, {"EQNUM", "P-1"}, {"ITEMNUM", "C"}, {"DESCRIPTION", "O'Ring kit"}, {"TOTALUNITCOST", 2.0}},
        Mp2Row{{"WONUM", "200"}, {"EQNUM", "P-1"}, {"ITEMNUM", "A"}},
        Mp2Row{{"WONUM", "400"}, {"EQNUM", "P-1"}, {"TOTALUNITCOST", 4.0}},
        Mp2Row{{"WONUM", "O'5"}, {"EQNUM", "P-1"}, {"ITEMNUM", "C"}, {"QTYUSED", 1.0}},
    });
    Open();
    CreateWoItemsHist(*run);

    const QString sql = "Select * From WoItems Order By Id";
    EXPECT_EQ(Column(sql, "WoNum"), (QStringList{"10", "11", "14"}));
    EXPECT_EQ(Column(sql, "ItemId"), (QStringList{"1", "3", "3"}));
    EXPECT_EQ(Column(sql, "Qty"), (QStringList{"5", "0", "1"}));
    EXPECT_EQ(Column(sql, "UOM"), (QStringList{"", "", ""}));
    EXPECT_EQ(Column(sql, "Description"),
              (QStringList{"Part A MP2 WONUM = (100)", "O'Ring kit MP2 WONUM = (200)", " MP2 WONUM = (O'5)"}));
    EXPECT_EQ(Column(sql, "RecType"), QStringList(3, "3"));

    const QString wo = "Select * From WO Order By WoNum";
    EXPECT_EQ(Column(wo, "InvyCost"), (QStringList{"16", "3", "7", "5", "0"}));
    EXPECT_EQ(Column(wo, "LaborCost"), (QStringList{"0", "0", "<Null>", "3", "0"}));
    EXPECT_EQ(Column(wo, "MiscCost"), (QStringList{"0", "2.5", "<Null>", "0", "0"}));
    EXPECT_EQ(Column(wo, "TotalCost"), (QStringList{"16", "5.5", "7", "8", "0"}));

    EXPECT_EQ(Column("Select * From Invy Where [Item#] = 'C'", "Description"), QStringList{"O'Ring kit"});
    EXPECT_EQ(Column("Select * From Invy Where [Item#] = 'C'", "Status"), QStringList{"1"});
    EXPECT_EQ(LogLines(), (QStringList{
        "Start of sub CreateWoItemsHist", "",
        "Records in MP2 WOP table - 8",
        "Note: There is not a 1 to 1 correspondence with the ",
        "records in the VX WoItemsHist table.", "",
        "Created an inactive Invy in order to save history.  Item# = 'C'",
        "Records in Vantrix/Mendly WoItemsHist table - 3", ""}));
    EXPECT_EQ(Steps(), 3);
    EXPECT_TRUE(op.messages().isEmpty());
}

TEST_F(WoItemsConversion, AnItemThatCannotBeFoundOrCreatedIsLoggedAndCostsStillAdd)
{
    Target();
    Mp2("WOP", {Mp2Row{{"WONUM", "100"}, {"EQNUM", "P-1"}, {"ITEMNUM", "X"}, {"TOTALUNITCOST", 3.0}},
                Mp2Row{{"WONUM", "100"}, {"EQNUM", "P-1"}, {"ITEMNUM", "A"}, {"TOTALUNITCOST", 1.0}}});
    Out({"DROP TABLE Invy"});
    Open();
    CreateWoItemsHist(*run);
    EXPECT_EQ(op.messages().size(), 3);  // both lookups and the creation report their failure
    EXPECT_TRUE(LogLines().contains(
        "MP2 WOP record skipped.  WONUM = 100 EQNUM = P-1 ITEMNUM = X. Couldn't find corresponding Invy rec in VX."));
    EXPECT_TRUE(LogLines().contains("Records in Vantrix/Mendly WoItemsHist table - 0"));
    EXPECT_EQ(Column("Select * From WO Where WoNum = 10", "TotalCost"), QStringList{"4"});
}

TEST_F(WoItemsConversion, FailureEndsTheRunWithoutLogging)
{
    Target();
    Out({"DROP TABLE WoItems"});
    Open();
    EXPECT_THROW(CreateWoItemsHist(*run), EndProgram);
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_TRUE(op.messages()[0].startsWith("CreateWoItemsHist Error:3078\r"));
    EXPECT_EQ(LogLines().size(), 6);
    EXPECT_FALSE(QFile::exists(outPath));
}
