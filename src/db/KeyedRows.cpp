#include "db/KeyedRows.h"

#include "db/ColumnCollation.h"
#include "db/Database.h"
#include "db/NoCase.h"
#include "db/TextCase.h"

#include <QByteArrayView>
#include <cstring>
#include <sqlite3.h>

namespace dao {

// One table read in the order of a key column: "SELECT rowid, * ... WHERE key >= ?1 ORDER BY key,
// rowid" from a key asked for, kept running while the keys asked for come in that order.
class KeyedRows::Reader {
public:
    Reader(Database& db, std::shared_ptr<const TableDef> table, int field) : db_(db), table_(std::move(table)), field_(field)
    {
        const QString key = quoteIdentifier(table_->Fields[static_cast<size_t>(field_)].Name);
        sql_ = "SELECT rowid, * FROM " + quoteIdentifier(table_->Name) + " WHERE " + key + " >= ?1 ORDER BY " + key + ", rowid";
    }
    ~Reader() { sqlite3_finalize(st_); }

    const TableDef& table() const { return *table_; }
    int field() const { return field_; }

    // The rows whose key equals `key` as NOCASE compares, in rowid order; nullptr when the statement
    // is to be run instead: the keys asked for do not follow each other (yet), or the key has more
    // than kMaxRows rows.
    const std::vector<RawRow>* rowsOf(const QByteArray& key)
    {
        const Generation now{*table_->Writes, db_.otherWrites()};
        const bool inOrder = asked_ && now == askedAt_ && compare(key, lastAsked_) >= 0;
        streak_ = inOrder ? streak_ + 1 : 0;
        asked_ = true;
        askedAt_ = now;
        lastAsked_ = key;
        if (held_ && now == generation_ && compare(key, key_) == 0)
            return tooMany_ ? nullptr : &rows_;
        if (streak_ < kStreak)
            return nullptr;
        if (reading_ && now == generation_ && held_ && compare(key, key_) > 0)
            advance(key);
        else
            seek(key, now);
        return tooMany_ ? nullptr : &rows_;
    }

    void stop()
    {
        if (st_)
            sqlite3_reset(st_);
        reading_ = false;
        onRow_ = false;
    }

private:
    using Generation = std::pair<quint64, quint64>;
    // Keys asked in order, with no write between them, before the table is read in their order.
    static constexpr int kStreak = 3;
    static constexpr int kMaxSkipped = 16;  // rows passed over before a search of the index is cheaper

    static int compare(const QByteArray& a, const QByteArray& b)
    {
        return CompareNoCase(a.constData(), static_cast<size_t>(a.size()), b.constData(), static_cast<size_t>(b.size()));
    }

    // The key of the row the statement is on, against `key`.
    int compareRow(const QByteArray& key) const { return CompareColumnNoCase(st_, field_ + 1, key); }

    void step()
    {
        const int rc = sqlite3_step(st_);
        onRow_ = rc == SQLITE_ROW;
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            stop();
            held_ = false;
            db_.raiseLastError(sql_);
        }
    }

