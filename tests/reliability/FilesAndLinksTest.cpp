// What the import writes beside other people's files: a refused attempt leaves the folders as they
// were, the working copy of a protected source is readable by its owner alone and gone when the
// password is refused, a link planted at one of the import's names (or the tools') is refused and never
// followed, and a problem with a place is told by name before anything starts.
#include "WholeRunFixture.h"

#include <QFile>
#include <sys/stat.h>

using namespace reliability;

namespace {

mode_t ModeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 0777) : 0;
}

mode_t CurrentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}


}  // namespace

TEST_F(WholeRun, ARefusedAttemptLeavesTheFoldersAndTheEarlierLogAsTheyWere)
{
    const QString source = DemoSource();
    const QStringList args = QStringList{"--source", source, "--name", "Plant", "--yes"} + DemoRename();
    ASSERT_EQ(Batch(args).status, 0);
    const QString log = UserDir() + "/Plant/MP2ImportLog.txt";
    const QByteArray firstLog = ReadBytes(log);
    ASSERT_GT(firstLog.count("\r\n"), 20);

    const Outcome again = Batch(args);
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(again.out.contains("already exists in '")) << again.out.toStdString();
    EXPECT_EQ(ReadBytes(log), firstLog);

    // Refused by the list (the file name is registered): the chosen folder is never made.
    const Outcome elsewhere =
        Batch(QStringList{"--source", source, "--name", "Plant", "--target-dir", UserDir() + "/Elsewhere", "--yes"} +
              DemoRename());
    EXPECT_EQ(elsewhere.status, 1);
    EXPECT_TRUE(elsewhere.out.contains("is already being used in the program")) << elsewhere.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(UserDir() + "/Elsewhere"));
}

// (That the working copy of a protected source is its owner's alone while the run lives is seen by the
// driver's tests, Import.APasswordProtectedAccessSource...)
TEST_F(WholeRun, TheWorkingCopyOfAProtectedSourceGoesWithARefusedPasswordAndAtTheEndOfTheRun)
{
    const QString source = DemoSource("Pa55-word");
    const QString copy = dir.filePath("work/temp7601.in");
    for (const QString& wrong : {QString("pa55-word"), QString(" ")}) {
        const Outcome r = Batch(QStringList{"--source", source, "--name", "Wrong", "--password", wrong, "--yes"} +
                                DemoRename());
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.out.contains("3031")) << r.out.toStdString();
        EXPECT_FALSE(QFileInfo::exists(copy)) << "a refused password left the source's data behind";
        EXPECT_FALSE(QFileInfo::exists(UserDir() + "/Wrong/Wrong.mdb"));
    }
    const Outcome r =
        Batch(QStringList{"--source", source, "--name", "Right", "--password", "Pa55-word", "--yes"} + DemoRename());
    ASSERT_EQ(r.status, 0) << r.out.toStdString();
    const mode_t usual = 0666 & ~CurrentUmask();
    EXPECT_EQ(ModeOf(UserDir() + "/Right/MP2ImportLog.txt"), usual);
    EXPECT_EQ(ModeOf(UserDir() + "/Right/Right.mdb") & 0600, mode_t(0600));
    // The working copy holds the source's data whatever its password: it goes when the run ends.
    const QStringList leftovers = QDir(dir.filePath("work")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    EXPECT_EQ(leftovers, QStringList{});
}

