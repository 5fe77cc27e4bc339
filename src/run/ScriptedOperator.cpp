#include "run/ScriptedOperator.h"

using Kind = ScriptedOperator::Kind;
using Answer = ScriptedOperator::Answer;

const char* KindName(Kind kind)
{
    switch (kind) {
    case Kind::MsgBox: return "message box";
    case Kind::AskYesNo: return "Yes/No question";
    case Kind::InputBox: return "input box";
    case Kind::PreParse: return "pre-parse screen";
    case Kind::ChangeValue: return "change-value dialog";
    case Kind::Status: return "status";
    case Kind::Progress: return "progress";
    case Kind::Busy: return "pointer";
    case Kind::Beep: return "beep";
    case Kind::Form: return "import form";
    }
    return "exchange";
}

Answer Answer::Yes()
{
    Answer a;
    a.kind = Kind::AskYesNo;
    a.yes = true;
    return a;
}

Answer Answer::No()
{
    Answer a;
    a.kind = Kind::AskYesNo;
    a.yes = false;
    return a;
}

Answer Answer::Input(const QString& text)
{
    Answer a;
    a.kind = Kind::InputBox;
    a.text = text;
    return a;
}

Answer Answer::Cancel()
{
    Answer a;
    a.kind = Kind::InputBox;
    return a;
}

Answer Answer::Change(const QString& text)
{
    Answer a;
    a.kind = Kind::ChangeValue;
    a.text = text;
    return a;
}

Answer Answer::CancelImport()
{
    Answer a;
    a.kind = Kind::ChangeValue;
    return a;
}

Answer Answer::PreParseActions(std::function<void(PreParse&)> actions)
{
    Answer a;
    a.kind = Kind::PreParse;
    a.preParse = std::move(actions);
    return a;
}

ScriptedOperator::ScriptedOperator(std::vector<Answer> script) : script_(script.begin(), script.end()) {}

ScriptedOperator& ScriptedOperator::Then(const Answer& answer)
{
    script_.push_back(answer);
    return *this;
}

Answer ScriptedOperator::next(Kind kind, const QString& question)
{
    const int number = answered_ + 1;
    if (script_.empty())
        throw dao::DaoError(kNoAnswerLeft, QString("The script holds no answer %1 for the %2 '%3'.")
                                               .arg(number)
                                               .arg(KindName(kind), question));
    Answer answer = std::move(script_.front());
    if (answer.kind != kind)
        throw dao::DaoError(kWrongAnswerKind,
                            QString("Answer %1 of the script is for a %2, but the operator was shown the %3 '%4'.")
                                .arg(number)
                                .arg(KindName(answer.kind), KindName(kind), question));
    script_.pop_front();
    ++answered_;
    return answer;
}

void ScriptedOperator::record(Entry entry)
{
    transcript_.push_back(std::move(entry));
    if (echo_)
        echo_(transcript_.back());
}

std::vector<ScriptedOperator::Entry> ScriptedOperator::entries(Kind kind) const
{
    std::vector<Entry> out;
    for (const Entry& e : transcript_)
        if (e.kind == kind)
            out.push_back(e);
    return out;
}

QStringList ScriptedOperator::messages() const
{
    QStringList out;
    for (const Entry& e : transcript_)
        if (e.kind == Kind::MsgBox)
            out << e.text;
    return out;
}

QStringList ScriptedOperator::questions() const
{
    QStringList out;
    for (const Entry& e : transcript_)
        if (e.kind == Kind::AskYesNo || e.kind == Kind::InputBox)
            out << e.text;
    return out;
}

QStringList ScriptedOperator::statuses() const
{
    QStringList out;
    for (const Entry& e : transcript_)
        if (e.kind == Kind::Status)
            out << e.text;
    return out;
}

void ScriptedOperator::MsgBox(const QString& text, MsgIcon icon, const QString& title)
{
    Entry e;
    e.kind = Kind::MsgBox;
    e.text = text;
    e.title = title;
    e.icon = icon;
    e.answer = "OK";
    record(std::move(e));
}

bool ScriptedOperator::AskYesNo(const QString& text, const QString& title)
{
    Entry e;
    e.kind = Kind::AskYesNo;
    e.text = text;
    e.title = title;
    e.icon = MsgIcon::Question;
    const Answer a = next(Kind::AskYesNo, text);
    e.answer = a.yes ? "Yes" : "No";
    record(std::move(e));
    return a.yes;
}

std::optional<QString> ScriptedOperator::InputBox(const QString& prompt, const QString& title,
                                                  const QString& defaultText, bool masked)
{
    Entry e;
    e.kind = Kind::InputBox;
    e.text = prompt;
    e.title = title;
    e.defaultText = defaultText;
    e.masked = masked;
    const Answer a = next(Kind::InputBox, prompt);
    e.answer = a.text ? *a.text : QString("Cancel");
    record(std::move(e));
    return a.text;
}

void ScriptedOperator::ShowPreParse(PreParse& screen)
{
    Entry e;
    e.kind = Kind::PreParse;
    const Answer a = next(Kind::PreParse, "Equipment number pre-parse");
    record(std::move(e));
    if (a.preParse)
        a.preParse(screen);
}

std::optional<QString> ScriptedOperator::ChangeValue(const QString& oldValue, int minLength, int maxLength,
                                                     const QString& message)
{
    Entry e;
    e.kind = Kind::ChangeValue;
    e.text = message;
    e.defaultText = oldValue;
    e.value = minLength;
    e.maximum = maxLength;
    const Answer a = next(Kind::ChangeValue, message);
    e.answer = a.text ? *a.text : QString("Cancel Import");
    record(std::move(e));
    return a.text;
}

void ScriptedOperator::SetStatus(const QString& text)
{
    Entry e;
    e.kind = Kind::Status;
    e.text = text;
    record(std::move(e));
}

void ScriptedOperator::SetProgress(double value, double maximum)
{
    progressValue_ = value;
    progressMaximum_ = maximum;
    if (!recordProgress_)
        return;
    Entry e;
    e.kind = Kind::Progress;
    e.value = value;
    e.maximum = maximum;
    record(std::move(e));
}

void ScriptedOperator::SetBusy(bool busy)
{
    busy_ = busy;
    Entry e;
    e.kind = Kind::Busy;
    e.value = busy ? 1 : 0;
    record(std::move(e));
}

void ScriptedOperator::Beep()
{
    Entry e;
    e.kind = Kind::Beep;
    record(std::move(e));
}

void ScriptedOperator::ShowSourceAndTarget(const QString& source, const QString& target)
{
    formSource_ = source;
    formTarget_ = target;
    Entry e;
    e.kind = Kind::Form;
    e.text = source;
    e.defaultText = target;
    record(std::move(e));
}
