// The shared helpers: quote doubling, the record lookups, file-name validation, the error box.
#include "common/Lookups.h"
#include "run/ScriptedOperator.h"
#include "support/SpineFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
const QString CR = QString(QChar(13));
}

TEST(TextHelpers, DoubleApostrophesAndRemoveChar)
{
    EXPECT_EQ(DoubleApostrophes("O'BRIEN"), "O''BRIEN");
    EXPECT_EQ(DoubleApostrophes("''"), "''''");
    EXPECT_EQ(DoubleApostrophes(""), "");
    EXPECT_EQ(DoubleApostrophes("PUMP 1"), "PUMP 1");

    // Longer than a 16-bit counter reaches.
    const QString longText = QString(39999, QChar('x')) + "'";
    const QString doubled = DoubleApostrophes(longText);
    EXPECT_EQ(doubled.size(), 40001);
    EXPECT_TRUE(doubled.endsWith("x''"));

    EXPECT_EQ(RemoveChar(' ', "Main Plant"), "MainPlant");
    EXPECT_EQ(RemoveChar(' ', ""), "");
    EXPECT_EQ(RemoveChar('.', "a.b.c"), "abc");
}

namespace {

struct FileNames : ::testing::Test {
    ScriptedOperator op;
    bool check(const QString& name, const std::optional<QString>& ext = QString("mdb"))
    {
        return IsValidFileName(op, name, ext);
    }
    ScriptedOperator::Entry only() const
    {
        EXPECT_EQ(op.transcript().size(), 1u);
        return op.transcript().empty() ? ScriptedOperator::Entry{} : op.transcript().back();
    }
};

}  // namespace

TEST_F(FileNames, GoodNamesPassSilently)
{
    EXPECT_TRUE(check("plant.mdb"));
    EXPECT_TRUE(check("PLANT.MDB"));
    EXPECT_TRUE(check("plant", std::nullopt));
    EXPECT_TRUE(check("Main Plant 2", std::nullopt));
    EXPECT_TRUE(op.transcript().empty());
}

TEST_F(FileNames, TheDotMustComeAfterTwoToTwoHundredFiftyCharacters)
{
    for (const QString& name : {QString("plant"), QString(".mdb"), QString(250, 'a') + ".mdb"}) {
        ScriptedOperator fresh;
        EXPECT_FALSE(IsValidFileName(fresh, name, QString("mdb"))) << name.toStdString();
        ASSERT_EQ(fresh.transcript().size(), 1u);
        EXPECT_EQ(fresh.transcript()[0].text,
                  name + " is not a valid file name.  There are too many characters before the dot.");
        EXPECT_EQ(fresh.transcript()[0].title, "");
        EXPECT_EQ(fresh.transcript()[0].icon, MsgIcon::Exclamation);
    }
    EXPECT_TRUE(check(QString(249, 'a') + ".mdb"));
}

TEST_F(FileNames, ASecondDotIsRefused)
{
    EXPECT_FALSE(check("a.b.mdb"));
    EXPECT_EQ(only().text, "A.B.MDB is not a valid file name.");
    EXPECT_EQ(only().title, "QRT Oops!");
    EXPECT_EQ(only().icon, MsgIcon::Exclamation);

    ScriptedOperator noExt;
    EXPECT_FALSE(IsValidFileName(noExt, "main.plant.x", std::nullopt));
    EXPECT_EQ(noExt.messages(), QStringList{"MAIN.PLANT.X is not a valid file name."});
}

TEST_F(FileNames, EveryInvalidCharacterGetsItsOwnBox)
{
    EXPECT_FALSE(check("pl?nt.mdb"));
    EXPECT_EQ(only().text, "'pl?nt.mdb' is not a valid file name" + CR + "The '?' is an invalid character.");
    EXPECT_EQ(only().title, "QRT Oops!");

    ScriptedOperator many;
    EXPECT_FALSE(IsValidFileName(many, "a<b>|c", std::nullopt));
    EXPECT_EQ(many.messages(),
              (QStringList{"'a<b>|c' is not a valid file name" + CR + "The '<' is an invalid character.",
                           "'a<b>|c' is not a valid file name" + CR + "The '>' is an invalid character.",
                           "'a<b>|c' is not a valid file name" + CR + "The '|' is an invalid character."}));
    for (const QChar c : QString("\\/:*\"")) {
        ScriptedOperator one;
        EXPECT_FALSE(IsValidFileName(one, QString("x") + c + "y", std::nullopt)) << QString(c).toStdString();
    }
}

