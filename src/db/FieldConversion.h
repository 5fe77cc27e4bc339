#pragma once
// How a value becomes a field's value (Jet's conversions and checks) and how it is stored in and
// read back from SQLite, following the conventions of FieldType.h.
#include "db/FieldType.h"
#include "db/Variant.h"

#include <QByteArray>

struct sqlite3_stmt;

namespace dao {

// The value a field of this kind holds after the assignment of v. Raises 3421 (cannot convert),
// 3163 (text longer than the field), 3349 (number out of the field's range).
Variant ConvertForField(const FieldInfo& field, const Variant& v);

// index 1-based. With `keep`, a text's bytes are left there and bound without a copy: the caller keeps
// them until the statement is reset.
void BindValue(sqlite3_stmt* st, int index, const Variant& v, const FieldInfo& field, QByteArray* keep = nullptr);
Variant ReadValue(sqlite3_stmt* st, int column, const FieldInfo& field);               // column 0-based

// A column's DEFAULT expression (as PRAGMA table_info reports it) as a value; Null when it is
// none or not a plain literal.
Variant DefaultValue(const FieldInfo& field);

double RoundCurrency(double v);
double RoundSingle(double v);

}  // namespace dao
