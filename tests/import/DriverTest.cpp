// Whole imports through the scripted operator: the databases made, the questions asked, the boxes
// shown, the log written, the database list, and what every way out leaves behind.
#include "common/Clock.h"
#include "common/Lookups.h"
#include "db/TextForm.h"
#include "import/Driver.h"
#include "import/SourceReads.h"
#include "mp2sample/Mp2Schema.h"
#include "convert/equipment/ChangeValue.h"
#include "run/ConversionTrap.h"
#include "run/EndProgram.h"
#include "run/ScriptedOperator.h"
#include "run/SummaryText.h"
#include "support/SpineFixtures.h"
#include "jet/CopySource.h"
#include "support/ReliabilitySupport.h"
#include "jet/JetWriter.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using Answer = ScriptedOperator::Answer;

namespace {

const QString CR = QString(QChar(13));

QString EmptyReport(const QString& table)
{
    return "MP2 " + table + " table has 0 records." + CR + "No need to check table.";
}

QString FullReport(const QString& table, int rows)
{
    QString text = "MP2 " + table + " table has " + QString::number(rows) + " records." + CR +
                   "If there are more than a dozen records have a programmer check table to see if " + CR +
                   "further programming is needed.";
    if (table == "INVCOMM")
        text += CR + CR + "Even if the INVCOMM table has 100's of records you can " + CR +
                "ignore it if the Invy table has about" + CR + "the same number of records";
    return text;
}

struct Import : ::testing::Test {
    QTemporaryDir dir;
    QString previousDir;
    ScriptedOperator op;
    RunState run{op};
    QString listDir, sourcePath, listPath, templatePath;

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (const char* sub : {"work", "list", "mp2", "Crew"})
            ASSERT_TRUE(QDir(dir.path()).mkdir(sub));
        previousDir = QDir::currentPath();
        QDir::setCurrent(dir.filePath("work"));

        listDir = dir.filePath("list");
        templatePath = listDir + "/BlnkVtrx.vdb";
        listPath = listDir + "/VXDB97.mdb";
        sourcePath = dir.filePath("mp2/PLANT.mdb");
        spine::WriteBlankProduct(templatePath);
        spine::WriteDatabaseList(listPath);
        run.gVXDBListDir = listDir;
        run.gVXDBListDb = dao::Database::OpenDatabase(listPath);

        run.txtSourceDB = sourcePath;
        run.txtTargetDir = dir.filePath("Crew/Plant1");
        run.txtFileName = "Plant1.mdb";
        run.txtDBName = "Plant 1";
    }

    void TearDown() override
    {
        run.log.Close();
        for (auto* db : {&run.DBin, &run.DBout, &run.gVXDBListDb})
            if (*db)
                (*db)->Close();
        QDir::setCurrent(previousDir);
    }

    // The driver's own work: the standard conversions' status texts, each conversion doing nothing
    // (the conversions have tests of their own).
    static std::vector<ConversionStep> Conversions()
    {
        std::vector<ConversionStep> steps = StandardConversions();
        for (ConversionStep& step : steps)
            step.procedure = [](RunState&) {};
        return steps;
    }

    // The driver's own work, with `look` run as the last conversion: what the conversions see of the
    // working copy, which goes when the run ends.
    static std::vector<ConversionStep> Looking(std::function<void(RunState&)> look)
    {
        std::vector<ConversionStep> steps = Conversions();
        steps.back().procedure = std::move(look);
        return steps;
    }

    // Opens the log as the Import button does, then runs the import; the program's exit status.
    int Run(const std::vector<ConversionStep>& steps = Conversions())
    {
        const reliability::Fingerprint source = reliability::FingerprintOf(run.txtSourceDB);
        OpenImportLog(run);
        int status = -1;
        try {
            DoImport(run, steps);
        } catch (const EndProgram& end) {
            status = end.status;
        }
        EXPECT_TRUE(reliability::FingerprintOf(run.txtSourceDB) == source) << "the import changed its source";
        return status;
    }

