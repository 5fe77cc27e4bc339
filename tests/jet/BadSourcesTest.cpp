// Sources that cannot be copied: each gives an error with a number and a description that names
// the file, never a crash, a hang or a half-written copy; the source itself is never changed.
// Damage that costs no row (an index whose pages are gone) is copied, with a warning.
#include "JetTestSupport.h"

#include "jet/JetWriter.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <sys/stat.h>

using namespace jettest;

namespace {

// The copy failed as it should: a Jet-like number, the file named, the destination as it was (a
// file there stays whole, none is made).
void expectRefused(const QString& source, const QString& dest, int number, const QString& saying = {},
                   const dao::CopySourceOptions& options = {})
{
    SCOPED_TRACE(source.toStdString());
    const bool there = QFileInfo::exists(dest);
    const QByteArray before = there ? readAll(dest) : QByteArray();
    const auto error = copyError(source, dest, options);
    ASSERT_TRUE(error.has_value());
    if (number)
        EXPECT_EQ(error->Number, number) << error->Description.toStdString();
    EXPECT_TRUE(error->Description.contains(source)) << error->Description.toStdString();
    if (!saying.isEmpty())
        EXPECT_TRUE(error->Description.contains(saying, Qt::CaseInsensitive)) << error->Description.toStdString();
    EXPECT_EQ(QFileInfo::exists(dest), there);
    if (there)
        EXPECT_EQ(readAll(dest), before);
    EXPECT_FALSE(QFileInfo::exists(dest + ".partial"));
}

QString withBytes(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    writeAll(path, bytes);
    return path;
}

}  // namespace

TEST(BadSources, MissingEmptyForeignAndNewerFiles)
{
    QTemporaryDir dir;
    const QString dest = dir.filePath("temp7601.in");
    expectRefused(dir.filePath("nowhere.mdb"), dest, 3024);
    expectRefused(dir.path(), dest, 3024);
    expectRefused(withBytes(dir, "empty.mdb", {}), dest, 3343, "empty");
    // A pipe with no writer would block the first read for ever.
    const QString pipe = dir.filePath("pipe.mdb");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    expectRefused(pipe, dest, 3343, "not a file");
    expectRefused(withBytes(dir, "text.mdb", QByteArray("Name,Value\r\nPump,1\r\n").repeated(500)), dest, 3343);

    QByteArray random(300 * 1024, '\0');
    QRandomGenerator rng(7601);
    for (auto& c : random)
        c = static_cast<char>(rng.bounded(256));
    expectRefused(withBytes(dir, "random.mdb", random), dest, 3343);

    // An Access 2007 file: the ACE magic, or the Jet magic with a later version number.
    QByteArray ace = readAll(sharedJet("jet4-types.mdb"));
    ace.replace(4, 15, "Standard ACE DB");
    expectRefused(withBytes(dir, "ace.accdb", ace), dest, 3343, "2007");
    QByteArray later = readAll(sharedJet("jet4-types.mdb"));
    later[0x14] = 0x03;
    expectRefused(withBytes(dir, "later.mdb", later), dest, 3343);
}

TEST(BadSources, EncryptedFileIsRefusedClearly)
{
    // The page-encryption key sits in the masked header; flipping a stored bit makes it non-zero.
    QTemporaryDir dir;
    QByteArray bytes = readAll(sharedJet("jet4-nopassword.mdb"));
    bytes[0x3E] = static_cast<char>(bytes[0x3E] ^ 0x5A);
    expectRefused(withBytes(dir, "encrypted.mdb", bytes), dir.filePath("copy.sqlite"), 3343, "encrypted");
}

// A damaged copy of `original` either fails as it should or gives exactly the tables of the whole file.
void expectRefusedOrWhole(const QString& source, const QString& dest, const QString& wholeDump)
{
    dao::CopySourceOptions quick;
    quick.stallTimeoutMs = 5000;
    QFile::remove(dest);
    try {
        dao::CopySource(source, dest, quick);
        EXPECT_EQ(CopyReader(dest).dump(), wholeDump) << source.toStdString() << " was taken for whole";
    } catch (const dao::DaoError& e) {
        EXPECT_TRUE(e.Number == 3049 || e.Number == 3343) << e.Number << " " << e.Description.toStdString();
        EXPECT_TRUE(e.Description.contains(source)) << e.Description.toStdString();
        EXPECT_FALSE(QFileInfo::exists(dest));
        EXPECT_FALSE(QFileInfo::exists(dest + ".partial"));
    }
}

QString wholeDump(const QTemporaryDir& dir, const QString& name)
{
    const QString copy = dir.filePath(name + ".whole.sqlite");
    dao::CopySource(sharedJet(name), copy);
    return CopyReader(copy).dump();
}

