// Every file a run writes or removes, aimed at every file no run may touch: the attempt is refused and
// the protected file keeps its bytes and its modification time; a run killed outright leaves nothing
// the next run in that folder does not clear.
#include "WholeRunFixture.h"
#include "db/DaoError.h"
#include "run/RunFiles.h"

#include <QFile>
#include <unistd.h>

using namespace reliability;

TEST_F(WholeRun, EveryFileOfTheRunAimedAtAProtectedFileIsRefusedAndLeavesItAsItWas)
{
    const QString source = DemoSource();
    // A database the list registers besides the one being made.
    const QString other = UserDir() + "/Other/Other.mdb";
    QDir().mkpath(UserDir() + "/Other");
    ASSERT_TRUE(WriteBytes(other, "another site's database"));
    ASSERT_EQ(QueryRows(List(), "INSERT INTO DB (Name, Path, FileName, IsDefault) VALUES ('Other', '" + UserDir() +
                                    "/Other/', 'Other.mdb', 0)",
                        true),
              QStringList());
    const QString victim = dir.filePath("victim.txt");
    ASSERT_TRUE(WriteBytes(victim, "not the import's"));

    const QString work = dir.filePath("work");
    // Each path the run writes, for a run named "P" (its target folder UserDir()/P).
    struct Aim {
        const char* what;
        QString path;
        QStringList extra;  // options that make the run write that path
    };
    const QString target = UserDir() + "/P";
    const std::vector<Aim> aims = {
        {"working copy", work + "/temp7601.in", {}},
        {"working copy's journal", work + "/temp7601.in-wal", {}},
        {"new database", target + "/P.mdb", {}},
        {"new database's journal", target + "/P.mdb-journal", {}},
        {"log", target + "/MP2ImportLog.txt", {}},
        {"check log", target + "/MP2ImportCheck.txt", {"--check-only"}},
        {"report", target + "/report.json", {"--report", target + "/report.json"}},
    };
    // Each file no run may touch, put at the aimed path.
    enum Kind { SourceByAnotherPath, SourceHardLink, ListHardLink, TemplateHardLink, RegisteredHardLink, Link, Folder };
    const std::vector<std::pair<Kind, const char*>> kinds = {
        {SourceByAnotherPath, "the source itself, named by another path"},
        {SourceHardLink, "a hard link to the source"},
        {ListHardLink, "a hard link to the database list"},
        {TemplateHardLink, "a hard link to the template"},
        {RegisteredHardLink, "a hard link to a registered database"},
        {Link, "a symbolic link"},
        {Folder, "a folder"},
    };
    const QString templ = dir.filePath("host/list/BlnkVtrx.vdb");
    QDir().mkpath(dir.filePath("linked"));

    for (const Aim& aim : aims) {
        for (const auto& [kind, kindName] : kinds) {
            SCOPED_TRACE(std::string(aim.what) + " at " + kindName);
            QDir().mkpath(target);
            QString guarded = aim.path;  // the file whose bytes must stay
            QString runSource = source;
            switch (kind) {
            case SourceByAnotherPath: {
                ASSERT_TRUE(QFile::copy(source, aim.path));
                // The same folder reached through a link to it.
                const QString alias = dir.filePath("linked/alias");
                QFile::remove(alias);
                ASSERT_TRUE(QFile::link(QFileInfo(aim.path).absolutePath(), alias));
                runSource = alias + "/" + QFileInfo(aim.path).fileName();
                break;
            }
            case SourceHardLink: ASSERT_EQ(::link(QFile::encodeName(source), QFile::encodeName(aim.path)), 0); guarded = source; break;
            case ListHardLink: ASSERT_EQ(::link(QFile::encodeName(List()), QFile::encodeName(aim.path)), 0); guarded = List(); break;
            case TemplateHardLink: ASSERT_EQ(::link(QFile::encodeName(templ), QFile::encodeName(aim.path)), 0); guarded = templ; break;
            case RegisteredHardLink: ASSERT_EQ(::link(QFile::encodeName(other), QFile::encodeName(aim.path)), 0); guarded = other; break;
            case Link: ASSERT_TRUE(QFile::link(victim, aim.path)); guarded = victim; break;
            case Folder:
                ASSERT_TRUE(QDir().mkpath(aim.path));
                ASSERT_TRUE(WriteBytes(aim.path + "/keep", "kept"));
                guarded = aim.path + "/keep";
                break;
            }
            const Fingerprint before = FingerprintOf(guarded);
            ASSERT_GT(before.size, 0);
            const Outcome r = Batch(QStringList{"--source", runSource, "--name", "P", "--yes"} + DemoRename() + aim.extra);
            EXPECT_NE(r.status, 0) << r.out.toStdString() << r.err.toStdString();
            EXPECT_TRUE(FingerprintOf(guarded) == before);
            EXPECT_EQ(Registered(), 1);
            EXPECT_FALSE(QFileInfo::exists(target + "/P.mdb") && aim.path != target + "/P.mdb");
            if (kind == Folder)
                EXPECT_TRUE(QFileInfo(aim.path).isDir());
            // The refusal names the file it protects (the new database's name is refused earlier, by
            // the form's "already exists").
            if (aim.path != target + "/P.mdb" && kind != Folder && kind != Link)
                EXPECT_TRUE((r.out + r.err).contains(kind == SourceByAnotherPath ? runSource : guarded))
                    << r.out.toStdString() << r.err.toStdString();
            // What this case put there goes, then the next case starts afresh.
            if (kind == Folder)
                QDir(aim.path).removeRecursively();
            else
                QFile::remove(aim.path);
            QDir(target).removeRecursively();
            QFile::remove(work + "/temp7601.in");
        }
    }
    EXPECT_EQ(ReadBytes(victim), QByteArray("not the import's"));
}

