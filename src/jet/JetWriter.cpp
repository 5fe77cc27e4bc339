#include "JetWriter.h"

#include "db/SafeFiles.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QUuid>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <variant>

namespace jetwriter {

WriteError::WriteError(const QString& message, const QString& table_, int row_, const QString& column_)
    : std::runtime_error([&] {
          QString where;
          if (!table_.isEmpty())
              where += "table " + table_;
          if (row_ > 0)
              where += QString(where.isEmpty() ? "" : ", ") + "row " + QString::number(row_);
          if (!column_.isEmpty())
              where += QString(where.isEmpty() ? "" : ", ") + "column " + column_;
          return (where.isEmpty() ? message : where + ": " + message).toStdString();
      }()),
      table(table_), row(row_), column(column_), detail(message)
{
}

namespace {

constexpr int kPageSize = 4096;
constexpr int kDataHeader = 14;            // Jet 4 data page header before the row offsets
constexpr int kMaxRowsPerPage = 255;       // a row pointer keeps the row number in one byte
constexpr int kMaxRowLength = 4060;
constexpr int kInlineMemoMax = 64;         // longer memo data goes to long-value rows
constexpr int kMaxLvalRow = 4076;          // one long-value row (data only, or pointer + piece)
constexpr int kChainPiece = kMaxLvalRow - 4;
constexpr int kInlineMapBits = 64 * 8;     // pages covered by an inline usage map
constexpr int kRefMapBits = (kPageSize - 4) * 8;  // pages covered by one usage-bitmap page
constexpr int kRefMapSlots = 17;           // a reference map row of 69 bytes
constexpr int kIndexEntriesStart = 0x1E0;
constexpr uint32_t kCatalogTdef = 2;
constexpr uint32_t kTablesContainerId = 0x0F000001;
constexpr uint32_t kRootParentId = 0x0F000000;

enum TypeCode : uint8_t {
    kBool = 0x01, kByte = 0x02, kInt = 0x03, kLong = 0x04, kMoney = 0x05, kFloat = 0x06,
    kDouble = 0x07, kDate = 0x08, kBinary = 0x09, kText = 0x0A, kOle = 0x0B, kMemo = 0x0C, kGuid = 0x0F,
};

using Bytes = std::vector<uint8_t>;

void put16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
void put32(uint8_t* p, uint32_t v) { for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i)); }
void put64(uint8_t* p, uint64_t v) { for (int i = 0; i < 8; ++i) p[i] = uint8_t(v >> (8 * i)); }
uint32_t get16(const uint8_t* p) { return p[0] | (p[1] << 8); }

void append16(Bytes& b, uint32_t v) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); }
void append32(Bytes& b, uint32_t v) { for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i))); }
void appendUtf16(Bytes& b, const QString& s)
{
    for (QChar c : s)
        append16(b, c.unicode());
}
void appendName(Bytes& b, const QString& s)
{
    append16(b, uint32_t(s.size() * 2));
    appendUtf16(b, s);
}

uint32_t pgRow(uint32_t page, uint32_t row) { return (page << 8) | row; }

// ---------------------------------------------------------------------------------------------
// Values

// One cell as the encoder takes it: Null, a value, or raw bytes (Binary and OLE, internal only).
using Cell = std::variant<std::monostate, dao::Variant, QByteArray>;

struct ColumnDef {
    QString name;
    uint8_t code = kText;
    int length = 0;  // col_len in the definition
    bool required = false;
    bool autoNumber = false;
    // Derived layout.
    int number = 0;
    bool fixed = false;
    int fixedOffset = 0;
    int varIndex = 0;
};

struct IndexDef {
    QString name;
    std::vector<int> columns;  // column numbers
    uint8_t flags = 0;         // 0x01 unique, 0x08 required, 0x80 as Access sets on keys
    uint8_t type = 0;          // 1 primary key, 0 other
};

struct TableDef {
    QString name;
    bool system = false;
    std::vector<ColumnDef> cols;
    std::vector<std::vector<Cell>> rows;
    std::vector<bool> deleted;
    std::vector<IndexDef> indexes;
    int primaryKeyIndex = -1;  // into indexes
    uint32_t primaryKeyFirstPage = 0;
    int fixedSize = 0;
    int varCount = 0;
    std::vector<uint32_t> tdefPages;
    QByteArray props;  // LvProp of its catalog row, empty for none
};

bool isFixedCode(uint8_t code)
{
    switch (code) {
    case kBool: case kByte: case kInt: case kLong: case kMoney: case kFloat: case kDouble: case kDate: case kGuid:
        return true;
    default: return false;
    }
}

int fixedLength(uint8_t code)
{
    switch (code) {
    case kBool: return 0;
    case kByte: return 1;
    case kInt: return 2;
    case kLong: case kFloat: return 4;
    case kGuid: return 16;
    default: return 8;
    }
}

QString typeText(uint8_t code)
{
    switch (code) {
    case kBool: return "Yes/No";
    case kByte: return "Byte";
    case kInt: return "Integer";
    case kLong: return "Long";
    case kMoney: return "Currency";
    case kFloat: return "Single";
    case kDouble: return "Double";
    case kDate: return "Date/Time";
    case kText: return "Text";
    case kMemo: return "Memo";
    case kGuid: return "GUID";
    default: return "Binary";
    }
}

struct ValueError {
    QString message;
};

std::optional<qint64> exactInteger(const dao::Variant& v)
{
    using K = dao::Variant::Kind;
    switch (v.kind()) {
    case K::Boolean:
    case K::Integer: return v.toLong();
    case K::Real: {
        const double d = v.toDouble();
        if (!std::isfinite(d) || d != std::trunc(d) || std::fabs(d) > 9.2e18)
            return std::nullopt;
        return qint64(d);
    }
    case K::Text: {
        bool ok = false;
        const qint64 n = v.toText().trimmed().toLongLong(&ok);
        if (ok)
            return n;
        return std::nullopt;
    }
    default: return std::nullopt;
    }
}

