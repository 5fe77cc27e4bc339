#include "convert/workorders/HistoryNotes.h"

#include "db/DaoError.h"

QString WoNumFromNotes(const QString& notes)
{
    const qsizetype open = notes.indexOf(QLatin1Char('('));
    qsizetype lineEnd = notes.indexOf(QChar(13));
    if (lineEnd < 0)
        lineEnd = notes.size();
    if (open < 0 || open >= lineEnd)
        throw dao::DaoError(5, "Invalid procedure call or argument");
    const qsizetype close = notes.lastIndexOf(QLatin1Char(')'), lineEnd - 1);
    if (close <= open)
        throw dao::DaoError(5, "Invalid procedure call or argument");
    return notes.mid(open + 1, close - open - 1);
}
