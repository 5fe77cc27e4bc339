#pragma once
// A table read once in the order of a text column that leads a NOCASE index (its key), the rows of one
// key at a time: the rows whose keys NOCASE compares equal, in rowid order, as "Select * from T Where
// KEY = '...'" would give them for a text without letters beyond ASCII.
//
// It serves a conversion that walks one table in the key's order (Next) and looks up the rows of the
// same keys in other tables as it goes (Find): each table is then read once from beginning to end,
// only the columns asked for are read, and at most one key's rows are held. Keys asked out of order
// are searched for again through the index.
//
// Nothing may write the table while it is read (the working copy of the source, which the conversions
// only read, is what it is for): the statement stays open across the commits of the connection.
#include "db/ColumnCollation.h"
#include "db/FieldType.h"
#include "db/RawRow.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <span>
#include <vector>

struct sqlite3_stmt;

namespace dao {

class Database;
struct TableDef;

class KeyGroups {
public:
    // Reads `columns` of `table` (RawRow column i is columns[i]) by `key`, which must be a text column
    // that leads a NOCASE index. Raises 3078 (no such table) and 3265 (no such field).
    KeyGroups(Database& db, const QString& table, const QString& key, const QStringList& columns);
    ~KeyGroups();
    KeyGroups(const KeyGroups&) = delete;
    KeyGroups& operator=(const KeyGroups&) = delete;

    // The rows of the next key (the first time: of the first key in the table's order, Null before
    // every text); false after the last. The rows are Rows().
    bool Next();
    // The rows whose key NOCASE compares equal to `key` (UTF-8), none when the table holds none.
    std::span<const RawRow> Find(const QByteArray& key);
    std::span<const RawRow> Rows() const { return {rows_.data(), held_ ? count_ : 0}; }

    // The field of column i of the list, for RawRow::value.
    const FieldInfo& Field(int column) const { return fields_[static_cast<size_t>(column)]; }
    // How SQL compares column i with a text (the collation it is declared with).
    const ColumnCollation& Collation(int column) const { return collations_[static_cast<size_t>(column)]; }
    // Does the row's column i hold a text that SQL would find equal to `text` (UTF-8)? Only for a
    // column whose collation is known (NoCase or Binary) and that has text affinity.
    bool TextEquals(const RawRow& row, int column, const QByteArray& text) const;

private:
    void start(const QByteArray* from);
    void step();
    int compareKey(const QByteArray& key) const;  // the row the statement is on against key
    void collect();                               // the rows of the key the statement is on
    bool onNullKey() const;

    Database& db_;
    std::shared_ptr<const TableDef> table_;
    std::vector<FieldInfo> fields_;
    std::vector<ColumnCollation> collations_;
    QString sql_;       // the whole table in the key's order
    QString fromSql_;   // from a key on
    sqlite3_stmt* st_ = nullptr;
    sqlite3_stmt* whole_ = nullptr;
    sqlite3_stmt* from_ = nullptr;
    int keyColumn_ = 0;  // in the statement's columns (the row's columns come first, then the key)
    bool started_ = false;
    bool onRow_ = false;
    bool asked_ = false;
    QByteArray lastAsked_;
    bool heldNull_ = false;  // rows_ are the rows of a Null key (Next only)
    QByteArray heldKey_;     // otherwise those of this key
    bool held_ = false;
    // The rows held: the first count_ of rows_, whose storage the next key's rows use again.
    std::vector<RawRow> rows_;
    size_t count_ = 0;
};

}  // namespace dao
