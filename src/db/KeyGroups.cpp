#include "db/KeyGroups.h"

#include "db/Database.h"
#include "db/NoCase.h"

#include <cstring>
#include <sqlite3.h>

namespace dao {

namespace {
constexpr int kMaxSkipped = 16;  // rows stepped over before a search of the index is cheaper
}  // namespace

KeyGroups::KeyGroups(Database& db, const QString& table, const QString& key, const QStringList& columns)
    : db_(db), table_(db.TablePtr(table))
{
    const auto fieldOf = [&](const QString& name) -> const FieldInfo& {
        const int i = table_->fieldIndex(name);
        if (i < 0)
            throw DaoError(3265, QString("Item not found in this collection. (field '%1' of table '%2')")
                                     .arg(name, table_->Name));
        return table_->Fields[static_cast<size_t>(i)];
    };
    QStringList selected;
    for (const QString& c : columns) {
        const FieldInfo& f = fieldOf(c);
        fields_.push_back(f);
        collations_.push_back(DescribeColumn(db_.handle(), table_->Name, f.Name));
        selected << quoteIdentifier(f.Name);
    }
    const QString k = quoteIdentifier(fieldOf(key).Name);
    keyColumn_ = static_cast<int>(columns.size());
    const QString select = "SELECT " + selected.join(", ") + (selected.isEmpty() ? "" : ", ") + k + ", rowid FROM " +
                           quoteIdentifier(table_->Name);
    sql_ = select + " ORDER BY " + k + ", rowid";
    fromSql_ = select + " WHERE " + k + " >= ?1 ORDER BY " + k + ", rowid";
}

KeyGroups::~KeyGroups()
{
    sqlite3_finalize(whole_);
    sqlite3_finalize(from_);
}

void KeyGroups::start(const QByteArray* from)
{
    db_.WritePending();
    db_.beginTransaction();  // a file private to the run is read within its transaction
    sqlite3_stmt*& st = from ? from_ : whole_;
    const QString& sql = from ? fromSql_ : sql_;
    if (!st) {
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v2(db_.handle(), utf8.constData(), static_cast<int>(utf8.size()), &st, nullptr) != SQLITE_OK)
            db_.raiseLastError(sql);
    }
    if (st_)
        sqlite3_reset(st_);
    sqlite3_reset(st);
    if (from)
        sqlite3_bind_text(st, 1, from->constData(), static_cast<int>(from->size()), SQLITE_TRANSIENT);
    st_ = st;
    started_ = true;
    step();
}

void KeyGroups::step()
{
    const int rc = sqlite3_step(st_);
    onRow_ = rc == SQLITE_ROW;
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        sqlite3_reset(st_);
        db_.raiseLastError(st_ == from_ ? fromSql_ : sql_);
    }
}

bool KeyGroups::onNullKey() const { return sqlite3_column_type(st_, keyColumn_) == SQLITE_NULL; }

int KeyGroups::compareKey(const QByteArray& key) const { return CompareColumnNoCase(st_, keyColumn_, key); }

void KeyGroups::collect()
{
    count_ = 0;
    held_ = true;
    heldNull_ = onNullKey();
    const int type = sqlite3_column_type(st_, keyColumn_);
    if (type == SQLITE_TEXT || type == SQLITE_BLOB) {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(st_, keyColumn_));
        heldKey_ = QByteArray(p, sqlite3_column_bytes(st_, keyColumn_));
    } else {
        heldKey_.clear();
    }
    const auto sameKey = [&] {
        const int t = sqlite3_column_type(st_, keyColumn_);
        if (t != type)
            return false;
        if (t == SQLITE_TEXT)
            return compareKey(heldKey_) == 0;
        if (t == SQLITE_BLOB)
            return sqlite3_column_bytes(st_, keyColumn_) == heldKey_.size() &&
                   std::memcmp(sqlite3_column_blob(st_, keyColumn_), heldKey_.constData(),
                               static_cast<size_t>(heldKey_.size())) == 0;
        return t == SQLITE_NULL;  // numbers, which a text column does not hold, each a key of its own
    };
    do {
        if (count_ == rows_.size())
            rows_.emplace_back();
        RawRow& row = rows_[count_++];
        row.capture(st_, 0, fields_.data(), fields_.size());
        row.rowid = sqlite3_column_int64(st_, keyColumn_ + 1);
        step();
    } while (onRow_ && sameKey());
}

bool KeyGroups::Next()
{
    if (!started_)
        start(nullptr);
    if (!onRow_) {
        count_ = 0;
        held_ = false;
        return false;
    }
    collect();
    return true;
}

std::span<const RawRow> KeyGroups::Find(const QByteArray& key)
{
    const bool inOrder = asked_ && CompareNoCase(key.constData(), static_cast<size_t>(key.size()),
                                                 lastAsked_.constData(), static_cast<size_t>(lastAsked_.size())) >= 0;
    asked_ = true;
    lastAsked_ = key;
    if (inOrder && held_ && !heldNull_ &&
        CompareNoCase(key.constData(), static_cast<size_t>(key.size()), heldKey_.constData(),
                      static_cast<size_t>(heldKey_.size())) == 0)
        return Rows();
    if (!started_ || !inOrder) {
        start(&key);
    } else {
        for (int skipped = 0; onRow_ && compareKey(key) < 0; ++skipped) {
            if (skipped == kMaxSkipped) {
                start(&key);
                break;
            }
            step();
        }
    }
    if (onRow_ && compareKey(key) == 0) {
        collect();
    } else {  // none: the key is held with no rows, so that asking again reads nothing
        count_ = 0;
        held_ = true;
        heldNull_ = false;
        heldKey_ = key;
    }
    return Rows();
}

bool KeyGroups::TextEquals(const RawRow& row, int column, const QByteArray& text) const
{
    size_t size = 0;
    const char* stored = row.storedText(column, &size);
    if (!stored)
        return false;  // Null, a number or bytes never equal a text
    switch (collations_[static_cast<size_t>(column)].comparison) {
    case ColumnCollation::Comparison::NoCase:
        return CompareNoCase(stored, size, text.constData(), static_cast<size_t>(text.size())) == 0;
    case ColumnCollation::Comparison::Binary:
        return size == static_cast<size_t>(text.size()) && std::memcmp(stored, text.constData(), size) == 0;
    case ColumnCollation::Comparison::Unknown: break;
    }
    throw JetError::Engine("the comparison of '" + fields_[static_cast<size_t>(column)].Name + "' of '" +
                           table_->Name + "' is not known to the layer");
}

}  // namespace dao
