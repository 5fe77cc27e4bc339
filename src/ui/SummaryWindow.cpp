#include "ui/SummaryWindow.h"

#include "run/Operator.h"
#include "ui/Centre.h"
#include "ui/Headings.h"
#include "ui/LogViewer.h"
#include "ui/WidgetOperator.h"
#include "run/SummaryText.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QColor kSkippedBackground(255, 236, 150);  // the rows that did not all arrive

QLabel* PlainLabel(const QString& text = {})
{
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QString Count(qint64 n) { return QLocale().toString(n); }

// The height of a row whose name wraps: a tree asks for row heights without saying how wide the
// column is, and would give a long reason one line, cut short. The names' column is measured at the
// width it has, less the indentation of the row.
class WrappedNames : public QStyledItemDelegate {
public:
    explicit WrappedNames(QTreeView* tree) : QStyledItemDelegate(tree), tree_(tree) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (index.column() != 0)
            return QStyledItemDelegate::sizeHint(option, index);
        int depth = tree_->rootIsDecorated() ? 1 : 0;
        for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
            ++depth;
        QStyleOptionViewItem measured = option;
        const int width = tree_->header()->sectionSize(0) - depth * tree_->indentation();
        measured.rect = QRect(0, 0, std::max(width, 1), std::max(option.rect.height(), 1));
        return QStyledItemDelegate::sizeHint(measured, index);
    }

private:
    QTreeView* tree_;
};

// A table of counts: a row's background reaches into the indentation of the rows under it; a long
// name wraps within its column, its row as tall as it needs.
class CountTree : public QTreeWidget {
public:
    CountTree()
    {
        setItemDelegate(new WrappedNames(this));
        WrapHeadings(header());
        connect(header(), &QHeaderView::sectionResized, this, [this](int column) {
            if (column == 0)
                scheduleDelayedItemsLayout();  // the names wrap anew
            FitHeadingHeight(header());
        });
    }

    // The narrowest the table may be: its first heading on two lines, each count column as wide as
    // its heading and its numbers, the frame and a scroll bar.
    int Narrowest() const
    {
        const QFontMetrics fm = header()->fontMetrics();
        const QString heading = headerItem()->text(0);
        int first = fm.horizontalAdvance(heading);
        for (qsizetype at = heading.indexOf(QLatin1Char(' ')); at >= 0; at = heading.indexOf(QLatin1Char(' '), at + 1))
            first = std::min(first, std::max(fm.horizontalAdvance(heading.left(at)),
                                             fm.horizontalAdvance(heading.mid(at + 1))));
        int width = first + 24 + 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
        for (int column = 1; column < columnCount(); ++column)
            width += std::max(header()->sectionSizeHint(column), sizeHintForColumn(column));
        return width;
    }

    // The size the window starts from; the rows then add to its height.
    QSize preferred;
    QSize sizeHint() const override { return preferred; }

    // The height that shows every row without scrolling, at the present width of the names.
    int ContentHeight()
    {
        int rows = 0;
        for (QTreeWidgetItemIterator it(this); *it; ++it)
            rows += rowHeight(indexFromItem(*it));
        return rows + std::max(header()->sizeHint().height(), header()->minimumHeight()) + 2 * frameWidth();
    }

protected:
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override
    {
        const QVariant background = index.data(Qt::BackgroundRole);
        if (background.canConvert<QBrush>())
            painter->fillRect(rect, background.value<QBrush>());
        QTreeWidget::drawBranches(painter, rect, index);
    }
};

QTreeWidget* CountTable(const QStringList& headings)
{
    auto* table = new CountTree;
    table->setHeaderLabels(headings);
    table->setRootIsDecorated(false);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    table->setWordWrap(true);  // a long reason takes two lines rather than being cut
    table->setTextElideMode(Qt::ElideNone);  // no "..." in place of the end of a reason
    table->header()->setStretchLastSection(false);
    table->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < headings.size(); ++column) {
        table->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        table->headerItem()->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
    return table;
}

// A row of numbers under its name; the numbers right-aligned.
QTreeWidgetItem* Row(QTreeWidget* table, QTreeWidgetItem* parent, const QString& name, const QList<qint64>& numbers)
{
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(table);
    item->setText(0, name);
    item->setToolTip(0, name);
    for (int i = 0; i < numbers.size(); ++i) {
        item->setText(i + 1, Count(numbers[i]));
        item->setTextAlignment(i + 1, Qt::AlignRight | Qt::AlignVCenter);
    }
    return item;
}

void Highlight(QTreeWidgetItem* item)
{
    for (int column = 0; column < item->columnCount(); ++column)
        item->setBackground(column, kSkippedBackground);
}

void Bold(QTreeWidgetItem* item)
{
    for (int column = 0; column < item->columnCount(); ++column) {
        QFont font = item->font(column);
        font.setBold(true);
        item->setFont(column, font);
    }
}

