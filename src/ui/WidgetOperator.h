#pragma once
// The desktop wizard's side of every exchange with the operator: modal message boxes and input
// boxes, the pre-parse screen, the change-value dialog, and the import form's status, progress bar
// and busy pointer. The import runs on the user-interface thread; the import form is repainted
// explicitly after each change and lets the window answer at its steps, without handling any input
// from the operator while a conversion runs.
#include "run/Operator.h"

#include <QPointer>
#include <QString>

#include "ui/ImportForm.h"
class QWidget;

class WidgetOperator : public Operator {
public:
    // The title of boxes that are given none.
    static const QString kApplicationTitle;

    WidgetOperator() = default;
    ~WidgetOperator() override;

    // The import form that shows the status and progress, while it is open.
    void SetImportForm(ImportForm* form) { importForm_ = form; }
    // The window boxes are centred on when no modal form is active.
    void SetMainWindow(QWidget* window) { mainWindow_ = window; }

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

    bool busy() const { return busy_; }

    // A message's text as a widget shows it: CR (alone or before LF) becomes a line break.
    static QString ScreenText(const QString& text);

private:
    friend class ArrowWhileShown;
    QWidget* DialogParent() const;

    QPointer<ImportForm> importForm_;
    QPointer<QWidget> mainWindow_;
    bool busy_ = false;
    // The last value accepted in the change-value dialog and the old value it was to replace. Asked
    // for the same old value again (the entry was refused, for example as already in use), the dialog
    // opens with what the operator typed rather than the old value.
    QString changedFrom_;
    QString changedTo_;
};
