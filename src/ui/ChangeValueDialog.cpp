#include "ui/ChangeValueDialog.h"

#include "convert/equipment/ChangeValue.h"
#include "run/Operator.h"
#include "ui/Centre.h"
#include "ui/WidgetOperator.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ChangeValueDialog::ChangeValueDialog(Operator& op, const QString& oldValue, int minLength, int maxLength,
                                     const QString& message, QWidget* parent)
    : QDialog(parent), op_(op), minLength_(minLength), maxLength_(maxLength)
{
    setObjectName(QStringLiteral("frmChangeValue"));
    setWindowTitle(QStringLiteral("Change Value"));
    setModal(true);

    lblUserMessage = new QLabel(WidgetOperator::ScreenText(message));
    lblUserMessage->setObjectName(QStringLiteral("lblUserMessage"));
    lblUserMessage->setTextFormat(Qt::PlainText);
    lblUserMessage->setWordWrap(true);
    lblUserMessage->setMinimumWidth(420);

    txtOld = new QLineEdit(oldValue);
    txtOld->setObjectName(QStringLiteral("txtOld"));
    txtOld->setReadOnly(true);
    txtNew = new QLineEdit(oldValue);
    txtNew->setObjectName(QStringLiteral("txtNew"));
    const int width = txtNew->fontMetrics().horizontalAdvance(QString(std::max(maxLength, 30) + 4, QLatin1Char('W')) ) / 2;
    txtOld->setMinimumWidth(width);
    txtNew->setMinimumWidth(width);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("Old Value")), 0, 0);
    fields->addWidget(txtOld, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("New Value")), 1, 0);
    fields->addWidget(txtNew, 1, 1);

    btnOK = new QPushButton(QStringLiteral("OK"));
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel Import"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    connect(btnOK, &QPushButton::clicked, this, &ChangeValueDialog::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &ChangeValueDialog::btnCancel_Click);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblUserMessage);
    layout->addSpacing(6);
    layout->addLayout(fields);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    txtNew->setFocus();
    txtNew->selectAll();
}

void ChangeValueDialog::SetNewValue(const QString& text)
{
    txtNew->setText(text);
    txtNew->setFocus();
    txtNew->selectAll();
}

void ChangeValueDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CentreOnScreen(this);
}

void ChangeValueDialog::btnOK_Click()
{
    const ChangeValueCheck check = CheckChangeValue(txtNew->text(), minLength_, maxLength_);
    txtNew->setText(check.value);
    if (!check.accepted) {
        op_.MsgBox(check.message);
        txtNew->setFocus();
        return;
    }
    answer_ = check.value;
    accept();
}

void ChangeValueDialog::btnCancel_Click()
{
    answer_ = std::nullopt;
    reject();
}
