#include "run/SummaryText.h"

#include <algorithm>

namespace {

// A text on one line: its line breaks (CR, LF or both) become blanks.
QString OneLine(const QString& text)
{
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line.trimmed();
}

QString Row(const QString& name, int width, std::initializer_list<QString> cells)
{
    QString row = name.leftJustified(width);
    for (const QString& cell : cells)
        row += cell.rightJustified(11);
    return row;
}

QString N(qint64 n) { return QString::number(n); }

}  // namespace

QString ErrorText(const RunError& error)
{
    QString why = error.where;
    if (error.number != 0)
        why += (why.isEmpty() ? "error " : " error ") + QString::number(error.number);
    const QString description = OneLine(error.description);
    if (!description.isEmpty())
        why += (why.isEmpty() ? QString() : QStringLiteral(": ")) + description;
    return why;
}

QString ResultLine(const RunSummary& summary)
{
    QString name = QString::fromLatin1(RunResultName(summary.result));
    name[0] = name[0].toUpper();
    const QString why = summary.error ? ErrorText(*summary.error) : QString();
    return why.isEmpty() ? name : name + ": " + why;
}

QStringList AccountTable(const RunAccount& account)
{
    int width = 14;
    for (const SourceTableAccount& s : account.Sources())
        width = std::max(width, static_cast<int>(s.mp2.size()) + 2);
    for (const TargetTableAccount& t : account.Targets())
        width = std::max(width, static_cast<int>(t.table.size()) + 2);

    QStringList lines;
    lines << Row("MP2 table", width, {"read", "converted", "merged", "skipped"});
    for (const SourceTableAccount& s : account.Sources()) {
        lines << Row(s.mp2, width, {N(s.read), N(s.converted), N(s.merged), N(s.skipped())});
        for (const auto& [reason, rows] : s.skippedByReason)
            lines << "    " + N(rows).rightJustified(7) + " skipped: " + reason;
    }
    lines << Row("New table", width, {"created", "invented"});
    for (const TargetTableAccount& t : account.Targets())
        lines << Row(t.table, width, {N(t.created), N(t.invented)});
    return lines;
}