    QString target() const { return dir.filePath("Crew/Plant1/Plant1.mdb"); }
    QString log() const { return QString::fromUtf8(spine::ReadAll(dir.filePath("Crew/Plant1/MP2ImportLog.txt"))); }
    int registered() const { return spine::QueryText(listPath, "SELECT count(*) FROM DB").toInt(); }
    QStringList logLines() const
    {
        QStringList lines = log().split("\r\n");
        lines.removeFirst();  // the start line
        return lines;
    }
};

}  // namespace

// The sample schema is the shape of an MP2 database as the conversions read it, and every test and
// benchmark source is made from it: the working copy holds what it holds, and no more of the tables
// only rewritten (EQNUM) or counted (no column).
TEST(SourceReads, TheWorkingCopyHoldsTheSampleSchemasColumns)
{
    const dao::CopyPlan plan = SourceReads();
    QStringList schemaTables;
    for (const QString& table : testsupport::Mp2TableNames()) {
        schemaTables << table.toUpper();
        QStringList expected;
        for (const testsupport::Mp2Column& c : testsupport::Mp2Columns(table))
            expected << c.name.toUpper();
        if (QStringList{"TSKMETER", "MTRHIST", "WOEQLIST"}.contains(table))
            expected = QStringList{"EQNUM"};
        if (QStringList(std::begin(kUnconvertedTables), std::end(kUnconvertedTables)).contains(table))
            expected.clear();
        QStringList planned = plan.Columns(table);
        expected.sort();
        planned.sort();
        EXPECT_EQ(planned, expected) << table.toStdString();
    }
    QStringList planned = plan.Tables();
    planned.sort();
    schemaTables.sort();
    EXPECT_EQ(planned, schemaTables);
}

