// How rows, memos, indexes and relationships are laid out in pages, read back through libmdb and,
// where libmdb cuts or hides something, by decoding the pages.
#include "MdbTools.h"

#include <QDateTime>

using dao::FieldType;
using dao::Variant;
using jettest::col;

namespace {

// A memo of n characters that repeats a pattern, so that a shifted or lost piece shows.
QString memo(int n, const QString& pattern)
{
    QString s;
    s.reserve(n);
    int i = 0;
    while (s.size() < n)
        s += pattern[i++ % pattern.size()];
    return s;
}

QByteArray utf16(const QString& s)
{
    QByteArray b;
    for (QChar c : s) {
        b.append(char(c.unicode() & 0xFF));
        b.append(char(c.unicode() >> 8));
    }
    return b;
}

// The memo's stored value (header and inline data) in a row of a table whose only column is a memo.
QByteArray memoField(const QByteArray& row)
{
    const uint32_t eod = jettest::le16(row, row.size() - 7);
    const uint32_t start = jettest::le16(row, row.size() - 5);
    return row.mid(start, eod - start);
}

}  // namespace

TEST(JetWriterStorage, MemosInlineInOneLongValueRowAndInChains)
{
    jettest::Fixture fx;
    jetwriter::JetFile f;
    jetwriter::Table t;
    t.name = "Memos";
    t.columns = {col("M", FieldType::Memo)};
    const QString digits = "0123456789abcdefghijklmnopqrstuvwxyz";
    const QString inlineText = "short";
    const QString single = memo(1500, digits);                      // plain UTF-16: 3000 bytes, one row
    const QString chain = memo(3000, digits);                       // 6000 bytes: two rows
    const QString unicode = memo(340, QString::fromUtf8("Ωé€x"));   // UTF-16, one row
    const QString huge = memo(300000, digits);                      // 600 000 bytes: a long chain
    t.rows = {{inlineText}, {single}, {chain}, {unicode}, {huge}};
    f.tables.push_back(t);
    const QString path = fx.write(f);

    const jettest::RawFile raw(path);
    const auto rows = raw.userRows();
    ASSERT_EQ(rows.size(), 5u);
    const QByteArray kinds[] = {"\x80", "\x40", QByteArray(1, '\0'), "\x40", QByteArray(1, '\0')};
    const QByteArray data[] = {QByteArray("\xFF\xFE" "short"), utf16(single), utf16(chain), utf16(unicode),
                               utf16(huge)};
    for (size_t i = 0; i < rows.size(); ++i) {
        const QByteArray field = memoField(rows[i]);
        ASSERT_GE(field.size(), 12);
        EXPECT_EQ(field.mid(3, 1), kinds[i]) << "memo " << i;
        EXPECT_EQ(jettest::le32(field, 0) & 0xFFFFFF, uint32_t(data[i].size())) << "memo " << i;
        EXPECT_TRUE(raw.longValue(field) == data[i]) << "memo " << i;
    }

    if (!jettest::haveMdbTools())
        return;
    const auto out = jettest::exportRows(path, "Memos");
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(out[0][0], inlineText);
    EXPECT_EQ(out[1][0], single);
    EXPECT_EQ(out[2][0], chain);
    EXPECT_EQ(out[3][0], unicode);
    // mdb-export binds 200 000 bytes per value, so it shows the first 199 999 characters.
    EXPECT_EQ(out[4][0], huge.left(199999));
}

