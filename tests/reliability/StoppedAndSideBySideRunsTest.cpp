// Imports stopped from outside (Ctrl-C, SIGTERM) and imports run side by side: a stopped run ends as
// Cancel Import ends it and poisons no later run; two runs never share a working copy, a log or a
// registered name; a list that cannot take the registration is told, not crashed on.
#include "WholeRunFixture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

using namespace reliability;

namespace {

// Waits until `path` exists (or the program ended, or 60 s passed) and then stops the program with
// SIGSTOP where it is. True when it was stopped while it ran.
bool StopWhenExists(QProcess& p, const QString& path)
{
    QElapsedTimer clock;
    clock.start();
    while (!QFileInfo::exists(path) && clock.elapsed() < 60000) {
        if (p.state() == QProcess::NotRunning || p.waitForFinished(1))
            return false;
    }
    ::kill(static_cast<pid_t>(p.processId()), SIGSTOP);
    return p.state() != QProcess::NotRunning;
}

void Continue(QProcess& p) { ::kill(static_cast<pid_t>(p.processId()), SIGCONT); }

// The line that says how the run ended: the last one, or the one above the account of the rows read so
// far when the run had read any.
QString LastLogLine(const QString& log)
{
    QStringList lines = QString::fromUtf8(ReadBytes(log)).split("\r\n", Qt::SkipEmptyParts);
    const qsizetype account = lines.indexOf(QRegularExpression("The account of every MP2 row .*"));
    if (account > 0)
        lines = lines.mid(0, account);
    return lines.isEmpty() ? QString() : lines.last();
}

}  // namespace

TEST_F(WholeRun, CtrlCOrSigtermMidImportEndsItAsCancelImportAndTheNextRunCompletes)
{
    const QString source = DemoSource();
    const Fingerprint before = FingerprintOf(source);
    for (const int signal : {SIGINT, SIGTERM}) {
        const QString name = signal == SIGINT ? "Interrupted" : "Terminated";
        SCOPED_TRACE(name.toStdString());
        const QString target = UserDir() + "/" + name + "/" + name + ".mdb";
        const auto p = Launch("crew-import", QStringList{"--batch", "--source", source, "--name", name, "--yes"} +
                                                 DemoRename());
        // Stopped once the new database exists: the conversions are under way.
        ASSERT_TRUE(StopWhenExists(*p, target)) << "the import ended before it could be stopped";
        ::kill(static_cast<pid_t>(p->processId()), signal);
        Continue(*p);
        const Outcome r = Finish(*p);

        EXPECT_EQ(r.status, 128 + signal) << r.out.toStdString() << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(target));
        EXPECT_FALSE(QFileInfo::exists(target + "-journal"));
        EXPECT_EQ(Registered(), 0);
        EXPECT_TRUE(LastLogLine(UserDir() + "/" + name + "/MP2ImportLog.txt")
                        .startsWith(QString("The import was interrupted (%1)").arg(signal == SIGINT ? "SIGINT" : "SIGTERM")))
            << LastLogLine(UserDir() + "/" + name + "/MP2ImportLog.txt").toStdString();
        EXPECT_TRUE(r.err.contains("interrupted by")) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("work/temp7601.in")));
        EXPECT_TRUE(FingerprintOf(source) == before);
    }

    // What a killed run leaves (a journal of the working copy, here one of another source): never
    // rolled into the next run's files.
    QFile stale(dir.filePath("work/temp7601.in-journal"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(QByteArray(8192, '\x5a'));
    stale.close();
    const Outcome next = Batch(QStringList{"--source", source, "--name", "Interrupted", "--yes"} + DemoRename());
    EXPECT_EQ(next.status, 0) << next.out.toStdString() << next.err.toStdString();
    EXPECT_EQ(Registered(), 1);
}

TEST_F(WholeRun, TwoImportsAtOnceNeverShareAWorkingCopyOrRegisterOneNameTwice)
{
    const QString source = DemoSource();
    const auto first = Launch("crew-import", QStringList{"--batch", "--source", source, "--name", "Shared", "--yes"} +
                                                 DemoRename());
    ASSERT_TRUE(StopWhenExists(*first, UserDir() + "/Shared/MP2ImportLog.txt"));

    // Another import from the same current folder would share temp7601.in: the refusal names it (not
    // the log, which could be opened), on standard error too with what to do.
    const Outcome sameFolder =
        Batch(QStringList{"--source", source, "--name", "Other", "--yes"} + DemoRename());
    EXPECT_EQ(sameFolder.status, 1);
    const QString using_ = "another import is running and is using the working copy temp7601.in in the folder '" +
                           dir.filePath("work") + "'";
    EXPECT_TRUE(sameFolder.out.contains(using_)) << sameFolder.out.toStdString();
    EXPECT_TRUE(sameFolder.err.contains(using_)) << sameFolder.err.toStdString();
    EXPECT_TRUE(sameFolder.err.contains("start this one from another folder")) << sameFolder.err.toStdString();
    EXPECT_FALSE(sameFolder.out.contains("could not be opened")) << sameFolder.out.toStdString();
    EXPECT_FALSE(sameFolder.out.contains("someone is currently using the MP2 database"));

    // The same name from another folder into another directory passes the checks (nothing is
    // registered yet) and completes first.
    QDir().mkpath(dir.filePath("work2"));
    const auto second = Launch("crew-import",
                               QStringList{"--batch", "--source", source, "--name", "Shared", "--target-dir",
                                           UserDir() + "/Second", "--yes"} +
                                   DemoRename(),
                               dir.filePath("work2"));
    const Outcome secondDone = Finish(*second);
    ASSERT_EQ(secondDone.status, 0) << secondDone.out.toStdString() << secondDone.err.toStdString();

    // The first comes to its registration and finds the name taken: refused, its database removed.
    Continue(*first);
    const Outcome firstDone = Finish(*first);
    EXPECT_EQ(firstDone.status, 1);
    EXPECT_TRUE(firstDone.out.contains("is already being used in the program")) << firstDone.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(UserDir() + "/Shared/Shared.mdb"));
    EXPECT_EQ(Registered(), 1);
    EXPECT_EQ(QueryRows(List(), "SELECT Path FROM DB"), QStringList{UserDir() + "/Second/"});
}

// A list that fills its disk at the registration: the first error is what the operator sees, the
// clean-up (closing the list that failed) neither crashes nor hides it.
TEST_F(WholeRun, AListThatCannotTakeTheRegistrationEndsTheRunWithItsFirstError)
{
    const QString source = DemoSource();
    const QString listDir = dir.filePath("fulllist");
    ScratchMount disk(listDir, 512);
    if (!disk.ok())
        GTEST_SKIP() << "a small filesystem cannot be mounted here";
    ASSERT_EQ(Start("crew-host-setup", {"--db-list-dir", listDir, "--user-dir", UserDir()}).status, 0);
    {
        // Whatever room is left is taken, so that the list's journal cannot be written.
        QFile filler(listDir + "/filler");
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, '\0');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    const QByteArray list = ReadBytes(listDir + "/VXDB97.mdb");
    const Outcome r = Batch(QStringList{"--source", source, "--name", "Full", "--yes"} + DemoRename());
    EXPECT_EQ(r.status, 1) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Error: In sub DoImport ")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(listDir + "/VXDB97.mdb")) << r.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(UserDir() + "/Full/Full.mdb"));
    EXPECT_EQ(ReadBytes(listDir + "/VXDB97.mdb"), list);
}
