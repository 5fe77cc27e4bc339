#pragma once
// Writes small Jet 4 (.mdb) files for tests and sample data, readable by libmdb.
//
// What a file holds: the header page (password and creation date), the catalog MSysObjects, the
// system table MSysRelationships, and one table per Table with its rows, memos (inline, in one
// long-value row, or in a chain of them), deleted rows, an optional primary key on a Long column
// (definition and one index leaf) and unique-index definitions. Column properties ("Required")
// go into the catalog's LvProp, where libmdb finds them.
//
// A primary key's definition can name another first page than its leaf's, as in a damaged file.
#include "db/FieldType.h"
#include "db/Variant.h"

#include <QString>
#include <QStringList>
#include <stdexcept>
#include <vector>

namespace jetwriter {

struct Column {
    QString name;
    dao::FieldType type = dao::FieldType::Text;  // Boolean, Byte, Integer, Long, Currency, Single, Double, Date, Text, Memo
    int size = 50;             // characters, Text only (1..255)
    bool required = false;     // written as the column property "Required"
    bool autoNumber = false;   // Long only; a Null value gets the next number
    bool guid = false;         // Text only: a GUID (replication ID) column; values are texts {8-4-4-4-12}
};

struct Table {
    QString name;
    std::vector<Column> columns;
    // One value per column. Variant() is Null, QString("") the empty text.
    // Boolean: bool (Null is No). Byte/Integer/Long: whole numbers in range. Currency: a number, or a
    // decimal text for an exact value ("-922337203685477.5808"). Single/Double: a number. Date: a
    // QDateTime, a text "YYYY-MM-DD[ HH:MM:SS]", or a number taken as the stored Jet date double.
    std::vector<std::vector<dao::Variant>> rows;
    // Optional, same length as rows: true writes that row as deleted, its offset flagged 0xC000.
    // Every reader skips such a row. Access itself sets only 0x8000, which libmdb 1.0 takes for a
    // live row; a fixture that needs that case clears bit 0x4000 in the written bytes.
    std::vector<bool> deleted;
    QStringList primaryKey;        // optional: one Long column, at most kMaxPrimaryKeyRows live rows
    quint32 primaryKeyFirstPage = 0;  // 0: the key's leaf page; else the page its definition names instead
    QList<QStringList> uniqueIndexes;  // optional: index definitions only (no index pages)
};

struct Relationship {
    QString name, table, column, referencedTable, referencedColumn;
    int grbit = 0;
};

struct JetFile {
    std::vector<Table> tables;
    std::vector<Relationship> relationships;  // rows of the system table MSysRelationships
    QString password;                         // empty = none; at most 20 characters
    double creationDate = 45306.4375;         // Jet date double in the header (also the password mask)
};

// A primary key is written as a single index leaf page, which holds this many Long keys.
constexpr int kMaxPrimaryKeyRows = 401;

// Bad input: names the table, the row (1-based index into Table::rows, 0 when not about a row)
// and the column where it applies.
class WriteError : public std::runtime_error {
public:
    WriteError(const QString& message, const QString& table = {}, int row = 0, const QString& column = {});
    QString table;
    int row = 0;
    QString column;
    QString detail;  // the message without the place
};

// Writes the file; throws WriteError on bad input (a value that does not fit its column, a row
// too long for a page, unknown names) and dao::DaoError (a std::runtime_error) when the file cannot be
// written: a new file beside `path` renamed over it when whole, never through a link (db/SafeFiles.h).
void writeJet4(const JetFile& file, const QString& path);

// The bytes of the file, as writeJet4 writes them.
QByteArray buildJet4(const JetFile& file);

}  // namespace jetwriter
