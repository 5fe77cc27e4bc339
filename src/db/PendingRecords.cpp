#include "db/PendingRecords.h"

#include "db/Database.h"
#include "db/FieldConversion.h"

#include <QStringList>
#include <algorithm>
#include <limits>
#include <sqlite3.h>

namespace dao {

namespace {
// The records of one statement: as many as wait, in statements of these sizes (a few statements per
// table, each prepared once), within SQLite's limit of parameters per statement.
constexpr size_t kStatementRecords[] = {128, 64, 32, 16, 8, 4, 2, 1};
constexpr size_t kMaxParameters = 32766;  // SQLITE_MAX_VARIABLE_NUMBER since 3.32
}  // namespace

struct PendingRecords::Table {
    std::shared_ptr<const TableDef> def;
    bool waits = false;  // SQLite refuses none of its records (PendingRecords.h)
    std::vector<size_t> columns;          // the fields written, besides the number
    std::vector<std::vector<Variant>> records;  // their values, by record
    std::vector<qint64> rowids;
    QString sql[std::size(kStatementRecords)];
    // The next number is known while nothing but this has written the table since it was read.
    bool numbered = false;
    qint64 next = 0;
    quint64 writes = 0, changes = 0, otherWrites = 0;
};

PendingRecords::PendingRecords(Database& db) : db_(db) {}

PendingRecords::~PendingRecords() = default;

PendingRecords::Table& PendingRecords::table(const std::shared_ptr<const TableDef>& def, const std::vector<size_t>& columns)
{
    for (const auto& t : tables_) {
        if (t->def.get() != def.get())
            continue;
        if (t->columns != columns) {
            if (!t->records.empty())
                db_.WritePending();
            t->columns = columns;
            for (QString& sql : t->sql)
                sql.clear();
        }
        return *t;
    }
    auto t = std::make_unique<Table>();
    t->def = def;
    t->columns = columns;
    t->waits = refusesNothing(*def);
    tables_.push_back(std::move(t));
    return *tables_.back();
}

bool PendingRecords::refusesNothing(const TableDef& def)
{
    // A record that breaks a unique index must be refused when it is added (3022), as the conversions
    // expect; only the index of the record's number, which the numbering keeps unique, may be there.
    // Nor may a trigger, a CHECK or a foreign key (a site's own rule) judge the record.
    sqlite3* db = db_.handle();
    sqlite3_stmt* rules = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT count(*) FROM sqlite_master WHERE (type = 'trigger' AND tbl_name = ?1 COLLATE NOCASE) "
                           "OR (type = 'table' AND name = ?1 COLLATE NOCASE AND (sql LIKE '%CHECK%' OR sql LIKE '%REFERENCES%'))",
                           -1, &rules, nullptr) != SQLITE_OK)
        return false;
    const QByteArray name = def.Name.toUtf8();
    sqlite3_bind_text(rules, 1, name.constData(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    const bool judged = sqlite3_step(rules) != SQLITE_ROW || sqlite3_column_int(rules, 0) != 0;
    sqlite3_finalize(rules);
    if (judged)
        return false;
    for (const IndexDef& index : db_.Indexes(def.Name))
        if (index.Unique && (index.Columns.size() != 1 || index.Columns.front().compare(def.RowidKey, Qt::CaseInsensitive) != 0))
            return false;
    return true;
}

qint64 PendingRecords::nextNumber(const TableDef& def)
{
    const auto one = [&](const QString& sql, const QString& name) -> qint64 {
        sqlite3_stmt* st = db_.prepare(sql);
        if (!name.isEmpty()) {
            const QByteArray utf8 = name.toUtf8();
            sqlite3_bind_text(st, 1, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
        }
        const int rc = sqlite3_step(st);
        const qint64 value = rc == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
        sqlite3_reset(st);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            db_.raiseLastError(sql);
        return value;
    };
    const qint64 largest = one("SELECT coalesce(max(rowid), 0) FROM " + quoteIdentifier(def.Name), {});
    // An AUTOINCREMENT table also remembers the largest number it ever gave.
    const qint64 given = db_.HasTable("sqlite_sequence") ? one("SELECT seq FROM sqlite_sequence WHERE name = ?1", def.Name) : 0;
    const qint64 last = std::max(largest, given);
    return last == std::numeric_limits<qint64>::max() ? 0 : last + 1;  // 0: SQLite would choose at random
}

bool PendingRecords::Add(const std::shared_ptr<const TableDef>& def, const std::vector<size_t>& columns,
                         const std::vector<Variant>& values, qint64* rowid)
{
    if (def->RowidKey.isEmpty())
        return false;
    for (const FieldInfo& f : def->Fields)
        if (f.AutoNumber && f.Name != def->RowidKey)
            return false;  // a copied autonumber takes the next of its own
    Table& t = table(def, columns);
    if (!t.waits)
        return false;
    const bool known = t.numbered && *def->Writes == t.writes && *def->Changes == t.changes &&
                       db_.otherWrites() == t.otherWrites;
    if (!known) {
        t.next = nextNumber(*def);
        t.numbered = t.next > 0;
        if (!t.numbered)
            return false;
    }
    *rowid = t.next++;
    if (t.records.empty())
        order_.push_back(&t);
    std::vector<Variant> record;
    record.reserve(columns.size());
    for (const size_t c : columns)
        record.push_back(values[c]);
    t.records.push_back(std::move(record));
    t.rowids.push_back(*rowid);
    ++waiting_;
    // The recordset counts the record's write right after: the table's counts as they will be then.
    t.writes = *def->Writes + 1;
    t.changes = *def->Changes;
    t.otherWrites = db_.otherWrites();
    if (waiting_ >= kMaxWaiting)
        db_.WritePending();
    return true;
}

void PendingRecords::write(Table& t)
{
    const TableDef& def = *t.def;
    size_t at = 0;
    while (at < t.records.size()) {
        size_t kind = 0;
        while (kStatementRecords[kind] > t.records.size() - at ||
               kStatementRecords[kind] * (t.columns.size() + 1) > kMaxParameters)
            ++kind;
        const size_t count = kStatementRecords[kind];
        QString& sql = t.sql[kind];
        if (sql.isEmpty()) {
            QStringList columns{quoteIdentifier(def.RowidKey)}, marks{"?"};
            for (const size_t c : t.columns) {
                columns << quoteIdentifier(def.Fields[c].Name);
                marks << "?";
            }
            const QString record = '(' + marks.join(", ") + ')';
            sql = "INSERT INTO " + quoteIdentifier(def.Name) + " (" + columns.join(", ") + ") VALUES " +
                  QStringList(static_cast<qsizetype>(count), record).join(", ");
        }
        sqlite3_stmt* st = db_.prepare(sql, &def);
        int parameter = 1;
        std::vector<QByteArray> texts(count * t.columns.size());  // bound as they stand until the reset
        for (size_t k = at; k < at + count; ++k) {
            sqlite3_bind_int64(st, parameter++, t.rowids[k]);
            for (size_t i = 0; i < t.columns.size(); ++i)
                BindValue(st, parameter++, t.records[k][i], def.Fields[t.columns[i]],
                          &texts[(k - at) * t.columns.size() + i]);
        }
        const int rc = sqlite3_step(st);
        sqlite3_reset(st);
        if (rc != SQLITE_DONE)
            db_.raiseLastError(sql);
        at += count;
    }
    t.records.clear();
    t.rowids.clear();
}

void PendingRecords::Write(const TableDef* only)
{
    if (waiting_ == 0)
        return;
    try {
        if (only) {
            const auto it = std::find_if(order_.begin(), order_.end(), [&](const Table* t) { return t->def.get() == only; });
            if (it == order_.end())
                return;
            Table& t = **it;
            db_.beginWrite();
            waiting_ -= t.records.size();
            write(t);
            order_.erase(it);
            return;
        }
        db_.beginWrite();
        for (Table* t : order_)
            write(*t);
    } catch (...) {
        Forget();
        throw;
    }
    order_.clear();
    waiting_ = 0;
}

void PendingRecords::Forget()
{
    tables_.clear();
    order_.clear();
    waiting_ = 0;
}

}  // namespace dao
