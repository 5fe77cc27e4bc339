#pragma once
// The import form "working": where the import is started with "Begin Import" and where its status
// text and progress bar are shown while it runs. Shown modally by the main form; closing it before
// the import begins ends the program, and it cannot be closed while the import runs.
#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

class ImportForm : public QDialog {
    Q_OBJECT
public:
    // `beginImport` runs the import; it ends the program by throwing, and its status is taken from
    // what it throws (EndProgram). Source and target are the main form's source path and target
    // directory.
    ImportForm(const QString& source, const QString& target, std::function<void()> beginImport,
               QWidget* parent = nullptr);

    static const QString kReadyText;    // "Click on button to begin import."
    static const QString kRunningText;  // "Import in progress ... Please stand by"

    void SetStatus(const QString& text);
    void SetProgress(double value, double maximum);
    void SetSourceAndTarget(const QString& source, const QString& target);

    bool importing() const { return importing_; }
    // The program's exit status once the import ended (1 when the form was closed before).
    int exitStatus() const { return exitStatus_; }

    QLineEdit* txtsource;
    QLineEdit* txttarget;
    QLabel* lblImportStatus;
    QProgressBar* progress;
    QPushButton* btnOK;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    void btnOK_Click();
    void Paint();

    std::function<void()> beginImport_;
    bool importing_ = false;
    int exitStatus_ = 1;
};
