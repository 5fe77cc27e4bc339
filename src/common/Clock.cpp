#include "common/Clock.h"

namespace {
QDateTime gFixedNow;
}

namespace Clock {
QDateTime Now()
{
    if (gFixedNow.isValid())
        return gFixedNow;
    const QDateTime now = QDateTime::currentDateTime();
    return QDateTime(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()), Qt::UTC);
}
QDate Today() { return Now().date(); }
void SetFixed(const QDateTime& now) { gFixedNow = now; }
}  // namespace Clock
