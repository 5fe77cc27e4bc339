#include "db/PasswordVerifier.h"

#include "db/DaoError.h"

#include <QCryptographicHash>
#include <QStringList>
#include <QRandomGenerator>
#include <sqlite3.h>

namespace dao {

namespace {

constexpr int kRounds = 20000;

QByteArray digest(const QByteArray& salt, const QString& password)
{
    QByteArray h = salt + password.toUtf8();
    for (int i = 0; i < kRounds; ++i)
        h = QCryptographicHash::hash(salt + h, QCryptographicHash::Sha256);
    return h;
}

bool hasTable(sqlite3* db)
{
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type='table' AND name='MSysPassword'", -1, &st,
                       nullptr);
    const bool found = st && sqlite3_step(st) == SQLITE_ROW;
    sqlite3_finalize(st);
    return found;
}

}  // namespace

void StorePasswordVerifier(sqlite3* db, const QString& password)
{
    if (password.isEmpty())
        return;
    QByteArray salt(16, '\0');
    for (auto& c : salt)
        c = static_cast<char>(QRandomGenerator::system()->bounded(256));
    const QByteArray hash = digest(salt, password);
    if (sqlite3_exec(db, "CREATE TABLE IF NOT EXISTS MSysPassword (Salt BLOB NOT NULL, Hash BLOB NOT NULL)",
                     nullptr, nullptr, nullptr) != SQLITE_OK)
        throw JetError::Engine(QString::fromUtf8(sqlite3_errmsg(db)));
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO MSysPassword (Salt, Hash) VALUES (?, ?)", -1, &st, nullptr);
    sqlite3_bind_blob(st, 1, salt.constData(), static_cast<int>(salt.size()), SQLITE_TRANSIENT);
    sqlite3_bind_blob(st, 2, hash.constData(), static_cast<int>(hash.size()), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        throw JetError::Engine(QString::fromUtf8(sqlite3_errmsg(db)));
}

bool PasswordAccepted(sqlite3* db, const QString& password, bool passwordGiven)
{
    if (!hasTable(db))
        return true;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT Salt, Hash FROM MSysPassword", -1, &st, nullptr);
    bool accepted = true;
    if (st && sqlite3_step(st) == SQLITE_ROW) {
        const QByteArray salt(static_cast<const char*>(sqlite3_column_blob(st, 0)), sqlite3_column_bytes(st, 0));
        const QByteArray hash(static_cast<const char*>(sqlite3_column_blob(st, 1)), sqlite3_column_bytes(st, 1));
        accepted = passwordGiven && digest(salt, password) == hash;
    }
    sqlite3_finalize(st);
    return accepted;
}

bool PasswordFromConnect(const QString& connect, QString* password)
{
    // The password runs to the end of the string: it may itself hold ';' or '='.
    int at = -1;
    if (connect.startsWith("PWD=", Qt::CaseInsensitive))
        at = 0;
    else if (const int i = connect.indexOf(";PWD=", 0, Qt::CaseInsensitive); i >= 0)
        at = i + 1;
    if (at < 0)
        return false;
    *password = connect.mid(at + 4);
    return true;
}

}  // namespace dao
