// Page 0 of a Jet file (format, code page, encryption key, password) and the decoding of Jet text.
#include "JetTestSupport.h"

#include "jet/JetHeader.h"
#include "jet/JetText.h"
#include "jet/JetWriter.h"

using namespace jettest;
using dao::DbFileFormat;

TEST(JetHeader, RealFiles)
{
    const auto h3 = dao::ParseJetHeader(readAll(sharedJet("jet3-basic.mdb")));
    EXPECT_EQ(h3.Format, DbFileFormat::Jet3);
    EXPECT_EQ(h3.PageSize, 2048);
    EXPECT_EQ(h3.CodePage, 1252);
    EXPECT_EQ(h3.EncryptionKey, 0u);
    EXPECT_EQ(h3.Password, "");

    const auto h4 = dao::ReadJetHeader(sharedJet("jet4-password.mdb"));
    EXPECT_EQ(h4.Format, DbFileFormat::Jet4);
    EXPECT_EQ(h4.PageSize, 4096);
    EXPECT_EQ(h4.EncryptionKey, 0u);
    EXPECT_EQ(h4.Password, "password");
    // Without a password Jet 4 stores the creation-date mask, not zeros: that must still decode as none.
    EXPECT_EQ(dao::ReadJetHeader(sharedJet("jet4-nopassword.mdb")).Password, "");
    EXPECT_EQ(dao::ReadJetHeader(sharedJet("jet4-types.mdb")).Password, "");
}

TEST(JetHeader, Jet4PasswordsUnderDifferentCreationDates)
{
    for (const QString password : {QString("S3cret!"), QString::fromUtf8("twenty-characters--Ω"), QString("a")}) {
        for (double created : {45306.4375, 36526.0, 2.5}) {
            jetwriter::JetFile file;
            jetwriter::Table t;
            t.name = "T";
            t.columns = {{"A", dao::FieldType::Long}};
            file.tables = {t};
            file.password = password;
            file.creationDate = created;
            const auto h = dao::ParseJetHeader(jetwriter::buildJet4(file).left(dao::kJetHeaderBytes));
            EXPECT_EQ(h.Password, password) << created;
            EXPECT_DOUBLE_EQ(h.CreationDate, created);
        }
    }
}

TEST(JetHeader, Jet3PasswordIsReadInTheCodePage)
{
    // The masked bytes of an unprotected Jet 3 header decode to zeros, so XOR-ing a password into
    // the stored bytes stores that password.
    QByteArray bytes = readAll(sharedJet("jet3-basic.mdb")).left(dao::kJetHeaderBytes);
    const QByteArray cp1252("S3cret\x80", 7);
    for (int i = 0; i < cp1252.size(); ++i)
        bytes[0x42 + i] = static_cast<char>(bytes[0x42 + i] ^ cp1252[i]);
    EXPECT_EQ(dao::ParseJetHeader(bytes).Password, QString::fromUtf8("S3cret€"));
}

TEST(JetHeader, OtherFormatsAndShortFiles)
{
    EXPECT_EQ(dao::ParseJetHeader(QByteArray("SQLite format 3\0rest", 20)).Format, DbFileFormat::SQLite);
    EXPECT_EQ(dao::ParseJetHeader(readAll(sharedJet("jet4-types.mdb")).left(0x40)).Format, DbFileFormat::Unknown);
    EXPECT_EQ(dao::ParseJetHeader(QByteArray(4096, '\0')).Format, DbFileFormat::Unknown);
    QByteArray ace = readAll(sharedJet("jet4-types.mdb")).left(dao::kJetHeaderBytes);
    ace.replace(4, 15, "Standard ACE DB");
    EXPECT_EQ(dao::ParseJetHeader(ace).Format, DbFileFormat::Ace);

    const auto h = dao::ParseJetHeader(readAll(sharedJet("jet4-types.mdb")));
    EXPECT_NO_THROW(dao::CheckJetFile("x.mdb", h, 4096 * 10));
    try {
        dao::CheckJetFile("x.mdb", h, 4096 * 10 + 1);
        ADD_FAILURE();
    } catch (const dao::DaoError& e) {
        EXPECT_EQ(e.Number, 3049);
        EXPECT_TRUE(e.Description.contains("'x.mdb'"));
    }
}

TEST(JetText, Jet4CompressedAndPlain)
{
    const unsigned char compressed[] = {0xFF, 0xFE, 'a', 'b', 'c', 0x00, 0xA9, 0x03, 0x00, 'd', 'e', 'f'};
    EXPECT_EQ(jetreader::decodeJet4Text(compressed, sizeof compressed), QString::fromUtf8("abcΩdef"));
    const unsigned char latin1[] = {0xFF, 0xFE, 'n', 'a', 0xEF, 'v', 'e'};
    EXPECT_EQ(jetreader::decodeJet4Text(latin1, sizeof latin1), QString::fromUtf8("naïve"));
    EXPECT_EQ(jetreader::decodeJet4Text(compressed, 2), "");

    // Plain UTF-16, with a character outside the BMP (a surrogate pair) and a NUL inside.
    const QString text = QString::fromUtf8("a\0🔧€", 9);
    ASSERT_EQ(text.size(), 5);
    const QByteArray utf16(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    EXPECT_EQ(jetreader::decodeJet4Text(reinterpret_cast<const unsigned char*>(utf16.constData()), utf16.size()), text);
}

TEST(JetText, Jet3CodePages)
{
    const unsigned char western[] = {'C', 'a', 'f', 0xE9, ' ', 0x80, 0x81, ' ', 0x96};
    jetreader::CodePageText cp1252(1252);
    EXPECT_EQ(cp1252.decode(western, sizeof western), QString::fromUtf8("Café €\u0081 –"));
    jetreader::CodePageText unknown(0);
    EXPECT_EQ(unknown.decode(western, 4), QString::fromUtf8("Café"));
    const unsigned char cyrillic[] = {0xCC, 0xE0, 0xF8, 0xE8, 0xED, 0xE0};
    jetreader::CodePageText cp1251(1251);
    EXPECT_EQ(cp1251.decode(cyrillic, sizeof cyrillic), QString::fromUtf8("Машина"));
}
