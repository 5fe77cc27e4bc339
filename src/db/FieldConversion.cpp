#include "db/FieldConversion.h"

#include "db/DaoError.h"
#include "db/JetDate.h"
#include "db/RawRow.h"

#include <cmath>
#include <limits>
#include <sqlite3.h>

namespace dao {

double RoundCurrency(double v) { return std::nearbyint(v * 10000.0) / 10000.0; }

double RoundSingle(double v)
{
    if (v == 0 || !std::isfinite(v))
        return v;
    const float f = static_cast<float>(v);
    return QString::number(static_cast<double>(f), 'g', 7).toDouble();
}

namespace {

double numberFrom(const Variant& v)
{
    switch (v.kind()) {
    case Variant::Kind::Text: {
        if (!IsNumeric(v.toText()))
            throw JetError::ConversionError();
        return v.toDouble();
    }
    default: return v.toDouble();
    }
}

qint64 integerIn(const Variant& v, qint64 lo, qint64 hi)
{
    qint64 n = 0;
    if (v.kind() == Variant::Kind::Integer || v.kind() == Variant::Kind::Boolean) {
        n = v.toLong();
    } else {
        const double d = numberFrom(v);
        if (!std::isfinite(d) || d < static_cast<double>(lo) - 0.5 || d > static_cast<double>(hi) + 0.5)
            throw JetError::NumericOverflow();
        n = static_cast<qint64>(std::nearbyint(d));
    }
    if (n < lo || n > hi)
        throw JetError::NumericOverflow();
    return n;
}

}  // namespace

Variant ConvertForField(const FieldInfo& f, const Variant& v)
{
    if (v.isNull()) {
        if (f.Type == FieldType::Boolean)
            throw DaoError(3162, "You tried to assign the Null value to a variable that is not a Variant data type.");
        return v;
    }
    switch (f.Type) {
    case FieldType::Text:
    case FieldType::Memo: {
        const QString text = v.toText();
        if (f.Type == FieldType::Text && f.Size > 0 && text.size() > f.Size)
            throw JetError::FieldTooSmall();
        return text;
    }
    case FieldType::Byte: return Variant(integerIn(v, 0, 255));
    case FieldType::Integer: return Variant(integerIn(v, -32768, 32767));
    case FieldType::Long: return Variant(integerIn(v, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
    case FieldType::Single: {
        const double d = numberFrom(v);
        if (std::fabs(d) > std::numeric_limits<float>::max())
            throw JetError::NumericOverflow();
        return Variant(RoundSingle(d));
    }
    case FieldType::Double:
    case FieldType::Decimal: return Variant(numberFrom(v));
    case FieldType::Currency: {
        const double d = numberFrom(v);
        if (std::fabs(d) > 922337203685477.0)
            throw JetError::NumericOverflow();
        return Variant(RoundCurrency(d));
    }
    case FieldType::Date: {
        if (v.kind() == Variant::Kind::Date)
            return v;
        if (v.kind() == Variant::Kind::Text) {
            try {
                return Variant(v.toDate());
            } catch (const DaoError&) {
                throw JetError::ConversionError();
            }
        }
        return Variant(dateFromJet(numberFrom(v)));
    }
    case FieldType::Boolean: {
        try {
            return Variant(v.toBool());
        } catch (const DaoError&) {
            throw JetError::ConversionError();
        }
    }
    case FieldType::Binary: return Variant(v.toText());
    }
    return v;
}

void BindValue(sqlite3_stmt* st, int index, const Variant& v, const FieldInfo& f, QByteArray* keep)
{
    const auto bindUtf8 = [&](QByteArray utf8) {
        if (keep) {
            *keep = std::move(utf8);
            sqlite3_bind_text(st, index, keep->constData(), static_cast<int>(keep->size()), SQLITE_STATIC);
        } else {
            sqlite3_bind_text(st, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
        }
    };
    if (v.isNull()) {
        sqlite3_bind_null(st, index);
        return;
    }
    switch (f.Type) {
    case FieldType::Text:
    case FieldType::Memo:
    case FieldType::Binary: {
        // As UTF-8, the files' encoding, which SQLite then stores as it is; a text that is not whole
        // UTF-16 (a lone surrogate) is left to SQLite's own translation, as it always was.
        const QString t = v.toText();
        if (!QStringView(t).isValidUtf16()) {
            sqlite3_bind_text16(st, index, t.utf16(), static_cast<int>(t.size() * 2), SQLITE_TRANSIENT);
            return;
        }
        bindUtf8(t.toUtf8());
        return;
    }
    case FieldType::Byte:
    case FieldType::Integer:
    case FieldType::Long: sqlite3_bind_int64(st, index, v.toLong()); return;
    case FieldType::Boolean: sqlite3_bind_int(st, index, v.toBool() ? 1 : 0); return;
    case FieldType::Currency: sqlite3_bind_double(st, index, RoundCurrency(v.toDouble())); return;
    case FieldType::Single:
    case FieldType::Double:
    case FieldType::Decimal:
        if (v.kind() == Variant::Kind::Integer)
            sqlite3_bind_int64(st, index, v.toLong());
        else
            sqlite3_bind_double(st, index, v.toDouble());
        return;
    case FieldType::Date: {
        const QDateTime d = v.toDate();
        char iso[kIsoDateLength];
        if (isoFromDate(d, iso))
            bindUtf8(QByteArray(iso, kIsoDateLength));
        else
            bindUtf8(isoFromDate(d).toUtf8());
        return;
    }
    }
}

Variant ReadValue(sqlite3_stmt* st, int column, const FieldInfo& f)
{
    RawRow row;
    row.capture(st, column, &f, 1);
    return row.value(0, f);
}

Variant DefaultValue(const FieldInfo& f)
{
    QString d = f.DefaultSql.trimmed();
    if (d.isEmpty() || d.compare("NULL", Qt::CaseInsensitive) == 0)
        return {};
    while (d.startsWith('(') && d.endsWith(')'))
        d = d.mid(1, d.size() - 2).trimmed();
    Variant raw;
    if (d.size() >= 2 && d.startsWith('\'') && d.endsWith('\'')) {
        raw = Variant(d.mid(1, d.size() - 2).replace("''", "'"));
    } else if (d.compare("TRUE", Qt::CaseInsensitive) == 0) {
        raw = Variant(true);
    } else if (d.compare("FALSE", Qt::CaseInsensitive) == 0) {
        raw = Variant(false);
    } else {
        bool ok = false;
        const qint64 n = d.toLongLong(&ok);
        if (ok) {
            raw = Variant(n);
        } else {
            const double x = d.toDouble(&ok);
            if (!ok)
                return {};
            raw = Variant(x);
        }
    }
    try {
        return ConvertForField(f, raw);
    } catch (const DaoError&) {
        return {};
    }
}

}  // namespace dao
