#pragma once
// The one place where numbers and dates become text for the operator (notes, log lines, messages):
// numbers plain, without grouping (0, 12.5, 1200); dates in the operator's short date form with a
// four-digit year, followed by the time when it is not midnight.
#include <QDateTime>
#include <QString>

QString NumberText(double value);
QString NumberText(qint64 value);
QString DateText(const QDateTime& value);
QString ShortDateText(const QDate& value);
QString TimeText(const QTime& value);
