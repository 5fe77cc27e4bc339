// The scripted operator, the import log, the progress bar and the progress budget.
#include "run/EndProgram.h"
#include "run/RecordCount.h"
#include "run/ScriptedOperator.h"
#include "support/NewDatabase.h"
#include "support/SpineFixtures.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using Kind = ScriptedOperator::Kind;
using Answer = ScriptedOperator::Answer;

TEST(ScriptedOperator, AnswersInOrderAndRecordsWhatTheOperatorSaw)
{
    ScriptedOperator op({Answer::Yes(), Answer::Input("N"), Answer::Cancel(), Answer::Change("PUMP-1"),
                         Answer::CancelImport()});
    op.MsgBox("Hello\rworld", MsgIcon::Exclamation, "QRT Oops!");
    EXPECT_TRUE(op.AskYesNo("Continue?"));
    EXPECT_EQ(op.InputBox("Prompt", "Title", "N"), QString("N"));
    EXPECT_EQ(op.InputBox("Enter password", "Enter password", {}, true), std::nullopt);
    EXPECT_EQ(op.ChangeValue("OLD", 1, 30, "Too long"), QString("PUMP-1"));
    EXPECT_EQ(op.ChangeValue("OLD", 1, 30, "Again"), std::nullopt);
    EXPECT_EQ(op.answersLeft(), 0);

    const auto& t = op.transcript();
    ASSERT_EQ(t.size(), 6u);
    EXPECT_EQ(t[0].title, "QRT Oops!");
    EXPECT_EQ(t[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(t[3].answer, "Cancel");
    EXPECT_TRUE(t[3].masked);
    EXPECT_EQ(t[5].answer, "Cancel Import");
    EXPECT_EQ(op.messages(), QStringList{"Hello\rworld"});
    EXPECT_EQ(op.questions(), (QStringList{"Continue?", "Prompt", "Enter password"}));
}

TEST(ScriptedOperator, AQuestionWithoutItsAnswerRaisesInsteadOfWaiting)
{
    ScriptedOperator op;
    try {
        op.InputBox("Does this database have a password?", "t");
        FAIL() << "no error";
    } catch (const dao::DaoError& e) {
        EXPECT_EQ(e.Number, ScriptedOperator::kNoAnswerLeft);
        EXPECT_TRUE(e.Description.contains("Does this database have a password?")) << e.Description.toStdString();
    }

    op.Yes();
    try {
        op.InputBox("Cutoff days?", "t");
        FAIL() << "no error";
    } catch (const dao::DaoError& e) {
        EXPECT_EQ(e.Number, ScriptedOperator::kWrongAnswerKind);
        EXPECT_TRUE(e.Description.contains("Cutoff days?"));
    }
    // The mismatched answer stays for the question it was meant for.
    EXPECT_TRUE(op.AskYesNo("Continue?"));
}

namespace {

struct LogFile : ::testing::Test {
    QTemporaryDir dir;
    QString path() const { return dir.filePath("MP2ImportLog.txt"); }
};

}  // namespace

TEST_F(LogFile, EveryPrintIsOneLineEndedByCrLfInUtf8)
{
    ImportLog log;
    EXPECT_FALSE(log.gLogOpen());
    log.Print("before open is a no-op");
    RunFiles files;
    log.OpenPending(path());
    log.Commit(files.CreateLog(path()));
    ASSERT_TRUE(log.gLogOpen());
    log.Print("Records in MP2 EQUIP = 3");
    log.Print("");
    log.Print("line one\rline two");
    log.Print(QString::fromUtf8("Müller ½"));
    // Already written, without closing: the log is flushed line by line.
    EXPECT_EQ(spine::ReadAll(path()),
              QByteArray("Records in MP2 EQUIP = 3\r\n\r\nline one\rline two\r\n") + QString::fromUtf8("Müller ½").toUtf8() +
                  "\r\n");
    log.Close();
    EXPECT_FALSE(log.gLogOpen());
}

TEST_F(LogFile, ANewLogReplacesAnOldOneAndAFailureNamesThePath)
{
    {
        QFile old(path());
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an earlier run\r\n");
    }
    ImportLog log;
    RunFiles files;
    log.OpenPending(path());
    log.Commit(files.CreateLog(path()));
    log.Print("new");
    log.OpenPending(dir.filePath("elsewhere.txt"));  // already open: nothing changes
    log.Print("still here");
    log.Close();
    EXPECT_EQ(spine::ReadAll(path()), QByteArray("new\r\nstill here\r\n"));
    EXPECT_FALSE(QFile::exists(dir.filePath("elsewhere.txt")));

    RunFiles elsewhere;
    const QString bad = dir.filePath("no/such/dir/MP2ImportLog.txt");
    try {
        elsewhere.CreateLog(bad);
        FAIL() << "no error";
    } catch (const dao::DaoError& e) {
        EXPECT_EQ(e.Number, 76);
        EXPECT_TRUE(e.Description.contains(bad));
    }
}

TEST(ProgressBar, IsSizedFromTheBudgetAndNeverPassesItsMaximum)
{
    ScriptedOperator op;
    Progress p;
    p.Value = 50;
    p.InitProgress(0, op);
    EXPECT_EQ(p.Min, 0);
    EXPECT_EQ(p.Max, 103);
    EXPECT_EQ(p.Value, 0);
    EXPECT_EQ(op.progressMaximum(), 103);
    p.InitProgress(100, op);
    EXPECT_EQ(p.Max, 103);
    p.InitProgress(101, op);
    EXPECT_EQ(p.Max, 104);
    for (int i = 0; i < 500; ++i)
        p.UpProg(op);
    EXPECT_EQ(p.Value, 104);
    EXPECT_EQ(op.progressValue(), 104);

    p.InitProgress(250, op);
    p.UpProg(op);
    p.UpProg(op);
    EXPECT_EQ(p.Value, 2);
    p.Finish(op);
    EXPECT_EQ(p.Value, 253);
    EXPECT_EQ(op.progressValue(), 253);
}

TEST(ProgressBudget, IsOneAndAHalfTimesTheRowsWithHalvesToEven)
{
    EXPECT_EQ(BudgetFromRows(0), 0);
    EXPECT_EQ(BudgetFromRows(1), 2);   // 1.5
    EXPECT_EQ(BudgetFromRows(3), 4);   // 4.5
    EXPECT_EQ(BudgetFromRows(5), 8);   // 7.5
    EXPECT_EQ(BudgetFromRows(7), 10);  // 10.5
    EXPECT_EQ(BudgetFromRows(4), 6);
    try {
        BudgetFromRows(2000000000);
        FAIL() << "no error";
    } catch (const dao::DaoError& e) {
        EXPECT_EQ(e.Number, 6);
    }
}

namespace {

struct Counting : ::testing::Test {
    QTemporaryDir dir;
    ScriptedOperator op;
    RunState run{op};

    void openSource(const spine::Mp2Source& source)
    {
        const QString path = dir.filePath("temp7601.in");
        spine::WriteMp2Source(path, source);
        run.DBin = dao::Database::OpenDatabase(path);
    }
};

}  // namespace

TEST_F(Counting, CountsTheTenTablesWithWoeAndTaskTwice)
{
    spine::Mp2Source source;
    source.rows = {{"FACILITY", 1}, {"EQUIP", 2}, {"TASK", 3}, {"WOE", 4}, {"VENDOR", 1}, {"INVCOMM", 50}};
    openSource(source);
    // 1 + 2 + 3 + 4 + 4 + 3 + 1 = 18 rows; 27
    EXPECT_EQ(CountTotalRecords(run), 27);
    EXPECT_TRUE(op.messages().isEmpty());
}

TEST_F(Counting, AMissingTableEndsTheRunAndRemovesTheNewDatabase)
{
    spine::Mp2Source source;
    source.omit = {"METER"};
    openSource(source);
    run.TargetPath = dir.filePath("Plant1.mdb");
    spine::WriteBlankProduct(run.TargetPath);
    testsupport::HandNewDatabaseToTheRun(run, run.TargetPath);

    try {
        CountTotalRecords(run);
        FAIL() << "the program did not end";
    } catch (const EndProgram& end) {
        EXPECT_NE(end.status, 0);
    }
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_TRUE(op.messages()[0].startsWith("CountTotalRecords Error:3078\r")) << op.messages()[0].toStdString();
    EXPECT_TRUE(op.messages()[0].contains("METER"));
    EXPECT_FALSE(QFile::exists(run.TargetPath));
}
