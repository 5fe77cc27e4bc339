#pragma once
// The equipment-number pre-parse screen "PreParseEqNum": the substring table spSubStrings (edited
// freely), the equipment numbers spMP2EqNum (read only, yellow when longer than 15 characters), the
// two fixed texts and six buttons. A thin view: every button acts on the PreParse logic and the grids
// are redrawn from it; the screen closes when the logic says it is closed.
#include <QDialog>
#include <exception>

class PreParse;
class QLabel;
class QPushButton;
class QTableWidget;
class QToolButton;

class PreParseDialog : public QDialog {
    Q_OBJECT
public:
    explicit PreParseDialog(PreParse& screen, QWidget* parent = nullptr);

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

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    template <typename Action> void Act(Action action);
    void CellChanged(int row, int column);
    void ActiveCellChanged(int row, int column);
    void SelectActiveCell();

    PreParse& screen_;
    std::exception_ptr failure_;
    bool filling_ = false;
};
