#pragma once
// The import log in a read-only text view with find: "Find" (Ctrl+F) goes to the box, Enter and
// "Find Next" (F3) go to the next match from the cursor, wrapping at the end; the case of letters
// does not count.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class LogViewer : public QDialog {
    Q_OBJECT
public:
    // `text` is the log as read; its lines may end in CR LF and hold CR of their own (both are line
    // breaks here).
    LogViewer(const QString& path, const QString& text, QWidget* parent = nullptr);

    // Selects the next match of the find box's text after the cursor (wrapping); false when there is none.
    bool FindNext();

    QPlainTextEdit* txtLog;
    QLineEdit* txtFind;
    QPushButton* btnFindNext;
    QLabel* lblFound;
    QPushButton* btnClose;
};
