// Jet 4 fixtures that hold what a reader easily gets wrong: dates before 1900, exact currency,
// singles and doubles, long memos with a NUL inside, text beyond Latin-1, Null against the empty
// text, deleted and moved rows, many pages, keys, relationships and a password.
#include "JetTestSupport.h"

#include "db/Database.h"
#include "jet/JetWriter.h"

#include <cstring>

using namespace jettest;
using dao::FieldType;
using dao::Variant;

namespace {

constexpr int kPage = 4096;

quint16 get16(const QByteArray& b, int at)
{
    return static_cast<quint16>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
}
void put16(QByteArray& b, int at, quint16 v)
{
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}

// The data page that holds `marker` (stored as compressed, i.e. Latin-1, text).
int pageHolding(const QByteArray& file, const QByteArray& marker)
{
    const int at = static_cast<int>(file.indexOf(marker));
    EXPECT_GE(at, 0) << marker.toStdString();
    return at < 0 ? 0 : at / kPage;
}

// Access marks a deleted row with 0x8000 only; the fixture writer sets 0xC000. Rewrites the flags
// of every deleted row on the page as Access leaves them.
void markDeletedAsAccessDoes(QByteArray& file, int page)
{
    const int base = page * kPage;
    const int rows = get16(file, base + 12);
    for (int r = 0; r < rows; ++r) {
        const quint16 offset = get16(file, base + 14 + 2 * r);
        if ((offset & 0xC000) == 0xC000)
            put16(file, base + 14 + 2 * r, offset & ~0x4000);
    }
}

QString copyOf(const jetwriter::JetFile& fixture, const QTemporaryDir& dir, const QString& name,
               const std::function<void(QByteArray&)>& patch = {}, const dao::CopyPlan& plan = {})
{
    QByteArray bytes = jetwriter::buildJet4(fixture);
    if (patch)
        patch(bytes);
    const QString mdb = dir.filePath(name + ".mdb");
    writeAll(mdb, bytes);
    const QString copy = dir.filePath(name + ".sqlite");
    dao::CopySourceOptions options;
    options.plan = plan;
    dao::CopySource(mdb, copy, options);
    return copy;
}

jetwriter::Column col(const QString& name, FieldType type, int size = 50)
{
    jetwriter::Column c;
    c.name = name;
    c.type = type;
    c.size = size;
    return c;
}

}  // namespace

