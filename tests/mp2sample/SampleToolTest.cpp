// crew-mp2-sample as the demo and the benchmarks run it: the file it writes is the library's sample,
// its renames file answers every over-long number, and bad options write nothing.
#include "jet/JetWriter.h"
#include "mp2sample/Mp2Sample.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

QString tool()
{
    const auto path = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "crew-mp2-sample";
    return std::filesystem::exists(path) ? QString::fromStdString(path.string()) : QString();
}

int run(const QStringList& args, QString* output = nullptr)
{
    QProcess p;
    p.start(tool(), args);
    p.waitForFinished(120000);
    if (output)
        *output = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

TEST(SampleTool, WritesTheLibrarysSampleAndItsRenames)
{
    if (tool().isEmpty())
        GTEST_SKIP() << "crew-mp2-sample is not built";
    QTemporaryDir dir;
    const QString mdb = dir.filePath("plant.mdb"), renames = dir.filePath("renames.txt");
    QString out;
    ASSERT_EQ(run({"--scale", "0.2", "--seed", "5", "--password", "secret", "--out", mdb, "--renames", renames}, &out), 0)
        << out.toStdString();
    EXPECT_TRUE(out.contains("WOE       4000")) << out.toStdString();

    testsupport::Mp2SampleOptions o;
    o.scale = 0.2;
    o.seed = 5;
    o.password = "secret";
    const testsupport::Mp2Sample sample = testsupport::BuildMp2Sample(o);
    QFile written(mdb);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll() == jetwriter::buildJet4(sample.file));

    QFile r(renames);
    ASSERT_TRUE(r.open(QIODevice::ReadOnly));
    QStringList expected;
    for (const auto& [oldNumber, newNumber] : sample.renames)
        expected << oldNumber + '=' + newNumber;
    EXPECT_FALSE(expected.isEmpty());
    EXPECT_EQ(QString::fromUtf8(r.readAll()).split('\n', Qt::SkipEmptyParts), expected);
}

TEST(SampleTool, RefusesBadOptionsWithoutWriting)
{
    if (tool().isEmpty())
        GTEST_SKIP() << "crew-mp2-sample is not built";
    QTemporaryDir dir;
    const QString mdb = dir.filePath("plant.mdb");
    for (const QStringList& args : {QStringList{"--scale", "0", "--out", mdb}, QStringList{"--scale", "ten", "--out", mdb},
                                    QStringList{"--out", mdb}, QStringList{"--scale", "1"},
                                    QStringList{"--scale", "1", "--out", mdb, "--as-of", "2026-13-01"},
                                    QStringList{"--scale", "1", "--out", mdb, "--password", "twenty-one characters"},
                                    QStringList{"--scale", "1", "--out", mdb, "--colour", "red"}}) {
        EXPECT_EQ(run(args), 2) << args.join(' ').toStdString();
        EXPECT_FALSE(QFile::exists(mdb)) << args.join(' ').toStdString();
    }
    EXPECT_EQ(run({"--scale", "0.05", "--out", dir.filePath("no/such/dir/plant.mdb")}), 1);
}

}  // namespace
