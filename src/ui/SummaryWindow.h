#pragma once
// The summary of a run, shown when the import has ended (after its closing box): the result in one
// line, the error that ended it and what to do next, the account of every MP2 table (skipped rows
// highlighted, each reason with its count) and of every table of the new database, the warnings
// written to the log only, the elapsed time, the new database and the log. "Open Log" shows the log
// in a read-only view with find, "Open Folder" opens the log's folder in the desktop's file manager,
// "Close" ends it.
#include "run/RunSummary.h"

#include <QDialog>
#include <QPointer>

class LogViewer;
class QBoxLayout;
class Operator;
class QLabel;
class QPushButton;
class QTreeWidget;

class SummaryWindow : public QDialog {
    Q_OBJECT
public:
    SummaryWindow(const RunSummary& summary, Operator& op, QWidget* parent = nullptr);

    // The folder "Open Folder" opens: the log's, else the new database's (empty when neither exists).
    QString Folder() const { return folder_; }

    QLabel* lblResult;
    QLabel* lblError;      // the error and what to do next (hidden when there is nothing to say)
    QTreeWidget* tblMp2;   // MP2 table, Read, Converted, Merged, Skipped; a reason under its table
    QTreeWidget* tblNew;   // table of the new database, Created, Invented
    QLabel* lblWarnings;
    QLabel* lblElapsed;
    QLabel* lblDatabase;
    QLabel* lblLog;
    QPushButton* btnOpenLog;
    QPushButton* btnOpenFolder;
    QPushButton* btnClose;
    QPointer<LogViewer> logViewer;  // once "Open Log" was pressed

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Sizes the window to its tables' rows, within the screen, and centres it.
    void FitToScreen();
    void OpenLog();
    void OpenFolder();

    Operator& op_;
    QBoxLayout* tables_;  // the two tables: side by side, or one above the other on a narrow screen
    QString logPath_;
    QString folder_;
};
