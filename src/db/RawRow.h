#pragma once
// A row as SQLite returned it, kept without turning its values into Variants: texts as the stored
// UTF-8 bytes, numbers as numbers. A recordset keeps the rows it has read this way and makes a
// Variant only of the fields the caller asks for, which most of the time are a few of many.
#include "db/FieldType.h"
#include "db/Variant.h"

#include <string>
#include <vector>

struct sqlite3_stmt;

namespace dao {

class RawRow {
public:
    // Reads the statement's current row from column `first` on, one value per field.
    void capture(sqlite3_stmt* st, int first, const FieldInfo* fields, size_t count);
    void capture(sqlite3_stmt* st, int first, const std::vector<FieldInfo>& fields)
    {
        capture(st, first, fields.data(), fields.size());
    }
    // The value of field `column` as ReadValue would have read it from the statement.
    Variant value(int column, const FieldInfo& field) const;
    // The text SQLite stores in field `column` (UTF-8), or nullptr when it stores none there (Null, a
    // number, bytes).
    const char* storedText(int column, size_t* size) const;
    // The type SQLite gives the value of field `column` (SQLITE_INTEGER, _FLOAT, _TEXT, _BLOB or _NULL).
    int storedType(int column) const { return values_[static_cast<size_t>(column)].stored; }
    // The same, as SQL reads it (a number in a text field is a text), and a number's value in *integer
    // or *real.
    int storedNumber(int column, qint64* integer, double* real) const;
    qint64 rowid = -1;

private:
    struct Value {
        int type = 0;      // SQLITE_INTEGER, _FLOAT, _TEXT, _BLOB or _NULL
        int stored = 0;    // the same, as stored (a number in a text field reads as text)
        bool utf16 = false;  // a BLOB's bytes read as text (UTF-16), as SQLite reads them
        qint64 integer = 0;  // also a Yes/No field's value whatever its stored type
        double real = 0;
        size_t offset = 0;
        size_t size = 0;
    };
    QString text(const Value& v) const;
    std::vector<Value> values_;
    std::string bytes_;
};

}  // namespace dao