TEST_F(WholeRun, ALinkAtOneOfTheImportsNamesIsRefusedNeverFollowed)
{
    const QString source = DemoSource();
    const QString victim = dir.filePath("victim.txt");
    ASSERT_TRUE(WriteBytes(victim, "not the import's"));
    const auto victimUntouched = [&] { EXPECT_EQ(ReadBytes(victim), QByteArray("not the import's")); };

    // At the working copy's name.
    const QString copy = dir.filePath("work/temp7601.in");
    ASSERT_TRUE(QFile::link(victim, copy));
    Outcome r = Batch(QStringList{"--source", source, "--name", "Linked", "--yes"} + DemoRename());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.contains("is a symbolic link")) << r.out.toStdString();
    victimUntouched();
    EXPECT_FALSE(QFileInfo::exists(UserDir() + "/Linked/Linked.mdb"));
    QFile::remove(copy);

    // At the log's name in an existing target folder: refused by the Import button's checks.
    QDir().mkpath(UserDir() + "/Logged");
    ASSERT_TRUE(QFile::link(victim, UserDir() + "/Logged/MP2ImportLog.txt"));
    r = Batch(QStringList{"--source", source, "--name", "Logged", "--yes"} + DemoRename());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.contains("is a symbolic link")) << r.out.toStdString();
    victimUntouched();

    // At a journal's name: SQLite never leaves a link there, so it is someone else's and refused too.
    ASSERT_TRUE(QFile::link(victim, copy + "-journal"));
    r = Batch(QStringList{"--source", source, "--name", "Journal", "--yes"} + DemoRename());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.contains("is a symbolic link")) << r.out.toStdString();
    victimUntouched();
    EXPECT_TRUE(QFileInfo(copy + "-journal").isSymLink());
    EXPECT_EQ(Registered(), 0);

    // A source named as the copy's temporary file once was is only ever read.
    const QString oddSource = dir.filePath("mp2/Plant.mdb.partial");
    ASSERT_TRUE(QFile::copy(source, oddSource));
    const Fingerprint before = FingerprintOf(oddSource);
    EXPECT_EQ(Start("crew-mdb-copy", {oddSource, dir.filePath("mp2/Plant.mdb")}).status, 0);
    EXPECT_TRUE(FingerprintOf(oddSource) == before);

    // The tools keep the same rules: nothing written through a link at a file they write ...
    const QString linked = dir.filePath("mp2/linked.mdb"), made = dir.filePath("mp2/made.mdb");
    ASSERT_TRUE(QFile::link(victim, linked));
    for (const auto& [program, args] : std::vector<std::pair<QString, QStringList>>{
             {"crew-mdb-make", {"--from", QString(CREW_SOURCE_DIR) + "/samples/mp2-demo", "--out", linked}},
             {"crew-mp2-sample", {"--scale", "0.01", "--out", linked}},
             {"crew-mp2-sample", {"--scale", "0.01", "--out", made, "--renames", linked}}}) {
        r = Start(program, args);
        EXPECT_EQ(r.status, 1) << program.toStdString() << " " << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("'" + linked + "' is a symbolic link")) << r.err.toStdString();
        victimUntouched();
        EXPECT_TRUE(QFileInfo(linked).isSymLink());
    }
    // ... and a file they replace stays whole until its replacement is: a damaged source copied over an
    // earlier copy leaves it.
    const QString earlier = dir.filePath("mp2/earlier.sqlite"), damaged = dir.filePath("mp2/damaged.mdb");
    ASSERT_TRUE(WriteBytes(earlier, "an earlier copy"));
    ASSERT_TRUE(WriteBytes(damaged, ReadBytes(source).left(5000)));
    r = Start("crew-mdb-copy", {damaged, earlier});
    EXPECT_EQ(r.status, 1) << r.err.toStdString();
    EXPECT_EQ(ReadBytes(earlier), QByteArray("an earlier copy"));
}

TEST_F(WholeRun, AProblemWithAPlaceIsToldByNameBeforeAnythingStarts)
{
    const QString source = DemoSource();

    // A folder where the working copy goes.
    const QString copy = dir.filePath("work/temp7601.in");
    QDir().mkpath(copy);
    Outcome r = Batch(QStringList{"--source", source, "--name", "Folder", "--yes"} + DemoRename());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.contains("'" + copy + "' is a folder")) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains("someone is currently using the MP2 database")) << r.out.toStdString();
    QDir(copy).removeRecursively();

    // A file name the file system cannot hold with its journal's name: refused with the checks.
    const QString longName = QString(245, QChar('n')) + ".mdb";
    r = Batch(QStringList{"--source", source, "--name", "Long", "--file-name", longName, "--yes"} + DemoRename());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.contains("is too long for the file system")) << r.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(UserDir() + "/Long"));

    // Settings that cannot be read are not taken for a product that is not installed.
    const QString settings = dir.filePath("config/system/Vantrix/General.conf");
    const QByteArray good = ReadBytes(settings);
    ASSERT_FALSE(good.isEmpty());
    ASSERT_TRUE(WriteBytes(settings, QByteArray("\x7f" "ELF\x02\x01\x01\0\0\0 not a settings file", 30)));
    r = Batch(QStringList{"--source", source, "--name", "Garbled", "--yes"} + DemoRename());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.contains("could not be read from") && r.out.contains(settings)) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains("is not installed")) << r.out.toStdString();
    ASSERT_TRUE(WriteBytes(settings, good));

    // A current folder that cannot be written (a read-only file system, which binds root too).
    const QString readOnly = dir.filePath("readonly");
    ScratchMount mount(readOnly, 64, true);
    if (!mount.ok())
        GTEST_SKIP() << "a read-only filesystem cannot be mounted here";
    const auto p = Launch("crew-import", QStringList{"--batch", "--source", source, "--name", "ReadOnly", "--yes"} +
                                             DemoRename(),
                          readOnly);
    r = Finish(*p);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.contains("current folder '" + readOnly + "', which cannot be written")) << r.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(UserDir() + "/ReadOnly/ReadOnly.mdb"));
}
