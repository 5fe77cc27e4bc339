// Inventory: the vendor and cost chosen from the item's vendor rows and INVCOST, the notes with their
// vendor blocks, the type rule, and the placeholder item.
#include "WoHistSupport.h"

#include "convert/Conversions.h"
#include "convert/reference/CreateOneInvy.h"

using testsupport::Mp2Row;

namespace {
const QString CRLF = QStringLiteral("\r\n");
const QString kTail = QStringLiteral(" Info ------------------------------ ");
}  // namespace

class InvyConversion : public ConversionRun {
protected:
    // ACME (Id 1) and BOLT (Id 2) converted; V3 skipped by the vendor conversion for its Null name.
    void Vendors()
    {
        Mp2("VENDOR", {Mp2Row{{"VENDORID", "V1"}, {"NAME", "ACME"}}, Mp2Row{{"VENDORID", "V2"}, {"NAME", "BOLT"}},
                       Mp2Row{{"VENDORID", "V3"}}});
    }
    // The item's field as text, found by its number.
    QString Item(const QString& itemNum, const QString& field)
    {
        const QStringList values = Column("Select * From Invy Where [Item#] = '" + QString(itemNum).replace("'", "''") + "'", field);
        EXPECT_EQ(values.size(), 1) << itemNum.toStdString();
        return values.value(0);
    }
};

TEST_F(InvyConversion, EmptyTableWritesNothing)
{
    Open();
    CreateInvy(*run);
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_EQ(Steps(), 0);
    EXPECT_EQ(OutText("SELECT count(*) FROM Invy"), "0");
}

TEST_F(InvyConversion, PrimaryVendorAndCostAreChosenAsMarkedConvertedAndPriced)
{
    Vendors();
    Mp2("INVY", {Mp2Row{{"ITEMNUM", "I1"}}, Mp2Row{{"ITEMNUM", "I2"}}, Mp2Row{{"ITEMNUM", "I3"}},
                 Mp2Row{{"ITEMNUM", "I4"}}, Mp2Row{{"ITEMNUM", "I5"}}, Mp2Row{{"ITEMNUM", "I6"}},
                 Mp2Row{{"ITEMNUM", "I7"}}});
    Mp2("INVVEND", {
        // I1: the second row is marked with a lower-case y, both vendors converted.
        Mp2Row{{"ITEMNUM", "I1"}, {"VENDORID", "V1"}, {"UNITCOST", 4.0}, {"MINORDERQTY", 6.0}},
        Mp2Row{{"ITEMNUM", "I1"}, {"VENDORID", "V2"}, {"PRIMARYVENDOR", "y"}, {"UNITCOST", 7.0}},
        // I2: none marked; the first row's vendor was skipped, the second's converted.
        Mp2Row{{"ITEMNUM", "I2"}, {"VENDORID", "V3"}, {"UNITCOST", 5.0}},
        Mp2Row{{"ITEMNUM", "I2"}, {"VENDORID", "V1"}, {"UNITCOST", 6.0}},
        // I3 to I5: a converted primary vendor priced 12.5, Null and 0.
        Mp2Row{{"ITEMNUM", "I3"}, {"VENDORID", "V2"}, {"PRIMARYVENDOR", "Y"}, {"UNITCOST", 12.5}},
        Mp2Row{{"ITEMNUM", "I4"}, {"VENDORID", "V2"}, {"PRIMARYVENDOR", "Y"}},
        Mp2Row{{"ITEMNUM", "I5"}, {"VENDORID", "V2"}, {"PRIMARYVENDOR", "Y"}, {"UNITCOST", 0.0}},
        // I6: two marked rows: the last marked wins.
        Mp2Row{{"ITEMNUM", "I6"}, {"VENDORID", "V1"}, {"PRIMARYVENDOR", "Y"}, {"UNITCOST", 1.0}},
        Mp2Row{{"ITEMNUM", "I6"}, {"VENDORID", "V2"}, {"PRIMARYVENDOR", "N"}, {"UNITCOST", 2.0}},
        Mp2Row{{"ITEMNUM", "I6"}, {"VENDORID", "V1"}, {"PRIMARYVENDOR", "y"}, {"UNITCOST", 3.0}},
    });
    Mp2("INVCOST", {Mp2Row{{"ITEMNUM", "I1"}, {"UNITCOST", 9.0}, {"AVAILABLEQTY", 14.0}},
                    Mp2Row{{"ITEMNUM", "I2"}, {"UNITCOST", 9.0}},
                    Mp2Row{{"ITEMNUM", "I3"}, {"UNITCOST", 9.0}},
                    Mp2Row{{"ITEMNUM", "I4"}, {"UNITCOST", 9.0}},
                    Mp2Row{{"ITEMNUM", "I5"}, {"UNITCOST", 9.0}, {"AVAILABLEQTY", 2.0}},
                    Mp2Row{{"ITEMNUM", "I5"}, {"UNITCOST", 99.0}, {"AVAILABLEQTY", 50.0}}});
    Open();
    CreateVendor(*run);
    CreateInvy(*run);

    EXPECT_EQ(Column("Select * From Invy", "VendorId"), (QStringList{"2", "1", "2", "2", "2", "1", "0"}));
    EXPECT_EQ(Column("Select * From Invy", "Cost"), (QStringList{"7", "9", "12.5", "9", "9", "3", "0"}));
    EXPECT_EQ(Column("Select * From Invy", "QOH"), (QStringList{"14", "0", "0", "0", "2", "0", "0"}));
    EXPECT_EQ(Column("Select * From Invy", "ReorderQty"), (QStringList{"6", "0", "0", "0", "0", "0", "<Null>"}));
    // Only the vendor conversion's skip box: every converted vendor's name was found.
    EXPECT_EQ(op.messages(), QStringList{"Record in MP2 VENDOR table skipped (null VENDORID or NAME)"});

    EXPECT_EQ(Item("I1", "Notes"),
              "Start of Vendor 1" + kTail + CRLF + "Vendor Name - ACME" + CRLF + "UNITCOST - 4" + CRLF +
              "MINORDERQTY - 6" + CRLF + "End of Vendor 1" + kTail + CRLF +
              "Start of Vendor 2" + kTail + CRLF + "Vendor Name - BOLT" + CRLF + "PRIMARYVENDOR - y" + CRLF +
              "UNITCOST - 7" + CRLF + "End of Vendor 2" + kTail + CRLF + CRLF);
    // The skipped vendor's block has no name line.
    EXPECT_TRUE(Item("I2", "Notes").startsWith("Start of Vendor 1" + kTail + CRLF + "UNITCOST - 5" + CRLF));

    const QStringList log = LogLines();
    EXPECT_EQ(log.mid(log.indexOf("Records in MP2 INVY table - 7")),
              (QStringList{"Records in MP2 INVY table - 7", "", "Records in Vantrix/Mendly Invy table - 7", ""}));
    EXPECT_EQ(Steps(), 2);  // one for the vendors, one for the items
}

