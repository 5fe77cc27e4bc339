#include "ui/PreParseDialog.h"

#include "convert/equipment/PreParse.h"
#include "ui/Centre.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QColor kYellow(255, 255, 0);

QLabel* FixedText(const QString& text)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

PreParseDialog::PreParseDialog(PreParse& screen, QWidget* parent) : QDialog(parent), screen_(screen)
{
    setObjectName(QStringLiteral("frmPreParseEqNum"));
    setWindowTitle(PreParse::kCaption);
    setModal(true);

    spSubStrings = new QTableWidget(0, 2);
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

    for (QTableWidget* grid : {spSubStrings, spMP2EqNum}) {
        grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
        grid->horizontalHeader()->setHighlightSections(false);
        grid->setMinimumHeight(300);
    }
    const QFontMetrics fm = spSubStrings->fontMetrics();
    const int subWidth = fm.horizontalAdvance(PreParse::kSubStringHeadings[1]) + 24;
    spSubStrings->setColumnWidth(0, subWidth);
    spSubStrings->setColumnWidth(1, subWidth);
    spSubStrings->horizontalHeader()->setStretchLastSection(true);
    spSubStrings->setMinimumWidth(2 * subWidth + spSubStrings->verticalHeader()->sizeHint().width() + 40);
    // The numbers' column takes the room that is left; it is widened to the longest number when
    // the numbers are shown.
    spMP2EqNum->setColumnWidth(1, fm.horizontalAdvance(PreParse::kEqNumHeadings[1]) + 24);
    spMP2EqNum->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);

    btnLoadDefaults = new QPushButton(QStringLiteral("Load Default Substrings"));
    btnLoadDefaults->setObjectName(QStringLiteral("btnLoadDefaults"));
    btnUp = new QToolButton;
    btnUp->setObjectName(QStringLiteral("btnUp"));
    btnUp->setArrowType(Qt::UpArrow);
    btnUp->setToolTip(QStringLiteral("Move the selected row up"));
    btnDown = new QToolButton;
    btnDown->setObjectName(QStringLiteral("btnDown"));
    btnDown->setArrowType(Qt::DownArrow);
    btnDown->setToolTip(QStringLiteral("Move the selected row down"));
    for (QToolButton* arrow : {btnUp, btnDown})
    {
        arrow->setFixedSize(34, 30);
        arrow->setFocusPolicy(Qt::StrongFocus);  // a click ends the edit of a cell first
    }
    btnDeleteRow = new QPushButton(QStringLiteral("Delete Row"));
    btnDeleteRow->setObjectName(QStringLiteral("btnDeleteRow"));
    btnCancel = new QPushButton(QStringLiteral("Exit"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnClose = new QPushButton(QStringLiteral("Update Database And Close Screen"));
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

    // Left: the substring table with its buttons; right: the numbers.
    auto* moveButtons = new QVBoxLayout;
    moveButtons->addStretch();
    moveButtons->addWidget(btnUp);
    moveButtons->addWidget(btnDown);
    moveButtons->addStretch();
    auto* subRow = new QHBoxLayout;
    subRow->addWidget(spSubStrings, 1);
    subRow->addLayout(moveButtons);
    auto* subButtons = new QHBoxLayout;
    subButtons->addWidget(btnLoadDefaults);
    subButtons->addWidget(btnDeleteRow);
    subButtons->addStretch();

    auto* left = new QVBoxLayout;
    left->addLayout(subRow, 1);
    left->addLayout(subButtons);
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

    resize(1000, 680);
    ShowSubStrings();
    ShowEqNums();
}

void PreParseDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (const QScreen* screen = this->screen())  // a small screen still shows the whole form
        resize(size().boundedTo(screen->availableGeometry().size() - QSize(16, 48)).expandedTo(minimumSizeHint()));
    CentreOnScreen(this);
}

template <typename Action>
void PreParseDialog::Act(Action action)
{
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
    // Wide enough for the longest number (at least the 30 characters a number may have) and the
    // heading, so that no number is cut off.
    const QFontMetrics fm = spMP2EqNum->fontMetrics();
    int numbers = std::max(fm.horizontalAdvance(QString(30, QLatin1Char('W'))) * 3 / 4,
                           fm.horizontalAdvance(PreParse::kEqNumHeadings[0]));
    for (int row = 0; row < rows; ++row)
        if (const QTableWidgetItem* item = spMP2EqNum->item(row, 0))
            numbers = std::max(numbers, fm.horizontalAdvance(item->text()));
    spMP2EqNum->setMinimumWidth(numbers + 24 + spMP2EqNum->columnWidth(1) + spMP2EqNum->verticalHeader()->sizeHint().width() +
                                spMP2EqNum->verticalScrollBar()->sizeHint().width() + 2 * spMP2EqNum->frameWidth() + 4);
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

void PreParseDialog::closeEvent(QCloseEvent* event)
{
    // Closing the window is leaving it with "Exit": nothing is changed.
    if (!screen_.IsClosed())
        screen_.Exit();
    QDialog::closeEvent(event);
}

void PreParseDialog::reject()
{
    if (!screen_.IsClosed())
        screen_.Exit();
    QDialog::reject();
}
