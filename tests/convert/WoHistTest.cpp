// Work-order history: one record per work order and equipment, the skips and their lines, the
// placeholder tasks, the notes text, the type, and the numbering pass.
#include "WoHistSupport.h"

#include "convert/Conversions.h"

using testsupport::Mp2Row;

class WoHistConversion : public ConversionRun {
protected:
    void Target()
    {
        Out({"INSERT INTO Equipment (\"Equipment#\") VALUES ('P-1'), ('P-2')",
             "INSERT INTO Task (Description, Status) VALUES ('PM-1', 0)"});
    }
    QString Seq() { return OutText("SELECT seq FROM sqlite_sequence WHERE name = 'WO'"); }
};

TEST_F(WoHistConversion, EmptyWoeWritesNothingAndUsesNoNumbers)
{
    Target();
    Open();
    CreateWoHist(*run);
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_EQ(OutText("SELECT count(*) FROM WO"), "0");
    EXPECT_EQ(Seq(), "");
    EXPECT_EQ(Steps(), 0);
}

TEST_F(WoHistConversion, OneRecordPerWorkOrderAndEquipmentWithItsSkipsAndPlaceholders)
{
    Target();
    const dao::Variant closed = Day(2024, 5, 6);
    Mp2("WO", {
        Mp2Row{{"WONUM", "100"}, {"TASKNUM", "PM-1"}, {"DELAYDESC", "Waiting for parts"}, {"TASKDESC", "Replace belt"}},
        Mp2Row{{"WONUM", "200"}, {"TASKDESC", "   "}},
        Mp2Row{{"WONUM", "300"}},
        Mp2Row{{"WONUM", "400"}, {"TASKNUM", "CORRECTIVE"}},
        Mp2Row{{"WONUM", "500"}, {"TASKNUM", "GONE'S"}},
        Mp2Row{{"WONUM", "501"}, {"TASKNUM", "GONE'S"}},
        Mp2Row{{"WONUM", "700"}, {"TASKNUM", "PM-1"}},
    });
    // Stored out of order: the conversion reads them by work order, then equipment.
    Mp2("WOE", {
        Mp2Row{{"WONUM", "501"}, {"EQNUM", "P-2"}, {"CLOSEDATE", closed}},
        Mp2Row{{"WONUM", "100"}, {"EQNUM", "P-2"}, {"CLOSEDATE", closed}, {"LOCATION", ""}, {"SUBLOCATION1", "Bay 2"},
               {"SUBLOCATION2", "B"}},
        Mp2Row{{"WONUM", "100"}, {"EQNUM", "P-1"}, {"CLOSEDATE", closed}, {"LOCATION", ""}, {"SUBLOCATION1", "Bay 2"},
               {"SUBLOCATION2", "B"}, {"SUBLOCATION3", "C"}},
        Mp2Row{{"WONUM", "100"}, {"EQNUM", "P-1"}, {"CLOSEDATE", closed}, {"EMPCODE", "E2"}},
        Mp2Row{{"WONUM", "200"}, {"EQNUM", "P-1"}, {"CLOSEDATE", closed}},
        Mp2Row{{"WONUM", "300"}, {"EQNUM", "P-2"}, {"CLOSEDATE", closed}},
        Mp2Row{{"WONUM", "400"}, {"EQNUM", "P-1"}, {"CLOSEDATE", closed}},
        Mp2Row{{"WONUM", "500"}, {"EQNUM", "P-1"}, {"CLOSEDATE", closed}},
        Mp2Row{{"WONUM", "600"}, {"EQNUM", "P-1"}, {"CLOSEDATE", closed}},
        Mp2Row{{"WONUM", "700"}, {"EQNUM", "GONE-9"}, {"CLOSEDATE", closed}},
    });
    Mp2("WOC", {
        // Another closing date: not this line's.
        Mp2Row{{"WONUM", "100"}, {"EQNUM", "P-1"}, {"CLOSEDATE", Day(2024, 5, 7)}, {"LOCATION", ""},
               {"SUBLOCATION1", "Bay 2"}, {"SUBLOCATION2", "B"}, {"SUBLOCATION3", "C"}, {"TEXTS", "wrong day"}},
        Mp2Row{{"WONUM", "100"}, {"EQNUM", "P-1"}, {"CLOSEDATE", closed}, {"LOCATION", ""},
               {"SUBLOCATION1", "Bay 2"}, {"SUBLOCATION2", "B"}, {"SUBLOCATION3", "C"}, {"TEXTS", "Closed by night shift"}},
        Mp2Row{{"WONUM", "100"}, {"EQNUM", "P-1"}, {"CLOSEDATE", closed}, {"LOCATION", ""},
               {"SUBLOCATION1", "Bay 2"}, {"SUBLOCATION2", "B"}, {"SUBLOCATION3", "C"}, {"TEXTS", "second row"}},
        // P-2's line has a Null SUBLOCATION3: no closing details even though a row exists.
        Mp2Row{{"WONUM", "100"}, {"EQNUM", "P-2"}, {"CLOSEDATE", closed}, {"LOCATION", ""},
               {"SUBLOCATION1", "Bay 2"}, {"SUBLOCATION2", "B"}, {"TEXTS", "not used"}},
    });
    Open();
    CreateWoHist(*run);

    const QString sql = "Select * From WO Order By WoNum";
    EXPECT_EQ(Column(sql, "Equipment#"), (QStringList{"P-1", "P-2", "P-1", "P-2", "P-1", "P-1", "P-2"}));
    EXPECT_EQ(Column(sql, "Notes"), (QStringList{
        "MP2 WONUM = (100)\rMP2 DELAYDESC = Waiting for parts\r\nSUBLOCATION1 = Bay 2\r\nSUBLOCATION2 = B"
        "\r\nSUBLOCATION3 = C\r\nClosed by night shift\r\nTASKDESC = Replace belt",
        "MP2 WONUM = (100)\rMP2 DELAYDESC = Waiting for parts\r\nTASKDESC = Replace belt",
        "MP2 WONUM = (200)\r", "MP2 WONUM = (300)\r", "MP2 WONUM = (400)\r", "MP2 WONUM = (500)\r",
        "MP2 WONUM = (501)\r"}));
    // A Null task number is the task Corrective; CORRECTIVE finds it but is not typed so.
    EXPECT_EQ(Column(sql, "WoType"), (QStringList{"Preventative", "Preventative", "Corrective", "Corrective",
                                                  "Preventative", "Preventative", "Preventative"}));
    EXPECT_EQ(Column(sql, "Task#"), (QStringList{"1", "1", "2", "2", "2", "3", "3"}));
    EXPECT_EQ(Column(sql, "RecType"), QStringList(7, "3"));
    EXPECT_EQ(Column(sql, "AssignedTo"), QStringList(7, "0"));
    EXPECT_EQ(Column(sql, "DateComplete"), QStringList(7, closed.toText()));
    EXPECT_EQ(Column(sql, "DueDate"), QStringList(7, closed.toText()));
    for (const char* cost : {"MiscCost", "TotalCost", "LaborCost", "InvyCost"})
        EXPECT_EQ(Column(sql, cost), QStringList(7, "0")) << cost;
    EXPECT_EQ(Column("Select * From Task Order By [Task#]", "Description"), (QStringList{"PM-1", "Corrective", "GONE'S"}));
    EXPECT_EQ(Column("Select * From Task Order By [Task#]", "Status"), (QStringList{"0", "1", "1"}));

    EXPECT_EQ(LogLines(), (QStringList{
        "Records in MP2 WOE table - 10",
        "Note: There is not a 1 to 1 correspondence with the ",
        "records in the VX WoHist table.",
        "",
        "Created an inactive task in order to save history.  Description = 'Corrective'",
        "Created an inactive task in order to save history.  Description = 'GONE'S'",
        "MP2 WOE record skipped.  WONUM = 600. Couldn't find corresponding rec in MP2 WO table.",
        "MP2 WOE record skipped.  WONUM = 700 EQNUM = GONE-9 TASKNUM = PM-1. Couldn't find Equipment# in VX.",
        "Records in Vantrix/Mendly WoHist table - 7",
        ""}));
    EXPECT_EQ(Steps(), 7 + 1);  // a step per record, and the labour's for the line of E2, written with it
    // The numbering pass used one more number per record and left no record behind.
    EXPECT_EQ(OutText("SELECT count(*) FROM WO"), "7");
    EXPECT_EQ(Seq(), "14");
}