TEST_F(InvyConversion, VendorsWhoseNamesDifferOnlyInCaseKeepTheirOwnItems)
{
    Mp2("VENDOR", {Mp2Row{{"VENDORID", "V1"}, {"NAME", "Acme"}}, Mp2Row{{"VENDORID", "V2"}, {"NAME", "ACME"}}});
    Mp2("INVY", {Mp2Row{{"ITEMNUM", "I1"}}, Mp2Row{{"ITEMNUM", "I2"}}});
    Mp2("INVVEND", {Mp2Row{{"ITEMNUM", "I1"}, {"VENDORID", "V2"}}, Mp2Row{{"ITEMNUM", "I2"}, {"VENDORID", "V1"}}});
    Open();
    CreateVendor(*run);
    CreateInvy(*run);
    EXPECT_EQ(Column("Select * From Invy", "VendorId"), (QStringList{"2", "1"}));
    EXPECT_TRUE(op.messages().isEmpty());
}

TEST_F(InvyConversion, ItemNotesFollowTheColumnsAndTheTypeRule)
{
    const dao::Variant added = Day(2023, 11, 2);
    const dao::Variant edited = Day(2024, 1, 15);
    Mp2("INVY", {
        Mp2Row{{"ITEMNUM", " O'RING "}, {"DESCRIPTION", "  Ring kit "}, {"UOM", " EA "}},
        Mp2Row{{"ITEMNUM", "T1"}, {"TYPE", "FLT"}, {"ACCTCODE", "4000"}, {"OEMMFG", "Acme"}, {"TAXABLE", "Y"},
               {"VOLUME", 0.0}, {"DATEADDED", added}, {"CLASS", "C"}, {"WEIGHT", 2.5}, {"COSTCENTER", "CC"},
               {"MODEL", "M1"}, {"LASTEDITDATE", edited}, {"UD1", "u1"}, {"UD4", ""}, {"UD10", "u10"},
               {"UOW", "BOX"}, {"SINGLESOURCE", "N"}, {"NOTES", "keep dry"}},
        Mp2Row{{"ITEMNUM", "T2"}, {"TYPE", "BLANK"}},
        Mp2Row{{"ITEMNUM", "T3"}, {"TYPE", "O'TYPE"}},
    });
    Mp2("INVTYPE", {Mp2Row{{"TYPE", "FLT"}, {"DESCRIPTION", "Filters"}}, Mp2Row{{"TYPE", "BLANK"}, {"DESCRIPTION", ""}}});
    Mp2("INVVEND", {Mp2Row{{"ITEMNUM", " O'RING "}, {"VENDORID", "NOT CONVERTED"}, {"MINORDERQTY", 3.0}}});
    Mp2("INVCOST", {Mp2Row{{"ITEMNUM", " O'RING "}, {"UNITCOST", 1.75}, {"AVAILABLEQTY", 8.0}}});
    Open();
    CreateInvy(*run);

    // The number is kept as stored and still finds its vendor and cost rows.
    EXPECT_EQ(Item(" O'RING ", "Description"), "Ring kit");
    EXPECT_EQ(Item(" O'RING ", "UOM"), "EA");
    EXPECT_EQ(Item(" O'RING ", "ReorderQty"), "3");
    EXPECT_EQ(Item(" O'RING ", "Cost"), "1.75");
    EXPECT_EQ(Item(" O'RING ", "QOH"), "8");
    EXPECT_EQ(Item(" O'RING ", "Status"), "0");
    EXPECT_EQ(Item(" O'RING ", "Location"), "");

    EXPECT_EQ(Item("T1", "Notes"),
              "TYPE - FLT (Filters)" + CRLF + "ACCTCODE - 4000" + CRLF + "OEMMFG - Acme" + CRLF + "TAXABLE - Y" +
              CRLF + "VOLUME - 0" + CRLF + added.toText() + " - " + added.toText() + CRLF + "CLASS - C" + CRLF +
              "WEIGHT - 2.5" + CRLF + "COSTCENTER - CC" + CRLF + "MODEL - M1" + CRLF + "LASTEDITDATE - " +
              edited.toText() + CRLF + "UD1 - u1" + CRLF + "UD10 - u10" + CRLF + "UOW - BOX" + CRLF +
              "SINGLESOURCE - N" + CRLF + "NOTES - keep dry" + CRLF + CRLF);
    EXPECT_EQ(Item("T2", "Notes"), CRLF);                       // found, but no description: no line
    EXPECT_EQ(Item("T3", "Notes"), "TYPE - O'TYPE" + CRLF + CRLF);  // not found: the type alone
    EXPECT_EQ(Item("T3", "ReorderQty"), "<Null>");
}

