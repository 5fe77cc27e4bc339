#include "HostTestSupport.h"
#include "run/EndProgram.h"
#include "run/ScriptedOperator.h"
#include "db/Database.h"
#include "wizard/HostProduct.h"
#include "wizard/MainForm.h"
#include "jet/JetWriter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace {

const QChar CR(13);

void Exec(const QString& path, const QString& sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    const QString why = err ? QString::fromUtf8(err) : QString();
    sqlite3_free(err);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << why.toStdString();
}

void Touch(const QString& path, const QByteArray& bytes = "MP2")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A host product in a temporary directory: the settings, the user directory, the database list.
class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ux = box.dir.filePath("crew");
        listDir = box.dir.filePath("list");
        QDir().mkpath(ux);
        QDir().mkpath(listDir);
        CreateDatabaseList(listDir + "/VXDB97.mdb");
    }

    void Install()
    {
        QSettings s(QSettings::NativeFormat, QSettings::SystemScope, "Vantrix", "General");
        s.setValue("VXUDir", ux);
        s.setValue("VXDBListDir", listDir);
        s.sync();
    }

    // The form as start-up leaves it, without running start-up.
    void Ready()
    {
        run.gVXUDir = ux;
        run.gVXDBListDir = listDir;
        run.gVXDBListDb = dao::Database::OpenDatabase(listDir + "/VXDB97.mdb");
        form.RecDirBase = ux + "/";
    }

    void Register(const QString& name, const QString& fileName, const QString& path = "/elsewhere/")
    {
        Exec(listDir + "/VXDB97.mdb", QString("INSERT INTO DB (Name, Path, FileName, IsDefault) "
                                              "VALUES ('%1', '%2', '%3', 0)")
                                          .arg(name, path, fileName));
    }

    // A database of the product itself: the template with, optionally, a facility.
    QString ProductDatabase(const QString& path, const QString& facility = {})
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        CreateTemplate(path);
        if (!facility.isNull())
            Exec(path, "INSERT INTO Facility (Name) VALUES ('" + facility + "')");
        return path;
    }

    SettingsSandbox box;
    QString ux, listDir;
    ScriptedOperator op;
    RunState run{op};
    MainForm form{run};
};

// ---- Start-up ----

TEST_F(MainFormTest, StartUpWithoutAnOldDatabaseProposesTheUserDirectory)
{
    Install();
    form.MainFormLoad(1, 0, 12);

    EXPECT_EQ(form.Caption, "Mendly & Vantrix 2.x Import from MP2 database ver 1.0.12");
    EXPECT_EQ(form.lblTargetHint, "Select directory where to store new Vantrix 2.x databases");
    EXPECT_TRUE(run.gVXDBListDb && run.gVXDBListDb->isOpen());
    EXPECT_EQ(form.txtSourceDB, "");
    EXPECT_EQ(form.txtFileName, "");
    EXPECT_EQ(form.txtDBName, "");
    EXPECT_EQ(form.txtTargetDir, ux);
    EXPECT_EQ(form.txtRecommendDirectory, ux + "/");
    EXPECT_EQ(form.RecDirBase, ux + "/");
    EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join('|').toStdString();
}

TEST_F(MainFormTest, StartUpFindsTheProductsOwnDatabaseInAnyLetterCaseAndNamesTheTargetAfterIt)
{
    Install();
    run.gProgram = "MENDLY";
    const QString old = ProductDatabase(listDir + "/Mendly.MDB", "Main Plant");
    form.MainFormLoad();

    EXPECT_EQ(form.lblTargetHint, "Select directory where to store new Mendly 2.x databases");
    EXPECT_EQ(form.txtSourceDB, old);
    EXPECT_EQ(form.txtDBName, "Main Plant");
    EXPECT_EQ(form.txtFileName, "MainPlant.mdb");
    EXPECT_EQ(form.txtRecommendDirectory, ux + "/Main Plant/");
    EXPECT_EQ(form.txtTargetDir, ux + "/Main Plant/");
}

TEST_F(MainFormTest, StartUpEndsTheProgramWhenTheProductIsMissingOrItsListUnreadable)
{
    EXPECT_THROW(form.MainFormLoad(), EndProgram);
    // The box as it stands, and beside it where the settings were looked for and how to set them up.
    ASSERT_EQ(op.messages().size(), 2);
    EXPECT_EQ(op.messages()[0], "Mendly 2.x or Vantrix 2.x is not installed.");
    EXPECT_TRUE(op.messages()[1].contains("'" + box.SystemFile() + "' (no such file)")) << op.messages()[1].toStdString();
    EXPECT_TRUE(op.messages()[1].contains("VXUDir and VXDBListDir are in neither")) << op.messages()[1].toStdString();
    EXPECT_TRUE(op.messages()[1].contains("crew-host-setup --db-list-dir DIR --user-dir DIR"));

    ScriptedOperator op2;
    RunState run2{op2};
    MainForm form2{run2};
    Install();
    QFile::remove(listDir + "/VXDB97.mdb");
    try {
        form2.MainFormLoad();
        FAIL() << "start-up went on without the database list";
    } catch (const EndProgram& end) {
        EXPECT_NE(end.status, 0);
    }
    ASSERT_EQ(op2.messages().size(), 1);
    EXPECT_TRUE(op2.messages()[0].startsWith("ImportLoad Error:3024" + QString(CR)));
    EXPECT_TRUE(op2.messages()[0].endsWith(QString(CR) + "Import Utility will be closed."));
}

