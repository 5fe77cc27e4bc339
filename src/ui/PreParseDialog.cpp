#include "ui/PreParseDialog.h"

#include "convert/equipment/PreParse.h"
#include "run/Operator.h"
#include "ui/Centre.h"
#include "ui/Headings.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>

namespace {

const QColor kYellow(255, 255, 0);

// The size the screen reads best at; a smaller screen gets what it has (FitInto).
const QSize kPreferred(1000, 680);

QLabel* FixedText(const QString& text)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// The substring table. Tab and Shift+Tab go from cell to cell, and out of the table after its last
// cell and before its first; Ctrl+Tab (with Shift, backwards) goes out from any cell. Left to
// itself the view keeps Tab inside (it wraps around to the first cell) and does nothing with Ctrl+Tab.
class SubStringGrid : public QTableWidget {
public:
    SubStringGrid() : QTableWidget(0, 2) {}

    bool TabLeaves(bool next, Qt::KeyboardModifiers modifiers) const
    {
        if (modifiers & Qt::ControlModifier)
            return true;
        const QModelIndex current = currentIndex();
        if (!current.isValid())
            return false;
        return next ? current.row() == rowCount() - 1 && current.column() == columnCount() - 1
                    : current.row() == 0 && current.column() == 0;
    }

    // The focus to the widget after (or before) the table.
    void Leave(bool next) { QAbstractScrollArea::focusNextPrevChild(next); }

