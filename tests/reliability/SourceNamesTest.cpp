// Table names of a source against the names of the working copy: SQLite keeps every name beginning
// with "sqlite_" for itself, tables and indexes share one set of names, and the copy makes
// MSysRelationships and MSysPassword. A source that the copy can hold copies whole; one it cannot,
// or a damaged catalog whose names hold control characters, ends in an error that says why and
// names the table, never in a failure blamed on writing the working copy.
#include "support/ReliabilitySupport.h"
#include "jet/CopySource.h"
#include "db/DaoError.h"
#include "jet/JetWriter.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using dao::FieldType;
using namespace reliability;

namespace {

jetwriter::Table KeyedTable(const QString& name)
{
    jetwriter::Table t;
    t.name = name;
    t.columns = {{"ID", FieldType::Long, 0, true}, {"CODE", FieldType::Text, 10}};
    t.rows = {{1, "A"}, {2, "B"}};
    t.primaryKey = {"ID"};
    t.uniqueIndexes = {{"CODE"}};
    return t;
}

// Copies `file` through the child reader; returns the error, or a DaoError(0, "") when it copied.
// `rename` turns a table name into another of the same length in the written bytes: the writer
// refuses names that Access keeps for itself, a damaged catalog need not.
dao::DaoError CopyOf(const jetwriter::JetFile& file, const QTemporaryDir& dir, QString* source, QString* copy,
                     const QString& from = {}, const QString& to = {})
{
    *source = dir.filePath("source.mdb");
    *copy = dir.filePath("temp7601.in");
    QByteArray bytes = jetwriter::buildJet4(file);
    if (!from.isEmpty()) {
        const auto utf16 = [](const QString& s) {
            return QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
        };
        const qsizetype before = bytes.size();
        bytes.replace(utf16(from), utf16(to)).replace(from.toLatin1(), to.toLatin1());
        EXPECT_EQ(bytes.size(), before);
    }
    QFile out(*source);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << source->toStdString();
    out.close();
    try {
        dao::CopySource(*source, *copy);
    } catch (const dao::DaoError& e) {
        return e;
    }
    return {0, {}};
}

}  // namespace

TEST(SourceNames, IndexesOfTheCopyTakeNoTableNameAndNoNameSqliteKeeps)
{
    if (!QFileInfo(dao::JetReaderPath()).isExecutable())
        GTEST_SKIP() << "crew-jet-reader is not built beside the tests";
    QTemporaryDir dir;
    jetwriter::JetFile file;
    // The copy names an index after its table and the source's index: "sqlite_PrimaryKey" and
    // "sqlite_Unique1" here, names SQLite refuses.
    // "EQUIP_PrimaryKey" is also the name the copy would give the primary key of EQUIP.
    file.tables = {KeyedTable("EQUIP"), KeyedTable("sqlite"), KeyedTable("EQUIP_PrimaryKey")};
    QString source, copy;
    const dao::DaoError e = CopyOf(file, dir, &source, &copy);
    ASSERT_EQ(e.Number, 0) << e.Description.toStdString();
    EXPECT_EQ(QueryRows(copy, "SELECT ID, CODE FROM sqlite ORDER BY ID"), (QStringList{"1|A", "2|B"}));
    EXPECT_EQ(QueryRows(copy, "SELECT count(*) FROM pragma_index_list('sqlite') WHERE \"unique\" = 1"),
              QStringList{"2"});
    for (const QString table : {"EQUIP", "EQUIP_PrimaryKey"}) {
        EXPECT_EQ(QueryRows(copy, QString("SELECT count(*) FROM \"%1\"").arg(table)), QStringList{"2"});
        EXPECT_EQ(QueryRows(copy, QString("SELECT count(*) FROM pragma_index_list('%1') WHERE \"unique\" = 1").arg(table)),
                  QStringList{"2"});
    }
}

TEST(SourceNames, ATableTheCopyCannotNameEndsInAnErrorThatSaysWhy)
{
    if (!QFileInfo(dao::JetReaderPath()).isExecutable())
        GTEST_SKIP() << "crew-jet-reader is not built beside the tests";
    const std::pair<QString, QString> names[] = {
        {"sqlite_notes", "sqlite_notes"}, {"XSysPassword", "MSysPassword"}, {"xsysrelationships", "msysrelationships"}};
    for (const auto& [written, name] : names) {
        SCOPED_TRACE(name.toStdString());
        QTemporaryDir dir;
        jetwriter::JetFile file;
        file.tables = {KeyedTable("EQUIP"), KeyedTable(written)};
        QString source, copy;
        const dao::DaoError e = CopyOf(file, dir, &source, &copy, written, name);
        EXPECT_GT(e.Number, 0);
        EXPECT_TRUE(e.Description.contains(name)) << e.Description.toStdString();
        EXPECT_TRUE(e.Description.contains(source)) << e.Description.toStdString();
        EXPECT_FALSE(e.Description.contains("writing the working copy")) << e.Description.toStdString();
        EXPECT_FALSE(QFileInfo::exists(copy));
        EXPECT_FALSE(QFileInfo::exists(copy + ".partial"));
    }
}

TEST(SourceNames, ATableNameWithControlCharactersIsADamagedCatalog)
{
    if (!QFileInfo(dao::JetReaderPath()).isExecutable())
        GTEST_SKIP() << "crew-jet-reader is not built beside the tests";
    // A NUL would cut short the statement that creates the table and every message naming it.
    for (const QChar c : {QChar(0), QChar('\t')}) {
        SCOPED_TRACE(int(c.unicode()));
        QTemporaryDir dir;
        jetwriter::JetFile file;
        // A letter beyond Latin-1 keeps the name out of Jet's compressed text, in which a 0 byte
        // switches modes instead of standing for NUL.
        const QString name = QString::fromUtf8("PUMP\u015C");
        file.tables = {KeyedTable("EQUIP"), KeyedTable(name + "X")};
        QString source, copy;
        const dao::DaoError e = CopyOf(file, dir, &source, &copy, name + "X", name + c);
        EXPECT_EQ(e.Number, 3049);
        EXPECT_TRUE(e.Description.contains("'" + name + "?'")) << e.Description.toStdString();
        EXPECT_TRUE(e.Description.contains(source)) << e.Description.toStdString();
        EXPECT_TRUE(e.Description.endsWith('.')) << e.Description.toStdString();  // not cut short
        EXPECT_FALSE(QFileInfo::exists(copy));
        EXPECT_FALSE(QFileInfo::exists(copy + ".partial"));
    }
}