// ---- Default names ----

TEST_F(MainFormTest, DefaultNamesRefuseANullBlankOrMissingSourceAndLeaveBothEmpty)
{
    Ready();
    QString N = "x", F = "x";
    form.SetDefaultDBName(std::nullopt, N, F);
    EXPECT_TRUE(N.isEmpty() && F.isEmpty());
    form.SetDefaultDBName(QString(), N, F);
    const QString gone = box.dir.filePath("gone.mdb");
    form.SetDefaultDBName(gone, N, F);
    form.SetDefaultDBName(box.dir.path(), N, F);  // a directory is no database file
    EXPECT_EQ(op.messages(), (QStringList{"Error: in sub SetDefaultDBName, InDirAndPath is null.",
                                          "Error: in sub SetDefaultDBName, InDirAndPath is blank.",
                                          "Error: in sub SetDefaultDBName '" + gone + "' doesn't exist.",
                                          "Error: in sub SetDefaultDBName '" + box.dir.path() + "' doesn't exist."}));
    EXPECT_TRUE(N.isEmpty() && F.isEmpty());
}

TEST_F(MainFormTest, AProductDatabaseWithoutAFacilityNameGetsTheFirstFreePlantName)
{
    Ready();
    const QString noRow = ProductDatabase(box.dir.filePath("a/VANTRIX.mdb"));
    const QString emptyName = ProductDatabase(box.dir.filePath("b/mendly.mdb"), "");
    Register("Other", "plant1.MDB");  // file names compare without regard to case
    Register("PLANT 2", "Second.mdb");
    QString N, F;

    form.SetDefaultDBName(noRow, N, F);
    EXPECT_EQ(N, "Plant 3");
    EXPECT_EQ(F, "Plant3.mdb");
    EXPECT_EQ(run.gDBName, "Plant 3");
    form.SetDefaultDBName(emptyName, N, F);
    EXPECT_EQ(N, "Plant 3");
    EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join('|').toStdString();
}

TEST_F(MainFormTest, AnAccessProductDatabaseIsReadThroughACopyAndNeverWritten)
{
    Ready();
    jetwriter::Table facility;
    facility.name = "Facility";
    facility.columns = {{"Id", dao::FieldType::Long}, {"Name", dao::FieldType::Text, 100}};
    facility.rows = {{dao::Variant(qint32(1)), dao::Variant(QString("North Works"))}};
    jetwriter::JetFile file;
    file.tables = {facility};
    const QString path = box.dir.filePath("old/MENDLY.MDB");
    QDir().mkpath(box.dir.filePath("old"));
    jetwriter::writeJet4(file, path);
    QFile before(path);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    before.close();

    QString N, F;
    form.SetDefaultDBName(path, N, F);
    EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join('|').toStdString();
    EXPECT_EQ(N, "North Works");
    EXPECT_EQ(F, "NorthWorks.mdb");
    QFile after(path);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes);
    EXPECT_EQ(QDir(box.dir.filePath("old")).entryList(QDir::Files), QStringList{"MENDLY.MDB"});
}

TEST_F(MainFormTest, AProductDatabaseThatCannotBeReadEndsTheProgramWithTheTrapsMessage)
{
    Ready();
    const QString broken = box.dir.filePath("c/Vantrix.mdb");
    Touch(broken, QByteArray(4096, 'x'));
    QString N, F;
    EXPECT_THROW(form.SetDefaultDBName(broken, N, F), EndProgram);
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_TRUE(op.messages()[0].startsWith("Error: In sub SetDefaultDBName 3343" + QString(CR)))
        << op.messages()[0].toStdString();
}