TEST(BadSources, TruncatedFiles)
{
    QTemporaryDir dir;
    const QString dest = dir.filePath("copy.sqlite");
    const QByteArray jet4 = readAll(sharedJet("jet4-types.mdb"));
    const QByteArray jet3 = readAll(sharedJet("jet3-basic.mdb"));
    // Cut inside a page: the size alone gives it away.
    expectRefused(withBytes(dir, "mid-page.mdb", jet4.left(100000)), dest, 3049, "truncated");
    expectRefused(withBytes(dir, "header-only.mdb", jet4.left(200)), dest, 3049);
    expectRefused(withBytes(dir, "two-pages.mdb", jet4.left(2 * 4096)), dest, 3049);
    // Cut at page boundaries: what is missing is found missing (a cut that loses only pages the copy
    // never reads may pass, and then the copy holds every row).
    const QString whole4 = wholeDump(dir, "jet4-types.mdb");
    for (int pages : {3, 8, 24, 200, 600, 742})
        expectRefusedOrWhole(withBytes(dir, QString("jet4-%1.mdb").arg(pages), jet4.left(pages * 4096)), dest, whole4);
    const QString whole3 = wholeDump(dir, "jet3-basic.mdb");
    for (int pages : {3, 10, 30, 46, 49, 57})
        expectRefusedOrWhole(withBytes(dir, QString("jet3-%1.mdb").arg(pages), jet3.left(pages * 2048)), dest, whole3);
    expectRefused(withBytes(dir, "jet3-30.mdb", jet3.left(30 * 2048)), dest, 3049, "Table1");
}

TEST(BadSources, IndexWhosePagesAreGoneCostsNoRowAndIsReported)
{
    // Access leaves files whose index names a first page beyond the end of the file, and mdb-export
    // reads every row of them. The copy never reads index pages (it builds its keys from their
    // definitions): such a file is copied whole, with a warning that names the table and the index.
    QTemporaryDir dir;
    const auto expectOneWarning = [](const QStringList& warnings, const QStringList& saying) {
        ASSERT_EQ(warnings.size(), 1) << warnings.join('\n').toStdString();
        for (const QString& words : saying)
            EXPECT_TRUE(warnings[0].contains(words)) << warnings[0].toStdString() << "\nlacks: " << words.toStdString();
    };

    // jet4-types.mdb without its last page, 742, which holds only the leaf of the primary key of the
    // empty Table4.
    const QByteArray types = readAll(sharedJet("jet4-types.mdb"));
    ASSERT_EQ(types.size(), 743 * 4096);
    const QString cut = withBytes(dir, "types-742.mdb", types.left(742 * 4096));
    const QString cutCopy = dir.filePath("types-742.sqlite");
    expectOneWarning(dao::CopySource(cut, cutCopy),
                     {"index 'PrimaryKey' of table 'Table4' in '" + cut + "'", "(page 742) lies beyond the end",
                      "The table holds no rows, and the index was built again from its definition.",
                      "\"Compact and Repair\" in Access would mend it."});
    EXPECT_EQ(CopyReader(cutCopy).dump(), wholeDump(dir, "jet4-types.mdb"));

    // jet4-nopassword.mdb with the key of Table1 (3 rows) pointed beyond the end: Table1's definition
    // is page 29; its one real index is described from byte 141 on, and the 4 bytes at 141 + 38 give
    // the index's first page, 32 (an index leaf). They are set to 158; the file has 58 pages.
    QByteArray bytes = readAll(sharedJet("jet4-nopassword.mdb"));
    ASSERT_EQ(bytes.size(), 58 * 4096);
    const int firstPageAt = 29 * 4096 + 141 + 38;
    ASSERT_EQ(bytes.mid(firstPageAt, 4), QByteArray("\x20\0\0\0", 4));
    bytes.replace(firstPageAt, 4, QByteArray("\x9E\0\0\0", 4));
    const QString damaged = withBytes(dir, "key-beyond-end.mdb", bytes);
    const QString copy = dir.filePath("key-beyond-end.sqlite");
    expectOneWarning(dao::CopySource(damaged, copy),
                     {"index 'PrimaryKey' of table 'Table1' in '" + damaged + "'", "(page 158) lies beyond the end",
                      "All 3 rows of the table were copied, and the index was built again from its definition."});
    EXPECT_EQ(CopyReader(copy).dump(), wholeDump(dir, "jet4-nopassword.mdb"));
    EXPECT_EQ(CopyReader(copy).value("SELECT count(*) FROM sqlite_master WHERE tbl_name = 'Table1' AND sql LIKE "
                                     "'CREATE UNIQUE INDEX%'"),
              "1");
    if (haveMdbTools())
        EXPECT_EQ(mdbExport(damaged, "Table1").size(), 4u);  // the header and the 3 rows

    // crew-mdb-copy shows the warning and succeeds.
    const QString tool = QFileInfo(dao::JetReaderPath()).dir().filePath("crew-mdb-copy");
    if (QFileInfo(tool).isExecutable()) {
        QProcess p;
        p.start(tool, {damaged, dir.filePath("tool.sqlite")});
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0);
        EXPECT_TRUE(p.readAllStandardError().contains("Warning: the index 'PrimaryKey' of table 'Table1'"));
    }

    // What the rows need is still refused when it is gone: the same file without Table1's data page.
    expectRefused(withBytes(dir, "key-beyond-end-31.mdb", bytes.left(31 * 4096)), dir.filePath("cut.sqlite"), 3049,
                  "table 'Table1' has a page (31) beyond the end of the file");
}

