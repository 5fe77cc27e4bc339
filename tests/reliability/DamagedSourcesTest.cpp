// The fuzzer's findings kept as fixtures (fuzz/regressions: files that crashed, hung or exhausted
// memory inside libmdb) and its seeds (fuzz/corpus), each copied the way the import copies a
// source: through the child reader. A damaged file ends in an error with a number and a description
// and leaves no copy behind; a seed copies whole; neither is ever changed.
#include "support/ReliabilitySupport.h"
#include "jet/CopySource.h"
#include "db/DaoError.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace reliability;

namespace {

QStringList FilesIn(const QString& folder)
{
    QStringList paths;
    const QDir dir(QString(CREW_SOURCE_DIR) + "/fuzz/" + folder);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
        paths << dir.filePath(name);
    return paths;
}

dao::CopySourceOptions Options()
{
    dao::CopySourceOptions options;
    // These files hang libmdb on purpose: the reader is taken for hung well before the usual minute.
    options.stallTimeoutMs = 3000;
    return options;
}

}  // namespace

TEST(DamagedSources, EveryFuzzFindingEndsInANumberedErrorAndLeavesNoCopy)
{
    if (!QFileInfo(dao::JetReaderPath()).isExecutable())
        GTEST_SKIP() << "crew-jet-reader is not built beside the tests";
    QTemporaryDir dir;
    const QStringList findings = FilesIn("regressions");
    ASSERT_FALSE(findings.isEmpty());
    for (const QString& path : findings) {
        SCOPED_TRACE(QFileInfo(path).fileName().toStdString());
        const Fingerprint before = FingerprintOf(path);
        const QString copy = dir.filePath("temp7601.in");
        try {
            dao::CopySource(path, copy, Options());
            ADD_FAILURE() << "a damaged file was copied";
        } catch (const dao::DaoError& e) {
            EXPECT_GT(e.Number, 0);
            EXPECT_FALSE(e.Description.trimmed().isEmpty());
            EXPECT_TRUE(e.Description.contains(path)) << e.Description.toStdString();
        }
        EXPECT_FALSE(QFileInfo::exists(copy));
        EXPECT_FALSE(QFileInfo::exists(copy + ".partial"));
        EXPECT_TRUE(FingerprintOf(path) == before);
    }
}

TEST(DamagedSources, TheFuzzSeedsCopyWhole)
{
    if (!QFileInfo(dao::JetReaderPath()).isExecutable())
        GTEST_SKIP() << "crew-jet-reader is not built beside the tests";
    QTemporaryDir dir;
    for (const QString& path : FilesIn("corpus")) {
        SCOPED_TRACE(QFileInfo(path).fileName().toStdString());
        const Fingerprint before = FingerprintOf(path);
        const QString copy = dir.filePath(QFileInfo(path).fileName() + ".sqlite");
        EXPECT_NO_THROW(dao::CopySource(path, copy));
        EXPECT_FALSE(QueryRows(copy, "SELECT name FROM sqlite_master WHERE type = 'table'").isEmpty());
        EXPECT_TRUE(FingerprintOf(path) == before);
    }
}
