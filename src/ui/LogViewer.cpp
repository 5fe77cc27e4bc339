#include "ui/LogViewer.h"

#include "ui/WidgetOperator.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

LogViewer::LogViewer(const QString& path, const QString& text, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmLog"));
    setWindowTitle(QFileInfo(path).fileName() + " - " + path);

    txtLog = new QPlainTextEdit;
    txtLog->setObjectName(QStringLiteral("txtLog"));
    txtLog->setReadOnly(true);
    txtLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtLog->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    txtLog->setPlainText(WidgetOperator::ScreenText(text));
    txtLog->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    txtFind = new QLineEdit;
    txtFind->setObjectName(QStringLiteral("txtFind"));
    txtFind->setClearButtonEnabled(true);
    btnFindNext = new QPushButton(QStringLiteral("Find Next"));
    btnFindNext->setObjectName(QStringLiteral("btnFindNext"));
    btnFindNext->setAutoDefault(false);
    lblFound = new QLabel;
    lblFound->setObjectName(QStringLiteral("lblFound"));
    btnClose = new QPushButton(QStringLiteral("Close"));
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setAutoDefault(false);

    auto* find = new QHBoxLayout;
    find->addWidget(new QLabel(QStringLiteral("Find:")));
    find->addWidget(txtFind, 1);
    find->addWidget(btnFindNext);
    find->addWidget(lblFound);
    find->addStretch();
    find->addWidget(btnClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtLog, 1);
    layout->addLayout(find);

    connect(txtFind, &QLineEdit::returnPressed, this, &LogViewer::FindNext);
    connect(btnFindNext, &QPushButton::clicked, this, &LogViewer::FindNext);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);
    connect(txtFind, &QLineEdit::textChanged, lblFound, &QLabel::clear);
    auto* findKey = new QShortcut(QKeySequence::Find, this);
    connect(findKey, &QShortcut::activated, this, [this] {
        txtFind->setFocus();
        txtFind->selectAll();
    });
    auto* nextKey = new QShortcut(QKeySequence::FindNext, this);
    connect(nextKey, &QShortcut::activated, this, &LogViewer::FindNext);

    // As large as a log reads well, within the screen less a window frame (a 640 by 512 screen too).
    QSize size(900, 600);
    if (const QScreen* screen = parent ? parent->screen() : this->screen())
        size = size.boundedTo(screen->availableGeometry().size() - QSize(16, 48));
    resize(size.expandedTo(minimumSizeHint()));
}

bool LogViewer::FindNext()
{
    const QString wanted = txtFind->text();
    if (wanted.isEmpty())
        return false;
    bool found = txtLog->find(wanted);
    if (!found) {  // on from the top
        const QTextCursor at = txtLog->textCursor();
        txtLog->moveCursor(QTextCursor::Start);
        found = txtLog->find(wanted);
        if (!found)
            txtLog->setTextCursor(at);
    }
    lblFound->setText(found ? QString() : QStringLiteral("Not found"));
    return found;
}
