// The working copies of real Access files agree with what mdb-export reads from them, keep their
// keys and password, and leave the files untouched.
#include "JetTestSupport.h"

#include "db/Database.h"

#include <cmath>

using namespace jettest;

namespace {

// Compares one value of the copy with mdb-export's text for it, by the column's declared type.
void expectSameValue(const QString& declared, const QString& ours, const QString& theirs, const QString& where)
{
    const std::string at = where.toStdString();
    const QString type = declared.section(' ', 0, 0).section('(', 0, 0).toUpper();
    if (theirs == "<NULL>") {
        // mdb-export prints Null and the empty text alike.
        if (type == "VARCHAR" || type == "LONGTEXT")
            EXPECT_TRUE(ours == "<NULL>" || ours.isEmpty()) << at << ": " << ours.toStdString();
        else
            EXPECT_EQ(ours, "<NULL>") << at;
        return;
    }
    ASSERT_NE(ours, "<NULL>") << at << " should be " << theirs.toStdString();
    if (type == "DOUBLE") {
        const double a = ours.toDouble(), b = theirs.toDouble();  // mdb-export prints 16 digits
        EXPECT_LE(std::fabs(a - b), 1e-15 * std::max(1.0, std::fabs(b))) << at;
    } else if (type == "FLOAT") {
        EXPECT_FLOAT_EQ(ours.toFloat(), theirs.toFloat()) << at;
    } else if (type == "CURRENCY") {
        EXPECT_EQ(QString::number(ours.toDouble(), 'f', 4), theirs) << at;
    } else if (type == "DECIMAL") {
        EXPECT_EQ(ours.toDouble(), theirs.toDouble()) << at;
    } else {
        EXPECT_EQ(ours, theirs) << at;
    }
}

}  // namespace

TEST(RealJetFiles, EveryTableMatchesMdbExportAndTheSourceStaysUntouched)
{
    if (!haveMdbTools())
        GTEST_SKIP() << "mdb-export is not installed";
    QTemporaryDir dir;
    const QStringList files = realJetFiles();
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const QString source = sharedJet(name);
        const Fingerprint before = fingerprint(source);
        const QString copy = dir.filePath(name + ".sqlite");
        QStringList warnings;
        ASSERT_NO_THROW(warnings = dao::CopySource(source, copy));
        EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();
        EXPECT_TRUE(fingerprint(source) == before) << "the source was changed";
        EXPECT_FALSE(QFileInfo::exists(copy + ".partial"));

        CopyReader reader(copy);
        const QStringList tables = runTool("mdb-tables", {"-1", source}).split('\n', Qt::SkipEmptyParts);
        EXPECT_EQ(reader.userTables(), tables);
        for (const QString& table : tables) {
            const auto expected = mdbExport(source, table);
            ASSERT_FALSE(expected.empty());
            const auto info = reader.rows(QString("PRAGMA table_info(\"%1\")").arg(table));
            QStringList names, declared;
            for (const auto& col : info) {
                names << col[1];
                declared << col[2];
            }
            EXPECT_EQ(names, expected[0]) << table.toStdString();
            const auto actual = reader.rows(QString("SELECT * FROM \"%1\"").arg(table));
            ASSERT_EQ(actual.size() + 1, expected.size()) << table.toStdString();
            for (std::size_t r = 0; r < actual.size(); ++r)
                for (int c = 0; c < names.size(); ++c)
                    expectSameValue(declared[c], actual[r].value(c), expected[r + 1].value(c),
                                    QString("%1 row %2 %3").arg(table).arg(r + 1).arg(names[c]));
        }
    }
}

TEST(RealJetFiles, TypesKeysAndRelationshipsAreKept)
{
    QTemporaryDir dir;
    const QString copy = dir.filePath("types.sqlite");
    dao::CopySource(sharedJet("jet4-types.mdb"), copy);
    CopyReader reader(copy);
    EXPECT_EQ(reader.value("SELECT sql FROM sqlite_master WHERE name='Table1'"),
              "CREATE TABLE \"Table1\" (\"A\" VARCHAR(50) COLLATE NOCASE, \"B\" VARCHAR(100) COLLATE NOCASE, "
              "\"C\" TINYINT, \"D\" SMALLINT, \"E\" INT, \"F\" DOUBLE, \"G\" DATETIME, \"H\" CURRENCY REAL, "
              "\"I\" BOOLEAN NOT NULL DEFAULT 0)");
    EXPECT_EQ(reader.column("SELECT typeof(C)||typeof(F)||typeof(G)||typeof(H)||typeof(I) FROM Table1"),
              QStringList({"integerrealtextrealinteger", "integerrealtextrealinteger"}));
    // An autonumber keeps its values but never becomes the rowid: rows stay in stored order.
    EXPECT_TRUE(reader.value("SELECT sql FROM sqlite_master WHERE name='Table3'").contains("\"a\" COUNTER"));

    // The primary key on a text column refuses a duplicate that differs only in case, as Jet does.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(copy).constData(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "INSERT INTO Table1 (A, I) VALUES ('ABCDEFG', 0)", nullptr, nullptr, nullptr),
              SQLITE_CONSTRAINT);
    EXPECT_EQ(sqlite3_exec(db, "INSERT INTO Table1 (A, I) VALUES ('new', 0)", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);

    // Relationships between Access's own navigation tables are relationships of the file too.
    const QString withRelations = dir.filePath("nopassword.sqlite");
    dao::CopySource(sharedJet("jet4-nopassword.mdb"), withRelations);
    auto opened = dao::Database::OpenDatabase(withRelations);
    dao::Relations& relations = opened->GetRelations();
    ASSERT_EQ(relations.Count(), 2);
    relations.Delete(relations.Name(0));
    relations.Delete(relations.Name(0));
    EXPECT_EQ(relations.Count(), 0);
}

