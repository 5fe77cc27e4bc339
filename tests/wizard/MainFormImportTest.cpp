// The Import button: its checks in their order, what each shows, where it puts the focus, and
// whether the import log has been opened by then.
#include "HostTestSupport.h"
#include "import/Driver.h"
#include "run/ScriptedOperator.h"
#include "db/Database.h"
#include "wizard/HostProduct.h"
#include "wizard/MainForm.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <sqlite3.h>

namespace {

const QChar CR(13);
const QString kInvalid = "Error: Invalid file name. Operation cancelled.";

QStringList LogLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n");
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

class ImportButton : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The Import button claims the current folder (for the working copy) while the run lives: each
        // test works in a folder of its own, so that tests run side by side never share one.
        previousCurrent = QDir::currentPath();
        QDir::setCurrent(dir.path());
        ux = dir.filePath("crew");
        QDir().mkpath(ux);
        const QString list = dir.filePath("VXDB97.mdb");
        CreateDatabaseList(list);
        run.gVXUDir = ux;
        run.gVXDBListDir = dir.path();
        run.gVXDBListDb = dao::Database::OpenDatabase(list);

        source = dir.filePath("MP2/Plant.mdb");
        QDir().mkpath(dir.filePath("MP2"));
        QFile f(source);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("MP2");
        f.close();
        // The form as "Change Database" leaves it: every check passes.
        form.btnAdd_Click(source);
        ASSERT_EQ(form.txtTargetDir, ux + "/Plant/");
        log = ux + "/Plant/MP2ImportLog.txt";
    }

    // The new database's name is already taken on disk, beside an earlier import's log.
    void TakeTheNameBesideAnEarlierLog()
    {
        QDir().mkpath(ux + "/Plant");
        QFile target(ux + "/Plant/Plant.mdb");
        ASSERT_TRUE(target.open(QIODevice::WriteOnly));
        target.close();
        QFile earlier(log);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("the earlier import's log\r\n");
    }

    void Register(const QString& name, const QString& fileName)
    {
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(dir.filePath("VXDB97.mdb")).constData(), &db);
        const QString sql =
            QString("INSERT INTO DB (Name, Path, FileName, IsDefault) VALUES ('%1', '/other/', '%2', 0)").arg(name, fileName);
        ASSERT_EQ(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }

    void TearDown() override { QDir::setCurrent(previousCurrent); }

    QTemporaryDir dir;
    QString previousCurrent;
    QString ux, source, log;
    ScriptedOperator op;
    RunState run{op};
    MainForm form{run};
};

TEST_F(ImportButton, PassingEveryCheckOpensTheLogWithTheStartLineAndStartsTheImport)
{
    const ImportCheck check = form.btnImport_Click();
    EXPECT_TRUE(check.startImport);
    EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join('|').toStdString();
    EXPECT_EQ(run.gDBName, "Plant");
    EXPECT_TRUE(run.log.gLogOpen());
    // Nothing is made until the import begins: the target directory and the log then.
    EXPECT_FALSE(QFileInfo::exists(ux + "/Plant"));
    CommitImportLog(run);
    EXPECT_TRUE(QFileInfo(ux + "/Plant").isDir());
    const QStringList lines = LogLines(log);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("In Main frm, btnImport - Start: ")) << lines[0].toStdString();
    EXPECT_EQ(lines[1], "");
}

