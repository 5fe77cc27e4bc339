#pragma once
// Selections "Select * from T Where COLUMN = '...'" asked again and again in no particular order (a
// look-up per converted row: does this equipment exist, which task has this description), answered
// from an index of the column held in memory: the rowids of its rows under each text, letter case
// folded as Jet compares. The table is read once; rows added to it afterwards through a recordset are
// read as they come, and any other write (an edit, a delete, a statement) reads it again.
//
// Only a selection whose answer is the statement's own is made here: one comparison, of a text with no
// NUL, with a column that holds texts compared through NOCASE (whose answer folding letter case gives,
// as the fold collation's does for a text with letters beyond ASCII). Anything else is left to the
// statement.
#include "db/RawRow.h"
#include "db/SqlTranslator.h"
#include "db/Variant.h"

#include <QHash>
#include <QString>
#include <memory>
#include <utility>
#include <vector>

namespace dao {

class Database;
struct TableDef;

class KeyIndex {
public:
    explicit KeyIndex(Database& db);
    ~KeyIndex();
    KeyIndex(const KeyIndex&) = delete;
    KeyIndex& operator=(const KeyIndex&) = delete;

    // The rowids the selection finds, in rowid order, and the first `keep` of their rows whole; false
    // when the statement is to be run instead (a selection this cannot make, or one not yet asked
    // often enough to be worth the index).
    bool Select(const std::shared_ptr<const TableDef>& table, const std::vector<TranslatedSql::Equality>& equalities,
                const std::vector<Variant>& params, std::vector<qint64>& rowids, std::vector<RawRow>& rows,
                size_t keep);
    // Is the selection one the index of its column, already made, answers?
    bool Serves(const TableDef& table, const std::vector<TranslatedSql::Equality>& equalities) const;
    void Forget();  // the tables' definitions changed

    static constexpr int kAsksBeforeIndex = 8;  // selections by a column before its index is made

private:
    struct Column;
    Column& column(const TableDef& table, int field);
    void read(Column& c);  // the rows added since the last reading, or all of them

    Database& db_;
    std::vector<std::unique_ptr<Column>> columns_;
};

}  // namespace dao
