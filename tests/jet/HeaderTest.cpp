// The header page: version, the masked password and the creation date it is masked with.
#include "MdbTools.h"

#include <cstring>

using dao::FieldType;
using jettest::col;

namespace {

jetwriter::JetFile oneTable(const QString& password, double created = 45306.4375)
{
    jetwriter::JetFile f;
    jetwriter::Table t;
    t.name = "T";
    t.columns = {col("A", FieldType::Long)};
    t.rows = {{1}};
    f.tables.push_back(t);
    f.password = password;
    f.creationDate = created;
    return f;
}

}  // namespace

TEST(JetWriterHeader, PasswordsDecodeAsWritten)
{
    const QString twenty = QString("abcdefghijklmnopqrs") + QString::fromUtf8("Ω");
    ASSERT_EQ(twenty.size(), 20);
    const struct {
        QString password;
        double created;
    } cases[] = {{"S3cret!", 45306.4375}, {"", 45306.4375}, {twenty, 45306.4375}, {"password", 44568.676},
                 {"x", 1.5}};
    for (const auto& c : cases) {
        const QByteArray bytes = jetwriter::buildJet4(oneTable(c.password, c.created));
        EXPECT_EQ(jettest::decodePassword(bytes), c.password) << c.password.toStdString();
        EXPECT_EQ(bytes.left(0x18), QByteArray("\x00\x01\x00\x00Standard Jet DB\x00\x01\x00\x00\x00", 0x18));
        EXPECT_EQ(bytes.size() % 4096, 0);
    }
}

TEST(JetWriterHeader, NoPasswordStillStoresTheMaskedPadding)
{
    // A file without a password stores the day-count mask, not zeros: a reader that unmasks zeros
    // would find a one-character password.
    const QByteArray bytes = jetwriter::buildJet4(oneTable("", 44568.68));
    uint8_t s[256];
    const uint8_t key[4] = {0xC7, 0xDA, 0x39, 0x6B};
    for (int i = 0; i < 256; ++i)
        s[i] = uint8_t(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 4]) % 256;
        std::swap(s[i], s[j]);
    }
    QByteArray plain = bytes.mid(0x18, 128);
    for (int n = 0, i = 0, j = 0; n < 128; ++n) {
        i = (i + 1) % 256;
        j = (j + s[i]) % 256;
        std::swap(s[i], s[j]);
        plain[n] = char(uint8_t(plain[n]) ^ s[(s[i] + s[j]) % 256]);
    }
    EXPECT_EQ(plain.mid(0x42 - 0x18, 8), QByteArray("\x18\xAE\x00\x00\x18\xAE\x00\x00", 8));
    EXPECT_EQ(plain.mid(0x3E - 0x18, 4), QByteArray(4, '\0'));  // no page encryption
    double created;
    std::memcpy(&created, plain.constData() + 0x72 - 0x18, 8);
    EXPECT_EQ(created, 44568.68);
}

TEST(JetWriterHeader, BadPasswordsAreRefused)
{
    EXPECT_THROW(jetwriter::buildJet4(oneTable(QString(21, 'x'))), jetwriter::WriteError);
    EXPECT_THROW(jetwriter::buildJet4(oneTable(QString("a") + QChar(0) + "b")), jetwriter::WriteError);
    EXPECT_THROW(jetwriter::buildJet4(oneTable("x", -3.0)), jetwriter::WriteError);
}

TEST(JetWriterHeader, LibmdbOpensProtectedFiles)
{
    REQUIRE_MDBTOOLS();
    jettest::Fixture fx;
    const QString path = fx.write(oneTable("S3cret!"));
    const jettest::Run ver = jettest::run("mdb-ver", {path});
    EXPECT_EQ(ver.out, "JET4\n");
    EXPECT_EQ(jettest::exportRows(path, "T").size(), 1u);
    EXPECT_EQ(jettest::run("mdb-prop", {path, "T"}).out, "No properties.\n");
}

TEST(JetWriterHeader, TheTestDecoderReadsAccessMadeFiles)
{
    // Keeps the decoder above honest: the same routine on files Access wrote.
    const QString dir = QString(CREW_SHARED_DATA) + "/jet/";
    for (const auto& [name, expected] : {std::pair<QString, QString>{"jet4-password.mdb", "password"},
                                         {"jet4-nopassword.mdb", ""}}) {
        QFile f(dir + name);
        if (!f.open(QIODevice::ReadOnly))
            GTEST_SKIP() << "no " << name.toStdString();
        EXPECT_EQ(jettest::decodePassword(f.read(0x98)), expected) << name.toStdString();
    }
}