void Note(QTreeWidget* table, const QString& text)
{
    auto* item = new QTreeWidgetItem(table, QStringList{text});
    item->setFirstColumnSpanned(true);
    item->setForeground(0, table->palette().brush(QPalette::PlaceholderText));
}

void FillMp2(QTreeWidget* table, const RunAccount& account)
{
    if (account.Sources().empty()) {
        Note(table, QStringLiteral("No MP2 table was read."));
        return;
    }
    // A run that stopped early: the rows it never came to, in a column of their own.
    const bool stoppedEarly = account.TotalNotReached() > 0;
    if (stoppedEarly) {
        table->setColumnCount(6);
        table->headerItem()->setText(5, QStringLiteral("Not reached"));
        table->headerItem()->setTextAlignment(5, Qt::AlignRight | Qt::AlignVCenter);
        table->header()->setSectionResizeMode(5, QHeaderView::ResizeToContents);
    }
    qint64 read = 0, converted = 0, merged = 0;
    for (const SourceTableAccount& s : account.Sources()) {
        QList<qint64> numbers{s.read, s.converted, s.merged, s.skipped()};
        if (stoppedEarly)
            numbers << s.notReached;
        QTreeWidgetItem* row = Row(table, nullptr, s.mp2, numbers);
        if (s.skipped() > 0) {
            Highlight(row);
            for (const auto& [reason, rows] : s.skippedByReason) {
                QTreeWidgetItem* why = Row(table, row, reason, {});
                why->setText(4, Count(rows));
                why->setTextAlignment(4, Qt::AlignRight | Qt::AlignVCenter);
                Highlight(why);
            }
        }
        read += s.read;
        converted += s.converted;
        merged += s.merged;
    }
    if (account.Sources().size() > 1) {
        QList<qint64> totals{read, converted, merged, account.TotalSkipped()};
        if (stoppedEarly)
            totals << account.TotalNotReached();
        Bold(Row(table, nullptr, QStringLiteral("All MP2 tables"), totals));
    }
    table->expandAll();
    table->setIndentation(16);
}

void FillNew(QTreeWidget* table, const RunAccount& account)
{
    if (account.Targets().empty()) {
        Note(table, QStringLiteral("No record was created."));
        return;
    }
    for (const TargetTableAccount& t : account.Targets())
        Row(table, nullptr, t.table, {t.created, t.invented});
}

// The log's path, and whether it is still there.
QString LogLine(const QString& path)
{
    if (path.isEmpty())
        return QStringLiteral("(none)");
    return QFileInfo::exists(path) ? path : path + "  (missing)";
}

}  // namespace

