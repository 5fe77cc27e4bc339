// The canonical dump that compares two imports' results: every value kept apart from its
// look-alikes, rows in stored or sorted order, and the log's start time left out.
#include "support/DumpDatabase.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

void exec(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    char* err = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &err), SQLITE_OK) << (err ? err : "");
    sqlite3_free(err);
    sqlite3_close(db);
}

TEST(DumpDatabase, KeepsLookAlikeValuesApartAndTablesInNameOrder)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("product.vdb");
    exec(path,
         "CREATE TABLE \"Meter Readings\" (\"Equipment#\" VARCHAR(30) COLLATE NOCASE, \"Value\" DOUBLE);"
         "CREATE TABLE Equipment (Id INTEGER PRIMARY KEY AUTOINCREMENT, \"Equipment#\" VARCHAR(30) NOT NULL, "
         "Notes LONGTEXT DEFAULT '', Photo BLOB);"
         "INSERT INTO Equipment (\"Equipment#\", Notes, Photo) VALUES ('P-1', NULL, x'00ff');"
         "INSERT INTO Equipment (\"Equipment#\", Notes) VALUES ('O''Brien | 2', 'a\r\nb\\c	d');"
         "INSERT INTO Equipment (\"Equipment#\", Notes) VALUES ('NULL', '');"
         "INSERT INTO Equipment (\"Equipment#\") VALUES ('gone');"
         "DELETE FROM Equipment WHERE \"Equipment#\" = 'gone';"
         "INSERT INTO \"Meter Readings\" VALUES ('P-1', 1200.0), ('P-1', 0.1), ('P-2', 12), ('P-2', '12');");
    const QString expected =
        "TABLE Equipment\n"
        "  COLUMN Id INTEGER KEY\n"
        "  COLUMN Equipment# VARCHAR(30) NOT NULL\n"
        "  COLUMN Notes LONGTEXT DEFAULT ''\n"
        "  COLUMN Photo BLOB\n"
        "  1 | 'P-1' | NULL | X'00FF'\n"
        "  2 | 'O\\'Brien | 2' | 'a\\r\\nb\\\\c\\td' | NULL\n"
        "  3 | 'NULL' | '' | NULL\n"
        "TABLE Meter Readings\n"
        "  COLUMN Equipment# VARCHAR(30)\n"
        "  COLUMN Value DOUBLE\n"
        "  'P-1' | 1200.0\n"
        "  'P-1' | 0.1\n"
        "  'P-2' | 12.0\n"
        "  'P-2' | 12.0\n"
        "AUTONUMBER Equipment 4\n";
    EXPECT_EQ(testsupport::DumpDatabase(path).toStdString(), expected.toStdString());

    testsupport::DumpOptions sorted;
    sorted.sortRows = true;
    sorted.onlyTables = {"meter readings"};
    EXPECT_EQ(testsupport::DumpDatabase(path, sorted).toStdString(),
              "TABLE Meter Readings\n  COLUMN Equipment# VARCHAR(30)\n  COLUMN Value DOUBLE\n"
              "  'P-1' | 0.1\n  'P-1' | 1200.0\n  'P-2' | 12.0\n  'P-2' | 12.0\n");
}

TEST(DumpDatabase, ReportsWhatItCannotDump)
{
    QTemporaryDir dir;
    try {
        testsupport::DumpDatabase(dir.filePath("missing.vdb"));
        FAIL() << "no error for a missing file";
    } catch (const dao::DaoError& e) {
        EXPECT_EQ(e.Number, 3024);
    }
    const QString notSqlite = dir.filePath("text.vdb");
    QFile f(notSqlite);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    try {
        testsupport::DumpDatabase(notSqlite);
        FAIL() << "no error for a file that is no database";
    } catch (const dao::DaoError& e) {
        EXPECT_EQ(e.Number, 3000);
        EXPECT_FALSE(e.Description.isEmpty());
    }
    const QString empty = dir.filePath("empty.vdb");
    exec(empty, "CREATE TABLE T (a INT)");
    testsupport::DumpOptions only;
    only.onlyTables = {"Nope"};
    try {
        testsupport::DumpDatabase(empty, only);
        FAIL() << "no error for a table that is not there";
    } catch (const dao::DaoError& e) {
        EXPECT_EQ(e.Number, 3078);
    }
}

TEST(DumpDatabase, CanonicalLogDropsOnlyTheStartTime)
{
    const QString a = "In Main frm, btnImport - Start: 2:04:05 PM, 12/8/2026\r\n\r\nRecords in MP2 EQUIP table - 5\r\n";
    const QString b = "In Main frm, btnImport - Start: 9:00:00 AM, 1/2/2027\r\n\r\nRecords in MP2 EQUIP table - 5\r\n";
    EXPECT_EQ(testsupport::CanonicalLog(a), testsupport::CanonicalLog(b));
    EXPECT_EQ(testsupport::CanonicalLog(a).toStdString(),
              "In Main frm, btnImport - Start: <time>\r\n\r\nRecords in MP2 EQUIP table - 5\r\n");
    EXPECT_NE(testsupport::CanonicalLog(a), testsupport::CanonicalLog(QString(a).replace("- 5", "- 6")));
}

}  // namespace
