#pragma once
// Shared by the reliability tests: a file's fingerprint, a scratch filesystem of a given size or
// mounted read-only, and reading a SQLite file back with plain sqlite3.
#include <QByteArray>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <sqlite3.h>

namespace reliability {

// The bytes and modification time of a file: a source must leave every run as it came.
struct Fingerprint {
    QByteArray sha256;
    QDateTime modified;
    qint64 size = -1;
    bool operator==(const Fingerprint& o) const
    {
        return sha256 == o.sha256 && modified == o.modified && size == o.size;
    }
};

// The folder of the running test program, where the programs it runs are built too.
inline QString BinDir() { return QFileInfo(QFileInfo("/proc/self/exe").canonicalFilePath()).absolutePath(); }

inline Fingerprint FingerprintOf(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QFileInfo info(path);
    return {QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256),
            info.fileTime(QFileDevice::FileModificationTime), info.size()};
}

inline QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Does `haystack` hold `secret` as UTF-8, Latin-1 or UTF-16 text (either byte order)?
// Writes `bytes` as the whole of `path`; false when it cannot be written.
inline bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline bool HoldsSecret(const QByteArray& haystack, const QString& secret)
{
    const auto utf16 = [&](bool little) {
        QByteArray b;
        for (QChar c : secret) {
            const char lo = static_cast<char>(c.unicode() & 0xFF), hi = static_cast<char>(c.unicode() >> 8);
            b.append(little ? lo : hi).append(little ? hi : lo);
        }
        return b;
    };
    if (secret.isEmpty())
        return false;
    return haystack.contains(secret.toUtf8()) || haystack.contains(secret.toLatin1()) ||
           haystack.contains(utf16(true)) || haystack.contains(utf16(false));
}

// A tmpfs mounted over `dir` for the life of the object: a disk that fills up at `sizeKb`, or one that
// cannot be written at all. Mounting needs privileges a test machine may not grant: ok() says
// whether it worked, and the tests that need it skip when it did not.
class ScratchMount {
public:
    ScratchMount(const QString& dir, int sizeKb, bool readOnly = false) : dir_(dir)
    {
        QDir().mkpath(dir);
        QString options = QString("size=%1k,mode=0777").arg(sizeKb);
        if (readOnly)
            options += ",ro";
        mounted_ = QProcess::execute("mount", {"-t", "tmpfs", "-o", options, "tmpfs", dir}) == 0;
    }
    ~ScratchMount()
    {
        if (mounted_)
            QProcess::execute("umount", {"-l", dir_});
    }
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;
    bool ok() const { return mounted_; }

private:
    QString dir_;
    bool mounted_ = false;
};

// Rows of a query as text, one string per row with the columns joined by '|' ("<null>" for Null).
// A file that a killed program was writing may hold a hot journal, which only a connection that can
// write rolls back (as the product itself would when it opens the file): readWrite opens it so.
inline QStringList QueryRows(const QString& path, const QString& sql, bool readWrite = false)
{
    QStringList out;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, readWrite ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return {"<cannot open " + path + ">"};
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
        out << "<" + QString::fromUtf8(sqlite3_errmsg(db)) + ">";
        sqlite3_close(db);
        return out;
    }
    while (sqlite3_step(st) == SQLITE_ROW) {
        QStringList cols;
        for (int i = 0; i < sqlite3_column_count(st); ++i)
            cols << (sqlite3_column_type(st, i) == SQLITE_NULL
                         ? QString("<null>")
                         : QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)),
                                             sqlite3_column_bytes(st, i)));
        out << cols.join('|');
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

}  // namespace reliability
