// Values of every column type, as libmdb reads them back, and their stored bytes where libmdb
// cannot show them (Null against the empty text, dates before 1899-12-30).
#include "MdbTools.h"

#include <QDateTime>

#include <cmath>

using dao::FieldType;
using dao::Variant;
using jettest::col;

namespace {

QDateTime at(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0)
{
    return QDateTime(QDate(y, m, d), QTime(hh, mm, ss), Qt::UTC);
}

jetwriter::Table everyType()
{
    jetwriter::Table t;
    t.name = "Values";
    t.columns = {col("Yes", FieldType::Boolean), col("B", FieldType::Byte),     col("I", FieldType::Integer),
                 col("L", FieldType::Long),      col("C", FieldType::Currency), col("S", FieldType::Single),
                 col("D", FieldType::Double),    col("When", FieldType::Date),  col("T", FieldType::Text, 20),
                 col("M", FieldType::Memo)};
    t.rows = {
        {true, 0, -32768, static_cast<long long>(-2147483648LL), "-922337203685477.5808", -1.5, 1e300,
         at(2099, 12, 31, 23, 59, 59), "abcdefg", "memo text"},
        {false, 255, 32767, 2147483647, "922337203685477.5807", 3.14, 0.3333333333333333, at(1899, 12, 30),
         QString::fromUtf8("é Ω €"), QString::fromUtf8("ΩΩΩ déjà")},
        {Variant(), Variant(), Variant(), Variant(), Variant(), Variant(), Variant(), Variant(), Variant(), Variant()},
        {true, 7, 0, 0, 199.99, 0.0, -2.5e-10, "1899-12-30 12:00:00", "", ""},
        {false, 1, 1, 1, 12, 1, 1, "2024-02-29", "a", QString("x").repeated(64)},
        {false, 1, 1, 1, "0.0001", 1, 1, at(1974, 9, 21), QString("y").repeated(20), QString::fromUtf8("Ω")},
    };
    return t;
}

}  // namespace

TEST(JetWriterValues, EveryTypeReadsBackThroughLibmdb)
{
    REQUIRE_MDBTOOLS();
    jettest::Fixture fx;
    jetwriter::JetFile f;
    f.tables.push_back(everyType());
    const QString path = fx.write(f);

    QString header;
    const auto rows = jettest::exportRows(path, "Values", &header);
    EXPECT_EQ(header, QString("Yes\x01" "B\x01I\x01L\x01" "C\x01S\x01" "D\x01When\x01T\x01M"));
    const std::vector<QStringList> expected = {
        {"1", "0", "-32768", "-2147483648", "-922337203685477.5808", "-1.5", "1e+300", "2099-12-31 23:59:59",
         "abcdefg", "memo text"},
        {"0", "255", "32767", "2147483647", "922337203685477.5807", "3.1400001", "0.3333333333333333",
         "1899-12-30 00:00:00", QString::fromUtf8("é Ω €"), QString::fromUtf8("ΩΩΩ déjà")},
        // Null: Yes/No reads No, everything else Null
        {"0", "<NULL>", "<NULL>", "<NULL>", "<NULL>", "<NULL>", "<NULL>", "<NULL>", "<NULL>", "<NULL>"},
        // libmdb prints the empty text as Null too; the stored difference is checked below
        {"1", "7", "0", "0", "199.9900", "0", "-2.5e-10", "1899-12-30 12:00:00", "<NULL>", "<NULL>"},
        {"0", "1", "1", "1", "12.0000", "1", "1", "2024-02-29 00:00:00", "a", QString("x").repeated(64)},
        {"0", "1", "1", "1", "0.0001", "1", "1", "1974-09-21 00:00:00", QString("y").repeated(20),
         QString::fromUtf8("Ω")},
    };
    ASSERT_EQ(rows.size(), expected.size());
    for (size_t r = 0; r < rows.size(); ++r)
        EXPECT_EQ(rows[r], expected[r]) << "row " << r;
    EXPECT_EQ(jettest::mdbCount(path, "Values"), 6);

    const jettest::Run schema = jettest::run("mdb-schema", {path});
    EXPECT_TRUE(schema.out.contains("[T]\t\t\tText (20)")) << schema.out.toStdString();
    EXPECT_TRUE(schema.out.contains("[M]\t\t\tMemo/Hyperlink")) << schema.out.toStdString();
    EXPECT_TRUE(schema.out.contains("[When]\t\t\tDateTime")) << schema.out.toStdString();
}

