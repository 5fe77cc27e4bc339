#include "db/FieldType.h"

#include <QRegularExpression>

namespace dao {

QString quoteIdentifier(const QString& name)
{
    QString q = name;
    q.replace('"', "\"\"");
    return '"' + q + '"';
}

QString declaredColumn(const FieldInfo& f, bool rowidKey)
{
    QString d;
    switch (f.Type) {
    case FieldType::Text: d = QString("VARCHAR(%1) COLLATE NOCASE").arg(f.Size > 0 ? f.Size : 255); break;
    case FieldType::Memo: d = "LONGTEXT COLLATE NOCASE"; break;
    case FieldType::Byte: d = "TINYINT"; break;
    case FieldType::Integer: d = "SMALLINT"; break;
    case FieldType::Long:
        if (f.AutoNumber)
            return rowidKey ? QString("INTEGER PRIMARY KEY AUTOINCREMENT") : QString("COUNTER");
        d = "INT";
        break;
    case FieldType::Single: d = "FLOAT"; break;
    case FieldType::Double: d = "DOUBLE"; break;
    case FieldType::Currency: d = "CURRENCY REAL"; break;
    case FieldType::Decimal: d = QString("DECIMAL(%1,%2)").arg(f.Precision).arg(f.Scale); break;
    case FieldType::Date: d = "DATETIME"; break;
    case FieldType::Boolean: return "BOOLEAN NOT NULL DEFAULT 0";
    case FieldType::Binary: d = "BLOB"; break;
    }
    if (f.Required)
        d += " NOT NULL";
    if (!f.DefaultSql.isEmpty())
        d += " DEFAULT " + f.DefaultSql;
    return d;
}

FieldInfo parseDeclaredType(const QString& name, const QString& declaredType, bool notNull, bool rowidKey)
{
    FieldInfo f;
    f.Name = name;
    f.Required = notNull;
    const QString t = declaredType.trimmed().toUpper();
    static const QRegularExpression sized(R"(^(\w+)\s*\(\s*(\d+)\s*(?:,\s*(\d+)\s*)?\))");
    const auto m = sized.match(t);
    const QString head = m.hasMatch() ? m.captured(1) : t.section(' ', 0, 0);
    if (head == "VARCHAR" || head == "TEXT" || head == "CHAR") {
        f.Type = FieldType::Text;
        f.Size = m.hasMatch() ? m.captured(2).toInt() : 255;
    } else if (head == "LONGTEXT" || head == "MEMO") {
        f.Type = FieldType::Memo;
    } else if (head == "TINYINT") {
        f.Type = FieldType::Byte;
    } else if (head == "SMALLINT") {
        f.Type = FieldType::Integer;
    } else if (head == "INT" || head == "LONG") {
        f.Type = FieldType::Long;
    } else if (head == "INTEGER") {
        f.Type = FieldType::Long;
        f.AutoNumber = rowidKey;
    } else if (head == "COUNTER") {
        f.Type = FieldType::Long;
        f.AutoNumber = true;
    } else if (head == "FLOAT" || head == "SINGLE") {
        f.Type = FieldType::Single;
    } else if (head == "DOUBLE" || head == "REAL") {
        f.Type = FieldType::Double;
    } else if (head == "CURRENCY" || head == "MONEY") {
        f.Type = FieldType::Currency;
    } else if (head == "DECIMAL" || head == "NUMERIC") {
        f.Type = FieldType::Decimal;
        f.Precision = m.hasMatch() ? m.captured(2).toInt() : 18;
        f.Scale = m.hasMatch() && !m.captured(3).isEmpty() ? m.captured(3).toInt() : 0;
    } else if (head == "DATETIME" || head == "DATE") {
        f.Type = FieldType::Date;
    } else if (head == "BOOLEAN" || head == "BIT" || head == "YESNO") {
        f.Type = FieldType::Boolean;
    } else if (head == "BLOB") {
        f.Type = FieldType::Binary;
    } else {
        f.Type = FieldType::Memo;
    }
    if (f.AutoNumber || f.Type == FieldType::Boolean)
        f.Required = false;  // assigned by the engine, never left Null
    return f;
}

bool isTextType(FieldType t) { return t == FieldType::Text || t == FieldType::Memo; }

bool isNumericType(FieldType t)
{
    switch (t) {
    case FieldType::Byte: case FieldType::Integer: case FieldType::Long: case FieldType::Currency:
    case FieldType::Single: case FieldType::Double: case FieldType::Decimal:
        return true;
    default:
        return false;
    }
}

const char* typeName(FieldType t)
{
    switch (t) {
    case FieldType::Boolean: return "Yes/No";
    case FieldType::Byte: return "Byte";
    case FieldType::Integer: return "Integer";
    case FieldType::Long: return "Long";
    case FieldType::Currency: return "Currency";
    case FieldType::Single: return "Single";
    case FieldType::Double: return "Double";
    case FieldType::Decimal: return "Decimal";
    case FieldType::Date: return "Date/Time";
    case FieldType::Text: return "Text";
    case FieldType::Memo: return "Memo";
    case FieldType::Binary: return "Binary";
    }
    return "?";
}

}  // namespace dao