    void seek(const QByteArray& key, const Generation& now)
    {
        held_ = false;
        db_.beginTransaction();
        if (!st_) {
            const QByteArray utf8 = sql_.toUtf8();
            if (sqlite3_prepare_v2(db_.handle(), utf8.constData(), static_cast<int>(utf8.size()), &st_, nullptr) != SQLITE_OK)
                db_.raiseLastError(sql_);
        }
        sqlite3_reset(st_);
        sqlite3_bind_text(st_, 1, key.constData(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
        reading_ = true;
        generation_ = now;
        step();
        collect(key);
    }

    void advance(const QByteArray& key)
    {
        for (int skipped = 0; onRow_ && compareRow(key) < 0; ++skipped) {
            if (skipped == kMaxSkipped) {
                seek(key, generation_);
                return;
            }
            step();
        }
        collect(key);
    }

    void collect(const QByteArray& key)
    {
        held_ = false;
        rows_.clear();
        tooMany_ = false;
        for (; onRow_ && compareRow(key) == 0; step()) {
            if (rows_.size() == kMaxRows) {
                rows_.clear();
                tooMany_ = true;
                stop();
                break;
            }
            rows_.emplace_back();
            rows_.back().capture(st_, 1, table_->Fields);
            rows_.back().rowid = sqlite3_column_int64(st_, 0);
        }
        key_ = key;
        held_ = true;
    }

    Database& db_;
    std::shared_ptr<const TableDef> table_;
    int field_;
    QString sql_;
    sqlite3_stmt* st_ = nullptr;
    // The keys asked for: the last one, when, and how many came in order before it.
    bool asked_ = false;
    Generation askedAt_;
    QByteArray lastAsked_;
    int streak_ = 0;
    // The reading: the statement runs (from the last search), within this transaction, and stands on
    // a row not taken yet.
    bool reading_ = false;
    bool onRow_ = false;
    Generation generation_;
    bool held_ = false;     // rows_ are the rows of key_, read at generation_
    bool tooMany_ = false;
    QByteArray key_;
    std::vector<RawRow> rows_;
};

KeyedRows::KeyedRows(Database& db) : db_(db) {}

KeyedRows::~KeyedRows() = default;

void KeyedRows::Stop()
{
    for (auto& r : readers_)
        r->stop();
}

void KeyedRows::Forget()
{
    readers_.clear();
    columns_.clear();
}

const KeyedRows::Column& KeyedRows::column(const TableDef& table, const QString& name)
{
    for (const Column& c : columns_)
        if (c.table == &table && c.name == name)
            return c;
    Column c;
    c.table = &table;
    c.name = name;
    c.field = table.fieldIndex(name);
    if (c.field >= 0)
        c.collation = DescribeColumn(db_.handle(), table.Name, table.Fields[static_cast<size_t>(c.field)].Name);
    columns_.push_back(c);
    return columns_.back();
}

KeyedRows::Reader& KeyedRows::reader(const std::shared_ptr<const TableDef>& table, int field)
{
    for (const auto& r : readers_)
        if (&r->table() == table.get() && r->field() == field)
            return *r;
    readers_.push_back(std::make_shared<Reader>(db_, table, field));
    return *readers_.back();
}

bool KeyedRows::Select(const std::shared_ptr<const TableDef>& table, const std::vector<TranslatedSql::Equality>& equalities,
                       const std::vector<Variant>& params, std::vector<qint64>& rowids, std::vector<RawRow>& rows,
                       size_t keep)
{
    // What each comparison compares, and how.
    struct Test {
        int field;
        Comparison comparison;
        bool fold;
        QByteArray value;  // UTF-8
        QString folded;    // the value folded, for the fold collation
    };
    std::vector<Test> tests;
    tests.reserve(equalities.size());
    for (const TranslatedSql::Equality& e : equalities) {
        const Column& c = column(*table, e.column);
        const Variant& v = params[static_cast<size_t>(e.param)];
        if (c.field < 0 || v.kind() != Variant::Kind::Text)
            return false;
        const QString text = v.toText();
        if (!QStringView(text).isValidUtf16())
            return false;
        // A text is compared with a text column as it stands; a date's ISO text, which is no number,
        // also stays a text against a column of another kind. Either is compared by the column's
        // collation, or by the fold collation that the statement names.
        if (!e.date && !c.collation.textAffinity)
            return false;
        if (!e.fold && c.collation.comparison == Comparison::Unknown)
            return false;
        tests.push_back({c.field, c.collation.comparison, e.fold, text.toUtf8(), e.fold ? FoldCase(text) : QString()});
    }
    const TranslatedSql::Equality& first = equalities.front();
    if (first.date || first.fold || tests.front().comparison != Comparison::NoCase || !column(*table, first.column).collation.leadsIndex)
        return false;

    const std::vector<RawRow>* held = reader(table, tests.front().field).rowsOf(tests.front().value);
    if (!held)
        return false;
    std::vector<const RawRow*> found;
    for (const RawRow& row : *held) {
        bool match = true;
        for (size_t k = 1; k < tests.size() && match; ++k) {
            const Test& t = tests[k];
            size_t size = 0;
            const char* stored = row.storedText(t.field, &size);
            if (!stored) {
                match = false;  // Null, a number or bytes never equal a text
            } else if (t.fold) {
                const QByteArrayView bytes(stored, static_cast<qsizetype>(size));
                if (!bytes.isValidUtf8())
                    return false;  // SQLite would read it as a text of its own making
                match = FoldCase(QString::fromUtf8(bytes)) == t.folded;
            } else if (t.comparison == Comparison::NoCase) {
                match = CompareNoCase(stored, size, t.value.constData(), static_cast<size_t>(t.value.size())) == 0;
            } else {
                match = size == static_cast<size_t>(t.value.size()) && std::memcmp(stored, t.value.constData(), size) == 0;
            }
        }
        if (match)
            found.push_back(&row);
    }
    rowids.clear();
    rows.clear();
    for (const RawRow* row : found) {
        rowids.push_back(row->rowid);
        if (rows.size() < keep)
            rows.push_back(*row);
    }
    return true;
}

}  // namespace dao
