#pragma once
// Helpers of the writer tests: the mdbtools commands as the reference reader, and a few raw
// decoders that look at the written bytes without going through the writer's code.
#include "jet/JetWriter.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace jettest {

inline bool haveMdbTools() { return !QStandardPaths::findExecutable("mdb-export").isEmpty(); }

#define REQUIRE_MDBTOOLS()                                                 \
    do {                                                                   \
        if (!jettest::haveMdbTools())                                      \
            GTEST_SKIP() << "mdbtools (mdb-export) is not installed";      \
    } while (0)

struct Run {
    int code = -1;
    QString out;
    QString err;
};

inline Run run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    Run r;
    if (!p.waitForStarted(10000)) {
        r.err = "cannot start " + program;
        return r;
    }
    p.closeWriteChannel();
    p.waitForFinished(120000);
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// Rows of a table as mdb-export prints them (header row left out), NULL as "<NULL>", dates ISO.
// Fields are split on \x01 and rows on \x02 + newline, which never occur in test data. Fails the
// test when mdb-export writes anything on stderr.
inline std::vector<QStringList> exportRows(const QString& file, const QString& table, QString* header = nullptr)
{
    const Run r = run("mdb-export", {"-Q", "-d", "\x01", "-R", "\x02\n", "-T", "%Y-%m-%d %H:%M:%S", "-0", "<NULL>",
                                     file, table});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString()) << "mdb-export wrote on stderr";
    std::vector<QStringList> rows;
    QStringList records = r.out.split("\x02\n");
    if (!records.isEmpty() && records.last().isEmpty())
        records.removeLast();
    for (int i = 0; i < records.size(); ++i) {
        if (i == 0) {
            if (header)
                *header = records[i];
            continue;
        }
        rows.push_back(records[i].split('\x01'));
    }
    return rows;
}

inline int mdbCount(const QString& file, const QString& table)
{
    const Run r = run("mdb-count", {file, table});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    return r.out.trimmed().toInt();
}

// ---------------------------------------------------------------------------------------------
// Raw decoding

inline uint32_t le16(const QByteArray& b, qsizetype at) { return uint8_t(b[at]) | uint8_t(b[at + 1]) << 8; }
inline uint32_t le32(const QByteArray& b, qsizetype at) { return le16(b, at) | le16(b, at + 2) << 16; }

struct RawFile {
    QByteArray bytes;
    static constexpr int kPage = 4096;

    explicit RawFile(const QString& path)
    {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            bytes = f.readAll();
    }
    int pages() const { return int(bytes.size() / kPage); }
    QByteArray page(uint32_t n) const { return bytes.mid(qsizetype(n) * kPage, kPage); }

    // The bytes of row `row` on page `pg` (rows run downwards from the page end) and its flags.
    QByteArray row(uint32_t pg, uint32_t row, uint32_t* flags = nullptr) const
    {
        const QByteArray p = page(pg);
        const uint32_t raw = le16(p, 14 + 2 * row);
        const uint32_t end = row == 0 ? kPage : (le16(p, 14 + 2 * (row - 1)) & 0x1FFF);
        if (flags)
            *flags = raw & 0xC000;
        return p.mid(raw & 0x1FFF, end - (raw & 0x1FFF));
    }

    // Data pages that belong to a table of the user: not the catalog's (2), not long values, maps
    // or page 1. A file with one user table and an empty MSysRelationships has only that table's.
    std::vector<uint32_t> userDataPages() const
    {
        std::vector<uint32_t> out;
        for (int n = 4; n < pages(); ++n) {
            const QByteArray p = page(uint32_t(n));
            const uint32_t owner = le32(p, 4);
            if (uint8_t(p[0]) == 0x01 && owner > 2 && p.mid(4, 4) != "LVAL" && le16(p, 12) > 0)
                out.push_back(uint32_t(n));
        }
        return out;
    }

    // Every row of those pages, in page order, with the deleted ones when asked.
    std::vector<QByteArray> userRows(bool withDeleted = false) const
    {
        std::vector<QByteArray> rows;
        for (uint32_t pg : userDataPages()) {
            const uint32_t n = le16(page(pg), 12);
            for (uint32_t r = 0; r < n; ++r) {
                uint32_t flags = 0;
                QByteArray bytes = row(pg, r, &flags);
                if (flags == 0 || withDeleted)
                    rows.push_back(bytes);
            }
        }
        return rows;
    }

    // The data of a memo whose 12-byte header is given, following long-value rows.
    QByteArray longValue(const QByteArray& header) const
    {
        const uint32_t len = le32(header, 0) & 0xFFFFFF;
        const uint8_t kind = uint8_t(header[3]);
        uint32_t ptr = le32(header, 4);
        if (kind == 0x80)
            return header.mid(12);
        if (kind == 0x40)
            return row(ptr >> 8, ptr & 0xFF);
        QByteArray out;
        while (ptr != 0 && out.size() < qsizetype(len)) {
            const QByteArray piece = row(ptr >> 8, ptr & 0xFF);
            out += piece.mid(4);
            ptr = le32(piece, 0);
        }
        return out;
    }
};

// The password stored in a Jet 4 header: unmask page 0 with the RC4 keystream of the fixed key,
// then XOR the 40 password bytes with the creation date's whole day count.
inline QString decodePassword(const QByteArray& file)
{
    uint8_t s[256];
    const uint8_t key[4] = {0xC7, 0xDA, 0x39, 0x6B};
    for (int i = 0; i < 256; ++i)
        s[i] = uint8_t(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 4]) % 256;
        std::swap(s[i], s[j]);
    }
    QByteArray head = file.left(0x98);
    for (int n = 0, i = 0, j = 0; n < 128; ++n) {
        i = (i + 1) % 256;
        j = (j + s[i]) % 256;
        std::swap(s[i], s[j]);
        head[0x18 + n] = char(uint8_t(head[0x18 + n]) ^ s[(s[i] + s[j]) % 256]);
    }
    double created;
    std::memcpy(&created, head.constData() + 0x72, 8);
    const int32_t days = int32_t(created);
    uint8_t mask[4];
    std::memcpy(mask, &days, 4);
    QString pw;
    for (int i = 0; i < 20; ++i) {
        const uint16_t unit = uint16_t((uint8_t(head[0x42 + 2 * i]) ^ mask[(2 * i) % 4]) |
                                       (uint8_t(head[0x43 + 2 * i]) ^ mask[(2 * i + 1) % 4]) << 8);
        if (unit == 0)
            break;
        pw += QChar(unit);
    }
    return pw;
}

// A temporary directory and a file in it, written from a JetFile.
struct Fixture {
    QTemporaryDir dir;
    QString path(const QString& name = "t.mdb") const { return dir.filePath(name); }
    QString write(const jetwriter::JetFile& f, const QString& name = "t.mdb")
    {
        const QString p = path(name);
        jetwriter::writeJet4(f, p);
        return p;
    }
};

inline jetwriter::Column col(const QString& name, dao::FieldType type, int size = 50)
{
    jetwriter::Column c;
    c.name = name;
    c.type = type;
    c.size = size;
    return c;
}

}  // namespace jettest
