#include "app/BatchOperator.h"

#include "app/ProgressLine.h"
#include "convert/equipment/PreParse.h"

#include <QFile>
#include <QStringList>
#include <unistd.h>

const QString BatchOperator::kPasswordQuestionTitle = "Does this database have a password?";
const QString BatchOperator::kPasswordTitle = "Enter password";
const QString BatchOperator::kCutoffTitle = "Cutoff Days?";

namespace {

// The lines a box shows: CR (alone or before LF) and LF break the line; the line breaks that end
// a text add no empty lines at the bottom.
QStringList ShownLines(const QString& text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = t.split(QLatin1Char('\n'));
    while (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

const char* IconName(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Critical: return "critical";
    case MsgIcon::Question: return "question";
    case MsgIcon::Exclamation: return "exclamation";
    case MsgIcon::Information: return "information";
    case MsgIcon::None: break;
    }
    return nullptr;
}

}  // namespace

namespace {

// Whether `stream` writes to a terminal.
bool ToTerminal(QTextStream* stream)
{
    const auto* file = stream ? qobject_cast<QFile*>(stream->device()) : nullptr;
    return file && file->handle() >= 0 && ::isatty(file->handle()) == 1;
}

}  // namespace

BatchOperator::BatchOperator(BatchAnswers answers, QTextStream* transcript, ProgressLine* progress)
    : answers_(std::move(answers)), out_(transcript), progress_(progress), heldAway_(progress && ToTerminal(transcript))
{
}

void BatchOperator::print(const QString& text)
{
    if (!out_)
        return;
    std::unique_lock<std::mutex> held;
    if (heldAway_)
        held = progress_->Hold();
    *out_ << text;
    out_->flush();
}

void BatchOperator::Note(const QString& text) { print(text + "\n"); }

void BatchOperator::box(const QString& heading, const QString& text)
{
    QString shown = "+ " + heading + "\n";
    for (const QString& line : ShownLines(text))
        shown += "| " + line + "\n";
    print(shown);
}

void BatchOperator::answer(const QString& text) { print("  > " + text + "\n"); }

void BatchOperator::cannotAnswer(const QString& what, const QString& why)
{
    const QString reason = "crew-import --batch cannot answer the " + what + ": " + why;
    if (stuck_.isEmpty())
        stuck_ = reason;
    print("  > (no answer) " + why + "\n");
    throw dao::DaoError(kCannotAnswer, reason);
}

void BatchOperator::Stop(const QString& reason)
{
    if (stuck_.isEmpty())
        stuck_ = reason;
    throw dao::DaoError(kCannotAnswer, reason);
}

// True when the question under `key` was asked before: its answer was refused.
bool BatchOperator::askedBefore(const QString& key) { return asked_[key]++ > 0; }

void BatchOperator::MsgBox(const QString& text, MsgIcon icon, const QString& title)
{
    QString heading = "Message";
    if (!title.isEmpty())
        heading += ": " + title;
    if (const char* name = IconName(icon))
        heading += QString(" (%1)").arg(QLatin1String(name));
    box(heading, text);
    answer("OK");
}

bool BatchOperator::AskYesNo(const QString& text, const QString& title)
{
    box(title.isEmpty() ? QString("Question") : "Question: " + title, text);
    if (!stuck_.isEmpty())
        cannotAnswer("question", "the run is already stopped");
    answer(answers_.yes ? "Yes" : "No");
    return answers_.yes;
}

std::optional<QString> BatchOperator::InputBox(const QString& prompt, const QString& title,
                                               const QString& defaultText, bool masked)
{
    box("Input box: " + title + (defaultText.isEmpty() ? QString() : " (default " + defaultText + ")"), prompt);
    const QString what = "input box '" + title + "'";
    if (!stuck_.isEmpty())
        cannotAnswer(what, "the run is already stopped");

    QString reply;
    if (title == kPasswordQuestionTitle) {
        if (askedBefore(title))
            cannotAnswer(what, "its answer was refused");
        reply = answers_.password ? "Y" : "N";
    } else if (title == kPasswordTitle) {
        if (!answers_.password)
            cannotAnswer(what, "no --password was given");
        if (askedBefore(title))
            cannotAnswer(what, "the password was refused");
        reply = *answers_.password;
    } else if (title == kCutoffTitle) {
        if (askedBefore(title))
            cannotAnswer(what, "the answer '" + answers_.cutoff + "' of --cutoff was refused");
        reply = answers_.cutoff;
    } else {
        cannotAnswer(what, "no option answers it");
    }
    answer(masked ? QString("********") : reply);
    return reply;
}

void BatchOperator::ShowPreParse(PreParse& screen)
{
    box("Pre-parse screen: " + PreParse::kCaption,
        QString("%1 equipment numbers, %2 of them longer than %3 characters")
            .arg(screen.LastEqNumRow())
            .arg([&] {
                int n = 0;
                for (int row = 1; row <= screen.EqNumRowCount(); ++row)
                    n += screen.EqNum(row).yellow ? 1 : 0;
                return n;
            }())
            .arg(PreParse::kYellowAbove));
    const QString what = "pre-parse screen";
    if (!stuck_.isEmpty())
        cannotAnswer(what, "the run is already stopped");

    switch (answers_.substrings) {
    case BatchAnswers::Substrings::None:
        answer("Exit");
        screen.Exit();
        return;
    case BatchAnswers::Substrings::Default:
        answer(QString("Load Default Substrings (%1 rows), Update Database And Close Screen")
                   .arg(DefaultSubstrings().size()));
        screen.FillSubStrings(DefaultSubstrings());
        break;
    case BatchAnswers::Substrings::Pairs: {
        std::vector<SubstringPair> pairs;
        for (const auto& [mp2, vx] : answers_.substringPairs)
            pairs.push_back({mp2, vx});
        answer(QString("%1 substring rows from --substrings, Update Database And Close Screen").arg(pairs.size()));
        screen.FillSubStrings(pairs);
        break;
    }
    }
    if (!screen.UpdateDatabaseAndClose() || !screen.IsClosed())
        cannotAnswer(what, "the update was not done and the screen is still open "
                           "(a Yes/No question answered No, or the database refused a rename)");
}

std::optional<QString> BatchOperator::ChangeValue(const QString& oldValue, int minLength, int maxLength,
                                                  const QString& message)
{
    box(QString("Change Value: old value '%1' (%2 to %3 characters)").arg(oldValue).arg(minLength).arg(maxLength),
        message);
    const QString what = "change-value dialog for '" + oldValue + "'";
    if (!stuck_.isEmpty())
        cannotAnswer(what, "the run is already stopped");

    const BatchRename* found = FindRename(answers_.renames, oldValue);
    if (!found && answers_.listUnrenamed) {
        // Listed once; a temporary name stands for it until the check ends (another one when the
        // first is taken).
        if (!unrenamed_.contains(oldValue))
            unrenamed_ << oldValue;
        QString temporary = QString("RENAME-NEEDED-%1").arg(++temporaryNames_, 4, 10, QLatin1Char('0'));
        if (temporary.size() > maxLength)
            temporary = QString::number(temporaryNames_);
        answer(temporary + " (for the check only: listed to be renamed)");
        return temporary;
    }
    if (!found) {
        if (const BatchRename* blank = FindRename(answers_.unanswered, oldValue))
            cannotAnswer(what, blank->from + " gives no new value for it yet: fill in its new value (the second "
                                             "column), then import again");
        cannotAnswer(what, oldValue.contains(QLatin1Char('='))
                               ? "no --renames FILE.csv line gives its new value (a number holding '=' is renamed "
                                 "only from a file); --check-only lists every number to rename in MP2ImportRenames.csv"
                               : "no --rename " + oldValue + "=NEW was given; --check-only lists every number to "
                                 "rename in MP2ImportRenames.csv, for --renames FILE.csv");
    }
    if (askedBefore("ChangeValue\n" + oldValue))
        cannotAnswer(what, "the new value '" + found->value + "' of " + found->from + " was refused");
    answer(found->value);
    return found->value;
}

void BatchOperator::SetStatus(const QString& text)
{
    if (progress_)
        progress_->SetStatus(text);
    Note("Status: " + text);
}

void BatchOperator::SetProgress(double value, double maximum)
{
    if (progress_)
        progress_->SetProgress(value, maximum);
}

void BatchOperator::SetBusy(bool) {}

void BatchOperator::ShowSourceAndTarget(const QString& source, const QString& target)
{
    print("Importing from : " + source + "\n" + "Creating database : " + target + "\n");
}

void BatchOperator::Beep() { Note("(beep)"); }