TEST_F(FileNames, TheExtensionIsThreeCharactersAndTheOneAskedFor)
{
    EXPECT_FALSE(check("plant.mdbx"));
    EXPECT_EQ(only().text, "plant.mdbx is not a valid file name. The file extention must be three characters or less.");
    EXPECT_EQ(only().title, "QRT Oops!");

    ScriptedOperator other;
    EXPECT_FALSE(IsValidFileName(other, "plant.txt", QString("mdb")));
    ASSERT_EQ(other.transcript().size(), 1u);
    EXPECT_EQ(other.transcript()[0].text, "Invalid Extension - requires MDB' extention.");
    EXPECT_EQ(other.transcript()[0].title, "");
    EXPECT_EQ(other.transcript()[0].icon, MsgIcon::Exclamation);
}

TEST(ErrorBox, NamesTheProcedureWhenGiven)
{
    ScriptedOperator op;
    op.SetBusy(true);
    ShowError(op, dao::DaoError(3024, "Could not find file 'x'."), "Form_Load");
    ShowError(op, dao::DaoError(13, "Type mismatch"));
    ShowError(op, dao::DaoError(0, ""));
    EXPECT_FALSE(op.busy());
    EXPECT_EQ(op.messages(), (QStringList{"Form_Load: Error 3024 - Could not find file 'x'.", "Error 13 - Type mismatch"}));
    EXPECT_EQ(op.entries(ScriptedOperator::Kind::MsgBox)[0].icon, MsgIcon::Critical);
}

namespace {

struct Lookups : ::testing::Test {
    QTemporaryDir dir;
    ScriptedOperator op;
    RunState run{op};

    void SetUp() override
    {
        const QString list = dir.filePath("VXDB97.mdb");
        spine::WriteDatabaseList(list);
        spine::RunSql(list, {"INSERT INTO DB (Name, Path, FileName, IsDefault) VALUES ('Plant 1', '/crew/p1/', 'Plant1.mdb', 1)",
                             "INSERT INTO DB (Name, Path, FileName, IsDefault) VALUES ('O''Brien', '/crew/ob/', 'OBrien.mdb', 0)"});
        run.gVXDBListDb = dao::Database::OpenDatabase(list);

        const QString out = dir.filePath("new.mdb");
        spine::WriteBlankProduct(out);
        spine::RunSql(out, {"INSERT INTO Vendor (Name) VALUES ('ACME')", "INSERT INTO Vendor (Name) VALUES ('O''Neil Supply')",
                            "INSERT INTO Task (Description) VALUES ('PM-100')", "INSERT INTO Task (Description) VALUES ('PM''200')"});
        run.DBout = dao::Database::OpenDatabase(out);
        run.gDBoutOpen = true;
    }
    void TearDown() override
    {
        run.gVXDBListDb->Close();
        run.DBout->Close();
    }
    bool exists(const QString& field, const QString& value, qint32 exclude = -1, qint16 type = 1)
    {
        return DoesRecExist(run, "gVXDBListDb", "DB", field, value, type, exclude, "Id");
    }
};

}  // namespace

TEST_F(Lookups, DoesRecExistFindsAValueOtherThanTheExcludedRow)
{
    EXPECT_TRUE(exists("FileName", "Plant1.mdb"));
    EXPECT_TRUE(exists("FileName", "PLANT1.MDB"));  // text compares without regard to case
    EXPECT_FALSE(exists("FileName", "Plant1.mdb", 1));
    EXPECT_TRUE(exists("FileName", "Plant1.mdb", 2));
    EXPECT_TRUE(exists("Name", "O'Brien"));
    EXPECT_FALSE(exists("Name", "Plant 2"));
    EXPECT_TRUE(exists("Id", "2", -1, 2));
    EXPECT_FALSE(exists("Id", "3", -1, 2));
    EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join("\n").toStdString();
}