TEST(BadSources, OverwrittenPagesNeverCrashHangOrPassForWhole)
{
    // Pages of a real file overwritten with zeros, random bytes or another page.
    QTemporaryDir dir;
    const QByteArray original = readAll(sharedJet("jet4-types.mdb"));
    const QString whole = wholeDump(dir, "jet4-types.mdb");
    const int pages = static_cast<int>(original.size() / 4096);
    QRandomGenerator rng(3049);
    for (int round = 0; round < 24; ++round) {
        QByteArray bytes = original;
        const int victims = 1 + static_cast<int>(rng.bounded(3));
        for (int v = 0; v < victims; ++v) {
            const int page = 1 + static_cast<int>(rng.bounded(std::min(pages - 1, 40)));
            char* p = bytes.data() + page * 4096;
            switch (round % 3) {
            case 0: std::fill(p, p + 4096, '\0'); break;
            case 1: for (int i = 0; i < 4096; ++i) p[i] = static_cast<char>(rng.bounded(256)); break;
            case 2: std::copy(original.constData() + 2 * 4096, original.constData() + 3 * 4096, p); break;
            }
        }
        expectRefusedOrWhole(withBytes(dir, QString("damaged-%1.mdb").arg(round), bytes),
                             dir.filePath(QString("damaged-%1.sqlite").arg(round)), whole);
    }
}

TEST(BadSources, ReaderThatCrashesOrHangsIsContained)
{
    QTemporaryDir dir;
    const QString dest = dir.filePath("copy.sqlite");
    const auto script = [&](const QString& name, const QByteArray& body) {
        const QString path = withBytes(dir, name, "#!/bin/sh\n" + body + "\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    };
    const QString source = sharedJet("jet4-types.mdb");

    dao::CopySourceOptions crashing;
    crashing.readerPath = script("crash.sh", "echo 'progress Table1 0'; : > \"$2\"; kill -SEGV $$");
    expectRefused(source, dest, 3049, "stopped abruptly", crashing);

    dao::CopySourceOptions hanging;
    hanging.readerPath = script("hang.sh", "echo 'progress Table1 0'; : > \"$2\"; exec sleep 60");
    hanging.stallTimeoutMs = 700;
    QElapsedTimer timer;
    timer.start();
    expectRefused(source, dest, 3049, "no progress", hanging);
    EXPECT_LT(timer.elapsed(), 20000);

    dao::CopySourceOptions silentFailure;
    silentFailure.readerPath = script("fail.sh", "echo 'something broke' >&2; exit 5");
    expectRefused(source, dest, 3049, "something broke", silentFailure);

    dao::CopySourceOptions missing;
    missing.readerPath = dir.filePath("no-such-reader");
    const auto error = copyError(source, dest, missing);
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->Description.contains("no-such-reader")) << error->Description.toStdString();
}

TEST(BadSources, SourceIsNeverWrittenAndOnlyAWholeCopyReplacesAnEarlierOne)
{
    QTemporaryDir dir;
    const QString source = sharedJet("jet4-password.mdb");
    const QString dest = dir.filePath("temp7601.in");
    writeAll(dest, "a copy left over from an earlier run");
    const Fingerprint before = fingerprint(source);
    dao::CopySource(source, dest);
    EXPECT_TRUE(fingerprint(source) == before);
    EXPECT_TRUE(readAll(dest).startsWith("SQLite format 3"));

    // A failed copy leaves the earlier copy whole, and nothing beside it.
    const QString cut = withBytes(dir, "cut.mdb", readAll(source).left(5000));
    const QStringList beside = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    expectRefused(cut, dest, 3049);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), beside);

    // The destination may not be the source itself.
    const QString self = withBytes(dir, "self.mdb", readAll(sharedJet("jet4-nopassword.mdb")));
    const Fingerprint selfBefore = fingerprint(self);
    EXPECT_TRUE(copyError(self, self).has_value());
    EXPECT_TRUE(fingerprint(self) == selfBefore);
}