// The target is free when the plan is fixed; a file put there before the template arrives is neither
// replaced by it nor removed when the attempt then fails.
TEST(RunFilesPlan, AFileThatAppearsAtTheTargetAfterTheChecksIsNeitherReplacedNorRemoved)
{
    QTemporaryDir dir;
    const QString source = dir.filePath("Plant.mdb");
    ASSERT_TRUE(WriteBytes(source, "MP2"));
    const QString target = dir.filePath("Late.mdb");
    RunFiles files;
    files.Fix({source, dir.filePath("temp7601.in"), target, dir.filePath("MP2ImportLog.txt"), false, {}});

    ASSERT_TRUE(WriteBytes(target, "someone else's file"));
    const QString priv = files.MakePrivateDir(dir.path());
    ASSERT_TRUE(WriteBytes(priv + "/new", "the template"));
    try {
        files.PlaceNewDatabase(priv + "/new", target);
        ADD_FAILURE() << "the template replaced a file that appeared at the target";
    } catch (const dao::DaoError& e) {
        EXPECT_EQ(e.Number, 58);
    }
    EXPECT_FALSE(files.made(RunFile::NewDatabase));
    files.Remove(RunFile::NewDatabase);
    files.RemovePrivateDir(priv);
    EXPECT_EQ(ReadBytes(target), QByteArray("someone else's file"));
}

TEST_F(WholeRun, APrivateFolderOfARunKilledOutrightIsRemovedByTheNextRunThere)
{
    const QString source = DemoSource();
    const Outcome killed = Batch(QStringList{"--source", source, "--name", "Killed", "--yes"} + DemoRename(), 150);
    ASSERT_TRUE(killed.killed || killed.status == 0);
    // What an earlier run killed while it copied would have left, whatever the moment above hit.
    const QString stale = dir.filePath("work/.crew-run-Zz9Yx8");
    QDir().mkpath(stale + "/.temp7601.in.AbCdEf");
    ASSERT_TRUE(WriteBytes(stale + "/.temp7601.in.AbCdEf/copy", "half a copy"));

    const Outcome next = Batch(QStringList{"--source", source, "--name", "Next", "--yes"} + DemoRename());
    ASSERT_EQ(next.status, 0) << next.out.toStdString();
    const QStringList left = QDir(dir.filePath("work")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    EXPECT_EQ(left, QStringList{"temp7601.in"});
    const QStringList inTarget =
        QDir(UserDir() + "/Next").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    EXPECT_EQ(inTarget, (QStringList{"MP2ImportLog.txt", "Next.mdb"}));
}
