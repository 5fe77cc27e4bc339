#pragma once
// The operator of the unattended mode: every box, question and answer is printed as the operator
// would see it (a CR inside a text is a line break), and every question is answered from the
// command line's options. Quiet (--quiet), nothing of it is printed. On a terminal the import form's
// status and progress bar are the progress line (app/ProgressLine.h).
//
// A question the options cannot answer, and a question asked again after its answer was refused
// (which would otherwise be asked for ever), raises a dao::DaoError (kCannotAnswer) naming it; the
// trap of the procedure that asked reports it and ends the run. stuck() then says why, and the
// program ends with kStuckStatus whatever the trap decided.
#include "run/Operator.h"
#include "db/DaoError.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <optional>
#include <utility>
#include <vector>

struct SubstringPair;
class ProgressLine;

// A new equipment number given by an option: the number as the substrings leave it, its new value
// (empty: a line of --renames not answered yet) and where it was given, in the operator's words
// ("--rename OLD=NEW", "'FILE' line 4").
struct BatchRename {
    QString old;
    QString value;
    QString from;
};

// The first of `items` whose number (`number(item)`) is `text` exactly, else the first that is `text`
// in any letter case: how an answer is matched to the equipment number it is for.
template <typename T, typename Number>
const T* FindNumber(const std::vector<T>& items, Number number, const QString& text)
{
    for (const T& item : items)
        if (number(item) == text)
            return &item;
    for (const T& item : items)
        if (number(item).compare(text, Qt::CaseInsensitive) == 0)
            return &item;
    return nullptr;
}

// The answer given for the equipment number `text`, or nullptr.
inline const BatchRename* FindRename(const std::vector<BatchRename>& renames, const QString& text)
{
    return FindNumber(renames, [](const BatchRename& r) { return r.old; }, text);
}

struct BatchAnswers {
    std::optional<QString> password;  // Y and this password; N when there is none
    QString cutoff = "30";            // the cutoff prompt's answer
    enum class Substrings { None, Default, Pairs } substrings = Substrings::None;
    std::vector<std::pair<QString, QString>> substringPairs;  // Pairs: mp2, vx in table order
    std::vector<BatchRename> renames;                         // the change-value dialog's answers
    std::vector<BatchRename> unanswered;                      // lines of --renames still blank
    bool yes = false;                                         // Yes to every Yes/No question
    // A check: an equipment number no rename answers is listed (unrenamed()) and kept under a
    // temporary name for the rest of the check, rather than stopping the run.
    bool listUnrenamed = false;
};

class BatchOperator : public Operator {
public:
    static constexpr int kCannotAnswer = 9;  // the options hold no answer (read past their end)
    static constexpr int kStuckStatus = 3;   // the exit status after an unanswerable question

    // `transcript` receives every exchange (nullptr: none, --quiet); `progress`, when given, shows the
    // status and the progress bar.
    BatchOperator(BatchAnswers answers, QTextStream* transcript, ProgressLine* progress);

    const BatchAnswers& answers() const { return answers_; }

    // Why the run could not go on, or empty.
    const QString& stuck() const { return stuck_; }
    // The equipment numbers a check met that no rename answered, in the order met.
    const QStringList& unrenamed() const { return unrenamed_; }

    // A line of the program's own (not an exchange with the operator), in the transcript.
    void Note(const QString& text);

    // The run cannot go on with the answers it was given: `reason` says why and what to change, stuck()
    // then says it, and the program ends with kStuckStatus. Raises dao::DaoError (kCannotAnswer).
    [[noreturn]] void Stop(const QString& reason);

    void MsgBox(const QString& text, MsgIcon icon = MsgIcon::None, const QString& title = {}) override;
    bool AskYesNo(const QString& text, const QString& title = {}) override;
    std::optional<QString> InputBox(const QString& prompt, const QString& title, const QString& defaultText = {},
                                    bool masked = false) override;
    void ShowPreParse(PreParse& screen) override;
    std::optional<QString> ChangeValue(const QString& oldValue, int minLength, int maxLength,
                                       const QString& message) override;
    void SetStatus(const QString& text) override;
    void SetProgress(double value, double maximum) override;
    void SetBusy(bool busy) override;
    void ShowSourceAndTarget(const QString& source, const QString& target) override;
    void Beep() override;

    // The titles of the input boxes the options answer.
    static const QString kPasswordQuestionTitle;
    static const QString kPasswordTitle;
    static const QString kCutoffTitle;

private:
    void print(const QString& text);
    void box(const QString& heading, const QString& text);
    void answer(const QString& text);
    [[noreturn]] void cannotAnswer(const QString& what, const QString& why);
    bool askedBefore(const QString& key);

    BatchAnswers answers_;
    QTextStream* out_;
    ProgressLine* progress_;
    bool heldAway_;  // the transcript goes to the terminal of the progress line
    QString stuck_;
    QHash<QString, int> asked_;
    QStringList unrenamed_;
    int temporaryNames_ = 0;
};