TEST(BadSources, SqliteSourceIsCopiedByteForByte)
{
    QTemporaryDir dir;
    const QString first = dir.filePath("first.sqlite");
    dao::CopySource(sharedJet("jet4-types.mdb"), first);
    QFile::setPermissions(first, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);  // as on a CD
    const QString second = dir.filePath("second.sqlite");
    dao::CopySource(first, second);
    EXPECT_EQ(readAll(second), readAll(first));
    EXPECT_TRUE(QFileInfo(second).isWritable()) << "the working copy must be writable";
}

TEST(BadSources, RowCountThatDisagreesWithTheRows)
{
    // Seven rows; the table definition's count is set to 5 (a file not closed properly) and to 9
    // (rows lost).
    jetwriter::Table t;
    t.name = "WO";
    t.columns = {{"WONUM", dao::FieldType::Text, 20}};
    for (int i = 0; i < 7; ++i)
        t.rows.push_back({QString("W%1").arg(i)});
    jetwriter::JetFile file;
    file.tables = {t};
    const QByteArray bytes = jetwriter::buildJet4(file);
    QTemporaryDir dir;
    for (const int count : {5, 9}) {
        QByteArray patched = bytes;
        int patchedPages = 0;
        for (int page = 3; page < patched.size() / 4096; ++page) {
            char* p = patched.data() + page * 4096;
            if (p[0] == 0x02 && p[16] == 7 && p[17] == 0 && p[18] == 0 && p[19] == 0) {
                p[16] = static_cast<char>(count);
                ++patchedPages;
            }
        }
        ASSERT_EQ(patchedPages, 1);
        expectRefused(withBytes(dir, QString("count-%1.mdb").arg(count), patched), dir.filePath("copy.sqlite"), 3049,
                      count < 7 ? "compact and repair" : "missing or damaged");
    }
}

TEST(BadSources, RequiredColumnThatHoldsNullsIsCopiedWholeAsOptional)
{
    // Access lets a column be made Required without checking the rows already there. The copy learns
    // of such a row only when writing it, while the rows after it are already being read: the table is
    // then copied again, whole and in order, with the column optional, and the tables after it follow.
    jetwriter::Table woe;
    woe.name = "WOE";
    woe.columns = {{"WONUM", dao::FieldType::Text, 20, true}, {"HOURS", dao::FieldType::Double}};
    const int n = 5000;
    for (int i = 0; i < n; ++i)
        woe.rows.push_back({i == 3000 ? QString("NULLME") : QString("W%1").arg(i), i * 0.5});
    jetwriter::Table wop;
    wop.name = "WOP";
    wop.columns = {{"WONUM", dao::FieldType::Text, 20, true}};
    for (int i = 0; i < 300; ++i)
        wop.rows.push_back({QString("W%1").arg(i)});
    jetwriter::JetFile file;
    file.tables = {woe, wop};
    // The writer refuses a Null in a required column: row 3000 gets one by clearing its bit in the
    // row's null mask (its last byte; bit 0 is WONUM, a set bit a value).
    QByteArray bytes = jetwriter::buildJet4(file);
    const qsizetype at = bytes.indexOf(QByteArray("\xFF\xFE") + "NULLME");
    ASSERT_GT(at, 0);
    const qsizetype page = at / 4096 * 4096;
    const auto le16 = [&](qsizetype i) { return int(uint8_t(bytes[i])) | int(uint8_t(bytes[i + 1])) << 8; };
    int patched = 0;
    for (int row = 0; row < le16(page + 12); ++row) {
        const int start = le16(page + 14 + 2 * row) & 0x1FFF;
        const int end = row == 0 ? 4096 : le16(page + 14 + 2 * (row - 1)) & 0x1FFF;
        if (page + start <= at && at < page + end) {
            bytes[page + end - 1] = char(uint8_t(bytes[page + end - 1]) & ~1);
            ++patched;
        }
    }
    ASSERT_EQ(patched, 1);
    QTemporaryDir dir;
    const QString source = withBytes(dir, "required.mdb", bytes);
    const QString copy = dir.filePath("required.sqlite");
    ASSERT_NO_THROW(dao::CopySource(source, copy));

    const CopyReader r(copy);
    const auto rows = r.rows("SELECT WONUM, HOURS FROM WOE ORDER BY rowid");
    ASSERT_EQ(rows.size(), size_t(n));
    for (int i = 0; i < n; ++i)
        ASSERT_EQ(rows[size_t(i)], QStringList({i == 3000 ? QString("<NULL>") : QString("W%1").arg(i),
                                                QString::number(i * 0.5, 'f', 1)}))
            << i;
    EXPECT_FALSE(r.value("SELECT sql FROM sqlite_master WHERE name = 'WOE'").contains("NOT NULL"));
    EXPECT_TRUE(r.value("SELECT sql FROM sqlite_master WHERE name = 'WOP'").contains("NOT NULL"));
    EXPECT_EQ(r.value("SELECT count(*) FROM WOP"), "300");
}
