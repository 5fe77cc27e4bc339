#include "run/SummaryText.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

const char* const kSourceUnchanged = "The MP2 database was not changed.";

QString OneLine(const QString& text)
{
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line.trimmed();
}

namespace {

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

    // The rows a run that stopped early never came to, in a column of their own only then.
    const bool stoppedEarly = account.TotalNotReached() > 0;
    QStringList lines;
    const auto notReached = [&](const QString& cell) { return stoppedEarly ? cell.rightJustified(13) : QString(); };
    lines << Row("MP2 table", width, {"read", "converted", "merged", "skipped"}) + notReached("not reached");
    for (const SourceTableAccount& s : account.Sources()) {
        lines << Row(s.mp2, width, {N(s.read), N(s.converted), N(s.merged), N(s.skipped())}) + notReached(N(s.notReached));
        for (const auto& [reason, rows] : s.skippedByReason)
            lines << "    " + N(rows).rightJustified(7) + " skipped: " + reason;
    }
    lines << Row("New table", width, {"created", "invented"});
    for (const TargetTableAccount& t : account.Targets())
        lines << Row(t.table, width, {N(t.created), N(t.invented)});
    return lines;
}

namespace {

// A screen as the operator knows it, for the procedure of the form behind it.
QString ScreenName(const QString& where)
{
    if (where == QLatin1String("frmChangeValue"))
        return QStringLiteral("the Change Value screen");
    if (where == QLatin1String("frmPreParse"))
        return QStringLiteral("the pre-parse screen");
    return where;
}

QString Count(qint64 n) { return QLocale().toString(n); }

// "3,412 MP2 rows read, 3,300 converted, 98 merged, 14 skipped."
QString Totals(const RunAccount& account)
{
    qint64 read = 0, converted = 0, merged = 0;
    for (const SourceTableAccount& s : account.Sources()) {
        read += s.read;
        converted += s.converted;
        merged += s.merged;
    }
    QString totals = Count(read) + " MP2 rows read, " + Count(converted) + " converted, " + Count(merged) +
                     " merged, " + Count(account.TotalSkipped()) + " skipped";
    if (const qint64 notReached = account.TotalNotReached(); notReached > 0)
        totals += ", " + Count(notReached) + " not reached";
    return totals + ".";
}

// ", with 1 error box: <its text>" or ", with 3 error boxes, the first: <its text>"; empty without one.
QString WithErrorBoxes(const RunSummary& summary)
{
    const QStringList& boxes = summary.errorBoxes;
    if (boxes.isEmpty())
        return {};
    QString text = OneLine(boxes.first());
    while (text.endsWith(QLatin1Char('.')))
        text.chop(1);  // the headline's own full stop follows
    return (boxes.size() == 1 ? QString(", with 1 error box: ")
                              : QString(", with %1 error boxes, the first: ").arg(boxes.size())) +
           text;
}

}  // namespace

QString ElapsedText(double seconds)
{
    const qint64 total = seconds > 0 ? static_cast<qint64>(std::floor(seconds)) : 0;
    const qint64 h = total / 3600, m = total / 60 % 60, s = total % 60;
    const QString ss = QString("%1").arg(s, 2, 10, QChar('0'));
    if (h > 0)
        return QString("%1:%2:%3").arg(h).arg(m, 2, 10, QChar('0')).arg(ss);
    return QString("%1:%2").arg(m).arg(ss);
}

QString ErrorHeading(const RunSummary& summary)
{
    if (!summary.error)
        return {};
    // "Cancel Import" is the operator's choice, not an error: the heading says where it was pressed.
    if (summary.error->number == 0) {
        if (summary.result == RunResult::Cancelled)
            return "Cancelled at " + ScreenName(summary.error->where);
        return summary.error->where.isEmpty() ? QString("Stopped") : "Stopped in " + summary.error->where;
    }
    QString heading = "Error " + QString::number(summary.error->number);
    if (!summary.error->where.isEmpty())
        heading += " in " + summary.error->where;
    return heading;
}

