#pragma once
// The change-value dialog "Change Value": the operator types a replacement for a value that breaks a
// length rule. OK checks the typed text (trimmed, minimum and maximum length) and refuses it with an
// error box and the focus back in the New Value box; "Cancel Import" ends the import.
#include <QDialog>
#include <optional>

class Operator;
class QLabel;
class QLineEdit;
class QPushButton;

class ChangeValueDialog : public QDialog {
    Q_OBJECT
public:
    ChangeValueDialog(Operator& op, const QString& oldValue, int minLength, int maxLength, const QString& message,
                      QWidget* parent = nullptr);

    // The New Value box opens with `text`, selected, instead of the old value.
    void SetNewValue(const QString& text);

    // The accepted value; the empty text when the dialog was closed another way; std::nullopt for
    // "Cancel Import".
    std::optional<QString> Answer() const { return answer_; }

    QLineEdit* txtOld;
    QLineEdit* txtNew;
    QLabel* lblUserMessage;
    QPushButton* btnOK;
    QPushButton* btnCancel;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void btnOK_Click();
    void btnCancel_Click();

    Operator& op_;
    int minLength_;
    int maxLength_;
    std::optional<QString> answer_ = QString();
};
