#include "db/JetDate.h"

#include <algorithm>
#include <cmath>

namespace dao {

namespace {
const QDate kJetEpoch(1899, 12, 30);
}

namespace {

// A Jet date as whole days from the epoch and seconds into the day, rounded to the second.
void splitJet(double value, qint64& days, int& seconds)
{
    double whole = std::trunc(value);
    const double frac = std::fabs(value - whole);
    qint64 secs = std::llround(frac * 86400.0);
    if (secs >= 86400) {  // a fraction that rounds up to the next day
        secs -= 86400;
        whole += value < 0 ? -1 : 1;
    }
    // -0.5 is 1899-12-30 12:00: the day count is 0 and the fraction is the time
    days = static_cast<qint64>(whole);
    seconds = static_cast<int>(secs);
}

// 'YYYY-MM-DD HH:MM:SS' into out (19 characters).
template <typename Char>
void writeIso(Char* out, int year, int month, int day, int hour, int minute, int second)
{
    const auto put = [out](int at, int value, int width) {
        for (int i = width - 1; i >= 0; --i, value /= 10)
            out[at + i] = static_cast<Char>('0' + value % 10);
    };
    put(0, year, 4);
    out[4] = '-';
    put(5, month, 2);
    out[7] = '-';
    put(8, day, 2);
    out[10] = ' ';
    put(11, hour, 2);
    out[13] = ':';
    put(14, minute, 2);
    out[16] = ':';
    put(17, second, 2);
}

// The ISO form of the second `seconds` of day `days` (from 1970-01-01) into out, when its year is in
// the fixed form (1 to 9999); its year either way.
int isoOfDay(qint64 days, int seconds, char* out)
{
    // The proleptic Gregorian date of a day count.
    const qint64 z = days + 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const qint64 year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    if (year >= 1 && year <= 9999)
        writeIso(out, static_cast<int>(year), month, day, seconds / 3600, seconds / 60 % 60, seconds % 60);
    return year < 1 ? 0 : year > 9999 ? 10000 : static_cast<int>(year);
}

}  // namespace

QDateTime dateFromJet(double value)
{
    qint64 days = 0;
    int seconds = 0;
    splitJet(value, days, seconds);
    const QDate day = kJetEpoch.addDays(days);
    return QDateTime(day, QTime(0, 0).addSecs(seconds), Qt::UTC);
}

void isoFromJet(double value, char (&out)[kIsoDateLength])
{
    qint64 days = 0;
    int seconds = 0;
    splitJet(value, days, seconds);
    // Jet's epoch is 25569 days before 1970-01-01.
    isoOfDay(days - 25569, seconds, out);
}

double jetFromDate(const QDateTime& value)
{
    const qint64 days = kJetEpoch.daysTo(value.date());
    const double frac = QTime(0, 0).secsTo(value.time()) / 86400.0;
    return days >= 0 ? days + frac : days - frac;
}

bool isoFromDate(const QDateTime& value, char (&out)[kIsoDateLength])
{
    if (value.timeSpec() == Qt::UTC && value.isValid()) {
        // The layer's dates are UTC: the day and the second of the day from the count of milliseconds.
        const qint64 ms = value.toMSecsSinceEpoch();
        const qint64 dayCount = ms >= 0 ? ms / 86400000 : -((-ms + 86399999) / 86400000);
        const qint64 msOfDay = ms - dayCount * 86400000;
        char iso[kIsoDateLength];
        const int year = isoOfDay(dayCount, static_cast<int>(msOfDay / 1000), iso);
        if (year < 1 || year > 9999)
            return false;
        std::copy(std::begin(iso), std::end(iso), out);
        return true;
    }
    const QDate d = value.date();
    const QTime t = value.time();
    const int year = d.year();
    if (!d.isValid() || !t.isValid() || year < 1 || year > 9999)
        return false;
    writeIso(out, year, d.month(), d.day(), t.hour(), t.minute(), t.second());
    return true;
}

QString isoFromDate(const QDateTime& value)
{
    const QDate d = value.date();
    const QTime t = value.time();
    const int year = d.year();
    if (!d.isValid() || !t.isValid() || year < 1 || year > 9999)  // outside the fixed form: Qt's own
        return d.toString("yyyy-MM-dd") + ' ' + t.toString("HH:mm:ss");
    char16_t out[kIsoDateLength];
    writeIso(out, year, d.month(), d.day(), t.hour(), t.minute(), t.second());
    return QString(reinterpret_cast<const QChar*>(out), kIsoDateLength);
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