// Currency as an exact count of ten-thousandths.
std::optional<qint64> currencyUnits(const dao::Variant& v)
{
    using K = dao::Variant::Kind;
    if (v.kind() == K::Integer || v.kind() == K::Boolean) {
        const qint64 n = v.toLong();
        if (n > std::numeric_limits<qint64>::max() / 10000 || n < std::numeric_limits<qint64>::min() / 10000)
            return std::nullopt;
        return n * 10000;
    }
    if (v.kind() == K::Real) {
        const long double scaled = std::round(static_cast<long double>(v.toDouble()) * 10000.0L);
        if (!std::isfinite(double(scaled)) || scaled >= 9223372036854775807.0L || scaled < -9223372036854775808.0L)
            return std::nullopt;
        return qint64(scaled);
    }
    if (v.kind() != K::Text)
        return std::nullopt;
    // Decimal text, parsed exactly: [sign] digits [. up to 4 digits]
    const QString t = v.toText().trimmed();
    int i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+'))
        negative = t[i++] == '-';
    unsigned __int128 units = 0;
    int intDigits = 0, fracDigits = 0;
    for (; i < t.size() && t[i].isDigit(); ++i, ++intDigits)
        units = units * 10 + uint32_t(t[i].digitValue());
    if (i < t.size() && t[i] == '.') {
        for (++i; i < t.size() && t[i].isDigit(); ++i, ++fracDigits) {
            if (fracDigits >= 4)
                return std::nullopt;  // more decimals than Currency keeps
            units = units * 10 + uint32_t(t[i].digitValue());
        }
    }
    if (i != t.size() || intDigits + fracDigits == 0 || intDigits > 15)
        return std::nullopt;
    for (int k = fracDigits; k < 4; ++k)
        units *= 10;
    const unsigned __int128 limit = negative ? (unsigned __int128)1 << 63 : ((unsigned __int128)1 << 63) - 1;
    if (units > limit)
        return std::nullopt;
    return negative ? qint64(-(__int128)units) : qint64(units);
}

// Jet's dates run from 100-01-01 to 9999-12-31.
constexpr double kFirstJetDate = -657434.0;
constexpr double kLastJetDate = 2958466.0;

double jetDate(const QDateTime& dt)
{
    const qint64 days = QDate(1899, 12, 30).daysTo(dt.date());
    const double frac = QTime(0, 0).msecsTo(dt.time()) / 86400000.0;
    return days >= 0 ? double(days) + frac : double(days) - frac;
}

std::optional<double> dateValueAnyRange(const dao::Variant& v);

std::optional<double> dateValue(const dao::Variant& v)
{
    const auto d = dateValueAnyRange(v);
    if (d && (*d <= kFirstJetDate - 1 || *d >= kLastJetDate))
        return std::nullopt;
    return d;
}

std::optional<double> dateValueAnyRange(const dao::Variant& v)
{
    using K = dao::Variant::Kind;
    switch (v.kind()) {
    case K::Date: {
        const QDateTime dt = v.toDate();
        if (!dt.isValid())
            return std::nullopt;
        return jetDate(dt);
    }
    case K::Integer:
    case K::Real: {
        const double d = v.toDouble();
        if (!std::isfinite(d))
            return std::nullopt;
        return d;
    }
    case K::Text: {
        const QString t = v.toText().trimmed();
        QDate d;
        QTime tm(0, 0);
        if (t.size() == 10) {
            d = QDate::fromString(t, "yyyy-MM-dd");
        } else if (t.size() == 19 && t[10] == ' ') {
            d = QDate::fromString(t.left(10), "yyyy-MM-dd");
            tm = QTime::fromString(t.mid(11), "HH:mm:ss");
        }
        if (!d.isValid() || !tm.isValid())
            return std::nullopt;
        return jetDate(QDateTime(d, tm));
    }
    default: return std::nullopt;
    }
}

std::optional<double> realValue(const dao::Variant& v)
{
    using K = dao::Variant::Kind;
    if (v.kind() == K::Integer || v.kind() == K::Real || v.kind() == K::Boolean)
        return v.toDouble();
    if (v.kind() == K::Text) {
        bool ok = false;
        const double d = v.toText().trimmed().toDouble(&ok);  // C locale
        if (ok)
            return d;
    }
    return std::nullopt;
}

