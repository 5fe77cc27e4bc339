#pragma once
// The one clock of the system: "today" and "now" come from here, so that tests can fix them.
#include <QDateTime>

namespace Clock {
QDateTime Now();
QDate Today();
void SetFixed(const QDateTime& now);  // an invalid QDateTime returns to the system clock
}  // namespace Clock
