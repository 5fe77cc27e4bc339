#include "ui/WidgetOperator.h"

#include "db/Interrupt.h"

#include "ui/ChangeValueDialog.h"
#include "ui/ImportForm.h"
#include "ui/PreParseDialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>

#include <algorithm>

const QString WidgetOperator::kApplicationTitle = QStringLiteral("Crew Import");

// The normal arrow while a box is on screen, the hourglass again afterwards when it was showing.
class ArrowWhileShown {
public:
    explicit ArrowWhileShown(WidgetOperator& op) : op_(op), wasBusy_(op.busy())
    {
        if (wasBusy_)
            op_.SetBusy(false);
    }
    ~ArrowWhileShown()
    {
        if (wasBusy_)
            op_.SetBusy(true);
    }
    ArrowWhileShown(const ArrowWhileShown&) = delete;
    ArrowWhileShown& operator=(const ArrowWhileShown&) = delete;

private:
    WidgetOperator& op_;
    bool wasBusy_;
};

namespace {

QMessageBox::Icon BoxIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::None: return QMessageBox::NoIcon;
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Information: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

QString TitleOr(const QString& title) { return title.isEmpty() ? WidgetOperator::kApplicationTitle : title; }

// A text laid out in lines of its own is broken only where its lines end: the box's label is made as
// wide as the longest line. Left to itself the box word-wraps any text wider than some 500 pixels,
// at whatever space falls there. A line too long for the screen still wraps.
// A box is at least as wide as its title needs beside the window's buttons: a short text ("Invalid
// response.") would make it so narrow that the title is cut to "Cr… rt".
void KeepTitle(QMessageBox& box)
{
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    QFont title = QApplication::font("QMdiSubWindowTitleBar");
    title.setBold(true);  // most window managers draw titles bold: room for the wider of the two
    const int needed = QFontMetrics(title).horizontalAdvance(box.windowTitle()) + 140;
    // A row of its own below the box's own rows, as wide as the title needs: the box is laid out at
    // least that wide, its text wrapped within it as before.
    grid->addItem(new QSpacerItem(needed - 2 * grid->contentsMargins().left(), 0, QSizePolicy::Minimum,
                                  QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

void KeepLines(QMessageBox& box)
{
    const QString text = box.text();
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (!label || !text.contains(QLatin1Char('\n')))
        return;
    int longest = 0;
    const QFontMetrics metrics = label->fontMetrics();
    for (const QString& line : text.split(QLatin1Char('\n')))
        longest = std::max(longest, metrics.horizontalAdvance(line));
    // The widest the box makes itself before it breaks words anywhere, less its margins and icon.
    int widest = longest + 2;
    if (const QScreen* screen = box.screen()) {
        const int screenWidth = screen->availableGeometry().width();
        widest = (screenWidth <= 1024 ? screenWidth : std::min(screenWidth - 480, 1000)) - 100;
    }
    label->setMinimumWidth(std::max(label->minimumWidth(), std::min(longest + 2, widest)));
}

}  // namespace

WidgetOperator::~WidgetOperator()
{
    if (busy_)
        QApplication::restoreOverrideCursor();
}

QString WidgetOperator::ScreenText(const QString& text)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

QWidget* WidgetOperator::DialogParent() const
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (importForm_ && importForm_->isVisible())
        return importForm_;
    return mainWindow_;
}

void WidgetOperator::MsgBox(const QString& text, MsgIcon icon, const QString& title)
{
    ArrowWhileShown arrow(*this);
    QMessageBox box(BoxIcon(icon), TitleOr(title), ScreenText(text), QMessageBox::Ok, DialogParent());
    box.setTextFormat(Qt::PlainText);  // paths and names are shown as typed, never as markup
    box.setDefaultButton(QMessageBox::Ok);
    KeepTitle(box);
    KeepLines(box);
    box.exec();
    dao::ThrowIfInterrupted();
}

bool WidgetOperator::AskYesNo(const QString& text, const QString& title)
{
    ArrowWhileShown arrow(*this);
    QMessageBox box(QMessageBox::Question, TitleOr(title), ScreenText(text), QMessageBox::Yes | QMessageBox::No,
                    DialogParent());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    KeepTitle(box);
    KeepLines(box);
    const bool yes = box.exec() == QMessageBox::Yes;
    dao::ThrowIfInterrupted();
    return yes;
}

std::optional<QString> WidgetOperator::InputBox(const QString& prompt, const QString& title,
                                                const QString& defaultText, bool masked)
{
    ArrowWhileShown arrow(*this);
    QInputDialog dialog(DialogParent());
    dialog.setObjectName(QStringLiteral("InputBox"));
    dialog.setWindowTitle(TitleOr(title));
    dialog.setLabelText(ScreenText(prompt).trimmed());
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
    dialog.setTextValue(defaultText);
    if (auto* box = dialog.findChild<QLineEdit*>())
        box->setMinimumWidth(320);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    dao::ThrowIfInterrupted();
    if (!accepted)
        return std::nullopt;
    return dialog.textValue();
}

void WidgetOperator::ShowPreParse(PreParse& screen)
{
    PreParseDialog dialog(screen, *this, DialogParent());
    dialog.exec();
    dao::ThrowIfInterrupted();
    dialog.RethrowFailure();
}

std::optional<QString> WidgetOperator::ChangeValue(const QString& oldValue, int minLength, int maxLength,
                                                   const QString& message)
{
    ArrowWhileShown arrow(*this);
    ChangeValueDialog dialog(*this, oldValue, minLength, maxLength, message, DialogParent());
    if (!changedTo_.isEmpty() && changedFrom_ == oldValue)
        dialog.SetNewValue(changedTo_);
    dialog.exec();
    dao::ThrowIfInterrupted();
    const std::optional<QString> answer = dialog.Answer();
    changedFrom_ = oldValue;
    changedTo_ = answer.value_or(QString());
    return answer;
}

void WidgetOperator::SetStatus(const QString& text)
{
    if (importForm_)
        importForm_->SetStatus(text);
}

void WidgetOperator::SetProgress(double value, double maximum)
{
    if (importForm_)
        importForm_->SetProgress(value, maximum);
}

void WidgetOperator::ShowSourceAndTarget(const QString& source, const QString& target)
{
    if (importForm_)
        importForm_->SetSourceAndTarget(source, target);
}

void WidgetOperator::SetBusy(bool busy)
{
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void WidgetOperator::Beep() { QApplication::beep(); }
