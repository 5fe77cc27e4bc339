#pragma once
// Page 0 of a database file: what kind of file it is, and for a Jet file its page size, code page,
// page-encryption key and database password.
//
// Part of page 0 of a Jet file is masked with a fixed RC4 key stream; a Jet 4 password is masked
// again with the file's creation date. The decoded password stays in memory only: callers compare
// it or hand it to StorePasswordVerifier, never write or print it.
#include "db/DaoError.h"

#include <QByteArray>
#include <QString>

namespace dao {

enum class DbFileFormat { Unknown, Jet3, Jet4, Ace, SQLite };

struct JetHeader {
    DbFileFormat Format = DbFileFormat::Unknown;
    int PageSize = 0;             // Jet 3: 2048, Jet 4: 4096; 0 for other formats
    int CodePage = 0;             // the code page of Jet 3 text
    quint32 EncryptionKey = 0;    // non-zero: every page but page 0 is encrypted
    double CreationDate = 0;      // Jet 4 only
    QString Password;             // the database password; empty when there is none
    bool isJet() const { return Format == DbFileFormat::Jet3 || Format == DbFileFormat::Jet4; }
};

// How many bytes of page 0 the decoder reads.
constexpr int kJetHeaderBytes = 0x98;

// Decodes the first bytes of a file. Fewer bytes than a Jet header needs give Unknown.
JetHeader ParseJetHeader(const QByteArray& firstBytes);

// Reads the first bytes of the file at `path` and decodes them.
// Raises 3024 when the file does not exist, 70 when it cannot be read, 3343 for a pipe or device.
JetHeader ReadJetHeader(const QString& path);

// Raises an error naming the file when a Jet file cannot be read as it stands: 3343 for a file
// that is no Jet 3 or Jet 4 database (ACE, encrypted, unknown), 3049 for a file whose size is not
// a whole number of pages or too small to hold the catalog.
void CheckJetFile(const QString& path, const JetHeader& header, qint64 fileSize);

// Jet's error 3049: the file is damaged or not whole. `detail` says what is wrong.
DaoError CorruptDatabase(const QString& path, const QString& detail);

}  // namespace dao