TEST_F(Import, ACompleteRunRegistersTheNewDatabaseAndReportsEverything)
{
    spine::Mp2Source source;
    source.rows = {{"FACILITY", 1}, {"EQUIP", 2}, {"VENDPO", 3}, {"INVCOMM", 120}};
    source.relationships = {"EQUIPTASK", "TASKEQUIP", "WOEQUIP"};
    spine::WriteMp2Source(sourcePath, source);
    op.Input("N");

    QString relationships;  // in the working copy, as the conversions see it
    ASSERT_EQ(Run(Looking([&](RunState& r) {
                  relationships = spine::QueryText(r.TempPath, "SELECT count(*) FROM MSysRelationships");
              })),
              0)
        << op.messages().join("\n---\n").toStdString();

    // The questions: only the password question, answered N.
    ASSERT_EQ(op.entries(ScriptedOperator::Kind::InputBox).size(), 1u);
    const auto ask = op.entries(ScriptedOperator::Kind::InputBox)[0];
    EXPECT_EQ(ask.text, "Does this database have a password? " + CR + "enter either Y or N " + CR);
    EXPECT_EQ(ask.title, "Does this database have a password?");
    EXPECT_EQ(ask.defaultText, "N");
    EXPECT_FALSE(ask.masked);

    QStringList statuses = {"Importing database ",  "Creating Facility table", "Creating Equipment table",
                            "Creating Employee table", "Creating Task table",  "Creating TaskEq table",
                            "Creating WoHist table", "Creating WoLaborHist table", "Creating Meter table",
                            "Creating Vendor table", "Creating Invy table",  "Creating WoItemsHist table"};
    EXPECT_EQ(op.statuses(), statuses);
    EXPECT_EQ(op.formSource(), sourcePath);
    EXPECT_EQ(op.formTarget(), target());

    const QString done = "The import of '" + sourcePath + "' was imported to " + CR + "'" + target() + "' " + CR + CR +
                         "The import log file is located at " + CR + "'" + dir.filePath("Crew/Plant1") +
                         "/MP2ImportLog.txt'";
    const QStringList messages = {EmptyReport("VENDMANU"), FullReport("VENDPO", 3), FullReport("INVCOMM", 120),
                                  EmptyReport("INVSITE"),  EmptyReport("INVSUB"),   EmptyReport("INVYDRWG"),
                                  done};
    EXPECT_EQ(op.messages(), messages);

    QStringList expectedLog;
    for (const QString& m : messages)
        expectedLog << m << "";
    expectedLog.prepend("");  // the empty line after the start line
    // Then the account: here the rows of the tables no conversion reads, skipped.
    const QStringList lines = logLines();
    EXPECT_EQ(lines.mid(0, expectedLog.size()), expectedLog);
    const QStringList account = lines.mid(expectedLog.size());
    ASSERT_GE(account.size(), 3);
    EXPECT_EQ(account[0], "The account of every MP2 row (read = converted + merged + skipped), and the records made:");
    EXPECT_TRUE(account.contains("VENDPO                  3          0          0          3")) << account.join("\n").toStdString();
    EXPECT_TRUE(account.contains("INVCOMM               120          0          0        120"));
    EXPECT_EQ(account.mid(account.size() - 3), (QStringList{"Warnings: 0", "", ""}));
    EXPECT_EQ(run.summary.result, RunResult::Imported);
    EXPECT_TRUE(run.summary.registered);
    EXPECT_FALSE(run.summary.error.has_value());
    EXPECT_EQ(run.summary.database, target());
    EXPECT_EQ(run.summary.log, dir.filePath("Crew/Plant1") + "/MP2ImportLog.txt");

    // Registered once, as not the default, with the directory ending in its separator.
    ASSERT_EQ(registered(), 1);
    EXPECT_EQ(spine::QueryText(listPath, "SELECT Name FROM DB"), "Plant 1");
    EXPECT_EQ(spine::QueryText(listPath, "SELECT Path FROM DB"), dir.filePath("Crew/Plant1") + "/");
    EXPECT_EQ(spine::QueryText(listPath, "SELECT FileName FROM DB"), "Plant1.mdb");
    EXPECT_EQ(spine::QueryText(listPath, "SELECT IsDefault FROM DB"), "0");

    // The new database is the template's copy; the working copy was read without relationships, and is
    // gone with its journal.
    EXPECT_EQ(spine::ReadAll(target()), spine::ReadAll(templatePath));
    const QString temp = dir.filePath("work/temp7601.in");
    EXPECT_EQ(run.TempPath, temp);
    EXPECT_EQ(relationships, "0");
    EXPECT_EQ(spine::QueryText(sourcePath, "SELECT count(*) FROM MSysRelationships"), "3");
    EXPECT_FALSE(QFileInfo::exists(temp));
    EXPECT_FALSE(QFileInfo::exists(temp + "-journal"));

    // 1 + 2 rows counted: a budget of 4 and a bar of 103, full at the end.
    EXPECT_EQ(run.TotalRecords, 4);
    EXPECT_EQ(op.progressMaximum(), 103);
    EXPECT_EQ(op.progressValue(), 103);
    EXPECT_FALSE(run.gDBoutOpen);
    EXPECT_FALSE(op.busy());
}

TEST_F(Import, ATargetDirectoryWithOrWithoutItsSeparatorGivesTheSamePaths)
{
    spine::WriteMp2Source(sourcePath, {});
    run.txtTargetDir = dir.filePath("Crew/Plant1") + "/";
    op.Input("n");
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(run.TargetPath, target());
    EXPECT_EQ(run.TargetDir, dir.filePath("Crew/Plant1") + "/");
    EXPECT_EQ(spine::QueryText(listPath, "SELECT Path FROM DB"), dir.filePath("Crew/Plant1") + "/");
    EXPECT_TRUE(QFile::exists(target()));
}

TEST_F(Import, EmptyUnconvertedTablesStillShowSixBoxesAndSixLogEntries)
{
    spine::WriteMp2Source(sourcePath, {});
    op.Input("N");
    ASSERT_EQ(Run(), 0);
    QStringList reports;
    QStringList lines = {""};
    for (const char* table : kUnconvertedTables) {
        reports << EmptyReport(table);
        lines << EmptyReport(table) << "";
    }
    EXPECT_EQ(op.messages().mid(0, 6), reports);
    EXPECT_EQ(logLines().mid(0, 13), lines);
}

