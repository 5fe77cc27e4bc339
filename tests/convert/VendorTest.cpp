// Vendors: names made unique by exact comparison, the address spread, cut phone and fax numbers, the
// notes, the mapping lists and the listing, and the trap that also logs.
#include "WoHistSupport.h"

#include "convert/Conversions.h"
#include "convert/reference/GetVendorComment.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>

using testsupport::Mp2Row;

namespace {

const QString CR = QStringLiteral("\r");

QStringList ListTexts(const OneBasedList& list)
{
    QStringList out;
    for (int i = 1; i <= list.Count(); ++i)
        out << list[i].toText();
    return out;
}

}  // namespace

class VendorConversion : public ConversionRun {};

TEST_F(VendorConversion, EmptyTableLeavesEverythingAsItWas)
{
    Open();
    CreateVendor(*run);
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_EQ(Steps(), 0);
    EXPECT_EQ(OutText("SELECT count(*) FROM Vendor"), "0");
    EXPECT_TRUE(op.messages().isEmpty());
    EXPECT_EQ(run->NewVendNameList.Count(), 0);
}

TEST_F(VendorConversion, NamesAreMadeUniqueExactlyAndMappedToTheMp2Ids)
{
    Mp2("VENDOR", {
        Mp2Row{{"VENDORID", "V1"}, {"NAME", "ACME"}},
        Mp2Row{{"VENDORID", "V2"}, {"NAME", "BOLT"}},
        Mp2Row{{"VENDORID", "V3"}, {"NAME", "ACME"}},
        Mp2Row{{"VENDORID", "V4"}, {"NAME", "ACME"}},
        Mp2Row{{"VENDORID", "V5"}, {"NAME", dao::Variant()}},
        Mp2Row{{"VENDORID", "V6"}, {"NAME", "Acme"}},
        Mp2Row{{"VENDORID", dao::Variant()}, {"NAME", "NOID"}},
        Mp2Row{{"VENDORID", "V8"}, {"NAME", "ACME  "}},
        Mp2Row{{"VENDORID", "V9"}, {"NAME", "ACME"}},
    });
    Open();
    CreateVendor(*run);

    const QStringList names = {"ACME", "BOLT", "ACME2", "ACME23", "Acme", "ACME  ", "ACME234"};
    EXPECT_EQ(Column("Select * From Vendor", "Name"), names);
    EXPECT_EQ(ListTexts(run->NewVendNameList), names);
    EXPECT_EQ(ListTexts(run->OldVendIdList), (QStringList{"V1", "V2", "V3", "V4", "V6", "V8", "V9"}));
    EXPECT_EQ(Column("Select * From Vendor", "Status"), QStringList(7, "0"));

    const QString skipped = "Record in MP2 VENDOR table skipped (null VENDORID or NAME)";
    EXPECT_EQ(op.messages(), (QStringList{skipped, skipped}));
    EXPECT_EQ(LogLines(), (QStringList{
        "Records in MP2 VENDOR table - 9", "",
        skipped, "",
        skipped, "",
        "Records in Vantrix/Mendly Vendor table - 7", "",
        "NewVendName - ACME    OldVendId - V1",
        "NewVendName - BOLT    OldVendId - V2",
        "NewVendName - ACME2    OldVendId - V3",
        "NewVendName - ACME23    OldVendId - V4",
        "NewVendName - Acme    OldVendId - V6",
        "NewVendName - ACME      OldVendId - V8",
        "NewVendName - ACME234    OldVendId - V9",
        ""}));
    EXPECT_EQ(Steps(), 1);  // one step for the whole table
}

