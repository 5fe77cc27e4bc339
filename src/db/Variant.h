#pragma once
// A field value as the conversions see it: Null, or a typed value. Null and the empty text differ.
#include <QDateTime>
#include <QString>

namespace dao {

class Variant {
public:
    enum class Kind { Null, Boolean, Integer, Real, Date, Text };

    Variant() = default;  // Null
    Variant(bool v) : kind_(Kind::Boolean), int_(v ? 1 : 0) {}
    Variant(int v) : kind_(Kind::Integer), int_(v) {}
    Variant(long v) : kind_(Kind::Integer), int_(v) {}
    Variant(long long v) : kind_(Kind::Integer), int_(v) {}
    Variant(double v) : kind_(Kind::Real), real_(v) {}
    Variant(const QString& v) : kind_(Kind::Text), text_(v) {}
    Variant(const char* v) : kind_(Kind::Text), text_(QString::fromUtf8(v)) {}
    Variant(const QDateTime& v) : kind_(Kind::Date), date_(v) {}
    static Variant Null() { return {}; }

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }
    bool isText() const { return kind_ == Kind::Text; }
    bool isNumber() const { return kind_ == Kind::Integer || kind_ == Kind::Real || kind_ == Kind::Boolean; }

    // Conversions as Basic makes them; a text that is no number raises error 13 (Type mismatch).
    bool toBool() const;
    qint64 toLong() const;  // rounds halves to even, as CLng does
    double toDouble() const;
    QDateTime toDate() const;
    // The plain text form: numbers without grouping (0, 12.5, 1200), dates in the operator's short
    // date form with a four-digit year (and the time when it is not midnight), Yes/No as True/False.
    // Null gives the empty text, as concatenation does.
    QString toText() const;

    // Exact equality of kind and value (for tests and exact comparisons).
    bool operator==(const Variant& o) const;
    bool operator!=(const Variant& o) const { return !(*this == o); }

private:
    Kind kind_ = Kind::Null;
    qint64 int_ = 0;
    double real_ = 0;
    QString text_;
    QDateTime date_;
};

inline bool IsNull(const Variant& v) { return v.isNull(); }

// Basic's IsNumeric: leading and trailing blanks allowed ("30 "), exponents allowed ("1e2").
bool IsNumeric(const QString& text);

}  // namespace dao
