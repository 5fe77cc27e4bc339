#pragma once
// How SQLite compares one column of a table with a text: through NOCASE, byte by byte, or in a way
// the layer does not answer itself; and whether an index keeps the table's rows in the column's
// NOCASE order. What the layer needs to know before it answers a selection from rows it holds.
#include <QString>

struct sqlite3;

namespace dao {

struct ColumnCollation {
    enum class Comparison { Unknown, NoCase, Binary };
    bool textAffinity = false;  // SQLite keeps texts compared with it as texts
    Comparison comparison = Comparison::Unknown;
    bool leadsIndex = false;    // an index (not a partial one) begins with it, in NOCASE order
};

// The column as the file declares it; all false and Unknown when there is no such column.
ColumnCollation DescribeColumn(sqlite3* db, const QString& table, const QString& column);

}  // namespace dao
