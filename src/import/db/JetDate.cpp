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
    return value.date().toString("yyyy-MM-dd") + ' ' + value.time().toString("HH:mm:ss");
}

QDateTime dateFromIso(const QString& text)
{
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
