#pragma once
// Every exchange with the operator goes through this interface: message boxes, Yes/No questions,
// input boxes, the pre-parse screen, the change-value dialog, the import form's status text and
// progress bar, and the busy pointer. The desktop wizard implements it with modal widgets; the
// unattended mode and the tests with a script that answers in order and records every text shown.
#include <QString>
#include <optional>

class PreParse;  // the equipment-number pre-parse screen's logic (convert/equipment)

enum class MsgIcon { None, Critical, Question, Exclamation, Information };

class Operator {
public:
    virtual ~Operator() = default;

    // An OK box. CR (character 13) inside the text is a line break.
    virtual void MsgBox(const QString& text, MsgIcon icon = MsgIcon::None, const QString& title = {}) = 0;
    // A Yes/No question with the question icon and No as the default button; true for Yes.
    virtual bool AskYesNo(const QString& text, const QString& title = {}) = 0;
    // An input box; std::nullopt when the operator cancelled. masked hides what is typed.
    virtual std::optional<QString> InputBox(const QString& prompt, const QString& title,
                                            const QString& defaultText = {}, bool masked = false) = 0;
    // The pre-parse screen: shown modally until the operator leaves it ("Exit", or
    // "Update Database And Close Screen" when the update succeeded). Buttons act on `screen`.
    virtual void ShowPreParse(PreParse& screen) = 0;
    // The change-value dialog: the operator's new value, or std::nullopt for "Cancel Import".
    // The dialog applies its own rules (trim, minimum and maximum length) before it returns.
    virtual std::optional<QString> ChangeValue(const QString& oldValue, int minLength, int maxLength,
                                               const QString& message) = 0;

    // The import form.
    virtual void SetStatus(const QString& text) = 0;             // lblImportStatus, then repaint
    virtual void SetProgress(double value, double maximum) = 0;  // the bar, then repaint
    virtual void SetBusy(bool busy) = 0;                         // hourglass pointer or default
    // The import form's source and target boxes (txtsource, txttarget), then repaint.
    virtual void ShowSourceAndTarget(const QString& source, const QString& target) { (void)source; (void)target; }
    virtual void Beep() {}
};