TEST_F(Import, ThePasswordQuestionComesBackUntilTheAnswerIsYOrN)
{
    spine::Mp2Source source;
    source.password = "Se cret";
    spine::WriteMp2Source(sourcePath, source);
    op.Input("").Input("maybe").Input(" y").Cancel().Input("y").Input("Se cret");

    ASSERT_EQ(Run(), 0) << op.messages().join("\n---\n").toStdString();
    const QStringList messages = op.messages();
    ASSERT_GE(messages.size(), 4);
    EXPECT_EQ(messages.mid(0, 4), (QStringList{"This is not a valid option.", "Invalid response.", "Invalid response.",
                                               "This is not a valid option."}));
    const auto boxes = op.entries(ScriptedOperator::Kind::InputBox);
    ASSERT_EQ(boxes.size(), 6u);
    EXPECT_EQ(boxes[5].text, "Enter password" + CR);
    EXPECT_EQ(boxes[5].title, "Enter password");
    EXPECT_EQ(boxes[5].defaultText, "");
    EXPECT_TRUE(boxes[5].masked);
    EXPECT_EQ(registered(), 1);
}

TEST_F(Import, AWrongPasswordEndsTheRunWithoutANewDatabase)
{
    spine::Mp2Source source;
    source.password = "secret";
    spine::WriteMp2Source(sourcePath, source);
    op.Input("Y").Input("SECRET");

    EXPECT_NE(Run(), 0);
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_EQ(op.messages()[0], "Error: In sub DoImport 3031" + CR + "Not a valid password." + CR +
                                    "Import Utility will close.");
    EXPECT_FALSE(QFile::exists(target()));
    EXPECT_EQ(registered(), 0);
}