TEST(JetWriterStorage, TwentyThousandRowsOverMoreThan512Pages)
{
    REQUIRE_MDBTOOLS();
    jettest::Fixture fx;
    jetwriter::JetFile f;
    jetwriter::Table big;
    big.name = "WorkOrders";
    big.columns = {col("Id", FieldType::Long), col("Title", FieldType::Text, 120), col("Cost", FieldType::Currency),
                   col("Done", FieldType::Date), col("Closed", FieldType::Boolean)};
    const int n = 20000;
    for (int i = 1; i <= n; ++i) {
        // non-Latin-1 text stays UTF-16: about 240 bytes a row, so more than 1000 pages
        const QString title = QString::fromUtf8("Ω%1 ").arg(i).leftJustified(100, QChar(0x20AC));
        big.rows.push_back({i, title, QString("%1.%2").arg(i).arg(i % 10000, 4, 10, QChar('0')),
                            QDateTime(QDate(2000, 1, 1).addDays(i % 9000), QTime(i % 24, 0), Qt::UTC),
                            i % 2 == 0});
        big.deleted.push_back(i % 7 == 0);
    }
    // A second table after the big one: its pages lie beyond page 512.
    jetwriter::Table small;
    small.name = "After";
    small.columns = {col("Id", FieldType::Long)};
    small.rows = {{1}, {2}, {3}};
    f.tables = {big, small};
    const QString path = fx.write(f);

    const jettest::RawFile raw(path);
    ASSERT_GT(raw.pages(), 1000);
    const auto out = jettest::exportRows(path, "WorkOrders");
    const int live = n - n / 7;
    ASSERT_EQ(int(out.size()), live);
    EXPECT_EQ(jettest::mdbCount(path, "WorkOrders"), live);
    size_t k = 0;
    for (int i = 1; i <= n; ++i) {
        if (i % 7 == 0)
            continue;
        const QStringList& row = out[k++];
        ASSERT_EQ(row.size(), 5);
        ASSERT_EQ(row[0], QString::number(i));
        ASSERT_EQ(row[1], big.rows[size_t(i - 1)][1].toText());
        ASSERT_EQ(row[2], QString("%1.%2").arg(i).arg(i % 10000, 4, 10, QChar('0')));
        ASSERT_EQ(row[3], QDateTime(QDate(2000, 1, 1).addDays(i % 9000), QTime(i % 24, 0), Qt::UTC)
                              .toString("yyyy-MM-dd HH:mm:ss"));
        ASSERT_EQ(row[4], i % 2 == 0 ? "1" : "0");
    }
    const auto after = jettest::exportRows(path, "After");
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[2][0], "3");
}

TEST(JetWriterStorage, DeletedRowsStayInThePageButAreNotRead)
{
    jettest::Fixture fx;
    jetwriter::JetFile f;
    jetwriter::Table t;
    t.name = "Parts";
    t.columns = {col("Id", FieldType::Long), col("Name", FieldType::Text)};
    t.rows = {{1, "one"}, {2, "two"}, {3, "three"}, {4, "four"}, {5, "five"}};
    t.deleted = {false, true, false, true, false};
    f.tables.push_back(t);
    const QString path = fx.write(f);

    const jettest::RawFile raw(path);
    EXPECT_EQ(raw.userRows(true).size(), 5u);
    const auto pages = raw.userDataPages();
    ASSERT_EQ(pages.size(), 1u);
    uint32_t flags = 0;
    raw.row(pages[0], 1, &flags);
    EXPECT_EQ(flags, 0xC000u);
    raw.row(pages[0], 2, &flags);
    EXPECT_EQ(flags, 0u);

    if (!jettest::haveMdbTools())
        return;
    const auto out = jettest::exportRows(path, "Parts");
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], QStringList({"1", "one"}));
    EXPECT_EQ(out[1], QStringList({"3", "three"}));
    EXPECT_EQ(out[2], QStringList({"5", "five"}));
    EXPECT_EQ(jettest::mdbCount(path, "Parts"), 3);

    jetwriter::Table mismatched = t;
    mismatched.deleted = {true};
    EXPECT_THROW(jetwriter::buildJet4({{mismatched}}), jetwriter::WriteError);
}