TEST_F(ImportButton, ChecksBeforeTheLogRefuseWithTheirMessageAndFocusAndOpenNothing)
{
    struct Case {
        const char* what;
        std::function<void(MainForm&)> change;
        QString message;
        MainField focus;
    };
    const std::vector<Case> cases = {
        {"no source", [](MainForm& f) { f.txtSourceDB.clear(); }, "Enter a Source database.", MainField::txtSourceDB},
        {"no directory", [](MainForm& f) { f.txtTargetDir.clear(); }, "Enter a Target directory.",
         MainField::txtTargetDir},
        {"no file name", [](MainForm& f) { f.txtFileName.clear(); }, "Enter a FileName.", MainField::txtFileName},
        {"no name", [](MainForm& f) { f.txtDBName.clear(); }, "Enter a Name.", MainField::txtDBName},
        // Each empty box is reported before the ones below it.
        {"all empty", [](MainForm& f) { f.txtSourceDB.clear(); f.txtTargetDir.clear(); f.txtFileName.clear(); f.txtDBName.clear(); },
         "Enter a Source database.", MainField::txtSourceDB},
        {"name not a file name", [](MainForm& f) { f.txtDBName = "Plant|A"; }, kInvalid, MainField::txtDBName},
        {"file name without a dot", [](MainForm& f) { f.txtFileName = "Plant"; }, kInvalid, MainField::txtFileName},
        {"wrong extension", [](MainForm& f) { f.txtFileName = "Plant.txt"; }, kInvalid, MainField::txtFileName},
        {"two dots", [](MainForm& f) { f.txtFileName = "a.b.mdb"; }, kInvalid, MainField::txtFileName},
    };
    for (const Case& c : cases) {
        ScriptedOperator caseOp;
        RunState caseRun{caseOp};
        caseRun.gVXUDir = ux;
        caseRun.gVXDBListDb = run.gVXDBListDb;
        MainForm f{caseRun};
        f.btnAdd_Click(source);
        c.change(f);
        const ImportCheck check = f.btnImport_Click();
        EXPECT_FALSE(check.startImport) << c.what;
        EXPECT_EQ(check.focus, c.focus) << c.what;
        ASSERT_FALSE(caseOp.messages().isEmpty()) << c.what;
        EXPECT_EQ(caseOp.messages().last(), c.message) << c.what;
        EXPECT_FALSE(caseRun.log.gLogOpen()) << c.what;
        EXPECT_FALSE(QFileInfo::exists(log)) << c.what;
        EXPECT_EQ(caseRun.summary.result, RunResult::Refused) << c.what;
        EXPECT_EQ(caseRun.summary.error.value_or(RunError{}).description, c.message) << c.what;
    }
}

TEST_F(ImportButton, AReservedNameAsksFirstAndNoEndsTheHandlerWithoutALog)
{
    const QString question = QString("It is NOT recommended to use mendly or vantrix ") + CR +
                             "as the Name of the new database. " + CR +
                             "It is also NOT recommended to use mendly.mdb or vantrix.mdb " + CR +
                             "as the File Name of the new database. " + CR +
                             "Do you want to continue with your selection?";
    form.txtDBName = "Mendly";
    op.No();
    ImportCheck check = form.btnImport_Click();
    EXPECT_FALSE(check.startImport);
    EXPECT_EQ(check.focus, MainField::None);
    EXPECT_EQ(op.questions(), QStringList{question});
    EXPECT_TRUE(op.messages().isEmpty());
    EXPECT_FALSE(run.log.gLogOpen());

    // A reserved file name in any case asks the same; Yes goes on to the import.
    form.txtDBName = "Plant";
    form.txtFileName = "vantrix.MDB";
    op.Yes();
    check = form.btnImport_Click();
    EXPECT_TRUE(check.startImport);
    EXPECT_EQ(op.questions(), (QStringList{question, question}));
}

TEST_F(ImportButton, ADirectoryOtherThanTheRecommendedOneAsksBeforeTheLogIsOpened)
{
    const QString question = QString("The recommended directory is not the directory you selected.") + CR +
                             "Do you want to continue with your selection?";
    form.txtTargetDir = ux + "/Plant";  // the same directory written without its separator: still other text
    op.No();
    EXPECT_FALSE(form.btnImport_Click().startImport);
    EXPECT_EQ(op.questions(), QStringList{question});
    EXPECT_FALSE(run.log.gLogOpen());

    op.Yes();
    EXPECT_TRUE(form.btnImport_Click().startImport);
    CommitImportLog(run);  // as the import begins
    EXPECT_EQ(LogLines(log).size(), 2);
}

TEST_F(ImportButton, ALogThatCannotBeOpenedIsReportedAndNothingStarts)
{
    const QString target = dir.filePath("no/such/parent");
    form.txtTargetDir = target;
    form.txtRecommendDirectory = target;
    const ImportCheck check = form.btnImport_Click();
    EXPECT_FALSE(check.startImport);
    EXPECT_EQ(check.focus, MainField::txtTargetDir);
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_TRUE(op.messages()[0].startsWith("The import log '" + target + "/MP2ImportLog.txt' could not be opened."))
        << op.messages()[0].toStdString();
    EXPECT_FALSE(run.log.gLogOpen());
    EXPECT_FALSE(QFileInfo::exists(target));
}

