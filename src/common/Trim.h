#pragma once
// Trim as the import means it: blanks (character 32) only, at both ends. Tabs, line breaks and other
// white space stay; QString::trimmed would take them too.
#include <QString>

inline QString Trim(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return (first == 0 && last == text.size()) ? text : text.mid(first, last - first);
}