QString ResultHeadline(const RunSummary& summary)
{
    QString error = summary.error && summary.error->number != 0 ? ErrorHeading(summary) : QString();
    if (!error.isEmpty())
        error = ": e" + error.mid(1);  // ": error 3022 in CreateEq"
    switch (summary.result) {
    case RunResult::Imported: return "Imported" + WithErrorBoxes(summary) + ". " + Totals(summary.account);
    case RunResult::Checked:
        return summary.errorBoxes.isEmpty() ? "Checked, nothing kept. " + Totals(summary.account)
                                            : "Checked" + WithErrorBoxes(summary) + ". Nothing kept. " +
                                                  Totals(summary.account);
    case RunResult::WouldFail: return "Would fail" + error + ".";
    case RunResult::Refused: return "Refused before the import began" + error + ".";
    case RunResult::Failed: return "Failed" + error + ".";
    case RunResult::Cancelled:
        return summary.error && !summary.error->where.isEmpty()
                   ? "Cancelled with \"Cancel Import\" at " + ScreenName(summary.error->where) + "."
                   : "Cancelled with \"Cancel Import\".";
    case RunResult::Interrupted: return "Interrupted by a request to stop (SIGINT or SIGTERM).";
    }
    return {};
}

QString WhatToDoNext(const RunSummary& summary, const NextSteps& steps)
{
    // A sentence of its own from a step's words.
    const auto sentence = [](const QString& words) { return words.left(1).toUpper() + words.mid(1) + "."; };
    switch (summary.result) {
    case RunResult::Imported:
        return summary.errorBoxes.isEmpty()
                   ? QString()
                   : QString(summary.errorBoxes.size() == 1
                                 ? "The import went on past the error box: the end of the log gives what it said. "
                                   "Check the records it names in the new database."
                                 : "The import went on past the error boxes: the end of the log gives what each "
                                   "said. Check the records they name in the new database.");
    case RunResult::Checked:
        if (!summary.errorBoxes.isEmpty())
            return QString(summary.errorBoxes.size() == 1
                               ? "The import would show the same error box and go on past it: the end of the check "
                                 "log gives what it said."
                               : "The import would show the same error boxes and go on past them: the end of the "
                                 "check log gives what each said.") +
                   " When that is what you expect, " + steps.makeDatabase + ".";
        return summary.account.TotalSkipped() > 0
                   ? "Read why rows were skipped in the log. When the result is what you expect, " +
                         steps.makeDatabase + "."
                   : sentence(steps.makeDatabase);
    case RunResult::WouldFail: {
        // What to do is what a failed import would need.
        RunSummary failed = summary;
        failed.result = RunResult::Failed;
        return "The import would stop at the same error. " + WhatToDoNext(failed, steps);
    }
    case RunResult::Cancelled:
    case RunResult::Interrupted:
        return QString("Start the import again when you are ready. ") + kSourceUnchanged;
    case RunResult::Refused:
    case RunResult::Failed: break;
    }
    const int number = summary.error ? summary.error->number : 0;
    QString next;
    switch (number) {
    case 61:
    case 3026:
        next = "Free space on the disk of the target directory (and of the folder the import is started from, "
               "where the working copy is made), then start the import again.";
        break;
    case 70:
    case 3051:
        // A right that is missing is the set-up's to give (the message names the file and the right); a
        // file held by another program is free again once that program has ended.
        next = "When the message names a right you lack, ask whoever set the product up to give it (crew-host-setup "
               "names the operators who import); when another program holds the file, have everyone exit MP2 and "
               "Mendly/Vantrix. Then start the import again.";
        break;
    case 3031: next = steps.password; break;
    default:
        next = summary.error ? "Correct what the message above names, then start the import again." +
                                   QString(summary.log.isEmpty() ? ""
                                                                 : " The last lines of the import log show where "
                                                                   "the import stopped.")
                             : "Correct what the last message named, then start the import again.";
        break;
    }
    return next + " " + kSourceUnchanged;
}

QString DatabaseLine(const RunSummary& summary)
{
    if (summary.database.isEmpty())
        return QStringLiteral("(none)");
    const bool check = summary.result == RunResult::Checked || summary.result == RunResult::WouldFail;
    switch (summary.databaseFate) {
    case DatabaseFate::Registered: return summary.database + " (registered)";
    case DatabaseFate::Left: return summary.database + " (left on disk, not registered)";
    case DatabaseFate::Removed:
        return summary.database + (check ? " (where the import will make it; the check kept none)" : " (removed)");
    case DatabaseFate::NotMade:
        return summary.database + (check ? " (where the import will make it; the check kept none)" : " (not made)");
    }
    return summary.database;
}