TEST_F(MainFormTest, ChangeDatabaseDerivesTheNamesAndTheRecommendedDirectory)
{
    Ready();
    const QString plant = box.dir.filePath("MP2/Plant.mdb");
    Touch(plant);
    form.txtTargetDir = "/somewhere/else";
    form.btnAdd_Click(plant);
    EXPECT_EQ(form.txtSourceDB, plant);
    EXPECT_EQ(form.txtFileName, "Plant.mdb");
    EXPECT_EQ(form.txtDBName, "Plant");
    EXPECT_EQ(form.txtRecommendDirectory, ux + "/Plant/");
    EXPECT_EQ(form.txtTargetDir, ux + "/Plant/");

    // A file name shorter than five characters is the name whole.
    Touch(box.dir.filePath("MP2/abcd"));
    form.btnAdd_Click(box.dir.filePath("MP2/abcd"));
    EXPECT_EQ(form.txtDBName, "abcd");
    form.btnAdd_Click(plant);

    // A cancelled dialog changes nothing.
    form.txtTargetDir = "/chosen";
    form.btnAdd_Click(std::nullopt);
    EXPECT_EQ(form.txtSourceDB, plant);
    EXPECT_EQ(form.txtTargetDir, "/chosen");

    // A source that is not there: its box, both names emptied, the user directory proposed.
    form.btnAdd_Click(box.dir.filePath("MP2/gone.mdb"));
    EXPECT_EQ(form.txtDBName, "");
    EXPECT_EQ(form.txtFileName, "");
    EXPECT_EQ(form.txtTargetDir, ux);
    EXPECT_EQ(form.txtRecommendDirectory, ux + "/");
}

// ---- Typing ----

// Types `text` into the name box as the widget does: KeyPress, insert unless refused, KeyUp.
void TypeName(MainForm& form, const QString& text)
{
    for (const QChar key : text) {
        const QString proposed = form.txtDBName + key;
        if (form.txtDBName_KeyPress(key, proposed))
            form.txtDBName = proposed;
        form.txtDBName_KeyUp(key.unicode());
    }
}

TEST_F(MainFormTest, RefusedKeysAreToldWithABoxAndABeepAndNotInserted)
{
    Ready();
    const QString refused = ".\\/:*+=?\"'<>|$";
    for (const QChar key : refused) {
        EXPECT_FALSE(form.txtDBName_KeyPress(key, QString(key))) << QString(key).toStdString();
    }
    ASSERT_EQ(op.messages().size(), refused.size());
    EXPECT_EQ(op.messages()[0], "Error:  .  not allowed.");
    EXPECT_EQ(op.messages()[9], "Error:  '  not allowed.");
    EXPECT_EQ(op.entries(ScriptedOperator::Kind::Beep).size(), static_cast<size_t>(refused.size()));
    EXPECT_EQ(form.txtFileName, "");  // a refused key derives nothing

    for (const QChar key : QString(" -_&#(~"))
        EXPECT_TRUE(form.txtDBName_KeyPress(key, QString(key)));
    EXPECT_EQ(op.messages().size(), refused.size());

    // The file-name box takes a full stop but no blank.
    EXPECT_TRUE(form.txtFileName_KeyPress('.'));
    EXPECT_FALSE(form.txtFileName_KeyPress(' '));
    EXPECT_FALSE(form.txtFileName_KeyPress('$'));
    EXPECT_EQ(op.messages().mid(refused.size()), (QStringList{"Error: No spaces allowed.", "Error:  $  not allowed."}));
}

TEST_F(MainFormTest, TypingANameDerivesTheFileNameAndTheRecommendedDirectoryWithoutBlanks)
{
    Ready();
    form.txtTargetDir = ux + "/Plant/";
    TypeName(form, "Main 2");
    EXPECT_EQ(form.txtDBName, "Main 2");
    EXPECT_EQ(form.txtFileName, "Main2.mdb");
    EXPECT_EQ(form.txtRecommendDirectory, ux + "/Main2");  // no trailing separator while typing

    // A letter derives before it reaches the box.
    EXPECT_TRUE(form.txtDBName_KeyPress('x', "Main 2x"));
    EXPECT_EQ(form.txtFileName, "Main2x.mdb");

    // Backspace down to an empty box leaves the last derivation standing.
    form.txtDBName = "M";
    form.txtDBName_KeyUp(8);
    EXPECT_EQ(form.txtFileName, "M.mdb");
    form.txtDBName = "";
    form.txtDBName_KeyUp(8);
    EXPECT_EQ(form.txtFileName, "M.mdb");
    EXPECT_EQ(form.txtRecommendDirectory, ux + "/M");

    // Blanks go from the typed name only: the product's directory keeps its own.
    form.RecDirBase = "/srv/Crew Data/";
    TypeName(form, "North Plant");
    EXPECT_EQ(form.txtRecommendDirectory, "/srv/Crew Data/NorthPlant");
    EXPECT_TRUE(form.txtDBName_KeyPress('2', "North Plant2"));
    EXPECT_EQ(form.txtRecommendDirectory, "/srv/Crew Data/NorthPlant2");
}

}  // namespace