TEST_F(Lookups, DoesRecExistRefusesWrongArguments)
{
    EXPECT_FALSE(DoesRecExist(run, "", "", "", "x", 1, -1, "Id"));
    EXPECT_FALSE(DoesRecExist(run, "gVXDBListDb", "DB", "Name", "Plant 1", 3, -1, "Id"));
    EXPECT_FALSE(DoesRecExist(run, "DBout", "DB", "Name", "Plant 1", 1, -1, "Id"));
    EXPECT_EQ(op.messages(), (QStringList{"Error: Function DoesRecExist was sent a blank SearchDB.",
                                          "Error: Function DoesRecExist was sent a blank DBTable.",
                                          "Error: Function DoesRecExist was sent a blank TableField.",
                                          "Error: Function DoesRecExist was sent an invalid DataType.",
                                          "Error: Function DoesRecExist was sent an invalid SearchDB. The following "
                                          "was sent: DBout"}));
}

TEST_F(Lookups, GetGenericLongKeyFindsTheKeyOrSaysWhy)
{
    EXPECT_EQ(GetGenericLongKey(run, "DBout", "PM-100", "Task", "Description", "Task#", true), 1);
    EXPECT_EQ(GetGenericLongKey(run, "DBout", DoubleApostrophes("PM'200"), "Task", "Description", "Task#", true), 2);
    EXPECT_TRUE(op.messages().isEmpty());

    EXPECT_EQ(GetGenericLongKey(run, "DBout", "PM-999", "Task", "Description", "Task#", false), 0);
    EXPECT_TRUE(op.messages().isEmpty());
    EXPECT_EQ(GetGenericLongKey(run, "DBout", "PM-999", "Task", "Description", "Task#", true), 0);
    EXPECT_EQ(GetGenericLongKey(run, "DBin", "PM-100", "Task", "Description", "Task#", true), 0);
    EXPECT_EQ(GetGenericLongKey(run, "DBout", "PM-100", "", "", "Task#", true), 0);
    EXPECT_EQ(op.messages(),
              (QStringList{"GetGenericLongKey failed to find a record where Description = 'PM-999' in table 'Task'",
                           "Error: Function GetGenericLongKey was sent an invalid SearchDB. The following was sent: DBin",
                           "GetGenericLongKey was sent a blank TableName.",
                           "GetGenericLongKey was sent a blank FieldName."}));
}

TEST_F(Lookups, ALookupThatFailsReportsTheErrorAndTheRunGoesOn)
{
    EXPECT_EQ(GetGenericLongKey(run, "DBout", "x", "NoSuchTable", "Description", "Task#", true), 0);
    EXPECT_EQ(GetGenericLongKey(run, "DBout", "PM-100", "Task", "Description", "NoSuchKey", true), 0);
    EXPECT_FALSE(DoesRecExist(run, "gVXDBListDb", "DB", "Id", "abc", 2, -1, "Id"));
    ASSERT_EQ(op.messages().size(), 3);
    const QString missing = dao::JetError::NoSuchTable("NoSuchTable").Description;
    EXPECT_EQ(op.messages()[0], "In function GetGenericLongKey: " + CR + "Err.Source = DAO, Err.Description = " +
                                    missing + ", Err.Number = 3078" + CR);
    EXPECT_TRUE(op.messages()[1].endsWith(", Err.Number = 3265" + CR)) << op.messages()[1].toStdString();
    EXPECT_TRUE(op.messages()[2].startsWith("In function DoesRecExist: " + CR + "Err.Source = DAO, "))
        << op.messages()[2].toStdString();
}

TEST_F(Lookups, GetVendorIndexFindsTheVendorByName)
{
    EXPECT_EQ(GetVendorIndex(run, "ACME"), 1);
    EXPECT_EQ(GetVendorIndex(run, "O'Neil Supply"), 2);
    EXPECT_EQ(GetVendorIndex(run, ""), 0);
    EXPECT_TRUE(op.messages().isEmpty());
    EXPECT_EQ(GetVendorIndex(run, "Nobody's"), 0);
    EXPECT_EQ(op.messages(), QStringList{"GetVendorIndex failed to find an index value for Nobody's"});
}