TEST(JetWriterValues, NullAndEmptyTextDifferInTheNullMask)
{
    jettest::Fixture fx;
    jetwriter::JetFile f;
    jetwriter::Table t;
    t.name = "Texts";
    t.columns = {col("T", FieldType::Text), col("M", FieldType::Memo)};
    t.rows = {{Variant(), Variant()}, {"", ""}, {"", Variant()}};
    f.tables.push_back(t);
    const jettest::RawFile raw(fx.write(f));
    const auto rows = raw.userRows();
    ASSERT_EQ(rows.size(), 3u);
    // The null mask is the last byte: bit 0 for T, bit 1 for M; 1 means a value is present.
    EXPECT_EQ(uint8_t(rows[0].back()), 0x00);
    EXPECT_EQ(uint8_t(rows[1].back()), 0x03);
    EXPECT_EQ(uint8_t(rows[2].back()), 0x01);
    // The empty memo is an inline long value of length 0.
    const QByteArray& r = rows[1];
    // The row ends: end of data, offset of M, offset of T (last column first), count 2, mask.
    const uint32_t eod = jettest::le16(r, r.size() - 9);
    const uint32_t memoStart = jettest::le16(r, r.size() - 7);
    EXPECT_EQ(eod - memoStart, 12u);
    EXPECT_EQ(r.mid(memoStart, 4), QByteArray("\x00\x00\x00\x80", 4));
}

TEST(JetWriterValues, DatesStoreTheSignOnTheDayCountOnly)
{
    jettest::Fixture fx;
    jetwriter::JetFile f;
    jetwriter::Table t;
    t.name = "Dates";
    t.columns = {col("When", FieldType::Date)};
    t.rows = {{at(1850, 6, 15, 6)}, {at(1899, 12, 29, 18)}, {at(1899, 12, 30)}, {at(1899, 12, 30, 12)},
              {"1900-01-01"},       {at(1974, 9, 21)},      {"2099-12-31 18:00:00"}, {at(100, 1, 1)}};
    f.tables.push_back(t);
    const QString path = fx.write(f);
    const jettest::RawFile raw(path);
    const auto rows = raw.userRows();
    ASSERT_EQ(rows.size(), t.rows.size());
    const double expected[] = {-18095.25, -1.75, 0.0, 0.5, 2.0, 27293.0, 73050.75, -657434.0};
    for (size_t i = 0; i < rows.size(); ++i) {
        double v;
        std::memcpy(&v, rows[i].constData() + 2, 8);
        EXPECT_EQ(v, expected[i]) << "row " << i;
    }
    if (!jettest::haveMdbTools())
        return;
    // libmdb shows only dates from 1899-12-30 on.
    const auto out = jettest::exportRows(path, "Dates");
    ASSERT_EQ(out.size(), t.rows.size());
    EXPECT_EQ(out[2][0], "1899-12-30 00:00:00");
    EXPECT_EQ(out[3][0], "1899-12-30 12:00:00");
    EXPECT_EQ(out[4][0], "1900-01-01 00:00:00");
    EXPECT_EQ(out[6][0], "2099-12-31 18:00:00");
}

TEST(JetWriterValues, TextIsCompressedOnlyWhenEveryCharacterFitsOneByte)
{
    jettest::Fixture fx;
    jetwriter::JetFile f;
    jetwriter::Table t;
    t.name = "Texts";
    t.columns = {col("T", FieldType::Text)};
    const QString bom = QString(QChar(0xFEFF)) + "abc" + QString::fromUtf8("Ω");
    t.rows = {{"abcdefg"}, {"ab"}, {QString::fromUtf8("déjà vu")}, {QString::fromUtf8("Ω€x")}, {bom}};
    f.tables.push_back(t);
    const QString path = fx.write(f);
    const auto rows = jettest::RawFile(path).userRows();
    ASSERT_EQ(rows.size(), 5u);
    auto value = [](const QByteArray& r) {
        const uint32_t eod = jettest::le16(r, r.size() - 7);
        const uint32_t start = jettest::le16(r, r.size() - 5);
        return r.mid(start, eod - start);
    };
    EXPECT_EQ(value(rows[0]), QByteArray("\xFF\xFE" "abcdefg"));
    EXPECT_EQ(value(rows[1]), QByteArray("a\0b\0", 4));
    EXPECT_EQ(value(rows[2]), QByteArray("\xFF\xFE" "d\xE9j\xE0 vu"));
    EXPECT_EQ(value(rows[3]), QByteArray("\xA9\x03\xAC\x20x\0", 6));
    // A text starting with U+FEFF would read as compressed if stored plain; it is stored compressed
    // with a switch to two-byte units.
    EXPECT_EQ(value(rows[4]), QByteArray("\xFF\xFE\x00\xFF\xFE\x00" "abc\x00\xA9\x03", 12));
    if (!jettest::haveMdbTools())
        return;
    const auto out = jettest::exportRows(path, "Texts");
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(out[2][0], QString::fromUtf8("déjà vu"));
    EXPECT_EQ(out[3][0], QString::fromUtf8("Ω€x"));
    EXPECT_EQ(out[4][0], bom);
}

