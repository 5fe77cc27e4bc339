#include "db/KeyIndex.h"

#include "db/ColumnCollation.h"
#include "db/Database.h"
#include "db/TextCase.h"

#include <QByteArrayView>
#include <limits>
#include <sqlite3.h>

namespace dao {

struct KeyIndex::Column {
    const TableDef* table = nullptr;
    std::shared_ptr<const TableDef> keep;  // the definition stays while the index is held
    int field = -1;
    bool usable = false;  // a NOCASE text column whose every stored text is UTF-8
    int asks = 0;
    bool read = false;
    // The table as last read: its writes, its changes other than added records, the file's other writes.
    quint64 writes = 0, changes = 0, otherWrites = 0;
    qint64 lastRowid = std::numeric_limits<qint64>::min();
    QHash<QString, std::vector<qint64>> rowids;  // by the folded text
    QString rowSql;  // a row by its rowid
};

KeyIndex::KeyIndex(Database& db) : db_(db) {}

KeyIndex::~KeyIndex() = default;

void KeyIndex::Forget() { columns_.clear(); }

KeyIndex::Column& KeyIndex::column(const TableDef& table, int field)
{
    for (const auto& c : columns_)
        if (c->table == &table && c->field == field)
            return *c;
    auto c = std::make_unique<Column>();
    c->table = &table;
    c->keep = db_.TablePtr(table.Name);
    c->field = field;
    const ColumnCollation k = DescribeColumn(db_.handle(), table.Name, table.Fields[static_cast<size_t>(field)].Name);
    c->usable = k.textAffinity && k.comparison == ColumnCollation::Comparison::NoCase;
    c->rowSql = "SELECT rowid, * FROM " + quoteIdentifier(table.Name) + " WHERE rowid = ?1";
    columns_.push_back(std::move(c));
    return *columns_.back();
}

void KeyIndex::read(Column& c)
{
    const TableDef& t = *c.table;
    const bool appended = c.read && *t.Changes == c.changes && db_.otherWrites() == c.otherWrites;
    if (c.read && appended && *t.Writes == c.writes)
        return;
    if (!appended) {
        c.rowids.clear();
        c.lastRowid = std::numeric_limits<qint64>::min();
    }
    const QString sql = "SELECT rowid, " + quoteIdentifier(t.Fields[static_cast<size_t>(c.field)].Name) + " FROM " +
                        quoteIdentifier(t.Name) + " WHERE rowid > ?1 ORDER BY rowid";
    sqlite3_stmt* st = db_.prepare(sql, &t);
    sqlite3_bind_int64(st, 1, c.lastRowid);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        const qint64 rowid = sqlite3_column_int64(st, 0);
        c.lastRowid = rowid;
        if (sqlite3_column_type(st, 1) != SQLITE_TEXT)
            continue;  // Null, a number or bytes never equal a text
        const QByteArrayView bytes(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)), sqlite3_column_bytes(st, 1));
        if (!bytes.isValidUtf8()) {
            c.usable = false;  // SQLite would compare a text of its own making
            break;
        }
        c.rowids[FoldCase(QString::fromUtf8(bytes))].push_back(rowid);
    }
    sqlite3_reset(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        db_.raiseLastError(sql);
    c.read = true;
    c.writes = *t.Writes;
    c.changes = *t.Changes;
    c.otherWrites = db_.otherWrites();
}

bool KeyIndex::Serves(const TableDef& table, const std::vector<TranslatedSql::Equality>& equalities) const
{
    if (equalities.size() != 1 || equalities.front().date)
        return false;
    for (const auto& c : columns_)
        if (c->table == &table && c->read && c->usable &&
            table.Fields[static_cast<size_t>(c->field)].Name.compare(equalities.front().column, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool KeyIndex::Select(const std::shared_ptr<const TableDef>& table, const std::vector<TranslatedSql::Equality>& equalities,
                      const std::vector<Variant>& params, std::vector<qint64>& rowids, std::vector<RawRow>& rows,
                      size_t keep)
{
    if (equalities.size() != 1 || equalities.front().date)
        return false;
    const Variant& v = params[static_cast<size_t>(equalities.front().param)];
    const int field = table->fieldIndex(equalities.front().column);
    if (field < 0 || v.kind() != Variant::Kind::Text)
        return false;
    const QString text = v.toText();
    if (text.contains(QChar(0)) || !QStringView(text).isValidUtf16())
        return false;
    Column& c = column(*table, field);
    if (!c.usable || (!c.read && ++c.asks < kAsksBeforeIndex))
        return false;
    read(c);
    if (!c.usable)
        return false;
    const auto it = c.rowids.constFind(FoldCase(text));
    rowids.clear();
    if (it != c.rowids.constEnd())
        rowids = it.value();
    // The first rows whole, as a selection read by its statement has them.
    rows.clear();
    for (size_t i = 0; i < rowids.size() && i < keep; ++i) {
        sqlite3_stmt* st = db_.prepare(c.rowSql, table.get());
        sqlite3_bind_int64(st, 1, rowids[i]);
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW) {
            rows.emplace_back();
            rows.back().capture(st, 1, table->Fields);
            rows.back().rowid = rowids[i];
        }
        sqlite3_reset(st);
        if (rc != SQLITE_ROW)
            db_.raiseLastError(c.rowSql);
    }
    return true;
}

}  // namespace dao