TEST(RealJetFiles, PasswordIsCheckedAsJetChecksIt)
{
    QTemporaryDir dir;
    const QString copy = dir.filePath("password.sqlite");
    dao::CopySource(sharedJet("jet4-password.mdb"), copy);

    EXPECT_NO_THROW(dao::Database::OpenDatabase(copy, true, false, "MS Access;PWD=password"));
    for (const QString connect : {"MS Access;PWD=Password", "MS Access;PWD=password ", "MS Access;PWD=",
                                  "MS Access;PWD=wrong"}) {
        try {
            dao::Database::OpenDatabase(copy, true, false, connect);
            ADD_FAILURE() << connect.toStdString() << " should be refused";
        } catch (const dao::DaoError& e) {
            EXPECT_EQ(e.Number, 3031) << connect.toStdString();
        }
    }
    try {
        dao::Database::OpenDatabase(copy);
        ADD_FAILURE() << "a protected copy opened without a password";
    } catch (const dao::DaoError& e) {
        EXPECT_EQ(e.Number, 3031);
    }
    // The password itself is nowhere in the copy.
    const QByteArray bytes = readAll(copy);
    EXPECT_FALSE(bytes.contains("password"));
    EXPECT_FALSE(bytes.contains(QByteArray("p\0a\0s\0s\0w\0o\0r\0d\0", 16)));

    // An unprotected copy opens either way.
    const QString open = dir.filePath("open.sqlite");
    dao::CopySource(sharedJet("jet4-nopassword.mdb"), open);
    EXPECT_NO_THROW(dao::Database::OpenDatabase(open));
    EXPECT_NO_THROW(dao::Database::OpenDatabase(open, true, false, "MS Access;PWD=anything"));
}

TEST(RealJetFiles, CopyToolAcceptsOnlyTheRightPassword)
{
    const QString tool = QFileInfo(dao::JetReaderPath()).dir().filePath("crew-mdb-copy");
    if (!QFileInfo(tool).isExecutable())
        GTEST_SKIP() << "crew-mdb-copy is not built";
    QTemporaryDir dir;
    const QString copy = dir.filePath("out.sqlite");
    const auto run = [&](const QStringList& extra, QString* err) {
        QProcess p;
        p.start(tool, QStringList{sharedJet("jet4-password.mdb"), copy} + extra);
        p.waitForFinished(60000);
        *err = QString::fromUtf8(p.readAllStandardError());
        return p.exitCode();
    };
    QString err;
    EXPECT_EQ(run({"--password", "password"}, &err), 0) << err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(copy));
    EXPECT_NE(run({"--password", "PASSWORD"}, &err), 0);
    EXPECT_TRUE(err.contains("3031")) << err.toStdString();
    EXPECT_NE(run({}, &err), 0);
    EXPECT_TRUE(err.contains("3031")) << err.toStdString();
}

TEST(RealJetFiles, CallerEnvironmentDoesNotChangeTheCopy)
{
    // libmdb reads these at open time; the reader must not depend on them.
    QTemporaryDir dir;
    QStringList plain;
    for (const QString name : {"jet3-basic.mdb", "jet4-types.mdb"}) {
        const QString copy = dir.filePath(name + ".plain.sqlite");
        dao::CopySource(sharedJet(name), copy);
        plain << CopyReader(copy).dump();
    }
    qputenv("MDB_JET3_CHARSET", "CP1253");
    qputenv("MDBICONV", "ISO-8859-7");
    qputenv("MDBOPTS", "debug_row:use_index");
    QStringList odd;
    for (const QString name : {"jet3-basic.mdb", "jet4-types.mdb"}) {
        const QString copy = dir.filePath(name + ".odd.sqlite");
        dao::CopySource(sharedJet(name), copy);
        odd << CopyReader(copy).dump();
    }
    qunsetenv("MDB_JET3_CHARSET");
    qunsetenv("MDBICONV");
    qunsetenv("MDBOPTS");
    EXPECT_EQ(odd, plain);
}