TEST_F(InvyConversion, AnItemWithoutNumberIsKeptWithoutOtherItemsRows)
{
    Mp2("INVY", {Mp2Row{{"DESCRIPTION", "no number"}}, Mp2Row{{"ITEMNUM", ""}, {"DESCRIPTION", "empty number"}}});
    Mp2("INVCOST", {Mp2Row{{"ITEMNUM", ""}, {"UNITCOST", 5.0}, {"AVAILABLEQTY", 4.0}}});
    Open();
    CreateInvy(*run);
    EXPECT_EQ(Column("Select * From Invy", "Item#"), (QStringList{"", ""}));
    EXPECT_EQ(Column("Select * From Invy", "Cost"), (QStringList{"0", "5"}));
    EXPECT_EQ(Column("Select * From Invy", "QOH"), (QStringList{"0", "4"}));
}

TEST_F(InvyConversion, PlaceholderItemIsAddedInactiveAndFoundAtOnce)
{
    Open();
    EXPECT_FALSE(CreateOneInvy(*run, "", "nothing", 1));
    const QString blank = "Error: Sub CreateOneInvy was sent a blank InItemNum.";
    EXPECT_EQ(op.messages(), QStringList{blank});
    EXPECT_EQ(LogLines(), (QStringList{blank, ""}));

    EXPECT_TRUE(CreateOneInvy(*run, "C'9 ", "O'Ring kit", 1));
    EXPECT_TRUE(CreateOneInvy(*run, "ACTIVE", "", 0));
    EXPECT_EQ(Item("C'9 ", "Description"), "O'Ring kit");
    EXPECT_EQ(Item("C'9 ", "Status"), "1");
    EXPECT_EQ(Item("ACTIVE", "Status"), "0");
    EXPECT_EQ(Item("C'9 ", "Notes"), "MP2 was missing INVY rec, Vantrix rec created,to save MP2 WO Item history");
    for (const char* field : {"ReorderPoint", "ReorderQty", "QOH", "QtyOnOrder", "Cost", "VendorId"})
        EXPECT_EQ(Item("C'9 ", field), "0") << field;
    EXPECT_EQ(OutText("SELECT count(*) FROM Invy"), "2");
}

TEST_F(InvyConversion, PlaceholderFailureIsShownAndTheCallerGoesOn)
{
    Out({"DROP TABLE Invy"});
    Open();
    EXPECT_FALSE(CreateOneInvy(*run, "C", "", 1));
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_TRUE(op.messages()[0].startsWith("CreateOneInvy Error:3078\r"));
    EXPECT_TRUE(LogLines().isEmpty());
}

TEST_F(InvyConversion, FailureEndsTheRunWithoutLogging)
{
    Mp2("INVY", {Mp2Row{{"ITEMNUM", "I1"}}});
    Out({"DROP TABLE Invy"});
    Open();
    EXPECT_THROW(CreateInvy(*run), EndProgram);
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_TRUE(op.messages()[0].startsWith("CreateInvy Error:3078\r"));
    EXPECT_EQ(LogLines(), (QStringList{"Records in MP2 INVY table - 1", ""}));
    EXPECT_FALSE(QFile::exists(outPath));
}