TEST(JetWriterValues, AutonumbersAndRequiredColumns)
{
    REQUIRE_MDBTOOLS();
    jettest::Fixture fx;
    jetwriter::JetFile f;
    jetwriter::Table t;
    t.name = "People";
    jetwriter::Column id = col("Id", FieldType::Long);
    id.autoNumber = true;
    jetwriter::Column name = col("Name", FieldType::Text, 30);
    name.required = true;
    t.columns = {id, name, col("Note", FieldType::Text)};
    t.rows = {{5, "a", Variant()}, {Variant(), "b", Variant()}, {2, "c", Variant()}, {Variant(), "d", Variant()}};
    f.tables.push_back(t);
    const QString path = fx.write(f);
    const auto rows = jettest::exportRows(path, "People");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1][0], "6");
    EXPECT_EQ(rows[3][0], "7");
    const jettest::Run schema = jettest::run("mdb-schema", {path});
    EXPECT_TRUE(schema.out.contains("[Name]\t\t\tText (30) NOT NULL")) << schema.out.toStdString();
    EXPECT_TRUE(schema.out.contains("[Note]\t\t\tText (50)\n")) << schema.out.toStdString();
    EXPECT_EQ(schema.err, QString());
}

TEST(JetWriterValues, ValuesThatDoNotFitAreRefusedWithTheirPlace)
{
    auto fails = [](FieldType type, const Variant& v, int size = 50) -> QString {
        jetwriter::JetFile f;
        jetwriter::Table t;
        t.name = "T";
        t.columns = {col("A", FieldType::Long), col("X", type, size)};
        t.rows = {{1, Variant()}, {2, v}};
        f.tables.push_back(t);
        try {
            jetwriter::buildJet4(f);
        } catch (const jetwriter::WriteError& e) {
            EXPECT_EQ(e.table, "T");
            EXPECT_EQ(e.row, 2);
            EXPECT_EQ(e.column, "X");
            return e.detail;
        }
        return "accepted";
    };
    EXPECT_NE(fails(FieldType::Byte, 256), "accepted");
    EXPECT_NE(fails(FieldType::Byte, -1), "accepted");
    EXPECT_NE(fails(FieldType::Integer, 32768), "accepted");
    EXPECT_NE(fails(FieldType::Long, 2147483648LL), "accepted");
    EXPECT_NE(fails(FieldType::Long, 1.5), "accepted");
    EXPECT_NE(fails(FieldType::Currency, "1.23456"), "accepted");
    EXPECT_NE(fails(FieldType::Currency, "922337203685477.5808"), "accepted");
    EXPECT_NE(fails(FieldType::Single, 1e39), "accepted");
    EXPECT_NE(fails(FieldType::Date, "2024-13-01"), "accepted");
    EXPECT_NE(fails(FieldType::Date, at(99, 12, 31, 23, 59, 59)), "accepted");
    EXPECT_NE(fails(FieldType::Date, at(10000, 1, 1)), "accepted");
    EXPECT_EQ(fails(FieldType::Date, at(9999, 12, 31, 23, 59, 59)), "accepted");
    EXPECT_NE(fails(FieldType::Boolean, "maybe"), "accepted");
    EXPECT_EQ(fails(FieldType::Text, "abcdef", 5), "6 characters do not fit Text(5)");
    EXPECT_EQ(fails(FieldType::Text, "abcde", 5), "accepted");
    EXPECT_EQ(fails(FieldType::Currency, "-922337203685477.5808"), "accepted");
}
