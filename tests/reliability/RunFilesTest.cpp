// Every file a run writes or removes, aimed at every file no run may touch: the attempt is refused and
// the protected file keeps its bytes and its modification time; a run killed outright leaves nothing
// the next run in that folder does not clear.
#include "WholeRunFixture.h"
#include "db/DaoError.h"
#include "db/PrivateDir.h"
#include "run/RunFiles.h"

#include <QFile>
#include <QSet>
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
        {"check's list of numbers to rename", target + "/MP2ImportRenames.csv", {"--check-only"}},
    };
    // Each file no run may touch, put at the aimed path.
    enum Kind {
        SourceByAnotherPath,
        SourceHardLink,
        ListHardLink,
        TemplateHardLink,
        RegisteredHardLink,
        Link,
        Folder,
        PasswordFile,
        RenamesFile,
        SubstringsFile
    };
    const std::vector<std::pair<Kind, const char*>> kinds = {
        {SourceByAnotherPath, "the source itself, named by another path"},
        {SourceHardLink, "a hard link to the source"},
        {ListHardLink, "a hard link to the database list"},
        {TemplateHardLink, "a hard link to the template"},
        {RegisteredHardLink, "a hard link to a registered database"},
        {Link, "a symbolic link"},
        {Folder, "a folder"},
        // What the operator gives the run to read, at the aimed path itself.
        {PasswordFile, "the password file"},
        {RenamesFile, "the renames file"},
        {SubstringsFile, "the substrings file"},
    };
    const QString templ = dir.filePath("host/list/BlnkVtrx.vdb");
    QDir().mkpath(dir.filePath("linked"));

    for (const Aim& aim : aims) {
        for (const auto& [kind, kindName] : kinds) {
            SCOPED_TRACE(std::string(aim.what) + " at " + kindName);
            QDir().mkpath(target);
            QString guarded = aim.path;  // the file whose bytes must stay
            QString runSource = source;
            QStringList input;  // the option that gives the run the file to read
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
            case PasswordFile:
                ASSERT_TRUE(WriteBytes(aim.path, "the only record of the password\n"));
                input = QStringList{"--password-file", aim.path};
                break;
            case RenamesFile:
                ASSERT_TRUE(WriteBytes(aim.path, "old,new\r\n\"RIVERSIDE NORTH INTAKE SCREEN WASHER NUMBER 2\","
                                                 "INTAKE-SCRN-WASHER-2\r\n"));
                input = QStringList{"--renames", aim.path};
                break;
            case SubstringsFile:
                ASSERT_TRUE(WriteBytes(aim.path, "NORTH,N\n"));
                input = QStringList{"--substrings", aim.path};
                break;
            }
            const Fingerprint before = FingerprintOf(guarded);
            ASSERT_GT(before.size, 0);
            const Outcome r =
                Batch(QStringList{"--source", runSource, "--name", "P", "--yes"} + DemoRename() + aim.extra + input);
            // The one output that may be written at an input's name is the list the renames file came
            // from, its lines kept (this check lists nothing new, so it is not even written).
            const bool merged = kind == RenamesFile && aim.path.endsWith("MP2ImportRenames.csv");
            EXPECT_EQ(r.status == 0, merged) << r.out.toStdString() << r.err.toStdString();
            EXPECT_TRUE(FingerprintOf(guarded) == before);
            EXPECT_EQ(Registered(), 1);
            EXPECT_FALSE(QFileInfo::exists(target + "/P.mdb") && aim.path != target + "/P.mdb");
            if (kind == Folder)
                EXPECT_TRUE(QFileInfo(aim.path).isDir());
            // The refusal names the file it protects (the new database's name is refused earlier, by
            // the form's "already exists").
            if (aim.path != target + "/P.mdb" && kind != Folder && kind != Link && !merged)
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

// The clean-up removes what a killed run provably made and nothing else: beside a real stale private
// folder, the operator's folders whose names look like one (with files and folders in them), a folder
// that carries another folder's proof, and a stale folder holding a file no run listed are all left.
TEST_F(WholeRun, APrivateFolderOfARunKilledOutrightIsRemovedByTheNextRunThereAndNothingElse)
{
    const QString source = DemoSource();
    const Outcome killed = Batch(QStringList{"--source", source, "--name", "Killed", "--yes"} + DemoRename(), 150);
    ASSERT_TRUE(killed.killed || killed.status == 0);
    const QString work = dir.filePath("work"), target = UserDir() + "/Next";
    QDir().mkpath(target);

    // What a run killed while it copied leaves, made as a run makes it (no process holds it now).
    const QString stale = dao::MakePrivateDir(work, ".crew-run-");
    const QString copying = dao::MakePrivateDir(stale, ".temp7601.in.");
    ASSERT_TRUE(WriteBytes(dao::PrivateName(copying, "copy"), "half a copy"));
    ASSERT_TRUE(WriteBytes(dao::PrivateName(copying, "copy") + "-journal", "its journal"));
    // A stale folder of a run's into which something else was put: what the run listed goes, the rest
    // stays, and the folder with it.
    const QString mixed = dao::MakePrivateDir(target, ".crew-run-");
    ASSERT_TRUE(WriteBytes(dao::PrivateName(mixed, "new"), "a template copy"));
    ASSERT_TRUE(WriteBytes(mixed + "/notes.txt", "someone's notes"));

    // The operator's folders, in both folders of the run: names like a private folder's, and one with a
    // proof that names another folder.
    QStringList operators;
    for (const QString& folder : {work, target})
        for (const char* name : {".crew-run-notes1", ".crew-new-backup", ".crew-check-photos", ".temp7601.in.backup",
                                 ".crew-run-forged"})
            operators << folder + "/" + name;
    QStringList kept;
    for (const QString& folder : operators) {
        ASSERT_TRUE(QDir().mkpath(folder + "/sub/deeper/deepest"));
        for (const QString& file : {folder + "/photo.jpg", folder + "/temp7601.in", folder + "/sub/deeper/deepest/keep"}) {
            ASSERT_TRUE(WriteBytes(file, "the operator's " + file.toUtf8()));
            kept << file;
        }
        if (folder.endsWith("forged")) {
            ASSERT_TRUE(QFile::copy(stale + "/.crew-private", folder + "/.crew-private"));
            ASSERT_TRUE(WriteBytes(folder + "/.crew-private",
                                   ReadBytes(folder + "/.crew-private") + "photo.jpg\ntemp7601.in\nsub\n"));
            kept << folder + "/.crew-private";
        }
    }
    std::vector<Fingerprint> before;
    for (const QString& file : kept)
        before.push_back(FingerprintOf(file));

    const Outcome next = Batch(QStringList{"--source", source, "--name", "Next", "--yes"} + DemoRename());
    ASSERT_EQ(next.status, 0) << next.out.toStdString();
    for (size_t i = 0; i < kept.size(); ++i)
        EXPECT_TRUE(FingerprintOf(kept[int(i)]) == before[i]) << kept[int(i)].toStdString();
    EXPECT_FALSE(QFileInfo::exists(stale));
    EXPECT_EQ(QDir(mixed).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{".crew-private", "notes.txt"}));
    // Nothing said of what was left: it blocked nothing.
    EXPECT_FALSE(next.out.contains(".crew-") || next.err.contains(".crew-")) << next.out.toStdString();

    const auto entries = [](const QString& folder) {
        const QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        return QSet<QString>(names.begin(), names.end());
    };
    EXPECT_EQ(entries(work), (QSet<QString>{".crew-check-photos", ".crew-new-backup", ".crew-run-forged",
                                            ".crew-run-notes1", ".temp7601.in.backup"}));
    EXPECT_EQ(entries(target), (QSet<QString>{".crew-check-photos", ".crew-new-backup", ".crew-run-forged",
                                              ".crew-run-notes1", QFileInfo(mixed).fileName(), ".temp7601.in.backup",
                                              "MP2ImportLog.txt", "Next.mdb"}));
}