SummaryWindow::SummaryWindow(const RunSummary& summary, Operator& op, QWidget* parent) : QDialog(parent), op_(op)
{
    setObjectName(QStringLiteral("frmSummary"));
    setWindowTitle(QStringLiteral("Import Summary"));
    setModal(true);
    logPath_ = summary.log;

    lblResult = PlainLabel(ResultHeadline(summary));
    lblResult->setObjectName(QStringLiteral("lblResult"));
    lblResult->setWordWrap(true);
    QFont big = lblResult->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.25);
    lblResult->setFont(big);
    const bool wentThrough = summary.result == RunResult::Imported || summary.result == RunResult::Checked;
    lblResult->setStyleSheet(wentThrough ? QStringLiteral("color: #1d6a1d;") : QStringLiteral("color: #a40000;"));

    // The error as its box told it, and what to do next.
    QStringList said;
    if (summary.error)
        said << ErrorHeading(summary) << WidgetOperator::ScreenText(summary.error->description) << QString();
    const QString next = WhatToDoNext(summary);
    if (!next.isEmpty())
        said << "What to do next: " + next;
    lblError = PlainLabel(said.join('\n').trimmed());
    lblError->setObjectName(QStringLiteral("lblError"));
    lblError->setWordWrap(true);
    auto* errorFrame = new QFrame;
    errorFrame->setFrameShape(QFrame::StyledPanel);
    auto* errorLayout = new QVBoxLayout(errorFrame);
    errorLayout->addWidget(lblError);
    errorFrame->setVisible(!said.isEmpty());

    tblMp2 = CountTable({QStringLiteral("MP2 table"), QStringLiteral("Read"), QStringLiteral("Converted"),
                         QStringLiteral("Merged"), QStringLiteral("Skipped")});
    tblMp2->setObjectName(QStringLiteral("tblMp2"));
    FillMp2(tblMp2, summary.account);
    tblNew = CountTable({QStringLiteral("New database table"), QStringLiteral("Created"), QStringLiteral("Invented")});
    tblNew->setObjectName(QStringLiteral("tblNew"));
    tblNew->headerItem()->setToolTip(2, QStringLiteral("Inactive records made to keep the history"));
    FillNew(tblNew, summary.account);
    // Preferred widths; on a small screen the tables give way down to their minimum, the names
    // wrapping more.
    static_cast<CountTree*>(tblMp2)->preferred = QSize(560, 260);
    static_cast<CountTree*>(tblNew)->preferred = QSize(280, 260);
    for (QTreeWidget* table : {tblMp2, tblNew})
        table->setMinimumSize(static_cast<CountTree*>(table)->Narrowest(), 120);
    tables_ = new QBoxLayout(QBoxLayout::LeftToRight);
    tables_->addWidget(tblMp2, 2);  // as their preferred widths
    tables_->addWidget(tblNew, 1);

    lblWarnings = PlainLabel(QString("%1 warnings were written to the log only.").arg(Count(summary.warnings.size())));
    lblWarnings->setObjectName(QStringLiteral("lblWarnings"));
    lblWarnings->setVisible(!summary.warnings.isEmpty());

    lblElapsed = PlainLabel(ElapsedText(summary.seconds));
    lblElapsed->setObjectName(QStringLiteral("lblElapsed"));
    lblDatabase = PlainLabel(DatabaseLine(summary));
    lblDatabase->setObjectName(QStringLiteral("lblDatabase"));
    lblLog = PlainLabel(LogLine(summary.log));
    lblLog->setObjectName(QStringLiteral("lblLog"));
    auto* facts = new QFormLayout;
    facts->addRow(QStringLiteral("Elapsed time:"), lblElapsed);
    facts->addRow(QStringLiteral("New database:"), lblDatabase);
    facts->addRow(QStringLiteral("Import log:"), lblLog);

    btnOpenLog = new QPushButton(QStringLiteral("Open Log"));
    btnOpenLog->setObjectName(QStringLiteral("btnOpenLog"));
    btnOpenLog->setEnabled(!logPath_.isEmpty() && QFileInfo(logPath_).isFile());
    btnOpenFolder = new QPushButton(QStringLiteral("Open Folder"));
    btnOpenFolder->setObjectName(QStringLiteral("btnOpenFolder"));
    for (const QString& path : {summary.log, summary.database}) {
        const QString dir = path.isEmpty() ? QString() : QFileInfo(path).absolutePath();
        if (!dir.isEmpty() && QFileInfo(dir).isDir()) {
            folder_ = QDir::cleanPath(dir);
            break;
        }
    }
    btnOpenFolder->setEnabled(!folder_.isEmpty());
    btnOpenFolder->setToolTip(folder_);
    btnClose = new QPushButton(QStringLiteral("Close"));
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setDefault(true);
    connect(btnOpenLog, &QPushButton::clicked, this, &SummaryWindow::OpenLog);
    connect(btnOpenFolder, &QPushButton::clicked, this, &SummaryWindow::OpenFolder);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnOpenLog);
    buttons->addWidget(btnOpenFolder);
    buttons->addStretch();
    buttons->addWidget(btnClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblResult);
    layout->addWidget(errorFrame);
    layout->addLayout(tables_, 1);
    layout->addWidget(lblWarnings);
    layout->addLayout(facts);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    btnClose->setFocus();
}

void SummaryWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FitToScreen();
}

void SummaryWindow::FitToScreen()
{
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    // As wide as the layout asks, as tall as every row of both tables needs (the tables take what
    // is added), all within the screen less a window frame.
    const QSize room = screen->availableGeometry().size() - QSize(16, 48);
    // Too narrow a screen for the two tables side by side: one above the other.
    tables_->setDirection(QBoxLayout::LeftToRight);
    layout()->activate();
    if (minimumSizeHint().width() > room.width()) {
        tables_->setDirection(QBoxLayout::TopToBottom);
        layout()->activate();
    }
    resize(sizeHint().boundedTo(room).expandedTo(minimumSizeHint()));
    int more = 0;
    for (QTreeWidget* table : {tblMp2, tblNew})
        more = std::max(more, static_cast<CountTree*>(table)->ContentHeight() - table->height());
    resize(width(), std::max(std::min(height() + more, room.height()), minimumSizeHint().height()));
    layout()->activate();
    for (QTreeWidget* table : {tblMp2, tblNew})
        FitHeadingHeight(table->header());  // at the widths the columns have now
    CentreOnScreen(this);
}

void SummaryWindow::OpenLog()
{
    if (logViewer) {
        logViewer->raise();
        logViewer->activateWindow();
        return;
    }
    QFile file(logPath_);
    if (!file.open(QIODevice::ReadOnly)) {
        op_.MsgBox("Error: The import log '" + logPath_ + "' could not be read:" + QChar(13) + file.errorString(),
                   MsgIcon::Critical);
        return;
    }
    logViewer = new LogViewer(logPath_, QString::fromUtf8(file.readAll()), this);
    logViewer->setAttribute(Qt::WA_DeleteOnClose);
    logViewer->show();
}

void SummaryWindow::OpenFolder()
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder_)))
        op_.MsgBox("Error: The folder '" + folder_ + "' could not be opened: the desktop has no file manager for it.",
                   MsgIcon::Critical);
}
