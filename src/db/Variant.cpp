#include "db/Variant.h"

#include "db/TextForm.h"
#include "db/DaoError.h"
#include "db/JetDate.h"

#include <QLocale>
#include <cmath>

namespace dao {

namespace {

bool parseNumber(const QString& text, double* out)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    double v = t.toDouble(&ok);  // C locale: "1e2", "-3.5", "12"
    if (!ok)
        v = QLocale::system().toDouble(t, &ok);
    if (ok && out)
        *out = v;
    return ok;
}

}  // namespace

bool IsNumeric(const QString& text) { return parseNumber(text, nullptr); }

bool Variant::toBool() const
{
    switch (kind_) {
    case Kind::Null: return false;
    case Kind::Boolean:
    case Kind::Integer: return int_ != 0;
    case Kind::Real: return real_ != 0;
    case Kind::Date: return jetFromDate(date_) != 0;
    case Kind::Text: {
        const QString t = text_.trimmed();
        if (t.compare("True", Qt::CaseInsensitive) == 0 || t.compare("Yes", Qt::CaseInsensitive) == 0 ||
            t.compare("On", Qt::CaseInsensitive) == 0)
            return true;
        if (t.compare("False", Qt::CaseInsensitive) == 0 || t.compare("No", Qt::CaseInsensitive) == 0 ||
            t.compare("Off", Qt::CaseInsensitive) == 0)
            return false;
        double v = 0;
        if (!parseNumber(t, &v))
            throw JetError::TypeMismatch();
        return v != 0;
    }
    }
    return false;
}

qint64 Variant::toLong() const
{
    switch (kind_) {
    case Kind::Null: return 0;
    case Kind::Boolean: return int_ ? -1 : 0;  // True is -1 in Basic
    case Kind::Integer: return int_;
    default: break;
    }
    const double v = toDouble();
    return static_cast<qint64>(std::nearbyint(v));  // default rounding mode: halves to even
}

double Variant::toDouble() const
{
    switch (kind_) {
    case Kind::Null: return 0;
    case Kind::Boolean: return int_ ? -1 : 0;
    case Kind::Integer: return static_cast<double>(int_);
    case Kind::Real: return real_;
    case Kind::Date: return jetFromDate(date_);
    case Kind::Text: {
        double v = 0;
        if (!parseNumber(text_, &v))
            throw JetError::TypeMismatch();
        return v;
    }
    }
    return 0;
}

QDateTime Variant::toDate() const
{
    switch (kind_) {
    case Kind::Date: return date_;
    case Kind::Null: return {};
    case Kind::Text: {
        QDateTime d = dateFromIso(text_);
        if (d.isValid())
            return d;
        for (const QString& f : {QLocale::system().dateFormat(QLocale::ShortFormat), QString("M/d/yyyy"),
                                 QString("M/d/yyyy h:mm:ss AP"), QString("M/d/yyyy H:mm:ss")}) {
            d = QLocale::system().toDateTime(text_.trimmed(), f);
            if (!d.isValid())
                d = QDateTime::fromString(text_.trimmed(), f);
            if (d.isValid())
                return QDateTime(d.date(), d.time(), Qt::UTC);
        }
        throw JetError::TypeMismatch();
    }
    default: return dateFromJet(toDouble());
    }
}

QString Variant::toText() const
{
    switch (kind_) {
    case Kind::Null: return {};
    case Kind::Boolean: return int_ ? "True" : "False";
    case Kind::Integer: return NumberText(int_);
    case Kind::Real: return NumberText(real_);
    case Kind::Date: return DateText(date_);
    case Kind::Text: return text_;
    }
    return {};
}

bool Variant::operator==(const Variant& o) const
{
    if (kind_ != o.kind_)
        return false;
    switch (kind_) {
    case Kind::Null: return true;
    case Kind::Boolean:
    case Kind::Integer: return int_ == o.int_;
    case Kind::Real: return real_ == o.real_;
    case Kind::Date: return date_ == o.date_;
    case Kind::Text: return text_ == o.text_;
    }
    return false;
}

}  // namespace dao
