#pragma once
// The import form "working": where the import is started with "Begin Import" (or tried with "Check
// Only") and where its status text, progress bar and elapsed time are shown while it runs. Shown
// modally by the main form; closing it before the import begins ends the program, and it cannot be
// closed while the import runs.
//
// The import runs on the user-interface thread. At its steps (a new status, a step of the bar) the
// form lets the window repaint and answer the desktop, at most every 100 ms, while no input from the
// operator is handled: the window never looks hung and nothing the operator does reaches the run.
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// How the operator started the import.
struct ImportStart {
    bool checkOnly = false;          // "Check Only" rather than "Begin Import"
    bool warningsToLogOnly = false;  // "Write record warnings to the log only" was ticked
};

class ImportForm : public QDialog {
    Q_OBJECT
public:
    // `beginImport` runs the import; it ends the program by throwing, and its status is taken from
    // what it throws (EndProgram). Source and target are the main form's source path and target
    // directory.
    ImportForm(const QString& source, const QString& target, std::function<void(const ImportStart&)> beginImport,
               QWidget* parent = nullptr);

    static const QString kReadyText;    // "Click on button to begin import."
    static const QString kRunningText;  // "Import in progress ... Please stand by"

    void SetStatus(const QString& text);
    void SetProgress(double value, double maximum);
    void SetSourceAndTarget(const QString& source, const QString& target);

    bool importing() const { return importing_; }
    // The import was begun ("Begin Import" or "Check Only"), whatever became of it.
    bool began() const { return began_; }
    // The program's exit status once the import ended (1 when the form was closed before).
    int exitStatus() const { return exitStatus_; }

    QLineEdit* txtsource;
    QLineEdit* txttarget;
    QLabel* lblImportStatus;
    QProgressBar* progress;
    QLabel* lblElapsed;
    QCheckBox* chkWarningsToLogOnly;
    QPushButton* btnOK;
    QPushButton* btnCheckOnly;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    void Begin(bool checkOnly);
    void Paint();
    void KeepAnswering();
    void ShowElapsed();

    std::function<void(const ImportStart&)> beginImport_;
    bool importing_ = false;
    bool began_ = false;
    int exitStatus_ = 1;
    QElapsedTimer clock_;      // since the import began
    QElapsedTimer answered_;   // since the window last answered
    QTimer elapsedTick_;
};
