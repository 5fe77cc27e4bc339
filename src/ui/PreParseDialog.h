#pragma once
// The equipment-number pre-parse screen "PreParseEqNum": the substring table spSubStrings (edited
// freely), the equipment numbers spMP2EqNum (read only, yellow when longer than 15 characters), the
// two fixed texts and six buttons. A thin view: every button acts on the PreParse logic and the grids
// are redrawn from it; the screen closes when the logic says it is closed.
//
// From the keyboard: Tab and Shift+Tab go from cell to cell of the substring table and out of it
// after its last cell or before its first; Ctrl+Tab leaves it from any cell. Every button has its
// Alt key (the arrows Alt+Up and Alt+Down); a button, by its key or by the mouse, first ends the edit
// of the cell being typed in, keeping what was typed. Escape ends the edit of a cell, keeping what was
// typed; otherwise it leaves the screen as "Exit" does, after asking when the table holds substrings.
#include <QDialog>
#include <exception>

class Operator;
class PreParse;
class QLabel;
class QLayout;
class QPushButton;
class QTableWidget;
class QToolButton;

class PreParseDialog : public QDialog {
    Q_OBJECT
public:
    PreParseDialog(PreParse& screen, Operator& op, QWidget* parent = nullptr);

    // The question Escape (or closing the window) asks while the table holds substrings.
    static const QString kLeaveQuestion;

    // A failure that ended a button's action (the end of the program among them) is carried out of
    // the dialog's event loop and raised again here, once the dialog has closed.
    void RethrowFailure();

    QTableWidget* spSubStrings;
    QTableWidget* spMP2EqNum;
    QPushButton* btnLoadDefaults;
    QToolButton* btnUp;
    QToolButton* btnDown;
    QPushButton* btnDeleteRow;
    QPushButton* btnCancel;
    QPushButton* btnClose;

    // Redraws both grids from the logic.
    void ShowSubStrings();
    void ShowEqNums();

    // Sizes the screen for a screen whose free area is `room` (done for its own screen when shown):
    // on a small screen (640 by 512) every button stays on it and the grids give way.
    void FitInto(const QSize& room);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    template <typename Action> void Act(Action action);
    void CellChanged(int row, int column);
    void ActiveCellChanged(int row, int column);
    void SelectActiveCell();
    void FitSubStringColumns();
    void FitColumns();
    void ShareWidth();
    int NumberColumnWidth() const;
    // The numbers' grid with the longest number, or (narrowest) with the start of each.
    int NumbersGridWidth(bool narrowest) const;
    // Leaving other than by a button: as "Exit", once the operator has agreed to lose the table.
    void LeaveAsked();

    PreParse& screen_;
    Operator& op_;
    std::exception_ptr failure_;
    bool filling_ = false;
    QLayout* left_ = nullptr;  // the substring table and its buttons
    int subWidth_ = 0;  // the width each column of the substring table starts with
};
