#include "wizard/HostProduct.h"

#include "db/DaoError.h"
#include "product/dblist_sql.h"
#include "product/template_sql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>
#include <system_error>

const char* TemplateSchemaSql() { return ktemplateSql; }
const char* DatabaseListSchemaSql() { return kdblistSql; }

namespace {

dao::DaoError PathNotFound(const QString& path) { return {76, QString("Path not found: '%1'").arg(path)}; }
dao::DaoError FileAlreadyExists(const QString& path) { return {58, QString("File already exists: '%1'").arg(path)}; }

}  // namespace

QString BuildBeside(const QString& path, const char* schema)
{
    const QFileInfo target(path);
    if (!target.absoluteDir().exists())
        throw PathNotFound(target.absolutePath());
    QTemporaryFile scratch(target.absoluteFilePath() + ".XXXXXX");
    scratch.setAutoRemove(false);
    if (!scratch.open())
        throw dao::JetError::PermissionDenied(target.absolutePath());
    const QString scratchPath = scratch.fileName();
    scratch.close();
    // A temporary file is private to its owner; the product's files are read by every operator.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(QFile::encodeName(scratchPath).constData(), 0666 & ~mask);

    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(scratchPath).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    char* message = nullptr;
    // One transaction: the schema reaches the disk in one write instead of one per statement.
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "BEGIN", nullptr, nullptr, &message);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, schema, nullptr, nullptr, &message);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, &message);
    QString detail;
    if (rc != SQLITE_OK)
        detail = QString::fromUtf8(message ? message : (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
    sqlite3_free(message);
    if (sqlite3_close(db) != SQLITE_OK && rc == SQLITE_OK) {
        rc = SQLITE_ERROR;
        detail = "the database could not be closed";
    }
    if (rc != SQLITE_OK) {
        QFile::remove(scratchPath);
        if (rc == SQLITE_FULL)
            throw dao::JetError::DiskFull();
        throw dao::JetError::Engine(QString("Cannot create '%1': %2").arg(path, detail));
    }
    return scratchPath;
}

void CreateTemplate(const QString& path)
{
    const QString built = BuildBeside(path, TemplateSchemaSql());
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(built).toStdString(), QFile::encodeName(path).toStdString(), ec);
    if (ec) {
        QFile::remove(built);
        throw dao::JetError::PermissionDenied(path);
    }
}

void CreateDatabaseList(const QString& path)
{
    if (QFileInfo::exists(path))
        throw FileAlreadyExists(path);
    const QString built = BuildBeside(path, DatabaseListSchemaSql());
    // QFile::rename never replaces an existing file, so a list that appeared meanwhile is kept too.
    if (!QFile::rename(built, path)) {
        QFile::remove(built);
        if (QFileInfo::exists(path))
            throw FileAlreadyExists(path);
        throw dao::JetError::PermissionDenied(path);
    }
}

bool IsDatabaseList(const QString& path)
{
    sqlite3* db = nullptr;
    bool found = false;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'DB' COLLATE NOCASE",
                               -1, &st, nullptr) == SQLITE_OK)
            found = sqlite3_step(st) == SQLITE_ROW;
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return found;
}
