// Parts history: the first usable part with the summed quantity, the parts cost in the history record
// (written with it by the history's pass), placeholder items and the skip line, in the parts step.
#include "WoHistSupport.h"

#include "convert/Conversions.h"

using testsupport::Mp2Row;

class WoItemsConversion : public ConversionRun {
protected:
    // Items A (Id 1) and B (Id 2), equipment P-1 and P-2, and the history of work orders 100, 200, 400
    // and O'5 on P-1 (100 has parts on P-2 too, but no line there: no history record).
    void Target()
    {
        Out({"INSERT INTO Invy (\"Item#\") VALUES ('A'), ('B')",
             "INSERT INTO Equipment (\"Equipment#\") VALUES ('P-1'), ('P-2')",
             "INSERT INTO Task (Description, Status) VALUES ('PM-1', 0)"});
        std::vector<Mp2Row> workOrders, lines;
        for (const QString& wonum : {"100", "200", "400", "O'5"}) {
            workOrders.push_back(Mp2Row{{"WONUM", wonum}, {"TASKNUM", "PM-1"}});
            lines.push_back(Mp2Row{{"WONUM", wonum}, {"EQNUM", "P-1"}, {"CLOSEDATE", Day(2024, 5, 6)}});
        }
        Mp2("WO", workOrders);
        Mp2("WOE", lines);
    }
    void Convert()
    {
        Open();
        CreateWoHist(*run);
        CreateWoItemsHist(*run);
    }
};

TEST_F(WoItemsConversion, NoHistoryWritesNothing)
{
    Mp2("WOP", {Mp2Row{{"WONUM", "100"}, {"EQNUM", "P-1"}, {"ITEMNUM", "A"}}});
    Convert();
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_EQ(OutText("SELECT count(*) FROM WoItems"), "0");
    EXPECT_EQ(run->summary.account.Source("WOP")->skipped(), 1);
}

