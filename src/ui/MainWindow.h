#pragma once
// The wizard's main form "main": source, target directory, file name and display name of the new
// database, and the Import button. A thin view over MainForm: the boxes show MainForm's texts, what
// the operator types goes back into them, and every button calls MainForm's handler.
#include <QHash>
#include <QMainWindow>
#include <functional>
#include <optional>

#include "wizard/MainForm.h"

class AboutDialog;
class QAction;
class QLabel;
class QLineEdit;
class QPushButton;
class WidgetOperator;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // `endProgram` is called with the exit status whenever the program is to end.
    MainWindow(MainForm& form, WidgetOperator& op, std::function<void(int)> endProgram, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The open-file dialog of "Change Database": the chosen file, or std::nullopt when cancelled.
    // Tests put a chooser of their own here.
    std::function<std::optional<QString>()> chooseSource;
    // The directory chooser of ". . .": the chosen directory, or std::nullopt when cancelled.
    std::function<std::optional<QString>()> chooseDirectory;

    // Shows MainForm's texts in the boxes.
    void Refresh();
    // Sizes the form for a screen whose free area is `room` (done for its own screen when made).
    void FitInto(const QSize& room);
    QLineEdit* Field(MainField field) const;

    QLineEdit* txtSourceDB;
    QLineEdit* txtTargetDir;
    QLineEdit* txtRecommendDirectory;
    QLineEdit* txtFileName;
    QLineEdit* txtDBName;
    QLabel* lblTargetHint;
    QPushButton* btnAdd;
    QPushButton* btnBrowse;
    QPushButton* btnRecToSelect;
    QPushButton* btnOpt;
    QPushButton* btnImport;
    QPushButton* Command1;
    QAction* mnuAbout;
    AboutDialog* about = nullptr;

    // The import form once the checks have passed, then the summary of the run; tests may replace
    // how it runs.
    std::function<int()> showImportForm;
    // What "Begin Import" and "Check Only" run (the driver's BeginImport); tests may replace it.
    std::function<void(RunState&)> beginImport;
    // After "Check Only", once its summary has been read, the program does not end: this is called
    // with the exit status instead, and the wizard starts anew with the form as it stands (Wizard).
    // Unset, a check ends the program as an import does.
    std::function<void(int)> checked;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    template <typename Handler> void Guard(Handler handler);
    void btnAdd_Click();
    void btnBrowse_Click();
    void btnImport_Click();
    void ShowAbout();
    int ShowImportForm();
    std::optional<QString> OpenFileDialog();
    std::optional<QString> DirectoryDialog();

    MainForm& form_;
    WidgetOperator& op_;
    std::function<void(int)> endProgram_;
    // The keys down in the name box, each with the box's text when it went down.
    QHash<int, QString> keysDownInName_;
    bool ending_ = false;
    bool checkEnded_ = false;  // the last import form ran a check that came to its end
};