TEST_F(VendorConversion, AddressLinesSpreadOverTwoFieldsOfFifty)
{
    const QString a30 = QString("A").repeated(29) + "1";
    const QString b30 = QString("B").repeated(18) + "2" + "CCCCCCCCCC3";
    const QString fifty = QString("D").repeated(25) + " " + QString("E").repeated(24);
    Mp2("VENDOR", {
        Mp2Row{{"VENDORID", "V1"}, {"NAME", "Split"}, {"ADDR1", "  " + a30 + " "}, {"ADDR2", b30}, {"ADDR3", " Suite 9 "}},
        Mp2Row{{"VENDORID", "V2"}, {"NAME", "Third only"}, {"ADDR3", "  PO Box 4"}},
        Mp2Row{{"VENDORID", "V3"}, {"NAME", "Exactly fifty"}, {"ADDR1", fifty.left(25)}, {"ADDR2", fifty.mid(26)}},
        Mp2Row{{"VENDORID", "V4"}, {"NAME", "Second only"}, {"ADDR2", " Dock 7"}, {"ADDR3", ""}},
        Mp2Row{{"VENDORID", "V5"}, {"NAME", "Long third"}, {"ADDR1", QString("X").repeated(40)},
               {"ADDR2", QString("Y").repeated(20)}, {"ADDR3", QString("Z").repeated(50)}},
    });
    Open();
    CreateVendor(*run);

    EXPECT_EQ(Column("Select * From Vendor", "Address"),
              (QStringList{a30 + " " + b30.left(19), "", fifty, "Dock 7", QString("X").repeated(40) + " " + QString("Y").repeated(9)}));
    EXPECT_EQ(Column("Select * From Vendor", "Address2"),
              (QStringList{b30.mid(19) + " Suite 9", "PO Box 4", "", "", (QString("Y").repeated(11) + " " + QString("Z").repeated(50)).left(50)}));
    // The cut third line is told to the operator only.
    EXPECT_EQ(op.messages(), QStringList{"Warning: Address3 in the Vendor table has been truncated for Name "
                                         "'Long third'." + CR +
                                         "Check it when you run the program after the import is complete."});
    EXPECT_FALSE(LogLines().join("\n").contains("Address3"));
}

TEST_F(VendorConversion, LongPhoneAndFaxAreCutAndKeptInNotesWithAWarning)
{
    const QString phone26 = "+1 (555) 010-9999 ext 1234";
    ASSERT_EQ(phone26.size(), 26);
    const QString fax30 = "0044 20 7946 0000 0000 0000 00";
    Mp2("VENDOR", {Mp2Row{{"VENDORID", "V1"}, {"NAME", "Far"}, {"PHONE", " " + phone26 + " "},
                          {"TELEXFAX", fax30}, {"EXT", "12"}}});
    Open();
    CreateVendor(*run);

    EXPECT_EQ(Column("Select * From Vendor", "Phone"), QStringList{phone26.left(25)});
    EXPECT_EQ(Column("Select * From Vendor", "Fax"), QStringList{fax30.left(25)});
    EXPECT_EQ(Column("Select * From Vendor", "Ext"), QStringList{"12"});
    EXPECT_EQ(Column("Select * From Vendor", "Notes"),
              QStringList{"Phone - " + phone26 + "\r\n" + "Fax - " + fax30 + "\r\n"});

    const QString tail = "'" + CR + "This old # will be put it in the Notes field for this vendor record. " + CR +
                         "Check it when you run the program after the import is complete.";
    const QString phoneWarning = "Warning: Phone in the Vendor table has been truncated for Name 'Far'." + CR +
                                 "The old Phone # in MP2 was ' " + phone26 + " " + tail;
    const QString faxWarning = "Warning: Fax in the Vendor table has been truncated for Name 'Far'." + CR +
                               "The old Phone # in MP2 was '" + fax30 + tail;
    EXPECT_EQ(op.messages(), (QStringList{phoneWarning, faxWarning}));
    // Each warning is one log line, its CRs inside, with no empty line after it.
    EXPECT_EQ(LogLines().mid(2, 3), (QStringList{phoneWarning, faxWarning, "Records in Vantrix/Mendly Vendor table - 1"}));
}

