#pragma once
// The work-order history records carry their MP2 work-order number at the head of Notes:
// "MP2 WONUM = (" number ")" CR, then the rest of the notes. The labour and items conversions take
// the number back out of that text.
#include <QString>

inline const QString kWoNumOpening = QStringLiteral("MP2 WONUM = (");

// The first line of the notes of a history record for an MP2 work-order number.
inline QString WoNumNotesLine(const QString& wonum) { return kWoNumOpening + wonum + ")" + QChar(13); }

// The MP2 number in the notes: the text after the first "(" up to the last ")" of the first line, so
// that a number holding parentheses comes back whole. Raises 5 (invalid argument) when the notes hold
// no such number.
QString WoNumFromNotes(const QString& notes);
