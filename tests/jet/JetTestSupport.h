#pragma once
// Helpers for the Jet reader's tests: scratch folders, a source file's fingerprint, reading a
// working copy back with plain sqlite3, and what mdb-export prints for a table.
#include "jet/CopySource.h"
#include "db/DaoError.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <sqlite3.h>
#include <vector>

namespace jettest {

inline QString sharedJet(const QString& name) { return QString(CREW_SHARED_DATA) + "/jet/" + name; }

inline QStringList realJetFiles()
{
    return QDir(QString(CREW_SHARED_DATA) + "/jet").entryList({"*.mdb"}, QDir::Files, QDir::Name);
}

// The bytes and modification time of a file, to prove that reading it changed neither.
struct Fingerprint {
    QByteArray hash;
    QDateTime modified;
    bool operator==(const Fingerprint& o) const { return hash == o.hash && modified == o.modified; }
};

inline Fingerprint fingerprint(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return {QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256),
            QFileInfo(path).fileTime(QFileDevice::FileModificationTime)};
}

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

inline void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// The copy fails: returns the error (and fails the test when there is none).
inline std::optional<dao::DaoError> copyError(const QString& source, const QString& dest,
                                              const dao::CopySourceOptions& options = {})
{
    try {
        dao::CopySource(source, dest, options);
    } catch (const dao::DaoError& e) {
        return e;
    }
    ADD_FAILURE() << "copying " << source.toStdString() << " should have failed";
    return std::nullopt;
}

// A working copy opened read-only with plain sqlite3.
class CopyReader {
public:
    explicit CopyReader(const QString& path)
    {
        EXPECT_EQ(sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK)
            << path.toStdString();
    }
    ~CopyReader() { sqlite3_close(db_); }
    sqlite3* db() const { return db_; }

    // Rows of a query, each value as text; Null as "<NULL>".
    std::vector<QStringList> rows(const QString& sql) const
    {
        std::vector<QStringList> out;
        sqlite3_stmt* st = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db_, sql.toUtf8().constData(), -1, &st, nullptr), SQLITE_OK)
            << sql.toStdString() << ": " << sqlite3_errmsg(db_);
        while (st && sqlite3_step(st) == SQLITE_ROW) {
            QStringList row;
            for (int i = 0; i < sqlite3_column_count(st); ++i)
                row << (sqlite3_column_type(st, i) == SQLITE_NULL
                            ? QString("<NULL>")
                            : QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)),
                                                sqlite3_column_bytes(st, i)));
            out.push_back(row);
        }
        sqlite3_finalize(st);
        return out;
    }
    QString value(const QString& sql) const
    {
        const auto r = rows(sql);
        return r.empty() || r[0].isEmpty() ? QString("<none>") : r[0][0];
    }
    QStringList column(const QString& sql) const
    {
        QStringList out;
        for (const auto& r : rows(sql))
            out << r.value(0);
        return out;
    }
    std::vector<double> doubles(const QString& sql) const
    {
        std::vector<double> out;
        sqlite3_stmt* st = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db_, sql.toUtf8().constData(), -1, &st, nullptr), SQLITE_OK) << sql.toStdString();
        while (st && sqlite3_step(st) == SQLITE_ROW)
            out.push_back(sqlite3_column_double(st, 0));
        sqlite3_finalize(st);
        return out;
    }
    QStringList userTables() const
    {
        return column("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'MSys%' ORDER BY rowid");
    }

    // Every user table with all its rows, as one text to compare copies by.
    QString dump() const
    {
        QString out;
        for (const QString& table : userTables()) {
            out += table + ":\n";
            for (const QStringList& row : rows(QString("SELECT * FROM \"%1\"").arg(table)))
                out += row.join('|') + '\n';
        }
        return out;
    }

private:
    sqlite3* db_ = nullptr;
};

inline bool haveMdbTools() { return !QStandardPaths::findExecutable("mdb-export").isEmpty(); }

inline QString runTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(60000)) << program.toStdString();
    EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << " " << args.join(' ').toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// What mdb-export prints for a table: the header row, then the rows; Null (and the empty text,
// which mdb-export cannot tell from Null) as "<NULL>".
inline std::vector<QStringList> mdbExport(const QString& file, const QString& table)
{
    const QString out = runTool("mdb-export", {"-d", QString(QChar(1)), "-R", QString(QChar(2)), "-Q", "-0",
                                               "<NULL>", "-T", "%Y-%m-%d %H:%M:%S", file, table});
    std::vector<QStringList> rows;
    for (const QString& line : out.split(QChar(2), Qt::SkipEmptyParts))
        rows.push_back(line.split(QChar(1)));
    return rows;
}

}  // namespace jettest

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) { *os << '{' << l.join(" | ").toStdString() << '}'; }