TEST_F(VendorConversion, NotesGatherTheUnmappedColumnsAndTheFirstComment)
{
    Mp2("VENDOR", {
        Mp2Row{{"VENDORID", "O'NEIL"}, {"NAME", "O'Neil"}, {"TERMS", ""}, {"FREIGHTTERMS", "Prepaid"},
               {"SHIPVIA", "UPS"}, {"FOB", "Origin"}, {"MINORDERAMT", 0.0}, {"VENDORTYPE", "P"},
               {"LASTRECVDATE", Day(2024, 3, 9)}, {"SHIPPER", " Self "}, {"FEDID", "Maker"}, {"CLASS", "A"},
               {"CUSTOMERID", "C-1"}, {"PREFORDERMETHOD", "Fax"}, {"TOTALOPEN", 12.5}, {"TOTALRECEIVED", 1200.0},
               {"MP2CURRENCY", "USD"}, {"NOTES", "Call first"}, {"TAXRATE1", 7.25}, {"CITY", " Town "}},
        Mp2Row{{"VENDORID", "PLAIN"}, {"NAME", "Plain"}},
    });
    Mp2("VENDCOMM", {Mp2Row{{"VENDORID", "O'NEIL"}, {"COMMENTS", "first"}},
                     Mp2Row{{"VENDORID", "O'NEIL"}, {"COMMENTS", "second"}},
                     Mp2Row{{"VENDORID", "O'NEIL"}, {"COMMENTS", "third"}},
                     Mp2Row{{"VENDORID", "PLAIN"}, {"COMMENTS", dao::Variant()}}});
    Open();
    CreateVendor(*run);

    const QString date = dao::Variant(Day(2024, 3, 9)).toText();
    EXPECT_EQ(Column("Select * From Vendor", "Notes"),
              (QStringList{"Comments - first\r\nFREIGHTTERMS - Prepaid\r\nSHIPVIA - UPS\r\nFOB - Origin\r\n"
                           "MINORDERAMT - 0\r\nVENDORTYPE - P\r\nLASTRECVDATE - " + date + "\r\n"
                           "SHIPPER -  Self \r\nManufacturer - Maker\r\nCLASS - A\r\nCUSTOMERID - C-1\r\n"
                           "Preferred Order Method - Fax\r\nTOTALOPEN - 12.5\r\nTOTALRECEIVED - 1200\r\n"
                           "MP2CURRENCY - USD\r\nNOTES - Call first\r\n",
                           ""}));
    EXPECT_EQ(Column("Select * From Vendor", "TaxRate1"), (QStringList{"7.25", "<Null>"}));
    EXPECT_EQ(Column("Select * From Vendor", "City"), (QStringList{" Town ", ""}));
    EXPECT_EQ(Column("Select * From Vendor", "Phone"), (QStringList{"", ""}));
    EXPECT_EQ(GetVendorComment(*run, "   "), "");
    EXPECT_EQ(GetVendorComment(*run, "NOBODY"), "");
}

TEST_F(VendorConversion, FailureIsShownLoggedAndRemovesTheNewDatabase)
{
    Mp2("VENDOR", {Mp2Row{{"VENDORID", "V1"}, {"NAME", "ACME"}}});
    Out({"DROP TABLE Vendor"});
    Open();
    EXPECT_THROW(CreateVendor(*run), EndProgram);
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_TRUE(op.messages()[0].startsWith("CreateVendor Error:3078" + CR)) << op.messages()[0].toStdString();
    EXPECT_EQ(LogLines().mid(2), (QStringList{op.messages()[0], ""}));
    EXPECT_FALSE(QFile::exists(outPath));
}

// So many vendors of one name that the accumulated suffixes would pass the Name field's size: the name
// is cut before its suffix, said in the log, and every name stays unique; the names that fit are those
// the suffix rule always gave.
TEST_F(VendorConversion, ASuffixedNameThatWouldNotFitIsCutBeforeItsSuffix)
{
    std::vector<Mp2Row> vendors;
    for (int i = 1; i <= 130; ++i)
        vendors.push_back(Mp2Row{{"VENDORID", QString("V%1").arg(i)}, {"NAME", "ACME SUPPLY"}});
    Mp2("VENDOR", vendors);
    Open();
    CreateVendor(*run);

    const QStringList names = Column("Select * From Vendor", "Name");
    ASSERT_EQ(names.size(), 130);
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), 130);
    EXPECT_EQ(names[1], "ACME SUPPLY2");
    EXPECT_EQ(names[3], "ACME SUPPLY234");
    QString accumulated = "ACME SUPPLY";
    int cut = 0;
    for (int i = 1; i < 130; ++i) {
        accumulated += QString::number(i + 1);
        EXPECT_LE(names[i].size(), 255);
        if (accumulated.size() <= 255) {
            EXPECT_EQ(names[i], accumulated);
        } else {
            ++cut;
        }
    }
    ASSERT_GT(cut, 0);
    EXPECT_EQ(LogLines().filter(QRegularExpression("^Vendor name '.*' \\(VENDORID 'V\\d+'\\) is longer than the 255 "
                                                   "characters of the Name field: stored as '.*'\\.$"))
                  .size(),
              cut);
    EXPECT_TRUE(op.messages().isEmpty());
}
