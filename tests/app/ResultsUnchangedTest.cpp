// The unattended import of a fixed sample plant gives the same new database and the same log as it
// always has. Speed work on the import must not change a single value, log line or autonumber: the
// canonical dumps of both are compared with the fingerprints recorded here.
//
// When a change is meant to alter results (a fault mended), the test prints where it wrote the new
// dumps; compare them with the old ones (bench/run-import.sh with CREW_BENCH_RESULTS keeps the dumps
// of any build), then record the new fingerprints below and say why in the commit.
#include "support/ReliabilitySupport.h"
#include "support/DumpDatabase.h"
#include "mp2sample/Mp2Sample.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace {

// The sample plant at scale 1 (seed 1, history to 2026-12-01), imported on 2026-12-01 with the
// C locale in UTC, no substrings, the cutoff 30 and the sample's renames of its over-long numbers.
const char* const kDatabaseSha256 = "228ae241d4d977577af8d7e420956e34b38adf338b2a9f037cc4efa7cd71998a";
const char* const kLogSha256 = "3be5fac9697d0dd6ece63483af92356ae6fd25f0629f6d012bebe479f39d8c66";

QString Sha256(const QString& text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toHex());
}

// Keeps a dump where it outlives the test, for a diff against the dump of another build.
QString Keep(const QString& name, const QString& text)
{
    const QString path = QDir::temp().filePath("crew-results-" + name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(text.toUtf8());
    return path;
}

QString RunProgram(const QString& program, const QStringList& args, const QProcessEnvironment& env, const QString& cwd,
            int* status)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(cwd);
    p.start(reliability::BinDir() + "/" + program, args);
    p.closeWriteChannel();
    if (!p.waitForFinished(300000))
        p.kill(), p.waitForFinished();
    *status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

}  // namespace

TEST(ResultsUnchanged, TheSamplePlantImportsToTheRecordedDatabaseAndLog)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = QFileInfo(dir.path()).canonicalFilePath();
    QDir().mkpath(root + "/work");
    QDir().mkpath(root + "/mp2");
    const QString source = root + "/mp2/Plant.mdb";
    testsupport::Mp2SampleOptions options;
    options.scale = 1;
    const auto renames = testsupport::WriteMp2Sample(options, source);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_DIRS", root + "/config/system");
    env.insert("XDG_CONFIG_HOME", root + "/config/user");
    env.insert("HOME", root + "/home");
    env.insert("CREW_EDITION", "VANTRIX");
    env.insert("CREW_TODAY", "2026-12-01");
    env.insert("LC_ALL", "C.UTF-8");
    env.insert("LANG", "C.UTF-8");
    env.insert("TZ", "UTC");
    int status = -1;
    QString out = RunProgram("crew-host-setup", {"--db-list-dir", root + "/host/list", "--user-dir", root + "/host/crew"},
                      env, root + "/work", &status);
    ASSERT_EQ(status, 0) << out.toStdString();

    QStringList args{"--batch", "--source", source, "--substrings", "none", "--cutoff", "30", "--yes"};
    for (const auto& [from, to] : renames)
        args << "--rename" << from + "=" + to;
    const reliability::Fingerprint before = reliability::FingerprintOf(source);
    out = RunProgram("crew-import", args, env, root + "/work", &status);
    ASSERT_EQ(status, 0) << out.toStdString();
    EXPECT_TRUE(reliability::FingerprintOf(source) == before);

    const QString database = testsupport::DumpDatabase(root + "/host/crew/Plant/Plant.mdb");
    QFile logFile(root + "/host/crew/Plant/MP2ImportLog.txt");
    ASSERT_TRUE(logFile.open(QIODevice::ReadOnly));
    // The log names the files of this run; the folder differs from run to run.
    const QString log = testsupport::CanonicalLog(QString::fromUtf8(logFile.readAll())).replace(root, "<folder>");
    ASSERT_TRUE(database.contains("TABLE WO\n")) << "the dump holds no work-order history";

    const QString databaseSha = Sha256(database);
    const QString logSha = Sha256(log);
    EXPECT_EQ(databaseSha.toStdString(), kDatabaseSha256) << "new database changed; its dump: "
                                            << Keep("database-" + databaseSha.left(12) + ".txt", database).toStdString();
    EXPECT_EQ(logSha.toStdString(), kLogSha256) << "import log changed; its canonical text: "
                                  << Keep("log-" + logSha.left(12) + ".txt", log).toStdString();
}