TEST(JetWriterStorage, WideTableDefinitionSpansPages)
{
    REQUIRE_MDBTOOLS();
    jettest::Fixture fx;
    jetwriter::JetFile f;
    jetwriter::Table t;
    t.name = "Wide";
    std::vector<Variant> row;
    for (int i = 0; i < 150; ++i) {
        t.columns.push_back(col(QString("Column number %1").arg(i), i % 3 == 0 ? FieldType::Long : FieldType::Text, 5));
        row.push_back(i % 3 == 0 ? Variant(i) : Variant(QString::number(i)));
    }
    t.rows = {row, row};
    f.tables.push_back(t);
    const QString path = fx.write(f);
    QString header;
    const auto out = jettest::exportRows(path, "Wide", &header);
    ASSERT_EQ(out.size(), 2u);
    ASSERT_EQ(out[1].size(), 150);
    EXPECT_EQ(out[1][149], "149");
    EXPECT_TRUE(header.endsWith("Column number 149"));
}

TEST(JetWriterStorage, RowsLongerThanAPageAreRefused)
{
    // 8 Text(255) columns: count 2 + data + end 2 + offsets 16 + var count 2 + mask 1 bytes, at most 4060.
    jetwriter::Table t;
    t.name = "Long";
    std::vector<Variant> row;
    for (int i = 0; i < 8; ++i) {
        t.columns.push_back(col(QString("T%1").arg(i), FieldType::Text, 255));
        row.push_back(QString(255, QChar(0x3A9)));
    }
    row.back() = QString(233, QChar(0x3A9));  // 7 * 510 + 466 + 23 = 4059
    t.rows = {row};
    EXPECT_NO_THROW(jetwriter::buildJet4({{t}}));
    t.rows[0].back() = QString(234, QChar(0x3A9));
    try {
        jetwriter::buildJet4({{t}});
        FAIL() << "a 4061-byte row was accepted";
    } catch (const jetwriter::WriteError& e) {
        EXPECT_EQ(e.row, 1);
        EXPECT_TRUE(e.detail.contains("4061")) << e.what();
    }
}

TEST(JetWriterStorage, PrimaryKeyLeafPointsAtItsRows)
{
    jettest::Fixture fx;
    jetwriter::JetFile f;
    jetwriter::Table t;
    t.name = "Keyed";
    t.columns = {col("Code", FieldType::Text, 10), col("Id", FieldType::Long)};
    t.rows = {{"c", 30}, {"a", -5}, {"gone", 7}, {"b", 2}};
    t.deleted = {false, false, true, false};
    t.primaryKey = {"Id"};
    t.uniqueIndexes = {{"Code"}};
    f.tables.push_back(t);
    const QString path = fx.write(f);

    const jettest::RawFile raw(path);
    QByteArray leaf;
    for (int p = 0; p < raw.pages(); ++p)
        if (uint8_t(raw.page(uint32_t(p))[0]) == 0x04)
            leaf = raw.page(uint32_t(p));
    ASSERT_FALSE(leaf.isEmpty());
    // Three live keys in ascending order: -5, 2, 30; each 9 bytes from 0x1E0.
    const int expected[] = {-5, 2, 30};
    for (int i = 0; i < 3; ++i) {
        const QByteArray e = leaf.mid(0x1E0 + 9 * i, 9);
        EXPECT_EQ(uint8_t(e[0]), 0x7F);
        const int32_t key = int32_t(((uint8_t(e[1]) << 24) | (uint8_t(e[2]) << 16) | (uint8_t(e[3]) << 8) |
                                     uint8_t(e[4])) ^ 0x80000000u);
        EXPECT_EQ(key, expected[i]);
        const uint32_t page = (uint8_t(e[5]) << 16) | (uint8_t(e[6]) << 8) | uint8_t(e[7]);
        const QByteArray row = raw.row(page, uint8_t(e[8]));
        // The row's Long (the only fixed column) follows the column count.
        EXPECT_EQ(int32_t(jettest::le32(row, 2)), expected[i]);
        // The entry ends are marked in the bitmap at 0x1B.
        const int bit = 9 * (i + 1);
        EXPECT_TRUE(uint8_t(leaf[0x1B + bit / 8]) & (1 << (bit % 8)));
    }
    EXPECT_EQ(jettest::le16(leaf, 2), 4096u - 0x1E0 - 27);

    if (!jettest::haveMdbTools())
        return;
    const jettest::Run schema = jettest::run("mdb-schema", {path, "postgres"});
    EXPECT_TRUE(schema.out.contains("PRIMARY KEY (\"id\")")) << schema.out.toStdString();
    EXPECT_TRUE(schema.out.contains("CREATE UNIQUE INDEX")) << schema.out.toStdString();
    // As in Access, the key does not make the column Required.
    EXPECT_TRUE(schema.out.contains("\"id\"\t\t\tINTEGER\n")) << schema.out.toStdString();
    // libmdb's only complaint: the relationships table has no rows
    EXPECT_EQ(schema.err, "No MSysRelationships\n");
}

