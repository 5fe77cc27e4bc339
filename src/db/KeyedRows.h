#pragma once
// Selections of one shape asked row after row, such as "Select * from WOE Where WONUM = '...' And
// EQNUM = '...'" once per history record, answered from rows read once.
//
// A table is read in the order of an indexed text column (the key), the rows of one key at a time:
// those whose key equals a text as NOCASE compares it. A selection made of "column = literal"
// comparisons joined by And, whose first comparison is on such a key, is then made on the rows held.
// Asked in the key's order, as the conversions ask, the table is read once from beginning to end; keys
// asked in any other order are left to the statement, which then costs no more than before.
//
// Only a selection whose answer is the statement's own is made here: the first comparison with a text
// that NOCASE compares (no letter beyond ASCII), the others on columns whose comparison is known (text
// columns compared through NOCASE, BINARY or the fold collation, dates as their ISO text), and at most
// kMaxRows rows of one key. Anything else is left to the statement. Rows held serve only while their
// table is not written; a write to the file and a commit end the reading (no statement stays open
// across them), and the next key is searched for again.
#include "db/ColumnCollation.h"
#include "db/RawRow.h"
#include "db/SqlTranslator.h"
#include "db/Variant.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <utility>
#include <vector>

struct sqlite3_stmt;

namespace dao {

class Database;
struct TableDef;

class KeyedRows {
public:
    explicit KeyedRows(Database& db);
    ~KeyedRows();
    KeyedRows(const KeyedRows&) = delete;
    KeyedRows& operator=(const KeyedRows&) = delete;

    // Makes the selection on `table` by `equalities` (with their values in `params`): the rowids of
    // the rows it finds, in rowid order, and the first `keep` of those rows whole. False when the
    // selection is one to run as a statement (nothing is changed then): one this class cannot make,
    // or one whose key does not follow the keys asked before (the statement then costs no more).
    bool Select(const std::shared_ptr<const TableDef>& table, const std::vector<TranslatedSql::Equality>& equalities,
                const std::vector<Variant>& params, std::vector<qint64>& rowids, std::vector<RawRow>& rows,
                size_t keep);

    // Ends every reading (its statement reset): before a write and before a commit.
    void Stop();
    // Forgets what is known of the tables as well (their definitions changed).
    void Forget();

    static constexpr size_t kMaxRows = 4096;  // of one key; a larger key is left to the statement

private:
    using Comparison = ColumnCollation::Comparison;
    struct Column {
        const TableDef* table = nullptr;
        QString name;            // as asked for
        int field = -1;          // in the table's definition, -1 when missing
        ColumnCollation collation;
    };
    const Column& column(const TableDef& table, const QString& name);

    class Reader;
    Reader& reader(const std::shared_ptr<const TableDef>& table, int field);

    Database& db_;
    std::vector<Column> columns_;                  // few: the columns the conversions ask about
    std::vector<std::shared_ptr<Reader>> readers_;
};

}  // namespace dao
