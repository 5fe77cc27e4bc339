#pragma once
// The unattended program run as an operator runs it: crew-import --batch over a host product made by
// crew-host-setup in a scratch folder (the settings of the machine and the user pointed there), in a
// working folder of its own.
#include "support/ReliabilitySupport.h"

#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <csignal>
#include <memory>
#include <gtest/gtest.h>

namespace reliability {

struct Outcome {
    int status = -1;
    bool killed = false;
    QString out, err;
};

class WholeRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_DIRS", dir.filePath("config/system"));
        env.insert("XDG_CONFIG_HOME", dir.filePath("config/user"));
        env.insert("CREW_EDITION", "VANTRIX");
        QDir().mkpath(dir.filePath("work"));
        QDir().mkpath(dir.filePath("mp2"));
        const Outcome setup = Start("crew-host-setup", {"--db-list-dir", dir.filePath("host/list"), "--user-dir",
                                                    dir.filePath("host/crew")});
        ASSERT_EQ(setup.status, 0) << setup.err.toStdString();
    }

    // Starts a program in `workDir` (default: the working folder "work") and returns it running.
    std::unique_ptr<QProcess> Launch(const QString& program, const QStringList& args, const QString& workDir = {})
    {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(workDir.isEmpty() ? dir.filePath("work") : workDir);
        p->start(BinDir() + "/" + program, args);
        p->waitForStarted();
        p->closeWriteChannel();
        return p;
    }

    // Waits for a program started with Launch to end.
    static Outcome Finish(QProcess& p)
    {
        Outcome r;
        p.waitForFinished(300000);
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError()) + (p.error() == QProcess::FailedToStart ? p.errorString() : "");
        return r;
    }

    // Runs a program; with killAfterMs >= 0 it is killed (SIGKILL) that long after it started,
    // unless it has ended by then.
    Outcome Start(const QString& program, const QStringList& args, int killAfterMs = -1)
    {
        const auto p = Launch(program, args);
        bool killed = false;
        if (killAfterMs >= 0 && p->state() != QProcess::NotRunning && !p->waitForFinished(killAfterMs)) {
            ::kill(static_cast<pid_t>(p->processId()), SIGKILL);
            killed = true;
        }
        Outcome r = Finish(*p);
        r.killed = killed;
        return r;
    }

    Outcome Batch(const QStringList& args, int killAfterMs = -1)
    {
        return Start("crew-import", QStringList{"--batch"} + args, killAfterMs);
    }

    // The demo plant's one equipment number too long for the product, and its answer.
    static QStringList DemoRename()
    {
        return {"--rename", "RIVERSIDE NORTH INTAKE SCREEN WASHER NUMBER 2=INTAKE-SCRN-WASHER-2"};
    }

    QString DemoSource(const QString& password = {})
    {
        const QString path = dir.filePath("mp2/Riverside.mdb");
        QStringList args{"--from", QString(CREW_SOURCE_DIR) + "/samples/mp2-demo", "--out", path};
        if (!password.isEmpty())
            args << "--password" << password;
        const Outcome made = Start("crew-mdb-make", args);
        EXPECT_EQ(made.status, 0) << made.err.toStdString();
        return path;
    }

    QString List() const { return dir.filePath("host/list/VXDB97.mdb"); }
    QString UserDir() const { return dir.filePath("host/crew"); }
    // Read as the product reads its list: a registration that a kill cut short is rolled back first.
    int Registered() const { return QueryRows(List(), "SELECT count(*) FROM DB", true).value(0).toInt(); }

    QTemporaryDir dir;
    QProcessEnvironment env;
};

}  // namespace reliability