TEST_F(WoHistConversion, ATaskThatCannotBeCreatedSkipsTheLine)
{
    Target();
    Mp2("WO", {Mp2Row{{"WONUM", "1"}, {"TASKNUM", ""}}, Mp2Row{{"WONUM", "2"}, {"TASKNUM", "PM-1"}}});
    Mp2("WOE", {Mp2Row{{"WONUM", "1"}, {"EQNUM", "P-1"}, {"CLOSEDATE", Day(2024, 1, 1)}},
                Mp2Row{{"WONUM", "2"}, {"EQNUM", "P-1"}, {"CLOSEDATE", Day(2024, 1, 2)}}});
    Open();
    CreateWoHist(*run);
    EXPECT_EQ(op.messages(), QStringList{"Error: Sub CreateOneTask was sent a blank description."});
    EXPECT_TRUE(LogLines().contains("MP2 WOE record skipped.  WONUM = 1 TASKNUM = . Couldn't find corresponding Task rec in VX."));
    EXPECT_EQ(Column("Select * From WO", "Notes"), QStringList{"MP2 WONUM = (2)\r"});
}

TEST_F(WoHistConversion, FailureEndsTheRunWithoutLogging)
{
    Target();
    Mp2("WO", {Mp2Row{{"WONUM", "1"}, {"TASKNUM", "PM-1"}}});
    Mp2("WOE", {Mp2Row{{"WONUM", "1"}, {"EQNUM", "P-1"}, {"CLOSEDATE", Day(2024, 1, 1)}}});
    Out({"DROP TABLE WO"});
    Open();
    EXPECT_THROW(CreateWoHist(*run), EndProgram);
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_TRUE(op.messages()[0].startsWith("CreateWoHist Error:3078\r"));
    EXPECT_EQ(LogLines().size(), 4);  // the count and note lines only
    EXPECT_FALSE(QFile::exists(outPath));
}