// The log is open from the check that opens it, but a refused attempt writes nothing: an earlier
// import's log in the folder stays as it was, and no folder is made for nothing.
TEST_F(ImportButton, RefusedTriesTouchNoDiskAndTheTryThatGoesAheadLogsEveryStart)
{
    QFile::remove(source);
    ImportCheck check = form.btnImport_Click();
    EXPECT_FALSE(check.startImport);
    EXPECT_EQ(op.messages(), QStringList{source + " does not exit." + CR + "Select a different source database." + CR +
                                         "Click OK to continue."});
    EXPECT_TRUE(run.log.gLogOpen());
    EXPECT_FALSE(QFileInfo::exists(ux + "/Plant"));

    // The source is back; the new database's name is already taken on disk, beside an earlier log.
    QFile s(source);
    ASSERT_TRUE(s.open(QIODevice::WriteOnly));
    s.close();
    TakeTheNameBesideAnEarlierLog();
    check = form.btnImport_Click();
    EXPECT_FALSE(check.startImport);
    EXPECT_EQ(op.messages().last(), "This FileName 'Plant.mdb' " + QString(CR) + "already exists in '" + ux +
                                        "/Plant/' " + CR + CR + "You have 2 choices: " + CR +
                                        "1. Change the FileName." + CR + "2. Delete 'Plant.mdb' " + CR +
                                        "   From '" + ux + "/Plant/' ");
    EXPECT_EQ(LogLines(log), QStringList{"the earlier import's log"});

    QFile::remove(ux + "/Plant/Plant.mdb");
    ASSERT_TRUE(form.btnImport_Click().startImport);
    EXPECT_EQ(LogLines(log), QStringList{"the earlier import's log"});  // until the import begins
    CommitImportLog(run);
    const QStringList lines = LogLines(log);
    ASSERT_EQ(lines.size(), 6);
    for (int i : {0, 2, 4})
        EXPECT_TRUE(lines[i].startsWith("In Main frm, btnImport - Start: ")) << lines[i].toStdString();
}

// An attempt refused at the checks, then another Name: the import that goes ahead logs beside its own
// database, and the refused attempt's folder keeps the earlier import's log.
TEST_F(ImportButton, AfterARefusedAttemptAnotherNameLogsBesideItsOwnDatabase)
{
    TakeTheNameBesideAnEarlierLog();
    ASSERT_FALSE(form.btnImport_Click().startImport);

    form.txtDBName = "Plant2";
    form.txtDBName_KeyUp('2');
    form.btnRecToSelect_Click();
    ASSERT_TRUE(form.btnImport_Click().startImport) << op.messages().join("\n").toStdString();
    CommitImportLog(run);
    EXPECT_EQ(run.log.gLogPath(), ux + "/Plant2/MP2ImportLog.txt");
    const QStringList lines = LogLines(ux + "/Plant2/MP2ImportLog.txt");
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines[0].startsWith("In Main frm, btnImport - Start: ")) << lines[0].toStdString();
    EXPECT_EQ(LogLines(log), QStringList{"the earlier import's log"});
}

TEST_F(ImportButton, FileNameAndNameMustBeNewToTheDatabaseListWhateverTheCase)
{
    Register("Other", "PLANT.MDB");
    ImportCheck check = form.btnImport_Click();
    EXPECT_FALSE(check.startImport);
    EXPECT_EQ(op.messages().last(), "This FileName 'Plant.mdb' " + QString(CR) +
                                        "is already being used in the program, it has to be unique. " + CR + CR +
                                        "Change the FileName or enter Vantrix/Mendly " + CR +
                                        "and goto Utilities/Database Setup and " + CR +
                                        "delete the record that points to this database.");

    form.txtFileName = "Plant2.mdb";
    Register("PLANT", "Third.mdb");
    check = form.btnImport_Click();
    EXPECT_FALSE(check.startImport);
    EXPECT_EQ(op.messages().last(), "This Name 'Plant' " + QString(CR) +
                                        "is already being used in the program, it has to be unique. " + CR +
                                        "Change the Name.");
    EXPECT_EQ(run.gDBName, "Plant");

    form.txtDBName = "Plant Two";
    EXPECT_TRUE(form.btnImport_Click().startImport);
}

}  // namespace
