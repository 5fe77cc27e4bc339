#pragma once
// An operator that answers from a script given up front, in order, and keeps a transcript of every
// exchange: the unattended mode runs the import with it, and the tests assert the exact words of
// every box, question, status text and log line through it.
//
// OK boxes need no answer. Every question (Yes/No, input box, change-value dialog, pre-parse screen)
// takes the next answer of the script; an answer of the wrong kind, or no answer left, raises a
// dao::DaoError naming the question, so that a script that runs short never hangs: the trap of the
// procedure that asked reports it and the run ends with a non-zero status.
#include "run/Operator.h"
#include "db/DaoError.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

class ScriptedOperator : public Operator {
public:
    enum class Kind { MsgBox, AskYesNo, InputBox, PreParse, ChangeValue, Status, Progress, Busy, Beep, Form };

    // One scripted answer.
    struct Answer {
        Kind kind = Kind::InputBox;
        std::optional<QString> text;                    // InputBox / ChangeValue; nullopt = Cancel
        bool yes = false;                               // AskYesNo
        std::function<void(PreParse&)> preParse;        // PreParse

        static Answer Yes();
        static Answer No();
        static Answer Input(const QString& text);
        static Answer Cancel();                         // the input box's Cancel
        static Answer Change(const QString& text);
        static Answer CancelImport();                   // the change-value dialog's "Cancel Import"
        static Answer PreParseActions(std::function<void(PreParse&)> actions);
    };

    // One exchange as the operator saw it.
    struct Entry {
        Kind kind = Kind::MsgBox;
        QString text;                   // the box's text, the prompt, the status text
        QString title;                  // the title of the box, question or input box
        MsgIcon icon = MsgIcon::None;
        QString defaultText;            // InputBox: the default answer; ChangeValue: the old value
        bool masked = false;            // InputBox: the typed text is hidden
        QString answer;                 // "Yes"/"No", the text typed, "Cancel", "Cancel Import", "OK"
        double value = 0;               // Progress: value; ChangeValue: minimum length; Busy: 1 or 0
        double maximum = 0;             // Progress: maximum; ChangeValue: maximum length
    };

    ScriptedOperator() = default;
    explicit ScriptedOperator(std::vector<Answer> script);

    // Appends answers to the end of the script.
    ScriptedOperator& Then(const Answer& answer);
    ScriptedOperator& Yes() { return Then(Answer::Yes()); }
    ScriptedOperator& No() { return Then(Answer::No()); }
    ScriptedOperator& Input(const QString& text) { return Then(Answer::Input(text)); }
    ScriptedOperator& Cancel() { return Then(Answer::Cancel()); }

    // Called with each entry as it is recorded (the unattended mode prints them).
    void SetEcho(std::function<void(const Entry&)> echo) { echo_ = std::move(echo); }
    // Whether each step of the progress bar goes into the transcript (a long import makes many);
    // progressValue() and progressMaximum() follow the bar either way.
    void SetRecordProgress(bool record) { recordProgress_ = record; }

    const std::vector<Entry>& transcript() const { return transcript_; }
    std::vector<Entry> entries(Kind kind) const;
    QStringList messages() const;   // the texts of the OK boxes, in order
    QStringList questions() const;  // the texts of Yes/No questions and input-box prompts, in order
    QStringList statuses() const;   // the status texts, in order
    int answersLeft() const { return static_cast<int>(script_.size()); }
    double progressValue() const { return progressValue_; }
    double progressMaximum() const { return progressMaximum_; }
    bool busy() const { return busy_; }
    QString formSource() const { return formSource_; }
    QString formTarget() const { return formTarget_; }

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
    void Beep() override;
    void ShowSourceAndTarget(const QString& source, const QString& target) override;

    // The error a question raises when the script holds no answer for it (9: subscript out of
    // range, the script being read past its end) or holds an answer of another kind (13).
    static constexpr int kNoAnswerLeft = 9;
    static constexpr int kWrongAnswerKind = 13;

private:
    Answer next(Kind kind, const QString& question);
    void record(Entry entry);

    std::deque<Answer> script_;
    int answered_ = 0;
    std::vector<Entry> transcript_;
    std::function<void(const Entry&)> echo_;
    double progressValue_ = 0;
    double progressMaximum_ = 0;
    bool busy_ = false;
    bool recordProgress_ = true;
    QString formSource_;
    QString formTarget_;
};

const char* KindName(ScriptedOperator::Kind kind);