// Jet 4 text: "compressed" (FF FE, then one byte per character, 0x00 toggling to two-byte units)
// when the column allows it and it is shorter, plain UTF-16LE otherwise.
Bytes encodeText(const QString& s, bool isMemo)
{
    Bytes out;
    const bool allLatin1 = std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() >= 1 && c.unicode() <= 0xFF; });
    if (allLatin1 && s.size() > 2 && (!isMemo || s.size() <= 1024)) {
        out.reserve(s.size() + 2);
        out.push_back(0xFF);
        out.push_back(0xFE);
        for (QChar c : s)
            out.push_back(uint8_t(c.unicode()));
        return out;
    }
    if (!s.isEmpty() && s[0].unicode() == 0xFEFF) {
        // Plain UTF-16 would start FF FE and be read as compressed text. Write it compressed with
        // mode switches instead; that cannot hold a character whose low byte is 0x00.
        for (QChar c : s)
            if ((c.unicode() & 0xFF) == 0)
                throw ValueError{"a text that starts with U+FEFF and holds a character with a zero low byte "
                                 "cannot be stored"};
        out = {0xFF, 0xFE};
        bool single = true;
        for (QChar c : s) {
            const bool fits = c.unicode() <= 0xFF;
            if (fits != single) {
                out.push_back(0x00);
                single = fits;
            }
            out.push_back(uint8_t(c.unicode()));
            if (!single)
                out.push_back(uint8_t(c.unicode() >> 8));
        }
        return out;
    }
    out.reserve(s.size() * 2);
    for (QChar c : s) {
        out.push_back(uint8_t(c.unicode()));
        out.push_back(uint8_t(c.unicode() >> 8));
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Pages

class PageFile {
public:
    uint32_t newPage()
    {
        pages_.emplace_back(kPageSize, uint8_t(0));
        return uint32_t(pages_.size() - 1);
    }
    uint8_t* at(uint32_t page) { return pages_[page].data(); }
    uint32_t count() const { return uint32_t(pages_.size()); }

    void initDataPage(uint32_t page, uint32_t owner)
    {
        uint8_t* p = at(page);
        p[0] = 0x01;
        p[1] = 0x01;
        put16(p + 2, kPageSize - kDataHeader);
        put32(p + 4, owner);
    }
    bool fits(uint32_t page, size_t len)
    {
        const uint8_t* p = at(page);
        return get16(p + 12) < kMaxRowsPerPage && get16(p + 2) >= len + 2;
    }
    // Adds a row below the previous one; returns its row number.
    uint32_t addRow(uint32_t page, const uint8_t* data, size_t len, uint16_t flags = 0)
    {
        uint8_t* p = at(page);
        const uint32_t n = get16(p + 12);
        const uint32_t end = n == 0 ? kPageSize : (get16(p + kDataHeader + 2 * (n - 1)) & 0x1FFF);
        const uint32_t start = end - uint32_t(len);
        std::memcpy(p + start, data, len);
        put16(p + kDataHeader + 2 * n, start | flags);
        put16(p + 12, n + 1);
        put16(p + 2, get16(p + 2) - uint32_t(len) - 2);
        return n;
    }
    uint32_t rowStart(uint32_t page, uint32_t row) { return get16(at(page) + kDataHeader + 2 * row) & 0x1FFF; }

    QByteArray bytes() const
    {
        QByteArray out;
        out.reserve(int(pages_.size()) * kPageSize);
        for (const auto& p : pages_)
            out.append(reinterpret_cast<const char*>(p.data()), kPageSize);
        return out;
    }

private:
    std::vector<Bytes> pages_;
};

// Rows of one owner (a table, the long values, the usage maps), filled page after page.
class RowSink {
public:
    RowSink(PageFile& file, uint32_t owner) : file_(file), owner_(owner) {}
    std::pair<uint32_t, uint32_t> place(const Bytes& row, uint16_t flags = 0, bool freshPage = false)
    {
        if (current_ == 0 || freshPage || !file_.fits(current_, row.size())) {
            current_ = file_.newPage();
            file_.initDataPage(current_, owner_);
            pages_.push_back(current_);
        }
        return {current_, file_.addRow(current_, row.data(), row.size(), flags)};
    }
    const std::vector<uint32_t>& pages() const { return pages_; }
    // Continues on a page that is already set up for this owner.
    void adopt(uint32_t page)
    {
        current_ = page;
        pages_.push_back(page);
    }

private:
    PageFile& file_;
    uint32_t owner_;
    uint32_t current_ = 0;
    std::vector<uint32_t> pages_;
};

const uint32_t kLvalOwner = uint32_t('L') | uint32_t('V') << 8 | uint32_t('A') << 16 | uint32_t('L') << 24;

class Writer {
public:
    explicit Writer(const JetFile& f) : file_(f), maps_(pages_, 0) {}
    QByteArray build();

private:
    void reserveTdef(TableDef& t);
    void writeTable(TableDef& t);
    Bytes encodeRow(const TableDef& t, const std::vector<Cell>& row, int rowNumber, RowSink& lval);
    Bytes longValue(const Bytes& data, RowSink& lval);
    uint32_t addMap(const std::vector<uint32_t>& pages);
    uint32_t addInlineMap(uint32_t start, const std::vector<uint32_t>& pages);
    Bytes buildTdef(const TableDef& t, uint32_t rowCount, uint32_t lastAuto, uint32_t usedMap, uint32_t freeMap,
                    const std::vector<uint32_t>& indexMaps, const std::vector<uint32_t>& indexRoots,
                    const std::vector<std::pair<uint32_t, uint32_t>>& memoMaps);
    uint32_t writeIndexLeaf(uint32_t tdefPage, std::vector<std::pair<int32_t, uint32_t>> keys);
    void writeGlobalMap();
    void writeHeader();

    const JetFile& file_;
    PageFile pages_;
    RowSink maps_;
};

// ---------------------------------------------------------------------------------------------
// Table layout

void layoutColumns(TableDef& t)
{
    int fixedOffset = 0, varIndex = 0;
    for (size_t i = 0; i < t.cols.size(); ++i) {
        ColumnDef& c = t.cols[i];
        c.number = int(i);
        c.fixed = isFixedCode(c.code);
        if (c.fixed) {
            c.fixedOffset = c.code == kBool ? 0 : fixedOffset;
            c.varIndex = varIndex;
            fixedOffset += fixedLength(c.code);
        } else {
            c.varIndex = varIndex++;
        }
        if (c.fixed && c.code != kBool)
            c.length = fixedLength(c.code);
        else if (c.code == kBool)
            c.length = 1;
    }
    t.fixedSize = fixedOffset;
    t.varCount = varIndex;
}

uint8_t typeCode(dao::FieldType type)
{
    using F = dao::FieldType;
    switch (type) {
    case F::Boolean: return kBool;
    case F::Byte: return kByte;
    case F::Integer: return kInt;
    case F::Long: return kLong;
    case F::Currency: return kMoney;
    case F::Single: return kFloat;
    case F::Double: return kDouble;
    case F::Date: return kDate;
    case F::Text: return kText;
    case F::Memo: return kMemo;
    default: return 0;
    }
}

int findColumn(const TableDef& t, const QString& name)
{
    for (const ColumnDef& c : t.cols)
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return c.number;
    return -1;
}

void checkName(const QString& name, const QString& what, const QString& table = {})
{
    if (name.trimmed().isEmpty())
        throw WriteError(what + " without a name", table);
    if (name.size() > 64)
        throw WriteError(what + " name longer than 64 characters: " + name, table);
    for (QChar c : name)
        if (c.unicode() < 32)
            throw WriteError(what + " name with a control character: " + name, table);
}

// The catalog's LvProp blob: a "Required" property for each required column.
QByteArray requiredProps(const TableDef& t)
{
    std::vector<const ColumnDef*> required;
    for (const ColumnDef& c : t.cols)
        if (c.required)
            required.push_back(&c);
    if (required.empty())
        return {};
    Bytes b = {'M', 'R', '2', 0};
    Bytes names;
    appendName(names, "Required");
    append32(b, uint32_t(6 + names.size()));
    append16(b, 0x80);
    b.insert(b.end(), names.begin(), names.end());
    for (const ColumnDef* c : required) {
        Bytes block;
        append32(block, uint32_t(6 + c->name.size() * 2));  // length of the block's name part
        appendName(block, c->name);
        append16(block, 9);     // value record: length,
        block.push_back(0);     // DDL flag,
        block.push_back(kBool); // type,
        append16(block, 0);     // index into the names,
        append16(block, 1);     // value length,
        block.push_back(0xFF);  // Yes
        append32(b, uint32_t(6 + block.size()));
        append16(b, 0x01);
        b.insert(b.end(), block.begin(), block.end());
    }
    return QByteArray(reinterpret_cast<const char*>(b.data()), int(b.size()));
}

TableDef userTable(const Table& in)
{
    TableDef t;
    t.name = in.name;
    checkName(in.name, "table");
    if (in.name.startsWith("MSys", Qt::CaseInsensitive))
        throw WriteError("names starting with MSys are kept for system tables", in.name);
    if (in.columns.empty())
        throw WriteError("a table needs at least one column", in.name);
    if (in.columns.size() > 255)
        throw WriteError("more than 255 columns", in.name);
    for (const Column& c : in.columns) {
        checkName(c.name, "column", in.name);
        ColumnDef s;
        s.name = c.name;
        s.code = typeCode(c.type);
        if (s.code == 0)
            throw WriteError(QString("type %1 is not written").arg(dao::typeName(c.type)), in.name, 0, c.name);
        if (s.code == kText) {
            if (c.size < 1 || c.size > 255)
                throw WriteError(QString("text size %1 is not between 1 and 255").arg(c.size), in.name, 0, c.name);
            s.length = 2 * c.size;
        }
        if (c.autoNumber && s.code != kLong)
            throw WriteError("only a Long column can be an autonumber", in.name, 0, c.name);
        if (c.guid) {
            if (s.code != kText)
                throw WriteError("only a Text column can be a GUID", in.name, 0, c.name);
            s.code = kGuid;
        }
        s.required = c.required;
        s.autoNumber = c.autoNumber;
        for (const ColumnDef& other : t.cols)
            if (other.name.compare(c.name, Qt::CaseInsensitive) == 0)
                throw WriteError("column name used twice", in.name, 0, c.name);
        t.cols.push_back(s);
    }
    layoutColumns(t);

    if (!in.deleted.empty() && in.deleted.size() != in.rows.size())
        throw WriteError(QString("deleted has %1 flags for %2 rows").arg(in.deleted.size()).arg(in.rows.size()), in.name);
    t.deleted = in.deleted;
    t.deleted.resize(in.rows.size(), false);
    t.rows.reserve(in.rows.size());
    for (size_t r = 0; r < in.rows.size(); ++r) {
        if (in.rows[r].size() != t.cols.size())
            throw WriteError(QString("%1 values for %2 columns").arg(in.rows[r].size()).arg(t.cols.size()), in.name,
                             int(r + 1));
        std::vector<Cell> cells;
        cells.reserve(t.cols.size());
        for (const dao::Variant& v : in.rows[r])
            cells.push_back(v.isNull() ? Cell{} : Cell{v});
        t.rows.push_back(std::move(cells));
    }

    if (!in.primaryKey.isEmpty()) {
        if (in.primaryKey.size() != 1)
            throw WriteError("a primary key must be one Long column", in.name);
        const int col = findColumn(t, in.primaryKey[0]);
        if (col < 0)
            throw WriteError("primary key column not found", in.name, 0, in.primaryKey[0]);
        if (t.cols[col].code != kLong)
            throw WriteError("a primary key must be one Long column", in.name, 0, in.primaryKey[0]);
        t.primaryKeyIndex = int(t.indexes.size());
        t.primaryKeyFirstPage = in.primaryKeyFirstPage;
        t.indexes.push_back({"PrimaryKey", {col}, 0x89, 1});
    }
    int unique = 0;
    for (const QStringList& cols : in.uniqueIndexes) {
        if (cols.isEmpty() || cols.size() > 10)
            throw WriteError("a unique index needs 1 to 10 columns", in.name);
        IndexDef ix;
        ix.name = QString("Unique%1").arg(++unique);
        ix.flags = 0x01;
        for (const QString& name : cols) {
            const int col = findColumn(t, name);
            if (col < 0)
                throw WriteError("unique index column not found", in.name, 0, name);
            if (t.cols[col].code == kMemo)
                throw WriteError("a memo column cannot be indexed", in.name, 0, name);
            ix.columns.push_back(col);
        }
        t.indexes.push_back(ix);
    }
    t.props = requiredProps(t);
    return t;
}

TableDef systemTable(const QString& name, const std::vector<std::pair<QString, std::pair<uint8_t, int>>>& cols)
{
    TableDef t;
    t.name = name;
    t.system = true;
    for (const auto& [colName, type] : cols) {
        ColumnDef c;
        c.name = colName;
        c.code = type.first;
        c.length = type.second;
        t.cols.push_back(c);
    }
    layoutColumns(t);
    return t;
}

TableDef catalogTable()
{
    return systemTable("MSysObjects", {{"Id", {kLong, 4}},
                                       {"ParentId", {kLong, 4}},
                                       {"Name", {kText, 510}},
                                       {"Type", {kInt, 2}},
                                       {"DateCreate", {kDate, 8}},
                                       {"DateUpdate", {kDate, 8}},
                                       {"Owner", {kBinary, 255}},
                                       {"Flags", {kLong, 4}},
                                       {"Database", {kMemo, 0}},
                                       {"Connect", {kMemo, 0}},
                                       {"ForeignName", {kText, 510}},
                                       {"RmtInfoShort", {kBinary, 255}},
                                       {"RmtInfoLong", {kMemo, 0}},
                                       {"Lv", {kOle, 0}},
                                       {"LvProp", {kOle, 0}},
                                       {"LvModule", {kOle, 0}},
                                       {"LvExtra", {kOle, 0}}});
}

TableDef relationshipsTable()
{
    return systemTable("MSysRelationships", {{"ccolumn", {kLong, 4}},
                                             {"grbit", {kLong, 4}},
                                             {"icolumn", {kLong, 4}},
                                             {"szColumn", {kText, 128}},
                                             {"szObject", {kText, 128}},
                                             {"szReferencedColumn", {kText, 128}},
                                             {"szReferencedObject", {kText, 128}},
                                             {"szRelationship", {kText, 128}}});
}

// ---------------------------------------------------------------------------------------------
// Rows

Bytes Writer::longValue(const Bytes& data, RowSink& lval)
{
    if (data.size() > 0xFFFFFF)
        throw ValueError{"a long value of more than 16 MB is not written"};
    Bytes out(12, 0);
    const uint32_t len = uint32_t(data.size());
    put32(out.data(), len);
    if (data.size() <= size_t(kInlineMemoMax)) {
        out[3] = 0x80;
        out.insert(out.end(), data.begin(), data.end());
        return out;
    }
    if (data.size() <= size_t(kMaxLvalRow)) {
        out[3] = 0x40;
        const auto [page, row] = lval.place(data);
        put32(out.data() + 4, pgRow(page, row));
        return out;
    }
    // A chain: each row holds the pointer to the next piece (0 on the last) and up to kChainPiece bytes.
    std::vector<std::pair<uint32_t, uint32_t>> placed;
    for (size_t pos = 0; pos < data.size(); pos += kChainPiece) {
        const size_t n = std::min(size_t(kChainPiece), data.size() - pos);
        Bytes piece(4, 0);
        piece.insert(piece.end(), data.begin() + pos, data.begin() + pos + n);
        placed.push_back(lval.place(piece));
    }
    for (size_t i = 0; i + 1 < placed.size(); ++i) {
        const auto [page, row] = placed[i];
        put32(pages_.at(page) + pages_.rowStart(page, row), pgRow(placed[i + 1].first, placed[i + 1].second));
    }
    out[3] = 0x00;
    put32(out.data() + 4, pgRow(placed[0].first, placed[0].second));
    return out;
}

Bytes Writer::encodeRow(const TableDef& t, const std::vector<Cell>& row, int rowNumber, RowSink& lval)
{
    const size_t ncols = t.cols.size();
    Bytes fixed(size_t(t.fixedSize), 0);
    std::vector<uint8_t> mask((ncols + 7) / 8, 0);
    std::vector<Bytes> var(size_t(t.varCount));
    std::vector<bool> varPresent(size_t(t.varCount), false);

    for (const ColumnDef& c : t.cols) {
        const Cell& cell = row[size_t(c.number)];
        try {
            if (std::holds_alternative<std::monostate>(cell)) {
                if (c.required && c.code != kBool)
                    throw ValueError{"a required column cannot be Null"};
                continue;  // null bit stays 0; a Yes/No column reads No
            }
            if (const QByteArray* raw = std::get_if<QByteArray>(&cell)) {
                Bytes data(raw->begin(), raw->end());
                var[size_t(c.varIndex)] = c.code == kOle ? longValue(data, lval) : data;
                varPresent[size_t(c.varIndex)] = true;
                mask[size_t(c.number / 8)] |= uint8_t(1 << (c.number % 8));
                continue;
            }
            const dao::Variant& v = std::get<dao::Variant>(cell);
            uint8_t* f = fixed.data() + c.fixedOffset;
            bool present = true;
            switch (c.code) {
            case kBool: {
                bool b = false;
                if (v.kind() == dao::Variant::Kind::Text) {
                    const QString s = v.toText().trimmed();
                    if (s.compare("true", Qt::CaseInsensitive) == 0)
                        b = true;
                    else if (s.compare("false", Qt::CaseInsensitive) != 0)
                        throw ValueError{"\"" + s + "\" is not true or false"};
                } else if (v.isNumber()) {
                    b = v.toBool();
                } else {
                    throw ValueError{"not a Yes/No value"};
                }
                present = b;
                break;
            }
            case kByte:
            case kInt:
            case kLong: {
                const auto n = exactInteger(v);
                const qint64 lo = c.code == kByte ? 0 : c.code == kInt ? -32768 : std::numeric_limits<int32_t>::min();
                const qint64 hi = c.code == kByte ? 255 : c.code == kInt ? 32767 : std::numeric_limits<int32_t>::max();
                if (!n || *n < lo || *n > hi)
                    throw ValueError{"\"" + v.toText() + "\" is not a whole number from " + QString::number(lo) +
                                     " to " + QString::number(hi)};
                if (c.code == kByte)
                    f[0] = uint8_t(*n);
                else if (c.code == kInt)
                    put16(f, uint32_t(*n));
                else
                    put32(f, uint32_t(*n));
                break;
            }
            case kMoney: {
                const auto units = currencyUnits(v);
                if (!units)
                    throw ValueError{"\"" + v.toText() + "\" is not a Currency value (at most 4 decimals, "
                                     "-922337203685477.5808 to 922337203685477.5807)"};
                put64(f, uint64_t(*units));
                break;
            }
            case kFloat: {
                const auto d = realValue(v);
                if (!d || (std::isfinite(*d) && std::fabs(*d) > std::numeric_limits<float>::max()))
                    throw ValueError{"\"" + v.toText() + "\" is not a Single value"};
                const float x = float(*d);
                uint32_t bits;
                std::memcpy(&bits, &x, 4);
                put32(f, bits);
                break;
            }
            case kDouble:
            case kDate: {
                const auto d = c.code == kDouble ? realValue(v) : dateValue(v);
                if (!d)
                    throw ValueError{"\"" + v.toText() + "\" is not a " + typeText(c.code) + " value" +
                                     (c.code == kDate ? " from 100-01-01 to 9999-12-31" : "")};
                uint64_t bits;
                std::memcpy(&bits, &*d, 8);
                put64(f, bits);
                break;
            }
            case kText:
            case kMemo: {
                const QString s = v.toText();
                if (c.code == kText && s.size() * 2 > c.length)
                    throw ValueError{QString("%1 characters do not fit Text(%2)").arg(s.size()).arg(c.length / 2)};
                const Bytes data = encodeText(s, c.code == kMemo);
                var[size_t(c.varIndex)] = c.code == kMemo ? longValue(data, lval) : data;
                varPresent[size_t(c.varIndex)] = true;
                break;
            }
            case kGuid: {
                // Stored as Windows keeps a GUID: the first three groups little-endian, the rest as written.
                const QString text = v.toText().trimmed();
                const QUuid id = QUuid::fromString(text);
                if (id.isNull() && text != "{00000000-0000-0000-0000-000000000000}")
                    throw ValueError{"\"" + v.toText() + "\" is not a GUID {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"};
                put32(f, id.data1);
                put16(f + 4, id.data2);
                put16(f + 6, id.data3);
                std::memcpy(f + 8, id.data4, 8);
                break;
            }
            default: throw ValueError{"this column takes raw bytes only"};
            }
            if (present)
                mask[size_t(c.number / 8)] |= uint8_t(1 << (c.number % 8));
        } catch (const ValueError& e) {
            throw WriteError(e.message, t.name, rowNumber, c.name);
        }
    }

    Bytes out;
    append16(out, uint32_t(ncols));
    out.insert(out.end(), fixed.begin(), fixed.end());
    if (t.varCount > 0) {
        std::vector<uint32_t> offsets(size_t(t.varCount) + 1);
        for (int i = 0; i < t.varCount; ++i) {
            offsets[size_t(i)] = uint32_t(out.size());
            out.insert(out.end(), var[size_t(i)].begin(), var[size_t(i)].end());
        }
        offsets[size_t(t.varCount)] = uint32_t(out.size());
        append16(out, offsets[size_t(t.varCount)]);  // end of the variable data
        for (int i = t.varCount - 1; i >= 0; --i)
            append16(out, offsets[size_t(i)]);
        append16(out, uint32_t(t.varCount));
    }
    out.insert(out.end(), mask.begin(), mask.end());
    if (out.size() > size_t(kMaxRowLength))
        throw WriteError(QString("the row takes %1 bytes, more than the %2 a page row can hold")
                             .arg(out.size())
                             .arg(kMaxRowLength),
                         t.name, rowNumber);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Usage maps, index leaf, definition

uint32_t Writer::addInlineMap(uint32_t start, const std::vector<uint32_t>& pages)
{
    Bytes row(69, 0);
    put32(row.data() + 1, start);
    for (uint32_t p : pages) {
        const uint32_t bit = p - start;
        row[5 + bit / 8] |= uint8_t(1 << (bit % 8));
    }
    const auto [page, r] = maps_.place(row);
    return pgRow(page, r);
}

// A map of the given pages: inline when they lie within 512 pages of the first, otherwise a
// reference map whose usage-bitmap pages each cover kRefMapBits pages.
uint32_t Writer::addMap(const std::vector<uint32_t>& pagesIn)
{
    std::vector<uint32_t> pages = pagesIn;
    std::sort(pages.begin(), pages.end());
    if (pages.empty())
        return addInlineMap(0, {});
    if (pages.back() - pages.front() < uint32_t(kInlineMapBits))
        return addInlineMap(pages.front(), pages);
    Bytes row(1 + 4 * kRefMapSlots, 0);
    row[0] = 0x01;
    // Each map gets its own bitmap pages, so that two tables never share one.
    std::map<uint32_t, uint32_t> own;
    for (uint32_t p : pages) {
        const uint32_t region = p / kRefMapBits;
        if (region >= uint32_t(kRefMapSlots))
            throw WriteError("the file would be larger than a usage map can describe");
        if (!own.count(region)) {
            const uint32_t mp = pages_.newPage();
            uint8_t* b = pages_.at(mp);
            b[0] = 0x05;
            b[1] = 0x01;
            own[region] = mp;
        }
        const uint32_t bit = p % kRefMapBits;
        pages_.at(own[region])[4 + bit / 8] |= uint8_t(1 << (bit % 8));
    }
    for (const auto& [region, mp] : own)
        put32(row.data() + 1 + 4 * region, mp);
    const auto [page, r] = maps_.place(row);
    return pgRow(page, r);
}

uint32_t Writer::writeIndexLeaf(uint32_t tdefPage, std::vector<std::pair<int32_t, uint32_t>> keys)
{
    std::sort(keys.begin(), keys.end());
    const uint32_t leaf = pages_.newPage();
    uint8_t* p = pages_.at(leaf);
    p[0] = 0x04;
    p[1] = 0x01;
    put32(p + 4, tdefPage);
    uint32_t pos = kIndexEntriesStart;
    for (const auto& [key, row] : keys) {
        // Ascending Long key: 0x7F, the value big-endian with the sign bit flipped, then the row's
        // page (3 bytes big-endian) and row number.
        const uint32_t k = uint32_t(key) ^ 0x80000000u;
        const uint8_t entry[9] = {0x7F, uint8_t(k >> 24), uint8_t(k >> 16), uint8_t(k >> 8), uint8_t(k),
                                  uint8_t(row >> 24), uint8_t(row >> 16), uint8_t(row >> 8), uint8_t(row)};
        std::memcpy(p + pos, entry, 9);
        pos += 9;
        const uint32_t bit = pos - kIndexEntriesStart;
        p[0x1B + bit / 8] |= uint8_t(1 << (bit % 8));
    }
    put16(p + 2, kPageSize - pos);
    return leaf;
}

Bytes Writer::buildTdef(const TableDef& t, uint32_t rowCount, uint32_t lastAuto, uint32_t usedMap, uint32_t freeMap,
                        const std::vector<uint32_t>& indexMaps, const std::vector<uint32_t>& indexRoots,
                        const std::vector<std::pair<uint32_t, uint32_t>>& memoMaps)
{
    Bytes b(63, 0);
    b[0] = 0x02;
    b[1] = 0x01;
    put32(b.data() + 12, 1625);
    put32(b.data() + 16, rowCount);
    put32(b.data() + 20, lastAuto);
    b[24] = 0x01;
    b[40] = t.system ? 0x53 : 0x4E;
    put16(b.data() + 41, uint32_t(t.cols.size()));
    put16(b.data() + 43, uint32_t(t.varCount));
    put16(b.data() + 45, uint32_t(t.cols.size()));
    put32(b.data() + 47, uint32_t(t.indexes.size()));
    put32(b.data() + 51, uint32_t(t.indexes.size()));
    put32(b.data() + 55, usedMap);
    put32(b.data() + 59, freeMap);
    for (size_t i = 0; i < t.indexes.size(); ++i) {
        append32(b, rowCount);
        append32(b, rowCount);
        append32(b, 0);
    }
    for (const ColumnDef& c : t.cols) {
        uint8_t e[25] = {};
        e[0] = c.code;
        put32(e + 1, 1625);
        put16(e + 5, uint32_t(c.number));
        put16(e + 7, uint32_t(c.varIndex));
        put16(e + 9, uint32_t(c.number));
        if (c.code == kText || c.code == kMemo)
            put16(e + 11, 0x0409);
        e[15] = uint8_t((c.fixed ? 0x01 : 0) | 0x02 | (c.autoNumber ? 0x04 : 0));
        if (c.code == kText || c.code == kMemo)
            e[16] = 0x01;  // Unicode compression allowed
        put16(e + 21, uint32_t(c.fixed ? c.fixedOffset : 0));
        put16(e + 23, uint32_t(c.length));
        b.insert(b.end(), e, e + 25);
    }
    for (const ColumnDef& c : t.cols)
        appendName(b, c.name);
    for (size_t i = 0; i < t.indexes.size(); ++i) {
        const IndexDef& ix = t.indexes[i];
        append32(b, 1923);
        for (size_t k = 0; k < 10; ++k) {
            append16(b, k < ix.columns.size() ? uint32_t(ix.columns[k]) : 0xFFFF);
            b.push_back(k < ix.columns.size() ? 0x01 : 0x00);
        }
        append32(b, indexMaps[i]);
        append32(b, indexRoots[i]);
        append32(b, 0);
        b.push_back(ix.flags);
        b.insert(b.end(), 5, 0);
    }
    for (size_t i = 0; i < t.indexes.size(); ++i) {
        append32(b, 1625);
        append32(b, uint32_t(i));
        append32(b, uint32_t(i));
        b.push_back(0);
        append32(b, 0xFFFFFFFF);
        append32(b, 0);
        b.push_back(0);
        b.push_back(0);
        b.push_back(t.indexes[i].type);
        append32(b, 0);
    }
    for (const IndexDef& ix : t.indexes)
        appendName(b, ix.name);
    size_t memo = 0;
    for (const ColumnDef& c : t.cols) {
        if (c.code != kMemo && c.code != kOle)
            continue;
        append16(b, uint32_t(c.number));
        append32(b, memo < memoMaps.size() ? memoMaps[memo].first : 0);
        append32(b, memo < memoMaps.size() ? memoMaps[memo].second : 0);
        ++memo;
    }
    append16(b, 0xFFFF);
    put32(b.data() + 8, uint32_t(b.size()));
    return b;
}

void Writer::reserveTdef(TableDef& t)
{
    const std::vector<uint32_t> zeros(t.indexes.size(), 0);
    const size_t len = buildTdef(t, 0, 0, 0, 0, zeros, zeros, {}).size();
    size_t pages = 1;
    if (len > size_t(kPageSize))
        pages += (len - kPageSize + (kPageSize - 8) - 1) / (kPageSize - 8);
    t.tdefPages.clear();
    for (size_t i = 0; i < pages; ++i)
        t.tdefPages.push_back(t.system && t.name == "MSysObjects" && i == 0 ? kCatalogTdef : pages_.newPage());
}

void Writer::writeTable(TableDef& t)
{
    const uint32_t tdef = t.tdefPages[0];
    RowSink data(pages_, tdef);
    RowSink lval(pages_, kLvalOwner);
    uint32_t live = 0;
    int64_t lastAuto = 0;
    int autoCol = -1;
    for (const ColumnDef& c : t.cols)
        if (c.autoNumber)
            autoCol = c.number;
    if (autoCol >= 0)
        for (const auto& row : t.rows)
            if (const auto* v = std::get_if<dao::Variant>(&row[size_t(autoCol)]))
                if (const auto n = exactInteger(*v))
                    lastAuto = std::max<int64_t>(lastAuto, *n);

    std::vector<std::pair<int32_t, uint32_t>> keys;
    QHash<qint64, int> seenKeys;
    const int keyCol = t.primaryKeyIndex >= 0 ? t.indexes[size_t(t.primaryKeyIndex)].columns[0] : -1;
    for (size_t r = 0; r < t.rows.size(); ++r) {
        std::vector<Cell>& row = t.rows[r];
        const bool deleted = t.deleted[r];
        if (autoCol >= 0 && std::holds_alternative<std::monostate>(row[size_t(autoCol)]) && !deleted) {
            if (lastAuto >= std::numeric_limits<int32_t>::max())
                throw WriteError("the autonumber ran out of Long values", t.name, int(r + 1), t.cols[size_t(autoCol)].name);
            row[size_t(autoCol)] = dao::Variant(static_cast<long long>(++lastAuto));
        }
        const Bytes bytes = encodeRow(t, row, int(r + 1), lval);
        const auto [page, slot] = data.place(bytes, deleted ? 0xC000 : 0);
        if (deleted)
            continue;
        ++live;
        if (keyCol >= 0) {
            if (std::holds_alternative<std::monostate>(row[size_t(keyCol)]))
                throw WriteError("a primary key value cannot be Null", t.name, int(r + 1), t.cols[size_t(keyCol)].name);
            const qint64 key = *exactInteger(std::get<dao::Variant>(row[size_t(keyCol)]));
            if (seenKeys.contains(key))
                throw WriteError(QString("primary key value %1 also in row %2").arg(key).arg(seenKeys[key]), t.name,
                                 int(r + 1), t.cols[size_t(keyCol)].name);
            seenKeys.insert(key, int(r + 1));
            keys.push_back({int32_t(key), pgRow(page, slot)});
        }
    }

    std::vector<uint32_t> indexMaps, indexRoots;
    for (size_t i = 0; i < t.indexes.size(); ++i) {
        if (int(i) == t.primaryKeyIndex) {
            if (keys.size() > size_t(kMaxPrimaryKeyRows))
                throw WriteError(QString("a primary key is written as one index page, which holds %1 keys; "
                                         "the table has %2 rows")
                                     .arg(kMaxPrimaryKeyRows)
                                     .arg(keys.size()),
                                 t.name);
            const uint32_t leaf = writeIndexLeaf(tdef, keys);
            indexRoots.push_back(t.primaryKeyFirstPage ? t.primaryKeyFirstPage : leaf);
            indexMaps.push_back(addInlineMap(leaf, {leaf}));
        } else {
            indexRoots.push_back(0);
            indexMaps.push_back(addInlineMap(0, {}));
        }
    }
    const uint32_t usedMap = addMap(data.pages());
    const uint32_t freeMap = addInlineMap(0, {});
    std::vector<std::pair<uint32_t, uint32_t>> memoMaps;
    for (const ColumnDef& c : t.cols)
        if (c.code == kMemo || c.code == kOle)
            memoMaps.push_back({addMap(lval.pages()), addInlineMap(0, {})});

    const Bytes def = buildTdef(t, live, uint32_t(lastAuto), usedMap, freeMap, indexMaps, indexRoots, memoMaps);
    size_t pos = 0;
    for (size_t i = 0; i < t.tdefPages.size(); ++i) {
        uint8_t* p = pages_.at(t.tdefPages[i]);
        const size_t head = i == 0 ? 0 : 8;
        const size_t n = std::min(def.size() - pos, size_t(kPageSize) - head);
        std::memcpy(p + head, def.data() + pos, n);
        pos += n;
        p[0] = 0x02;
        p[1] = 0x01;
        const int free = int(kPageSize - head - n) - 8;
        put16(p + 2, i + 1 == t.tdefPages.size() ? uint32_t(std::max(free, 0)) : 0);
        put32(p + 4, i + 1 < t.tdefPages.size() ? t.tdefPages[i + 1] : 0);
    }
    put32(pages_.at(t.tdefPages[0]) + 8, uint32_t(def.size()));
}

// ---------------------------------------------------------------------------------------------
// Page 0 and page 1

std::array<uint8_t, 128> headerKeystream()
{
    const uint8_t key[4] = {0xC7, 0xDA, 0x39, 0x6B};
    uint8_t s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = uint8_t(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 4]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    std::array<uint8_t, 128> out{};
    for (int n = 0, i = 0, j = 0; n < 128; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        out[size_t(n)] = s[(s[i] + s[j]) & 0xFF];
    }
    return out;
}

void Writer::writeGlobalMap()
{
    const uint32_t count = pages_.count();
    pages_.initDataPage(1, 1);
    Bytes map(69, 0);
    for (uint32_t page = count; page < uint32_t(kInlineMapBits); ++page)
        map[5 + page / 8] |= uint8_t(1 << (page % 8));
    pages_.addRow(1, map.data(), map.size());
    const Bytes empty(69, 0);
    pages_.addRow(1, empty.data(), empty.size());
}

void Writer::writeHeader()
{
    uint8_t* p = pages_.at(0);
    const uint8_t head[] = {0x00, 0x01, 0x00, 0x00, 'S', 't', 'a', 'n', 'd', 'a', 'r', 'd', ' ',
                            'J',  'e',  't',  ' ',  'D', 'B', 0x00, 0x01, 0x00, 0x00, 0x00};
    std::memcpy(p, head, sizeof head);
    put16(p + 0x3C, 1252);
    put32(p + 0x3E, 0);  // no page encryption
    uint64_t dateBits;
    std::memcpy(&dateBits, &file_.creationDate, 8);
    put64(p + 0x72, dateBits);
    put32(p + 0x6E, 0x0409);
    // The password, UTF-16 padded with zeros to 40 bytes, XORed with the creation date's day count.
    const uint32_t mask = uint32_t(int32_t(file_.creationDate));
    for (int i = 0; i < 20; ++i) {
        const uint16_t unit = i < file_.password.size() ? file_.password[i].unicode() : 0;
        p[0x42 + 2 * i] = uint8_t(unit) ^ uint8_t(mask >> (8 * ((2 * i) % 4)));
        p[0x43 + 2 * i] = uint8_t(unit >> 8) ^ uint8_t(mask >> (8 * ((2 * i + 1) % 4)));
    }
    const auto ks = headerKeystream();
    for (size_t i = 0; i < ks.size(); ++i)
        p[0x18 + i] ^= ks[i];
}

QByteArray Writer::build()
{
    if (file_.password.size() > 20)
        throw WriteError("a password holds at most 20 characters");
    if (file_.password.contains(QChar(0)))
        throw WriteError("a password cannot hold the character U+0000");
    if (!std::isfinite(file_.creationDate) || file_.creationDate < 1 || file_.creationDate > 2958465)
        throw WriteError("the creation date must be a positive Jet date");

    std::vector<TableDef> tables;
    for (const Table& in : file_.tables) {
        for (const TableDef& t : tables)
            if (t.name.compare(in.name, Qt::CaseInsensitive) == 0)
                throw WriteError("table name used twice", in.name);
        tables.push_back(userTable(in));
    }
    TableDef rels = relationshipsTable();
    for (const Relationship& r : file_.relationships) {
        checkName(r.name, "relationship");
        auto columnOf = [&](const QString& table, const QString& column) {
            for (const TableDef& t : tables)
                if (t.name.compare(table, Qt::CaseInsensitive) == 0) {
                    if (findColumn(t, column) < 0)
                        throw WriteError("relationship " + r.name + ": no column " + column, table);
                    return;
                }
            throw WriteError("relationship " + r.name + ": no such table", table);
        };
        columnOf(r.table, r.column);
        columnOf(r.referencedTable, r.referencedColumn);
        rels.rows.push_back({dao::Variant(1), dao::Variant(r.grbit), dao::Variant(0), dao::Variant(r.column),
                             dao::Variant(r.table), dao::Variant(r.referencedColumn), dao::Variant(r.referencedTable),
                             dao::Variant(r.name)});
    }
    rels.deleted.assign(rels.rows.size(), false);

    for (int i = 0; i < 4; ++i)
        pages_.newPage();
    // Page 3 is the first usage-map page; more are added when it is full.
    pages_.initDataPage(3, 0);
    maps_.adopt(3);

    TableDef catalog = catalogTable();
    reserveTdef(catalog);
    reserveTdef(rels);
    for (TableDef& t : tables)
        reserveTdef(t);

    const double created = file_.creationDate;
    auto catalogRow = [&](uint32_t id, uint32_t parent, const QString& name, int type, uint32_t flags,
                          const QByteArray& props) {
        std::vector<Cell> row(catalog.cols.size());
        row[0] = dao::Variant(static_cast<long long>(int32_t(id)));
        row[1] = dao::Variant(static_cast<long long>(int32_t(parent)));
        row[2] = dao::Variant(name);
        row[3] = dao::Variant(type);
        row[4] = dao::Variant(created);
        row[5] = dao::Variant(created);
        row[7] = dao::Variant(static_cast<long long>(int32_t(flags)));
        if (!props.isEmpty())
            row[14] = props;
        catalog.rows.push_back(std::move(row));
    };
    catalogRow(kTablesContainerId, kRootParentId, "Tables", 3, 0x80000000u, {});
    catalogRow(kCatalogTdef, kTablesContainerId, "MSysObjects", 1, 0x80000000u, {});
    catalogRow(rels.tdefPages[0], kTablesContainerId, "MSysRelationships", 1, 0x80000002u, {});
    for (const TableDef& t : tables)
        catalogRow(t.tdefPages[0], kTablesContainerId, t.name, 1, 0, t.props);
    catalog.deleted.assign(catalog.rows.size(), false);

    writeTable(catalog);
    writeTable(rels);
    for (TableDef& t : tables)
        writeTable(t);
    writeGlobalMap();
    writeHeader();
    return pages_.bytes();
}

}  // namespace

QByteArray buildJet4(const JetFile& file)
{
    Writer w(file);
    return w.build();
}

void writeJet4(const JetFile& file, const QString& path)
{
    dao::ReplaceFile(path, "the database", buildJet4(file));
}

}  // namespace jetwriter
