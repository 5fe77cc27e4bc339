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

// The copy writes Jet 4 text as UTF-8 without a QString between; every byte must be what the QString
// path gives, and a text it cannot take must leave nothing behind.
TEST(JetText, Jet4TextAsUtf8IsTheQStringPathsBytes)
{
    const auto same = [](const QByteArray& stored, bool direct) {
        const auto* p = reinterpret_cast<const unsigned char*>(stored.constData());
        std::string out = "before";
        ASSERT_EQ(jetreader::appendJet4TextAsUtf8(out, p, static_cast<std::size_t>(stored.size())), direct);
        if (direct)
            EXPECT_EQ(QByteArray::fromStdString(out), "before" + jetreader::decodeJet4Text(p, stored.size()).toUtf8());
        else
            EXPECT_EQ(out, "before");
    };
    const auto utf16 = [](const QString& text) {
        return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    };
    // Compressed: ASCII, Latin-1 bytes, two-byte runs of 2- and 3-byte UTF-8, an empty run, a cut unit.
    same(QByteArray("\xFF\xFE" "abc\x00\xA9\x03\xAC\x20\x00" "d\xE9" "f\x00\x00\xFFx", 18), true);
    same(QByteArray("\xFF\xFE", 2), true);
    same(QByteArray("\xFF\xFE\x00\x41", 4), true);
    // Plain UTF-16: a NUL inside, every UTF-8 length, the BMP's last units, an odd last byte.
    same(utf16(QString::fromUtf8("a\0\u00e9\u20ac\uffef", 9)) + QByteArray("\xFF\xFF\xFE\xFF", 4), true);
    same(utf16(QStringLiteral("ab")) + "c", true);
    same(QByteArray(), true);
    // Surrogates, paired or not, are left to the QString path.
    same(utf16(QString::fromUtf8("x\xF0\x9F\x94\xA7")), false);
    same(QByteArray("\x00\xDC", 2), false);
    same(QByteArray("\xFF\xFE" "ab\x00\x3D\xD8", 7), false);
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