TEST(JetWriterStorage, PrimaryKeysThatCannotBeWrittenAreRefused)
{
    jetwriter::Table t;
    t.name = "Keyed";
    t.columns = {col("Id", FieldType::Long), col("Name", FieldType::Text)};
    t.primaryKey = {"Id"};
    for (int i = 0; i < jetwriter::kMaxPrimaryKeyRows; ++i)
        t.rows.push_back({i, "x"});
    EXPECT_NO_THROW(jetwriter::buildJet4({{t}}));
    t.rows.push_back({100000, "x"});
    EXPECT_THROW(jetwriter::buildJet4({{t}}), jetwriter::WriteError);

    t.rows = {{1, "a"}, {1, "b"}};
    EXPECT_THROW(jetwriter::buildJet4({{t}}), jetwriter::WriteError);  // duplicate
    t.rows = {{Variant(), "a"}};
    EXPECT_THROW(jetwriter::buildJet4({{t}}), jetwriter::WriteError);  // Null key
    t.rows = {};
    t.primaryKey = {"Name"};
    EXPECT_THROW(jetwriter::buildJet4({{t}}), jetwriter::WriteError);  // not a Long
}

TEST(JetWriterStorage, RelationshipsAreRowsOfAHiddenSystemTable)
{
    REQUIRE_MDBTOOLS();
    jettest::Fixture fx;
    jetwriter::JetFile f;
    jetwriter::Table equip;
    equip.name = "EQUIP";
    equip.columns = {col("EQNUM", FieldType::Text, 25)};
    jetwriter::Table wo;
    wo.name = "WO";
    wo.columns = {col("WONUM", FieldType::Text, 10), col("EQNUM", FieldType::Text, 25)};
    f.tables = {equip, wo};
    f.relationships = {{"EQUIPWO", "WO", "EQNUM", "EQUIP", "EQNUM", 0x1000}};
    const QString path = fx.write(f);

    EXPECT_EQ(jettest::run("mdb-tables", {"-1", path}).out, "EQUIP\nWO\n");
    EXPECT_EQ(jettest::run("mdb-tables", {"-S", "-1", path}).out, "MSysObjects\nMSysRelationships\nEQUIP\nWO\n");
    QString header;
    const auto rels = jettest::exportRows(path, "MSysRelationships", &header);
    EXPECT_EQ(header.split('\x01'), QStringList({"ccolumn", "grbit", "icolumn", "szColumn", "szObject",
                                                 "szReferencedColumn", "szReferencedObject", "szRelationship"}));
    ASSERT_EQ(rels.size(), 1u);
    EXPECT_EQ(rels[0], QStringList({"1", "4096", "0", "EQNUM", "WO", "EQNUM", "EQUIP", "EQUIPWO"}));
    const jettest::Run schema = jettest::run("mdb-schema", {path, "oracle"});
    EXPECT_TRUE(schema.out.contains("FOREIGN KEY")) << schema.out.toStdString();
    EXPECT_EQ(schema.err, QString());

    f.relationships = {{"Bad", "WO", "EQNUM", "NOPE", "EQNUM", 0}};
    EXPECT_THROW(jetwriter::buildJet4(f), jetwriter::WriteError);
    f.relationships = {{"Bad", "WO", "NOPE", "EQUIP", "EQNUM", 0}};
    EXPECT_THROW(jetwriter::buildJet4(f), jetwriter::WriteError);
}