TEST(JetTraps, ValuesAreTakenFromTheStoredBytes)
{
    QString longMemo;
    for (int i = 0; longMemo.size() < 300000; ++i)
        longMemo += QString("line %1 of a long memo, with ü and Ω;\r\n").arg(i);
    longMemo.truncate(300000);
    longMemo[150000] = QChar(0);  // a NUL inside must not end the memo

    // Memos of one long-value row each: compressed Latin-1 text, and plain UTF-16.
    const QString compressedMemo = QString::fromUtf8("Grüße, ").repeated(140);
    const QString plainMemo = QString::fromUtf8("Ω-").repeated(750);

    jetwriter::Table t;
    t.name = "VALUES";
    t.columns = {col("N", FieldType::Long),     col("WHEN", FieldType::Date),   col("MONEY", FieldType::Currency),
                 col("S", FieldType::Single),   col("D", FieldType::Double),    col("T", FieldType::Text, 100),
                 col("M", FieldType::Memo),     col("B", FieldType::Byte),      col("I", FieldType::Integer),
                 col("YES", FieldType::Boolean)};
    const auto row = [](int n, Variant when, Variant money, Variant s, Variant d, Variant text, Variant memo,
                        Variant b, Variant i, Variant yes) {
        return std::vector<Variant>{n, when, money, s, d, text, memo, b, i, yes};
    };
    t.rows = {
        row(1, "1753-01-01 00:00:00", "-922337203685477.5808", 3.14, 0.1, "plain", "short memo", 255, -32768, true),
        row(2, 0.0, "922337203685477.5807", -1.5e-7, 1e300, "", "", 0, 32767, false),
        row(3, 0.5, "0.0001", 16777216.0, -2.5e-10, Variant(), Variant(), Variant(), Variant(), Variant()),
        row(4, -18095.25, "1234.5678", 0.1, 1.0 / 3.0, QString::fromUtf8("Ωmega €uro – naïve 🔧"), longMemo, 1, 0, true),
        row(5, "1899-12-29 18:00:00", 0.0, 0.0, 0.0, "abc", compressedMemo, 2, 1, false),
        row(6, "2099-12-31 23:59:59", 5.0, 1.0, 2.0, "x", plainMemo, 3, 2, true),
    };
    jetwriter::JetFile file;
    file.tables = {t};
    QTemporaryDir dir;
    const QString copy = copyOf(file, dir, "values");
    CopyReader r(copy);

    // Dates, also before 1900 and Access's zero date, from the stored double.
    EXPECT_EQ(r.column("SELECT \"WHEN\" FROM \"VALUES\""),
              QStringList({"1753-01-01 00:00:00", "1899-12-30 00:00:00", "1899-12-30 12:00:00", "1850-06-15 06:00:00",
                           "1899-12-29 18:00:00", "2099-12-31 23:59:59"}));
    // Currency to four decimals, with the extremes of its range.
    EXPECT_EQ(r.doubles("SELECT MONEY FROM \"VALUES\""),
              (std::vector<double>{-922337203685477.5808, 922337203685477.5807, 0.0001, 1234.5678, 0.0, 5.0}));
    // Singles at their own precision; doubles exactly.
    EXPECT_EQ(r.column("SELECT S FROM \"VALUES\" WHERE N IN (1, 2, 3, 4)"),
              QStringList({"3.14", "-1.5e-07", "16777216.0", "0.1"}));
    EXPECT_EQ(r.value("SELECT typeof(S) FROM \"VALUES\" WHERE N = 1"), "real");
    EXPECT_EQ(r.value("SELECT D = 0.1 FROM \"VALUES\" WHERE N = 1"), "1");
    EXPECT_EQ(r.value("SELECT D = 1e300 FROM \"VALUES\" WHERE N = 2"), "1");
    EXPECT_EQ(r.value("SELECT D = 1.0 / 3.0 FROM \"VALUES\" WHERE N = 4"), "1");
    // Null stays Null, the empty text stays empty, Yes/No is never Null.
    EXPECT_EQ(r.rows("SELECT T, M, B, I, YES, typeof(T) FROM \"VALUES\" WHERE N = 3")[0],
              QStringList({"<NULL>", "<NULL>", "<NULL>", "<NULL>", "0", "null"}));
    EXPECT_EQ(r.rows("SELECT T, M, typeof(T), typeof(M) FROM \"VALUES\" WHERE N = 2")[0],
              QStringList({"", "", "text", "text"}));
    EXPECT_EQ(r.column("SELECT B || ',' || I || ',' || YES FROM \"VALUES\" WHERE N IN (1, 2)"),
              QStringList({"255,-32768,1", "0,32767,0"}));
    // Text beyond Latin-1, including a character outside the BMP, and a memo of 300,000 characters.
    EXPECT_EQ(r.value("SELECT T FROM \"VALUES\" WHERE N = 4"), QString::fromUtf8("Ωmega €uro – naïve 🔧"));
    EXPECT_EQ(r.value("SELECT M FROM \"VALUES\" WHERE N = 5"), compressedMemo);
    EXPECT_EQ(r.value("SELECT M FROM \"VALUES\" WHERE N = 6"), plainMemo);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(r.db(), "SELECT M FROM \"VALUES\" WHERE N = 4", -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    const QString memo = QString::fromUtf16(static_cast<const char16_t*>(sqlite3_column_text16(st, 0)),
                                            sqlite3_column_bytes16(st, 0) / 2);
    sqlite3_finalize(st);
    EXPECT_EQ(memo.size(), 300000);
    EXPECT_TRUE(memo == longMemo);
}

TEST(JetTraps, DeletedRowsAreLeftOutAndMovedRowsFollowed)
{
    jetwriter::Table t;
    t.name = "WO";
    t.columns = {col("WONUM", FieldType::Text, 20), col("NOTE", FieldType::Memo)};
    t.rows = {{"first", "a"}, {"gone-1", "x"}, {"original", "old"}, {"third", "c"}, {"gone-2", "y"},
              {"moved-here", "the moved copy"}};
    t.deleted = {false, true, false, false, true, true};
    jetwriter::JetFile file;
    file.tables = {t};
    QTemporaryDir dir;

    // As the writer marks deleted rows (0xC000).
    EXPECT_EQ(CopyReader(copyOf(file, dir, "c000")).column("SELECT WONUM FROM WO"),
              QStringList({"first", "original", "third"}));

    // As Access marks them (0x8000), with row 2 moved: its slot points at the copy in row 5,
    // which carries the deleted flag as moved copies do.
    const QString copy = copyOf(file, dir, "access", [](QByteArray& bytes) {
        const int page = pageHolding(bytes, "original");
        markDeletedAsAccessDoes(bytes, page);
        const int base = page * kPage;
        const quint16 slot2 = get16(bytes, base + 14 + 2 * 2);
        put16(bytes, base + 14 + 2 * 2, (slot2 & 0x1FFF) | 0x4000);
        const quint32 pointer = (static_cast<quint32>(page) << 8) | 5;
        std::memcpy(bytes.data() + base + (slot2 & 0x1FFF), &pointer, 4);
    });
    CopyReader r(copy);
    EXPECT_EQ(r.rows("SELECT WONUM, NOTE FROM WO"),
              (std::vector<QStringList>{{"first", "a"}, {"moved-here", "the moved copy"}, {"third", "c"}}));
    if (haveMdbTools()) {
        // The fixture does hold the trap: libmdb's own scan returns the deleted rows as live ones.
        QStringList seen;
        for (const QStringList& row : mdbExport(dir.filePath("access.mdb"), "WO"))
            seen << row.value(0);
        EXPECT_TRUE(seen.contains("gone-1")) << seen.join(',').toStdString();
    }
}

TEST(JetTraps, ManyPagesKeepTheirRowsAndOrder)
{
    jetwriter::Table t;
    t.name = "WOHIST";
    t.columns = {col("WONUM", FieldType::Text, 20), col("EQNUM", FieldType::Text, 20), col("HOURS", FieldType::Double),
                 col("DONE", FieldType::Date), col("REMARKS", FieldType::Memo)};
    for (int i = 0; i < 4000; ++i)
        t.rows.push_back({QString("WO%1").arg(i, 5, 10, QChar('0')), QString("EQ-%1").arg(i % 37), i * 0.25,
                          30000.0 + i, i % 3 == 0 ? Variant() : Variant(QString("remark %1").arg(i))});
    jetwriter::JetFile file;
    file.tables = {t};
    QTemporaryDir dir;
    CopyReader r(copyOf(file, dir, "many"));
    const auto rows = r.rows("SELECT WONUM, HOURS, REMARKS FROM WOHIST");
    ASSERT_EQ(rows.size(), 4000u);
    for (int i = 0; i < 4000; i += 397) {
        EXPECT_EQ(rows[i][0], QString("WO%1").arg(i, 5, 10, QChar('0')));
        EXPECT_EQ(rows[i][1].toDouble(), i * 0.25);
        EXPECT_EQ(rows[i][2], i % 3 == 0 ? QString("<NULL>") : QString("remark %1").arg(i));
    }
    EXPECT_EQ(rows.back()[0], "WO03999");
}

TEST(JetTraps, KeysLookupIndexesRelationshipsAndPassword)
{
    jetwriter::Table equip;
    equip.name = "EQUIP";
    equip.columns = {col("ID", FieldType::Long), col("EQNUM", FieldType::Text, 25), col("DESCRIPTION", FieldType::Text)};
    equip.columns[1].required = true;
    equip.rows = {{1, "PUMP-1", "Pump"}, {2, "fan-2", "Fan"}};
    equip.primaryKey = {"ID"};
    equip.uniqueIndexes = {{"EQNUM"}};
    jetwriter::Table wo;
    wo.name = "WO";
    wo.columns = {col("WONUM", FieldType::Text, 20), col("EQNUM", FieldType::Text, 25)};
    wo.rows = {{"W1", "PUMP-1"}};
    jetwriter::JetFile file;
    file.tables = {equip, wo};
    file.relationships = {{"EQUIPWO", "WO", "EQNUM", "EQUIP", "EQNUM", 0}};
    file.password = QString::fromUtf8("S3cret Ω");
    QTemporaryDir dir;
    const QString copy = copyOf(file, dir, "keys");

    {
        CopyReader r(copy);
        EXPECT_TRUE(r.value("SELECT sql FROM sqlite_master WHERE name='EQUIP'")
                        .contains("\"EQNUM\" VARCHAR(25) COLLATE NOCASE NOT NULL"));
        EXPECT_EQ(r.column("SELECT name FROM sqlite_master WHERE type='index' AND name LIKE 'lookup%' ORDER BY name"),
                  QStringList({"lookup_EQUIP_EQNUM", "lookup_WO_WONUM"}));
        EXPECT_EQ(r.rows("SELECT szRelationship, szObject, szColumn, szReferencedObject, szReferencedColumn "
                         "FROM MSysRelationships"),
                  (std::vector<QStringList>{{"EQUIPWO", "WO", "EQNUM", "EQUIP", "EQNUM"}}));
    }

    EXPECT_THROW(dao::Database::OpenDatabase(copy, true, false, "MS Access;PWD=S3cret"), dao::DaoError);
    auto db = dao::Database::OpenDatabase(copy, true, false, QString::fromUtf8("MS Access;PWD=S3cret Ω"));
    // A rewrite that would duplicate a unique key fails as in Jet, whatever the letter case.
    try {
        db->Execute("UPDATE EQUIP SET EQNUM = 'FAN-2' WHERE ID = 1", dao::dbFailOnError);
        ADD_FAILURE() << "a duplicate key was accepted";
    } catch (const dao::DaoError& e) {
        EXPECT_EQ(e.Number, 3022) << e.Description.toStdString();
    }
    try {
        db->Execute("UPDATE EQUIP SET ID = 2 WHERE EQNUM = 'pump-1'", dao::dbFailOnError);
        ADD_FAILURE() << "a duplicate primary key was accepted";
    } catch (const dao::DaoError& e) {
        EXPECT_EQ(e.Number, 3022);
    }
    EXPECT_EQ(db->GetRelations().Count(), 1);
    db->GetRelations().Delete("EQUIPWO");
    EXPECT_EQ(db->GetRelations().Count(), 0);
}

TEST(JetTraps, APlannedCopyHoldsWhatIsAskedForAndTheKeysOfItsRows)
{
    // EQUIP's key and unique index come along with the column asked for; a table of which no column is
    // asked for keeps its first, for its rows to be counted; a table the plan leaves out is not copied.
    jetwriter::Table equip;
    equip.name = "EQUIP";
    equip.columns = {col("ID", FieldType::Long), col("EQNUM", FieldType::Text, 25), col("DESCRIPTION", FieldType::Text),
                     col("SERIAL", FieldType::Text)};
    equip.rows = {{1, "PUMP-1", "Pump", "S1"}, {2, "fan-2", "Fan", "S2"}};
    equip.primaryKey = {"ID"};
    equip.uniqueIndexes = {{"SERIAL"}};
    jetwriter::Table counted;
    counted.name = "VENDPO";
    counted.columns = {col("VENDORID", FieldType::Text), col("PONUM", FieldType::Text)};
    counted.rows = {{"V1", "P1"}, {"V2", "P2"}, {"V3", "P3"}};
    jetwriter::Table other;
    other.name = "PMSCHED";
    other.columns = {col("X", FieldType::Text)};
    other.rows = {{"x"}};
    jetwriter::JetFile file;
    file.tables = {equip, counted, other};
    dao::CopyPlan plan;
    plan.Table("equip", {"EqNum", "DESCRIPTION"});
    plan.Table("VENDPO", {});
    QTemporaryDir dir;
    const QString copy = copyOf(file, dir, "planned", {}, plan);

    CopyReader r(copy);
    EXPECT_EQ(r.rows("SELECT * FROM EQUIP"),
              (std::vector<QStringList>{{"1", "PUMP-1", "Pump", "S1"}, {"2", "fan-2", "Fan", "S2"}}));
    EXPECT_EQ(r.column("SELECT name FROM pragma_table_info('EQUIP')"), QStringList({"ID", "EQNUM", "DESCRIPTION", "SERIAL"}));
    EXPECT_EQ(r.column("SELECT name FROM pragma_table_info('VENDPO')"), QStringList({"VENDORID"}));
    EXPECT_EQ(r.value("SELECT count(*) FROM VENDPO"), "3");
    EXPECT_EQ(r.value("SELECT count(*) FROM sqlite_master WHERE name = 'PMSCHED'"), "0");
    EXPECT_EQ(r.value("SELECT count(*) FROM sqlite_master WHERE tbl_name = 'EQUIP' AND sql LIKE 'CREATE UNIQUE%'"), "2");

    // Without the description the plan leaves out, the same file keeps only the keys beside EQNUM.
    QTemporaryDir other2;
    dao::CopyPlan keysOnly;
    keysOnly.Table("EQUIP", {"EQNUM"});
    CopyReader k(copyOf(file, other2, "keys", {}, keysOnly));
    EXPECT_EQ(k.column("SELECT name FROM pragma_table_info('EQUIP')"), QStringList({"ID", "EQNUM", "SERIAL"}));
}

TEST(JetTraps, RequiredColumnThatHoldsNullsIsCopiedWhole)
{
    // Access lets a Required rule be set without checking the rows already there. The writer will
    // not write such a row, so the Null bit of row 2's NAME is cleared afterwards.
    jetwriter::Table t;
    t.name = "VENDOR";
    t.columns = {col("VENDORID", FieldType::Text, 20), col("NAME", FieldType::Text)};
    t.columns[1].required = true;
    t.rows = {{"V1", "Acme"}, {"V2", "to be Null"}, {"V3", "Bolt"}};
    jetwriter::JetFile file;
    file.tables = {t};
    QTemporaryDir dir;
    CopyReader r(copyOf(file, dir, "required", [](QByteArray& bytes) {
        const int base = pageHolding(bytes, "to be Null") * kPage;
        const int rowEnd = get16(bytes, base + 14) & 0x1FFF;  // row 2 ends where row 1 starts
        bytes[base + rowEnd - 1] = static_cast<char>(bytes[base + rowEnd - 1] & ~0x02);
    }));
    EXPECT_EQ(r.rows("SELECT VENDORID, NAME FROM VENDOR"),
              (std::vector<QStringList>{{"V1", "Acme"}, {"V2", "<NULL>"}, {"V3", "Bolt"}}));
    EXPECT_FALSE(r.value("SELECT sql FROM sqlite_master WHERE name='VENDOR'").contains("NOT NULL"));
}

TEST(JetTraps, TableDeletedInAccessIsNotCopied)
{
    jetwriter::Table keep;
    keep.name = "KEEP";
    keep.columns = {col("A", FieldType::Long)};
    keep.rows = {{1}};
    jetwriter::Table old = keep;
    old.name = "OLDTABLE";
    jetwriter::JetFile file;
    file.tables = {keep, old};
    QTemporaryDir dir;
    // Delete OLDTABLE's catalog row as Access does: flag 0x8000, one row fewer in the catalog's count.
    const QString copy = copyOf(file, dir, "dropped", [](QByteArray& bytes) {
        for (int page = 3; page < bytes.size() / kPage; ++page) {
            const int base = page * kPage;
            if (bytes[base] != 0x01 || get16(bytes, base + 4) != 2)
                continue;  // not a data page of the catalog (its definition is page 2)
            const QByteArray pageBytes = bytes.mid(base, kPage);
            int at = static_cast<int>(pageBytes.indexOf("OLDTABLE"));
            if (at < 0)
                at = static_cast<int>(pageBytes.indexOf(QByteArray("O\0L\0D\0T\0A\0B\0L\0E\0", 16)));
            if (at < 0)
                continue;
            const int rows = get16(bytes, base + 12);
            for (int r = 0; r < rows; ++r) {
                const int start = get16(bytes, base + 14 + 2 * r) & 0x1FFF;
                const int end = r == 0 ? kPage : get16(bytes, base + 14 + 2 * (r - 1)) & 0x1FFF;
                if (at >= start && at < end)
                    put16(bytes, base + 14 + 2 * r, static_cast<quint16>(start | 0x8000));
            }
            put16(bytes, 2 * kPage + 16, get16(bytes, 2 * kPage + 16) - 1);
            return;
        }
        ADD_FAILURE() << "catalog row not found";
    });
    EXPECT_EQ(CopyReader(copy).userTables(), QStringList({"KEEP"}));
    if (haveMdbTools())  // the fixture holds the trap: libmdb still lists the deleted table
        EXPECT_TRUE(runTool("mdb-tables", {"-1", dir.filePath("dropped.mdb")}).contains("OLDTABLE"));
}

TEST(JetTraps, GuidsReadAsAccessShowsThem)
{
    // Access shows a GUID as {8-4-4-4-12} in upper-case hex; libmdb's text of it lacks the fourth dash.
    jetwriter::Table t;
    t.name = "LINKS";
    t.columns = {col("N", FieldType::Long), col("G", FieldType::Text)};
    t.columns[1].guid = true;
    t.rows = {{1, "{8E39276A-BCA8-4AC4-891E-49911D8438DD}"},
              {2, "{00112233-4455-6677-8899-aabbccddeeff}"},
              {3, Variant()}};
    jetwriter::JetFile file;
    file.tables = {t};
    QTemporaryDir dir;
    CopyReader r(copyOf(file, dir, "guids"));
    const QStringList guids = r.column("SELECT G FROM LINKS");
    EXPECT_EQ(guids, QStringList({"{8E39276A-BCA8-4AC4-891E-49911D8438DD}", "{00112233-4455-6677-8899-AABBCCDDEEFF}",
                                  "<NULL>"}));
    EXPECT_TRUE(r.value("SELECT sql FROM sqlite_master WHERE name = 'LINKS'").contains("\"G\" VARCHAR(38)"));
    if (haveMdbTools()) {
        // The bytes are in the order libmdb reads them: its text is ours without the fourth dash.
        const auto exported = mdbExport(dir.filePath("guids.mdb"), "LINKS");
        ASSERT_EQ(exported.size(), 4u);
        for (int row = 0; row < 2; ++row)
            EXPECT_EQ(exported[row + 1].value(1), QString(guids[row]).remove(24, 1));
    }
}
