#pragma once
// Jet stores a date as a double: days since 1899-12-30, with the time of day as the fraction.
// Before 1899-12-30 the sign belongs to the day count only; the fraction is still the time of day.
#include <QDateTime>

namespace dao {

QDateTime dateFromJet(double value);   // rounded to the second
double jetFromDate(const QDateTime& value);

// Dates in our SQLite files: 'YYYY-MM-DD HH:MM:SS', no time zone.
QString isoFromDate(const QDateTime& value);
// The ISO form of a Jet date (as isoFromDate(dateFromJet(value))) written into out, for a value in
// Jet's range (year 100 to 9999).
constexpr int kIsoDateLength = 19;
void isoFromJet(double value, char (&out)[kIsoDateLength]);
// isoFromDate written into out; false (out untouched) for a date outside the fixed form (an invalid
// date or time, a year before 1 or after 9999), whose text only isoFromDate gives.
bool isoFromDate(const QDateTime& value, char (&out)[kIsoDateLength]);
QDateTime dateFromIso(const QString& text);  // invalid QDateTime when the text is not such a date

}  // namespace dao