TEST_F(Import, ALeftoverWorkingCopyIsReplaced)
{
    spine::Mp2Source source;
    source.rows = {{"EQUIP", 2}};
    spine::WriteMp2Source(sourcePath, source);
    {
        QFile old(dir.filePath("work/temp7601.in"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("left over from an earlier run");
    }
    op.Input("N");
    QString rows;
    ASSERT_EQ(Run(Looking([&](RunState& r) { rows = spine::QueryText(r.TempPath, "SELECT count(*) FROM EQUIP"); })), 0)
        << op.messages().join("\n---\n").toStdString();
    EXPECT_EQ(rows, "2");
}

TEST_F(Import, AFailingConversionRemovesTheNewDatabaseAndLeavesTheListAlone)
{
    spine::WriteMp2Source(sourcePath, {});
    std::vector<ConversionStep> steps = Conversions();
    steps[8].procedure = [](RunState& r) {
        r.Log("Records in MP2 VENDOR = 1");
        r.Log("");
        ConversionTrap(r, "CreateVendor Error:", dao::JetError::FieldTooSmall(), true);
    };
    op.Input("N");

    EXPECT_NE(Run(steps), 0);
    const QString trap = "CreateVendor Error:3163" + CR + dao::JetError::FieldTooSmall().Description;
    EXPECT_EQ(op.messages(), QStringList{trap});
    EXPECT_EQ(op.statuses().last(), "Creating Vendor table");
    EXPECT_FALSE(run.gDBoutOpen);
    EXPECT_FALSE(QFile::exists(target()));
    EXPECT_EQ(registered(), 0);
    // The log ends with why the run failed and what it left.
    const QString ended = "The import failed (CreateVendor error 3163: " +
                          dao::JetError::FieldTooSmall().Description + ") and did not complete. The new database '" +
                          target() + "' was removed; nothing was registered.";
    // Then the account of every MP2 table, the tables the run never came to among them.
    const QStringList lines = logLines();
    EXPECT_EQ(lines.mid(0, 7), (QStringList{"", "Records in MP2 VENDOR = 1", "", trap, "", ended, ""}));
    EXPECT_TRUE(lines.value(7).startsWith("The account of every MP2 row")) << lines.join("\n").toStdString();
    EXPECT_TRUE(lines.indexOf(QRegularExpression("^INVYDRWG .*")) > 7) << lines.join("\n").toStdString();
    EXPECT_EQ(run.summary.result, RunResult::Failed);
    ASSERT_TRUE(run.summary.error.has_value());
    EXPECT_EQ(run.summary.error->number, 3163);
    EXPECT_EQ(run.summary.error->where, "CreateVendor");
    EXPECT_FALSE(run.summary.registered);
}

TEST_F(Import, CancelImportEndsTheLogSayingTheRunWasCancelled)
{
    spine::WriteMp2Source(sourcePath, {});
    std::vector<ConversionStep> steps = Conversions();
    steps[1].procedure = [](RunState& r) { CancelImport(r); };
    op.Input("N");

    EXPECT_EQ(Run(steps), 1);
    EXPECT_FALSE(QFile::exists(target()));
    const QStringList lines = logLines();
    const qsizetype ending = lines.indexOf("The import was cancelled (frmChangeValue: \"Cancel Import\" was pressed) and "
                                           "did not complete. The new database '" + target() +
                                           "' was removed; nothing was registered.");
    ASSERT_GE(ending, 0) << lines.join("\n").toStdString();
    EXPECT_TRUE(lines.value(ending + 2).startsWith("The account of every MP2 row")) << lines.join("\n").toStdString();
    EXPECT_EQ(run.summary.result, RunResult::Cancelled);
    EXPECT_EQ(registered(), 0);
}

// A check whose conversions showed an error box ends as the import would: checked, the box said at
// the end of its log and in its summary. A check that an error ends would fail, as the import would.
TEST_F(Import, ACheckEndsAsTheImportWouldAfterAnErrorBoxOrAnError)
{
    spine::WriteMp2Source(sourcePath, {});
    std::vector<ConversionStep> steps = Conversions();
    steps[3].procedure = [](RunState& r) {
        // A lookup in a table the new database lacks: its trap shows a box, and the run goes on.
        EXPECT_EQ(GetGenericLongKey(r, "DBout", "x", "NoSuchTable", "Name", "Id", true), 0);
    };
    op.Input("N");
    run.checkOnly = true;

    EXPECT_EQ(Run(steps), 0);
    ASSERT_EQ(op.messages().size(), 8);  // the lookup's box, six table boxes, the closing box
    EXPECT_TRUE(op.messages()[0].startsWith("In function GetGenericLongKey: ")) << op.messages()[0].toStdString();
    EXPECT_TRUE(op.messages().last().contains("The check showed 1 error box; the import would show it too and go on."))
        << op.messages().last().toStdString();
    EXPECT_EQ(run.summary.result, RunResult::Checked);
    EXPECT_EQ(run.summary.errorBoxes, QStringList{op.messages()[0]});
    EXPECT_EQ(run.summary.databaseFate, DatabaseFate::Removed);
    EXPECT_FALSE(QFile::exists(target()));
    EXPECT_EQ(registered(), 0);
    EXPECT_TRUE(ResultHeadline(run.summary).startsWith("Checked, with 1 error box: In function GetGenericLongKey: "))
        << ResultHeadline(run.summary).toStdString();
    const QStringList lines =
        QString::fromUtf8(spine::ReadAll(dir.filePath("Crew/Plant1/MP2ImportCheck.txt"))).split("\r\n");
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines.mid(lines.size() - 5, 2), (QStringList{"Warnings: 0", "Error boxes: 1"}));
    EXPECT_TRUE(lines[lines.size() - 3].startsWith("  In function GetGenericLongKey: "));
}

TEST_F(Import, ACheckThatAnErrorEndsWouldFailThere)
{
    spine::Mp2Source source;
    source.rows = {{"FACILITY", 1}, {"EQUIP", 2}, {"VENDOR", 3}};
    spine::WriteMp2Source(sourcePath, source);
    std::vector<ConversionStep> steps = Conversions();
    steps[1].procedure = [](RunState& r) {
        r.summary.account.Read("EQUIP", 2);
        ConversionTrap(r, "CreateEq Error:", dao::JetError::DuplicateKey());
    };
    op.Input("N");
    run.checkOnly = true;

    EXPECT_EQ(Run(steps), 1);
    EXPECT_EQ(run.summary.result, RunResult::WouldFail);
    EXPECT_TRUE(ResultHeadline(run.summary).startsWith("Would fail: error 3022 in CreateEq."))
        << ResultHeadline(run.summary).toStdString();
    // Every table is accounted for, those the check never came to with every row not reached.
    const SourceTableAccount* vendor = run.summary.account.Source("VENDOR");
    ASSERT_NE(vendor, nullptr);
    EXPECT_EQ(vendor->read, 3);
    EXPECT_EQ(vendor->notReached, 3);
    const SourceTableAccount* equip = run.summary.account.Source("EQUIP");
    ASSERT_NE(equip, nullptr);
    EXPECT_EQ(equip->notReached, 2);
    for (const SourceTableAccount& s : run.summary.account.Sources())
        EXPECT_TRUE(s.addsUp()) << s.mp2.toStdString();
}

TEST_F(Import, ThePermissionDeniedErrorNamesTheSourceInUse)
{
    spine::WriteMp2Source(sourcePath, {});
    std::vector<ConversionStep> steps = Conversions();
    steps[0].procedure = [](RunState&) { throw dao::JetError::PermissionDenied(); };
    op.Input("N");

    EXPECT_NE(Run(steps), 0);
    EXPECT_EQ(op.messages(),
              QStringList{"Error: In sub DoImport, Error# 70" + CR + "Permission denied" + CR + "This is most likely " +
                          "because someone is currently using the MP2 database " + CR + "'" + sourcePath +
                          "' that you are trying to import. " + CR + "The Import Utility will close." + CR +
                          "Have everyone exit Mendly, reboot your computer and try the import again."});
    EXPECT_FALSE(QFile::exists(target()));
    EXPECT_EQ(registered(), 0);
}

TEST_F(Import, AMissingTemplateStopsBeforeAnythingIsCreated)
{
    spine::WriteMp2Source(sourcePath, {});
    ASSERT_TRUE(QFile::remove(templatePath));

    EXPECT_NE(Run(), 0);
    EXPECT_EQ(op.messages(), QStringList{"Error: File '" + templatePath + "' not found. Import aborted."});
    EXPECT_TRUE(op.questions().isEmpty());
    EXPECT_FALSE(op.busy());
    EXPECT_FALSE(QFile::exists(target()));
    EXPECT_FALSE(QFile::exists(dir.filePath("work/temp7601.in")));  // a source's data is not left for nothing
}

TEST_F(Import, AFailureBeforeTheNewDatabaseIsMadeLeavesAnUnrelatedFileAlone)
{
    // No source file: the copy fails before the template is copied, so the file already at the
    // target path is not this run's and stays.
    ASSERT_TRUE(QDir(dir.path()).mkpath("Crew/Plant1"));
    {
        QFile other(target());
        ASSERT_TRUE(other.open(QIODevice::WriteOnly));
        other.write("someone else's");
    }
    EXPECT_NE(Run(), 0);
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_TRUE(op.messages()[0].startsWith("Error: In sub DoImport ")) << op.messages()[0].toStdString();
    EXPECT_TRUE(op.messages()[0].endsWith(CR + "Import Utility will close."));
    EXPECT_EQ(spine::ReadAll(target()), QByteArray("someone else's"));
}

TEST_F(Import, TheWorkingCopyOfAnEarlierRunIsNeverTakenAsItsOwnSource)
{
    run.txtSourceDB = dir.filePath("work/temp7601.in");
    spine::Mp2Source source;
    source.rows = {{"EQUIP", 2}};
    spine::WriteMp2Source(run.txtSourceDB, source);
    EXPECT_NE(Run(), 0);
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_TRUE(op.messages()[0].startsWith("Error: In sub DoImport 75" + CR)) << op.messages()[0].toStdString();
    EXPECT_EQ(spine::QueryText(run.txtSourceDB, "SELECT count(*) FROM EQUIP"), "2");
}

TEST_F(Import, AScriptThatRunsShortEndsTheRunCleanly)
{
    spine::WriteMp2Source(sourcePath, {});
    EXPECT_NE(Run(), 0);
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_TRUE(op.messages()[0].startsWith("Error: In sub DoImport 9" + CR)) << op.messages()[0].toStdString();
    EXPECT_FALSE(QFile::exists(target()));
}

TEST_F(Import, APasswordProtectedAccessSourceIsCopiedOpenedAndReported)
{
    if (!QFileInfo(dao::JetReaderPath()).isExecutable())
        GTEST_SKIP() << "crew-jet-reader is not built beside the tests";
    jetwriter::JetFile mdb;
    for (const QString& name : spine::Mp2Tables()) {
        jetwriter::Table table;
        table.name = name;
        table.columns = {{"CODE", dao::FieldType::Text, 25}, {"QTY", dao::FieldType::Long}};
        const int rows = name == "EQUIP" ? 3 : name == "INVSUB" ? 14 : 0;
        for (int i = 1; i <= rows; ++i)
            table.rows.push_back({QString("%1-%2").arg(name).arg(i), i});
        mdb.tables.push_back(table);
    }
    mdb.relationships = {{"EQUIPTASK", "EQUIP", "CODE", "TASK", "CODE"}};
    mdb.password = "Plant#1";
    jetwriter::writeJet4(mdb, sourcePath);
    op.Input("y").Input("Plant#1");

    // The copy of a protected source is opened exclusively: read through the run's own connection. While
    // the run lives it is its owner's alone; it goes when the run ends.
    long rows = -1, relationships = -1;
    QFile::Permissions mode;
    ASSERT_EQ(Run(Looking([&](RunState& r) {
                  rows = r.DBin->OpenRecordset("EQUIP", dao::dbOpenTable)->RecordCount();
                  relationships = r.DBin->GetRelations().Count();
                  mode = QFileInfo(r.TempPath).permissions();
              })),
              0)
        << op.messages().join("\n---\n").toStdString();
    EXPECT_EQ(run.TotalRecords, 4);  // 3 equipment rows
    EXPECT_EQ(op.messages()[4], FullReport("INVSUB", 14));
    EXPECT_EQ(rows, 3);
    EXPECT_EQ(relationships, 0);
    EXPECT_EQ(mode, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    EXPECT_FALSE(QFileInfo::exists(run.TempPath));
    EXPECT_EQ(registered(), 1);
}

TEST(ImportLogOpening, TheImportButtonStampsTheStartAndASecondStartAppends)
{
    QTemporaryDir dir;
    ScriptedOperator op;
    RunState run(op);
    run.txtTargetDir = dir.filePath("Plant1");  // missing: made when the log is opened
    Clock::SetFixed(QDateTime(QDate(2026, 3, 4), QTime(14, 5, 9), Qt::UTC));
    OpenImportLog(run);
    Clock::SetFixed(QDateTime(QDate(2026, 3, 4), QTime(14, 7, 0), Qt::UTC));
    OpenImportLog(run);
    Clock::SetFixed(QDateTime());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("Plant1")));  // nothing on disk until the import goes ahead
    CommitImportLog(run);

    EXPECT_EQ(run.log.gLogPath(), dir.filePath("Plant1") + "/MP2ImportLog.txt");
    EXPECT_EQ(run.gStartDate, QDate(2026, 3, 4));
    EXPECT_EQ(run.gStartTime, QTime(14, 7, 0));
    const QString date = ShortDateText(QDate(2026, 3, 4));
    const QByteArray expected = ("In Main frm, btnImport - Start: " + TimeText(QTime(14, 5, 9)) + ", " + date +
                                 "\r\n\r\nIn Main frm, btnImport - Start: " + TimeText(QTime(14, 7, 0)) + ", " + date +
                                 "\r\n\r\n")
                                    .toUtf8();
    EXPECT_EQ(spine::ReadAll(run.log.gLogPath()), expected);
}
