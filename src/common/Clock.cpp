#include "common/Clock.h"

#include <cstdio>

namespace {
QDateTime gFixedNow;

// CREW_TODAY=YYYY-MM-DD [HH:MM:SS] fixes the clock of a whole run, so that two runs of the import
// on different days (a benchmark, a comparison of results) reschedule the same schedules.
QDateTime FromEnvironment()
{
    static const QDateTime fixed = [] {
        const QString text = qEnvironmentVariable("CREW_TODAY").trimmed();
        if (text.isEmpty())
            return QDateTime();
        QDateTime d = QDateTime::fromString(text, "yyyy-MM-dd HH:mm:ss");
        if (!d.isValid())
            d = QDateTime(QDate::fromString(text, "yyyy-MM-dd"), QTime(0, 0));
        if (!d.isValid()) {
            std::fprintf(stderr, "CREW_TODAY '%s' is not a date (YYYY-MM-DD [HH:MM:SS]): the system clock is used\n",
                         text.toLocal8Bit().constData());
            return QDateTime();
        }
        return QDateTime(d.date(), d.time(), Qt::UTC);
    }();
    return fixed;
}
}  // namespace

namespace Clock {
QDateTime Now()
{
    if (gFixedNow.isValid())
        return gFixedNow;
    if (const QDateTime fixed = FromEnvironment(); fixed.isValid())
        return fixed;
    const QDateTime now = QDateTime::currentDateTime();
    return QDateTime(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()), Qt::UTC);
}
QDate Today() { return Now().date(); }
void SetFixed(const QDateTime& now) { gFixedNow = now; }
}  // namespace Clock
