#include "db/RawRow.h"

#include "db/JetDate.h"

#include <cmath>
#include <sqlite3.h>

namespace dao {

void RawRow::capture(sqlite3_stmt* st, int first, const FieldInfo* fields, size_t count)
{
    values_.resize(count);
    bytes_.clear();
    for (size_t i = 0; i < count; ++i) {
        const int column = first + static_cast<int>(i);
        Value& v = values_[i];
        v = Value();
        v.type = sqlite3_column_type(st, column);
        v.stored = v.type;
        // A text field holding a number reads as SQLite's text of it.
        if ((v.type == SQLITE_INTEGER || v.type == SQLITE_FLOAT) &&
            (isTextType(fields[i].Type) || fields[i].Type == FieldType::Binary))
            v.type = SQLITE_TEXT;
        switch (v.type) {
        case SQLITE_INTEGER: v.integer = sqlite3_column_int64(st, column); break;
        case SQLITE_FLOAT: v.real = sqlite3_column_double(st, column); break;
        case SQLITE_TEXT: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
            v.size = static_cast<size_t>(sqlite3_column_bytes(st, column));
            v.offset = bytes_.size();
            bytes_.append(p, v.size);
            break;
        }
        case SQLITE_BLOB: {
            const auto* p = static_cast<const char*>(sqlite3_column_text16(st, column));
            v.size = static_cast<size_t>(sqlite3_column_bytes16(st, column));
            v.offset = bytes_.size();
            v.utf16 = true;
            bytes_.append(p, v.size);
            break;
        }
        default: break;
        }
        // A Yes/No field reads as SQLite's integer of whatever is stored.
        if (fields[i].Type == FieldType::Boolean && v.type != SQLITE_INTEGER && v.type != SQLITE_NULL)
            v.integer = sqlite3_column_int64(st, column);
    }
}

const char* RawRow::storedText(int column, size_t* size) const
{
    const Value& v = values_[static_cast<size_t>(column)];
    if (v.stored != SQLITE_TEXT)
        return nullptr;
    *size = v.size;
    return bytes_.data() + v.offset;
}

int RawRow::storedNumber(int column, qint64* integer, double* real) const
{
    const Value& v = values_[static_cast<size_t>(column)];
    if (v.type != v.stored)
        return SQLITE_TEXT;  // a number in a text field reads as its text
    if (v.stored == SQLITE_INTEGER && integer)
        *integer = v.integer;
    if (v.stored == SQLITE_FLOAT && real)
        *real = v.real;
    return v.stored;
}

QString RawRow::text(const Value& v) const
{
    const char* p = bytes_.data() + v.offset;
    if (v.utf16)
        return QString(reinterpret_cast<const QChar*>(p), static_cast<qsizetype>(v.size / 2));
    for (size_t i = 0; i < v.size; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80)
            return QString::fromUtf8(p, static_cast<qsizetype>(v.size));
    return QString::fromLatin1(p, static_cast<qsizetype>(v.size));
}

Variant RawRow::value(int column, const FieldInfo& f) const
{
    const Value& v = values_[static_cast<size_t>(column)];
    const bool number = v.type == SQLITE_INTEGER || v.type == SQLITE_FLOAT;
    if (v.type == SQLITE_NULL)
        return {};
    switch (f.Type) {
    case FieldType::Text:
    case FieldType::Memo:
    case FieldType::Binary: return Variant(text(v));
    case FieldType::Byte:
    case FieldType::Integer:
    case FieldType::Long:
        if (v.type == SQLITE_INTEGER)
            return Variant(v.integer);
        if (v.type == SQLITE_FLOAT)
            return Variant(static_cast<qint64>(std::nearbyint(v.real)));
        return Variant(text(v));
    case FieldType::Boolean: return Variant(v.integer != 0);
    case FieldType::Single:
    case FieldType::Double:
    case FieldType::Currency:
    case FieldType::Decimal:
        if (v.type == SQLITE_INTEGER)
            return Variant(static_cast<double>(v.integer));
        if (v.type == SQLITE_FLOAT)
            return Variant(v.real);
        return Variant(text(v));
    case FieldType::Date: {
        if (number)  // a day count, as Jet stores dates
            return Variant(dateFromJet(v.type == SQLITE_INTEGER ? static_cast<double>(v.integer) : v.real));
        const QString t = text(v);
        const QDateTime d = dateFromIso(t);
        if (d.isValid())
            return Variant(d);
        return Variant(t);
    }
    }
    return {};
}

}  // namespace dao