TEST_F(WoItemsConversion, FirstPartTotalsAndCostsWithPlaceholderItems)
{
    Target();
    Mp2("WOP", {
        Mp2Row{{"WONUM", "100"}, {"EQNUM", "P-1"}, {"ITEMNUM", "A"}, {"DESCRIPTION", "Part A"}, {"QTYUSED", 2.0},
               {"TOTALUNITCOST", 10.0}},
        Mp2Row{{"WONUM", "100"}, {"EQNUM", "p-1"}, {"ITEMNUM", "B"}, {"DESCRIPTION", "Part B"}, {"QTYUSED", 3.0},
               {"TOTALUNITCOST", 6.0}},
        Mp2Row{{"WONUM", "100"}, {"EQNUM", "P-2"}, {"ITEMNUM", "B"}, {"QTYUSED", 50.0}, {"TOTALUNITCOST", 50.0}},
        Mp2Row{{"WONUM", "200"}, {"EQNUM", "P-1"}, {"ITEMNUM", "  "}, {"DESCRIPTION", "blank"}, {"TOTALUNITCOST", 1.0}},
        Mp2Row{{"WONUM", "200"}, {"EQNUM", "P-1"}, {"ITEMNUM", "C"}, {"DESCRIPTION", "O'Ring kit"}, {"TOTALUNITCOST", 2.0}},
        Mp2Row{{"WONUM", "200"}, {"EQNUM", "P-1"}, {"ITEMNUM", "A"}},
        Mp2Row{{"WONUM", "400"}, {"EQNUM", "P-1"}, {"TOTALUNITCOST", 4.0}},
        Mp2Row{{"WONUM", "O'5"}, {"EQNUM", "P-1"}, {"ITEMNUM", "C"}, {"QTYUSED", 1.0}},
    });
    Convert();

    const QString sql = "Select * From WoItems Order By Id";
    EXPECT_EQ(Column(sql, "WoNum"), (QStringList{"1", "2", "4"}));
    EXPECT_EQ(Column(sql, "ItemId"), (QStringList{"1", "3", "3"}));
    EXPECT_EQ(Column(sql, "Qty"), (QStringList{"5", "0", "1"}));
    EXPECT_EQ(Column(sql, "UOM"), (QStringList{"", "", ""}));
    EXPECT_EQ(Column(sql, "Description"),
              (QStringList{"Part A MP2 WONUM = (100)", "O'Ring kit MP2 WONUM = (200)", " MP2 WONUM = (O'5)"}));
    EXPECT_EQ(Column(sql, "RecType"), QStringList(3, "3"));

    const QString wo = "Select * From WO Order By WoNum";
    EXPECT_EQ(Column(wo, "InvyCost"), (QStringList{"16", "3", "4", "0"}));
    EXPECT_EQ(Column(wo, "LaborCost"), QStringList(4, "0"));
    EXPECT_EQ(Column(wo, "MiscCost"), QStringList(4, "0"));
    EXPECT_EQ(Column(wo, "TotalCost"), (QStringList{"16", "3", "4", "0"}));

    EXPECT_EQ(Column("Select * From Invy Where [Item#] = 'C'", "Description"), QStringList{"O'Ring kit"});
    EXPECT_EQ(Column("Select * From Invy Where [Item#] = 'C'", "Status"), QStringList{"1"});
    EXPECT_EQ(LogFrom("Start of sub CreateWoItemsHist"), (QStringList{
        "Start of sub CreateWoItemsHist", "",
        "Records in MP2 WOP table - 8",
        "Note: There is not a 1 to 1 correspondence with the ",
        "records in the VX WoItemsHist table.", "",
        "Created an inactive Invy in order to save history.  Item# = 'C'",
        "Records in Vantrix/Mendly WoItemsHist table - 3", ""}));
    EXPECT_EQ(Steps(), 4 + 3);  // a step per history record, and one per item record
    EXPECT_TRUE(op.messages().isEmpty());

    // Every line accounted for once: the line of P-2 has no history record.
    const SourceTableAccount& wop = *run->summary.account.Source("WOP");
    EXPECT_EQ(wop.converted, 3);
    EXPECT_EQ(wop.merged, 4);
    EXPECT_EQ(wop.skipped(), 1);
}

TEST_F(WoItemsConversion, AnItemThatCannotBeFoundOrCreatedIsLoggedAndCostsStillAdd)
{
    Target();
    Mp2("WOP", {Mp2Row{{"WONUM", "100"}, {"EQNUM", "p-1"}, {"ITEMNUM", "X"}, {"TOTALUNITCOST", 3.0}},
                Mp2Row{{"WONUM", "100"}, {"EQNUM", "P-1"}, {"ITEMNUM", "A"}, {"TOTALUNITCOST", 1.0}}});
    Out({"DROP TABLE Invy"});
    Convert();
    EXPECT_EQ(op.messages().size(), 3);  // both lookups and the creation report their failure
    EXPECT_TRUE(LogLines().contains(
        "MP2 WOP record skipped.  WONUM = 100 EQNUM = p-1 ITEMNUM = X. Couldn't find corresponding Invy rec in VX."));
    EXPECT_TRUE(LogLines().contains("Records in Vantrix/Mendly WoItemsHist table - 0"));
    EXPECT_EQ(Column("Select * From WO Where WoNum = 1", "TotalCost"), QStringList{"4"});
}

TEST_F(WoItemsConversion, FailureEndsTheRunWithoutLogging)
{
    Target();
    Out({"DROP TABLE WoItems"});
    Open();
    CreateWoHist(*run);
    EXPECT_THROW(CreateWoItemsHist(*run), EndProgram);
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_TRUE(op.messages()[0].startsWith("CreateWoItemsHist Error:3078\r"));
    EXPECT_EQ(LogFrom("Start of sub CreateWoItemsHist").size(), 6);
    EXPECT_FALSE(QFile::exists(outPath));
}
