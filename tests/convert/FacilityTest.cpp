// The facility record: which MP2 row, which target row, the composed and trimmed values, the three
// cut fields with their warnings, and the fatal trap.
#include "EquipmentFixture.h"
#include "convert/Conversions.h"

#include <QFileInfo>

using namespace eqtest;

namespace {

QString Warning(const QString& field)
{
    return "Warning: " + field + " in the Facility table has been truncated. " + CR +
           "Check it when you run the program after the import is complete.";
}

class Facility : public EquipmentTest {};

}  // namespace

TEST_F(Facility, ComposesTrimsAndKeepsUntrimmedColumnsAsStored)
{
    Insert("FACILITY", {{{"Name", dao::Variant()},
                         {"ADDR1", "  1 Main St  "},
                         {"ADDR3", " Unit 4 "},
                         {"CITY", "Leeds  "},
                         {"STATE", " WY"},
                         {"PHONENUM", " 555-0100 "},
                         {"PHONEEXT", "22"},
                         {"CONTACT", " Ann "}},
                        {{"Name", "Second site"}}});
    Open();
    ASSERT_EQ(Status([&] { CreateFacility(run); }), -1);

    EXPECT_EQ(Out("SELECT count(*) FROM Facility"), "1");  // the template's table was empty: added
    EXPECT_EQ(Out("SELECT Name FROM Facility"), "Blank");
    EXPECT_EQ(Out("SELECT Address FROM Facility"), "1 Main St");
    EXPECT_EQ(Out("SELECT Address2 FROM Facility"), " Unit 4");  // Null ADDR2: leading blank
    EXPECT_EQ(Out("SELECT City FROM Facility"), "Leeds  ");
    EXPECT_EQ(Out("SELECT State FROM Facility"), " WY");
    EXPECT_EQ(Out("SELECT Phone FROM Facility"), "555-0100 22");
    EXPECT_EQ(Out("SELECT Contact FROM Facility"), " Ann ");
    // Null sources give empty texts, not Null.
    EXPECT_EQ(Out("SELECT typeof(Zip) || typeof(Country) || typeof(Fax) FROM Facility"), "texttexttext");
    EXPECT_TRUE(op.messages().isEmpty());
    EXPECT_EQ(Steps(), 1);
}

TEST_F(Facility, CutsAddress2PhoneAndFaxAtTheirWidthsWithOneWarningEach)
{
    // 40 + blank + 10 = 51; 20 + blank + 5 = 26; 26.
    Insert("FACILITY", {{{"Name", "Plant"},
                         {"ADDR2", QString(40, 'a')},
                         {"ADDR3", QString(10, 'b')},
                         {"PHONENUM", QString(20, '1')},
                         {"PHONEEXT", "23456"},
                         {"FAXNUM", QString(26, '9')}}});
    Open();
    ASSERT_EQ(Status([&] { CreateFacility(run); }), -1);

    EXPECT_EQ(Out("SELECT Address2 FROM Facility"), QString(40, 'a') + ' ' + QString(9, 'b'));
    EXPECT_EQ(Out("SELECT Phone FROM Facility"), QString(20, '1') + " 2345");
    EXPECT_EQ(Out("SELECT Fax FROM Facility"), QString(25, '9'));
    EXPECT_EQ(op.messages(), QStringList({Warning("Address2"), Warning("Phone"), Warning("Fax")}));
}

TEST_F(Facility, ValuesExactlyAtTheWidthsPassWithoutWarning)
{
    Insert("FACILITY", {{{"Name", "   "},
                         {"ADDR2", QString(39, 'a')},
                         {"ADDR3", QString(10, 'b')},
                         {"PHONENUM", QString(19, '1')},
                         {"PHONEEXT", "23456"},
                         {"FAXNUM", " " + QString(25, '9') + " "}}});
    Open();
    ASSERT_EQ(Status([&] { CreateFacility(run); }), -1);

    EXPECT_EQ(Out("SELECT length(Address2) || '/' || length(Phone) || '/' || length(Fax) FROM Facility"), "50/25/25");
    EXPECT_EQ(Out("SELECT typeof(Name) || ':' || Name FROM Facility"), "text:");  // blanks only: empty, not "Blank"
    EXPECT_TRUE(op.messages().isEmpty());
}

TEST_F(Facility, OverwritesTheFirstTargetRecordAndLeavesTheOthers)
{
    testsupport::RunSql(outPath, {"INSERT INTO Facility (Name, Zip) VALUES ('Template', '99999')",
                                  "INSERT INTO Facility (Name) VALUES ('Other')"});
    Insert("FACILITY", {{{"Name", "Plant"}}});
    Open();
    ASSERT_EQ(Status([&] { CreateFacility(run); }), -1);

    EXPECT_EQ(Out("SELECT count(*) FROM Facility"), "2");
    EXPECT_EQ(Out("SELECT Name || '/' || Zip FROM Facility ORDER BY Id LIMIT 1"), "Plant/");
    EXPECT_EQ(Out("SELECT Name FROM Facility ORDER BY Id DESC LIMIT 1"), "Other");
}

TEST_F(Facility, AnEmptySourceTableChangesNothingAndTakesNoStep)
{
    testsupport::RunSql(outPath, {"INSERT INTO Facility (Name) VALUES ('Template')"});
    Open();
    ASSERT_EQ(Status([&] { CreateFacility(run); }), -1);

    EXPECT_EQ(Out("SELECT group_concat(Name) FROM Facility"), "Template");
    EXPECT_TRUE(op.messages().isEmpty());
    EXPECT_EQ(Steps(), 0);
}

TEST_F(Facility, AFailureIsFatalAndRemovesTheNewDatabase)
{
    Insert("FACILITY", {{{"Name", "Plant"}}});
    testsupport::RunSql(outPath, {"DROP TABLE Facility"});
    Open();
    ASSERT_EQ(Status([&] { CreateFacility(run); }), 1);

    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_TRUE(op.messages()[0].startsWith("CreateFacility Error:3078" + CR)) << op.messages()[0].toStdString();
    EXPECT_FALSE(run.gDBoutOpen);
    EXPECT_FALSE(QFileInfo::exists(outPath));
    EXPECT_TRUE(QFileInfo::exists(inPath));
}
