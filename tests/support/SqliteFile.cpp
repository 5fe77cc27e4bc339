#include "support/SqliteFile.h"

#include <QFile>
#include <sqlite3.h>
#include <stdexcept>

namespace testsupport {

void RunSql(const QString& path, const QStringList& statements)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot open " + path.toStdString());
    for (const QString& s : statements) {
        char* err = nullptr;
        if (sqlite3_exec(db, s.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
            const std::string why = err ? err : "?";
            sqlite3_free(err);
            sqlite3_close(db);
            throw std::runtime_error("SQL failed: " + s.toStdString() + ": " + why);
        }
    }
    sqlite3_close(db);
}

QString QueryText(const QString& path, const QString& sql)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open " + path.toStdString());
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
        const std::string why = sqlite3_errmsg(db);
        sqlite3_close(db);
        throw std::runtime_error("SQL failed: " + sql.toStdString() + ": " + why);
    }
    QString out;
    if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL)
        out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

}  // namespace testsupport
