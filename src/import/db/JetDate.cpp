#include "import/db/JetDate.h"

#include <cmath>

namespace dao {

namespace {
const QDate kJetEpoch(1899, 12, 30);
}

QDateTime dateFromJet(double value)
{
    double days = std::trunc(value);
    double frac = std::fabs(value - days);
    qint64 seconds = std::llround(frac * 86400.0);
    if (seconds >= 86400) {  // a fraction that rounds up to the next day
        seconds -= 86400;
        days += value < 0 ? -1 : 1;
    }
    // -0.5 is 1899-12-30 12:00: the day count is 0 and the fraction is the time
    const QDate day = kJetEpoch.addDays(static_cast<qint64>(days));
    return QDateTime(day, QTime(0, 0).addSecs(static_cast<int>(seconds)), Qt::UTC);
}

double jetFromDate(const QDateTime& value)
{
    const qint64 days = kJetEpoch.daysTo(value.date());
    const double frac = QTime(0, 0).secsTo(value.time()) / 86400.0;
    return days >= 0 ? days + frac : days - frac;
}

QString isoFromDate(const QDateTime& value)
{
    const QDate d = value.date();
    const QTime t = value.time();
    const int year = d.year();
    if (!d.isValid() || !t.isValid() || year < 1 || year > 9999)  // outside the fixed form: Qt's own
        return d.toString("yyyy-MM-dd") + ' ' + t.toString("HH:mm:ss");
    char16_t out[19];
    const auto put = [&out](int at, int value, int width) {
        for (int i = width - 1; i >= 0; --i, value /= 10)
            out[at + i] = static_cast<char16_t>(u'0' + value % 10);
    };
    put(0, year, 4);
    out[4] = u'-';
    put(5, d.month(), 2);
    out[7] = u'-';
    put(8, d.day(), 2);
    out[10] = u' ';
    put(11, t.hour(), 2);
    out[13] = u':';
    put(14, t.minute(), 2);
    out[16] = u':';
    put(17, t.second(), 2);
    return QString(reinterpret_cast<const QChar*>(out), 19);
}

namespace {
// Digits at [at, at + n) of t as a number, or -1.
int digits(const QString& t, int at, int n)
{
    int v = 0;
    for (int i = at; i < at + n; ++i) {
        const ushort c = t[i].unicode();
        if (c < '0' || c > '9')
            return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}
}  // namespace

QDateTime dateFromIso(const QString& text)
{
    // The form our files store, read without Qt's general parser: 'YYYY-MM-DD HH:MM:SS'.
    if (text.size() == 19 && text[4] == '-' && text[7] == '-' && text[10] == ' ' && text[13] == ':' &&
        text[16] == ':') {
        const QDate d(digits(text, 0, 4), digits(text, 5, 2), digits(text, 8, 2));
        const QTime tm(digits(text, 11, 2), digits(text, 14, 2), digits(text, 17, 2));
        if (d.isValid() && tm.isValid())
            return QDateTime(d, tm, Qt::UTC);
        return {};
    }
    const QString t = text.trimmed();
    QDate d = QDate::fromString(t.left(10), "yyyy-MM-dd");
    if (!d.isValid())
        return {};
    QTime tm(0, 0);
    if (t.size() > 10) {
        tm = QTime::fromString(t.mid(11, 8), "HH:mm:ss");
        if (!tm.isValid())
            tm = QTime::fromString(t.mid(11, 5), "HH:mm");
        if (!tm.isValid())
            return {};
    }
    return QDateTime(d, tm, Qt::UTC);
}

}  // namespace dao
