#include "jet/JetHeader.h"

#include <QFile>
#include <QFileInfo>
#include <array>
#include <cstring>

namespace dao {

namespace {

constexpr int kMaskStart = 0x18;
constexpr int kCodePageAt = 0x3C;
constexpr int kEncryptionKeyAt = 0x3E;
constexpr int kPasswordAt = 0x42;
constexpr int kCreationDateAt = 0x72;

// The key stream that masks page 0 from 0x18 on: RC4 with the key C7 DA 39 6B.
std::array<unsigned char, 128> headerKeyStream()
{
    const unsigned char key[4] = {0xC7, 0xDA, 0x39, 0x6B};
    unsigned char s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<unsigned char>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 4]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    std::array<unsigned char, 128> out{};
    for (int n = 0, i = 0, j = 0; n < 128; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        out[n] = s[(s[i] + s[j]) & 0xFF];
    }
    return out;
}

quint16 le16(const unsigned char* p) { return static_cast<quint16>(p[0] | (p[1] << 8)); }
quint32 le32(const unsigned char* p)
{
    return static_cast<quint32>(p[0]) | (static_cast<quint32>(p[1]) << 8) | (static_cast<quint32>(p[2]) << 16) |
           (static_cast<quint32>(p[3]) << 24);
}

// Windows-1252 differs from Latin-1 only in 0x80..0x9F.
QChar fromCp1252(unsigned char c)
{
    static const char16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    return c >= 0x80 && c < 0xA0 ? QChar(high[c - 0x80]) : QChar(c);
}

bool startsWith(const QByteArray& b, const char* text, int length)
{
    return b.size() >= length && std::memcmp(b.constData(), text, length) == 0;
}

}  // namespace

JetHeader ParseJetHeader(const QByteArray& firstBytes)
{
    JetHeader h;
    if (startsWith(firstBytes, "SQLite format 3\0", 16)) {
        h.Format = DbFileFormat::SQLite;
        return h;
    }
    if (firstBytes.size() < kJetHeaderBytes)
        return h;
    const auto* raw = reinterpret_cast<const unsigned char*>(firstBytes.constData());
    if (raw[0] != 0x00 || raw[1] != 0x01 || raw[2] != 0x00 || raw[3] != 0x00)
        return h;
    const QByteArray magic = firstBytes.mid(4, 16);
    const int version = raw[0x14];
    if (magic == QByteArray("Standard ACE DB\0", 16)) {
        h.Format = DbFileFormat::Ace;
        return h;
    }
    if (magic != QByteArray("Standard Jet DB\0", 16) || version > 1) {
        if (magic == QByteArray("Standard Jet DB\0", 16))
            h.Format = DbFileFormat::Ace;  // a Jet magic with a later version: an ACE file
        return h;
    }

    // Unmask the header region.
    unsigned char page[kJetHeaderBytes];
    std::memcpy(page, raw, kJetHeaderBytes);
    static const auto keyStream = headerKeyStream();
    const int masked = version == 0 ? 126 : 128;
    for (int i = 0; i < masked; ++i)
        page[kMaskStart + i] ^= keyStream[i];

    h.Format = version == 0 ? DbFileFormat::Jet3 : DbFileFormat::Jet4;
    h.PageSize = version == 0 ? 2048 : 4096;
    h.CodePage = le16(page + kCodePageAt);
    h.EncryptionKey = le32(page + kEncryptionKeyAt);

    if (version == 0) {
        // Jet 3: up to 20 bytes in the code page, ended by NUL.
        for (int i = 0; i < 20 && page[kPasswordAt + i] != 0; ++i)
            h.Password += fromCp1252(page[kPasswordAt + i]);
    } else {
        // Jet 4: 20 UTF-16 units, masked again with the integer part of the creation date.
        double created = 0;
        std::memcpy(&created, page + kCreationDateAt, sizeof created);
        h.CreationDate = created;
        qint32 day = 0;
        if (created > -2147483648.0 && created < 2147483648.0)
            day = static_cast<qint32>(created);
        const auto mask = static_cast<quint32>(day);
        unsigned char pw[40];
        for (int i = 0; i < 40; ++i)
            pw[i] = page[kPasswordAt + i] ^ static_cast<unsigned char>(mask >> (8 * (i % 4)));
        for (int i = 0; i < 20; ++i) {
            const char16_t unit = le16(pw + 2 * i);
            if (unit == 0)
                break;
            h.Password += QChar(unit);
        }
    }
    return h;
}

JetHeader ReadJetHeader(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        throw JetError::FileNotFound(path);
    if (!info.isFile())  // a pipe or a device: opening or reading it could wait for ever
        throw DaoError(3343, QString("Unrecognized database format '%1'. It is not a file.").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw JetError::PermissionDenied(path);
    const QByteArray head = file.read(kJetHeaderBytes);
    if (head.isNull() && file.error() != QFileDevice::NoError)
        throw JetError::PermissionDenied(path);
    return ParseJetHeader(head);
}

DaoError CorruptDatabase(const QString& path, const QString& detail)
{
    return {3049, QString("Cannot open database '%1'.  It may not be a database that your application "
                          "recognizes, or the file may be corrupt: %2.")
                      .arg(path, detail)};
}

void CheckJetFile(const QString& path, const JetHeader& header, qint64 fileSize)
{
    const auto unrecognized = [&](const QString& why) {
        return DaoError(3343, QString("Unrecognized database format '%1'. %2").arg(path, why));
    };
    switch (header.Format) {
    case DbFileFormat::Jet3:
    case DbFileFormat::Jet4:
        break;
    case DbFileFormat::Ace:
        throw unrecognized("It is an Access 2007 or later (.accdb) database; only Access 97 to 2003 "
                           "databases (.mdb) can be imported. Save it in Access 2002-2003 format first.");
    case DbFileFormat::SQLite:
        throw unrecognized("It is not an Access database.");
    case DbFileFormat::Unknown:
        throw unrecognized(fileSize == 0 ? QString("The file is empty.")
                                         : QString("The file is not an Access database."));
    }
    if (header.EncryptionKey != 0)
        throw unrecognized("The database is encrypted and cannot be read; decrypt it in Access "
                           "(Tools, Security, Encode/Decode Database) and import the decrypted copy.");
    if (fileSize % header.PageSize != 0)
        throw CorruptDatabase(path, QString("its size (%1 bytes) is not a whole number of %2-byte pages, "
                                            "so the file is truncated or damaged")
                                        .arg(fileSize)
                                        .arg(header.PageSize));
    if (fileSize / header.PageSize < 3)
        throw CorruptDatabase(path, QString("it holds only %1 pages, too few for a database catalog, so the "
                                            "file is truncated")
                                        .arg(fileSize / header.PageSize));
}

}  // namespace dao