    // Ends the edit of the cell being edited, keeping what was typed: a button's shortcut acts while
    // the focus is still in the cell's editor, which a click would have taken away first.
    void CommitEdit()
    {
        if (state() != EditingState)
            return;
        if (QWidget* editor = indexWidget(currentIndex())) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override
    {
        // No cell to go to: the view ignores the Tab, and the focus moves on.
        if ((action == MoveNext || action == MovePrevious) && TabLeaves(action == MoveNext, modifiers))
            return {};
        return QTableWidget::moveCursor(action, modifiers);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
        if (tab && (event->modifiers() & Qt::ControlModifier)) {
            Leave(event->key() == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier));
            event->accept();
            return;
        }
        QTableWidget::keyPressEvent(event);
    }
};

// The editing of a cell of the substring table. A Tab that leaves the table, and Escape, end the
// edit keeping what was typed (Escape would otherwise throw the cell's typing away).
class SubStringEditing : public QStyledItemDelegate {
public:
    explicit SubStringEditing(SubStringGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* editor = qobject_cast<QWidget*>(object);
        if (editor && event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
            const bool next = key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier);
            const bool leave = tab && grid_->TabLeaves(next, key->modifiers());
            if (leave || key->matches(QKeySequence::Cancel)) {
                Q_EMIT commitData(editor);
                Q_EMIT closeEditor(editor, QAbstractItemDelegate::NoHint);
                if (leave)
                    grid_->Leave(next);
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    SubStringGrid* grid_;
};

// Calls `fit` whenever the widget it watches changes size.
class OnResize : public QObject {
public:
    OnResize(QWidget* watched, std::function<void()> fit) : QObject(watched), fit_(std::move(fit))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            fit_();
        return false;
    }

private:
    std::function<void()> fit_;
};

}  // namespace

const QString PreParseDialog::kLeaveQuestion =
    QStringLiteral("The substrings in the table have not been used to update the database.\r"
                   "Leave this screen without updating it?");

PreParseDialog::PreParseDialog(PreParse& screen, Operator& op, QWidget* parent)
    : QDialog(parent), screen_(screen), op_(op)
{
    setObjectName(QStringLiteral("frmPreParseEqNum"));
    setWindowTitle(PreParse::kCaption);
    setModal(true);

    auto* grid = new SubStringGrid;
    grid->setItemDelegate(new SubStringEditing(grid));
    spSubStrings = grid;
    spSubStrings->setObjectName(QStringLiteral("spSubStrings"));
    spSubStrings->setHorizontalHeaderLabels({PreParse::kSubStringHeadings[0], PreParse::kSubStringHeadings[1]});
    spSubStrings->setSelectionMode(QAbstractItemView::SingleSelection);
    // Every way into a cell's editor but a click on the selected cell: that one opens the editor
    // only after a double-click interval, and reopening it then threw away the keys typed meanwhile.
    spSubStrings->setEditTriggers(QAbstractItemView::CurrentChanged | QAbstractItemView::DoubleClicked |
                                  QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);

    spMP2EqNum = new QTableWidget(0, 2);
    spMP2EqNum->setObjectName(QStringLiteral("spMP2EqNum"));
    spMP2EqNum->setHorizontalHeaderLabels({PreParse::kEqNumHeadings[0], PreParse::kEqNumHeadings[1]});
    spMP2EqNum->setEditTriggers(QAbstractItemView::NoEditTriggers);
    spMP2EqNum->setSelectionMode(QAbstractItemView::SingleSelection);
    spMP2EqNum->setTabKeyNavigation(false);  // Tab goes on to the buttons, not through every number

    for (QTableWidget* grid : {spSubStrings, spMP2EqNum}) {
        grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
        grid->horizontalHeader()->setHighlightSections(false);
        WrapHeadings(grid->horizontalHeader());
        grid->horizontalHeader()->setStretchLastSection(false);
        // Six rows at least; the grids take whatever height the screen leaves.
        grid->setMinimumHeight(grid->verticalHeader()->defaultSectionSize() * 6 + 2 * grid->fontMetrics().lineSpacing());
    }
    const QFontMetrics fm = spSubStrings->fontMetrics();
    subWidth_ = fm.horizontalAdvance(PreParse::kSubStringHeadings[1]) + 24;
    spSubStrings->setColumnWidth(0, subWidth_);
    spSubStrings->setColumnWidth(1, subWidth_);
    // The numbers' column takes the room that is left, and at least the longest number (FitColumns).
    spMP2EqNum->setColumnWidth(1, fm.horizontalAdvance(PreParse::kEqNumHeadings[1]) + 24);

    btnLoadDefaults = new QPushButton(QStringLiteral("&Load Default Substrings"));
    btnLoadDefaults->setObjectName(QStringLiteral("btnLoadDefaults"));
    btnUp = new QToolButton;
    btnUp->setObjectName(QStringLiteral("btnUp"));
    btnUp->setArrowType(Qt::UpArrow);
    btnUp->setToolTip(QStringLiteral("Move the selected row up"));
    btnUp->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Up));
    btnDown = new QToolButton;
    btnDown->setObjectName(QStringLiteral("btnDown"));
    btnDown->setArrowType(Qt::DownArrow);
    btnDown->setToolTip(QStringLiteral("Move the selected row down"));
    btnDown->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Down));
    for (QToolButton* arrow : {btnUp, btnDown})
    {
        arrow->setFixedWidth(34);
        arrow->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);  // as tall as the buttons beside
        arrow->setFocusPolicy(Qt::StrongFocus);  // a click ends the edit of a cell first
    }
    btnDeleteRow = new QPushButton(QStringLiteral("&Delete Row"));
    btnDeleteRow->setObjectName(QStringLiteral("btnDeleteRow"));
    btnCancel = new QPushButton(QStringLiteral("&Exit"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnClose = new QPushButton(QStringLiteral("&Update Database And Close Screen"));
    btnClose->setObjectName(QStringLiteral("btnClose"));
    for (QPushButton* b : {btnLoadDefaults, btnDeleteRow, btnCancel, btnClose})
        b->setAutoDefault(false);

    connect(btnLoadDefaults, &QPushButton::clicked, this, [this] { Act([this] { screen_.LoadDefaults(); }); });
    connect(btnUp, &QToolButton::clicked, this, [this] { Act([this] { screen_.MoveUp(); }); });
    connect(btnDown, &QToolButton::clicked, this, [this] { Act([this] { screen_.MoveDown(); }); });
    connect(btnDeleteRow, &QPushButton::clicked, this, [this] { Act([this] { screen_.DeleteRow(); }); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { Act([this] { screen_.Exit(); }); });
    connect(btnClose, &QPushButton::clicked, this, [this] { Act([this] { screen_.UpdateDatabaseAndClose(); }); });
    connect(spSubStrings, &QTableWidget::cellChanged, this, &PreParseDialog::CellChanged);
    connect(spSubStrings, &QTableWidget::currentCellChanged, this,
            [this](int row, int column, int, int) { ActiveCellChanged(row, column); });

    // Left: the substring table with the buttons that act on it beneath (the arrows first, as Tab goes);
    // right: the numbers.
    auto* subButtons = new QHBoxLayout;
    subButtons->addWidget(btnUp);
    subButtons->addWidget(btnDown);
    subButtons->addSpacing(6);
    subButtons->addWidget(btnLoadDefaults);
    subButtons->addWidget(btnDeleteRow);
    subButtons->addStretch();

    auto* left = new QVBoxLayout;
    left->addWidget(spSubStrings, 1);
    left->addLayout(subButtons);
    left_ = left;
    auto* right = new QVBoxLayout;
    right->addWidget(spMP2EqNum, 1);

    auto* grids = new QHBoxLayout;
    grids->addLayout(left, 3);
    grids->addLayout(right, 2);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(btnCancel);
    bottom->addWidget(btnClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FixedText(PreParse::kIntroText));
    layout->addWidget(FixedText(PreParse::kOrderText));
    layout->addLayout(grids, 1);
    layout->addLayout(bottom);

    // Tab goes through the screen as it reads: the table and what acts on it, the numbers, then the
    // buttons that leave.
    setTabOrder(spSubStrings, btnUp);
    setTabOrder(btnUp, btnDown);
    setTabOrder(btnDown, btnLoadDefaults);
    setTabOrder(btnLoadDefaults, btnDeleteRow);
    setTabOrder(btnDeleteRow, spMP2EqNum);
    setTabOrder(spMP2EqNum, btnCancel);
    setTabOrder(btnCancel, btnClose);

    ShowSubStrings();
    ShowEqNums();
    // The columns follow the room their grid has (the row numbers widen it, the screen narrows it).
    new OnResize(spSubStrings->viewport(), [this] { FitColumns(); });
    new OnResize(spMP2EqNum->viewport(), [this] { FitColumns(); });
    new OnResize(this, [this] { ShareWidth(); });
    resize(kPreferred);
}

void PreParseDialog::FitInto(const QSize& room)
{
    // As large as the screen reads best, within the room less a window frame; never below what shows
    // every button. The numbers give way too, until the grids share the new width (ShareWidth).
    spMP2EqNum->setMinimumWidth(NumbersGridWidth(true));
    spMP2EqNum->setMaximumWidth(QWIDGETSIZE_MAX);
    layout()->activate();  // the nested layouts take the numbers' new width before it is measured
    resize(kPreferred.boundedTo(room - QSize(16, 48)).expandedTo(minimumSizeHint()));
    layout()->activate();  // a size that did not change sends no resize: the grids share the width now
    ShareWidth();
}

void PreParseDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (const QScreen* screen = this->screen())  // a small screen still shows the whole form
        FitInto(screen->availableGeometry().size());
    CentreOnScreen(this);
}


template <typename Action>
void PreParseDialog::Act(Action action)
{
    // Every button and shortcut acts on the table as the operator sees it, the cell being typed in
    // included.
    static_cast<SubStringGrid*>(spSubStrings)->CommitEdit();
    try {
        action();
    } catch (...) {
        failure_ = std::current_exception();
        done(QDialog::Rejected);
        return;
    }
    ShowSubStrings();
    if (screen_.IsClosed())
        done(QDialog::Accepted);
}

void PreParseDialog::RethrowFailure()
{
    if (failure_) {
        const std::exception_ptr failure = failure_;
        failure_ = nullptr;
        std::rethrow_exception(failure);
    }
}

void PreParseDialog::ShowSubStrings()
{
    filling_ = true;
    const int rows = screen_.SubStringRowCount();
    spSubStrings->setRowCount(rows);
    for (int row = 1; row <= rows; ++row)
        for (int col = 1; col <= 2; ++col) {
            const QString text = screen_.SubString(row, col);
            QTableWidgetItem* item = spSubStrings->item(row - 1, col - 1);
            if (!item)
                spSubStrings->setItem(row - 1, col - 1, new QTableWidgetItem(text));
            else if (item->text() != text)
                item->setText(text);
        }
    SelectActiveCell();
    filling_ = false;
    FitSubStringColumns();
}

int PreParseDialog::NumberColumnWidth() const
{
    // The longest number and at least the 30 characters a number may have, so that none is cut off.
    const QFontMetrics fm = spMP2EqNum->fontMetrics();
    int numbers = fm.horizontalAdvance(QString(30, QLatin1Char('W'))) * 3 / 4;
    for (int row = 0; row < spMP2EqNum->rowCount(); ++row)
        if (const QTableWidgetItem* item = spMP2EqNum->item(row, 0))
            numbers = std::max(numbers, fm.horizontalAdvance(item->text()));
    return numbers + 24;
}

void PreParseDialog::FitSubStringColumns()
{
    // The table is as narrow as its headings allow, each on two lines (their longest word per line),
    // with the row numbers, which widen as rows are added (three digits once the defaults are
    // loaded), and the scroll bar. Its columns share what the screen gives it (FitColumns).
    const QFontMetrics fm = spSubStrings->horizontalHeader()->fontMetrics();
    int narrowest = 0;
    for (const QString& heading : PreParse::kSubStringHeadings)
        for (const QString& word : heading.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            narrowest = std::max(narrowest, fm.horizontalAdvance(word) + 16);
    const int frame = spSubStrings->verticalHeader()->sizeHint().width() +
                      spSubStrings->verticalScrollBar()->sizeHint().width() + 2 * spSubStrings->frameWidth() + 4;
    if (2 * narrowest + frame != spSubStrings->minimumWidth()) {
        spSubStrings->setMinimumWidth(2 * narrowest + frame);
        ShareWidth();  // the numbers make room: the screen does not grow
    }
    FitColumns();
}

void PreParseDialog::FitColumns()
{
    // The substring columns: half the table each, up to the width that shows each heading on one line,
    // and never below the longest word of a heading; a heading that does not fit takes two lines.
    const int room = spSubStrings->viewport()->width();
    const int half = std::min(std::max(room / 2, 1), subWidth_);
    spSubStrings->setColumnWidth(0, half);
    spSubStrings->setColumnWidth(1, std::max(room - half, half));
    // The numbers: the longest number, or more when the screen gives more.
    const int numbers = NumberColumnWidth();
    spMP2EqNum->setColumnWidth(0, std::max(numbers, spMP2EqNum->viewport()->width() - spMP2EqNum->columnWidth(1)));
    for (QTableWidget* grid : {spSubStrings, spMP2EqNum})
        FitHeadingHeight(grid->horizontalHeader());
}

void PreParseDialog::SelectActiveCell()
{
    const int row = screen_.ActiveRow() - 1;
    const int col = screen_.ActiveCol() - 1;
    if (spSubStrings->currentRow() != row || spSubStrings->currentColumn() != col)
        spSubStrings->setCurrentCell(row, col);
}

void PreParseDialog::ShowEqNums()
{
    const int rows = screen_.EqNumRowCount();
    spMP2EqNum->clearContents();
    spMP2EqNum->setRowCount(rows);
    for (int row = 1; row <= rows; ++row) {
        const PreParse::EqNumRow& r = screen_.EqNum(row);
        auto* number = new QTableWidgetItem(r.number);
        auto* length = new QTableWidgetItem(r.length ? QString::number(*r.length) : QString());
        length->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (r.yellow) {
            number->setBackground(kYellow);
            length->setBackground(kYellow);
            number->setForeground(Qt::black);
            length->setForeground(Qt::black);
        }
        spMP2EqNum->setItem(row - 1, 0, number);
        spMP2EqNum->setItem(row - 1, 1, length);
    }
    ShareWidth();
    FitColumns();
}

int PreParseDialog::NumbersGridWidth(bool narrowest) const
{
    // On a small screen the numbers scroll sideways: the grid shows the start of each at least.
    const int numbers = narrowest ? std::min(NumberColumnWidth(), spMP2EqNum->fontMetrics().horizontalAdvance(
                                                                      QString(11, QLatin1Char('W'))))
                                  : NumberColumnWidth();
    return numbers + spMP2EqNum->columnWidth(1) + spMP2EqNum->verticalHeader()->sizeHint().width() +
           spMP2EqNum->verticalScrollBar()->sizeHint().width() + 2 * spMP2EqNum->frameWidth() + 4;
}

void PreParseDialog::ShareWidth()
{
    // The numbers first, as wide as the longest of them when the screen allows; the substring table
    // takes the rest, down to its headings on two lines.
    const int both = spSubStrings->width() + spMP2EqNum->width();
    const int narrowest = NumbersGridWidth(true);
    const int substrings = std::max(spSubStrings->minimumWidth(), left_->minimumSize().width());
    const int numbers = std::clamp(both - substrings, narrowest, std::max(narrowest, NumbersGridWidth(false)));
    if (spMP2EqNum->minimumWidth() != numbers || spMP2EqNum->maximumWidth() != numbers)
        spMP2EqNum->setFixedWidth(numbers);
}

void PreParseDialog::CellChanged(int row, int column)
{
    if (filling_)
        return;
    const QTableWidgetItem* item = spSubStrings->item(row, column);
    screen_.SetSubString(row + 1, column + 1, item ? item->text() : QString());
    if (screen_.SubStringRowCount() != spSubStrings->rowCount())
        ShowSubStrings();  // the table grew to keep its empty rows below the last one
}

void PreParseDialog::ActiveCellChanged(int row, int column)
{
    if (filling_ || row < 0 || column < 0)
        return;
    screen_.SetActiveCell(row + 1, column + 1);
}

void PreParseDialog::LeaveAsked()
{
    Act([this] {
        if (screen_.LastSubStringRow() == 0 || op_.AskYesNo(kLeaveQuestion))
            screen_.Exit();
    });
}

void PreParseDialog::closeEvent(QCloseEvent* event)
{
    // Closing the window is leaving it as Escape does: with "Exit", nothing changed, once the
    // operator has agreed to lose what the table holds.
    if (isVisible() && !screen_.IsClosed()) {
        LeaveAsked();
        if (isVisible()) {
            event->ignore();
            return;
        }
    }
    if (!screen_.IsClosed())
        screen_.Exit();
    QDialog::closeEvent(event);
}

void PreParseDialog::reject()
{
    // Escape, when no cell is being edited.
    if (isVisible() && !screen_.IsClosed()) {
        LeaveAsked();
        return;
    }
    if (!screen_.IsClosed())
        screen_.Exit();
    QDialog::reject();
}
