#pragma once
// What the widget tests share: a QApplication for the whole test program (off screen), a responder
// that answers the modal boxes and dialogs as an operator would while the code under test waits in
// their event loops, and a host product set up in a sandbox.
#include "db/Variant.h"

#include <QDir>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <ostream>

// Texts in failure messages as text.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '[' << list.join(QLatin1String("\n")).toStdString() << ']';
}

class QMessageBox;

namespace uitest {

// Answers modal widgets as they come up. An OK box is read and confirmed on its own; any other modal
// (a Yes/No question, an input box, a form) takes the next action in the queue. A modal that nothing
// expects is closed and recorded in `unexpected`, so a test never hangs on it. Every action runs
// from the event loop of the modal it answers, never inside the responder's own timer.
class ModalResponder {
public:
    using Action = std::function<void(QWidget*)>;

    ModalResponder();
    ~ModalResponder();

    ModalResponder& Then(const QString& what, Action action);
    ModalResponder& Yes(const QString& what = "question");
    ModalResponder& No(const QString& what = "question");
    ModalResponder& Input(const QString& text, const QString& what = "input box");

    // What each modal showed, in order: "OK: text", "YesNo: text", "Input[title]: prompt", or the
    // window title of a form. A CR or line break in a text is shown as '|'.
    QStringList seen;
    QStringList unexpected;
    // Called with each modal before it is answered (screenshots).
    std::function<void(QWidget*, const QString&)> onShown;

    // A modal the test drives itself: never answered.
    void Ignore(QWidget* widget) { answered_.append(widget); }

    int pending() const { return static_cast<int>(actions_.size()); }

private:
    void Poll();

    QTimer timer_;
    std::deque<std::pair<QString, Action>> actions_;
    QList<QPointer<QWidget>> answered_;
};

// The text a message box shows, its lines joined with '|'.
QString BoxText(const QMessageBox* box);

// A host product in a sandbox: both settings scopes of this process point into a temporary
// directory, and the template, the database list and the two settings are installed there.
class HostSandbox {
public:
    HostSandbox();
    ~HostSandbox();
    QString Path(const QString& relative) const { return dir.filePath(relative); }
    QString UserDir() const { return dir.filePath("host/crew"); }
    QString ListDir() const { return dir.filePath("host/list"); }
    QString ListPath() const { return dir.filePath("host/list/VXDB97.mdb"); }
    // A small MP2 source in the working-copy format; its equipment numbers are `numbers`.
    QString MakeSource(const QString& relative, const QStringList& numbers);

    QTemporaryDir dir;
    QString previousCurrent;
};

// One value of a query on an SQLite file, as text ("" for Null or no row).
QString QueryText(const QString& path, const QString& sql);
// The lines of a log written with CR LF line ends.
QStringList LogLines(const QString& path);

// Where the pictures of the forms go: <build>/screenshots.
QString ScreenshotDir();

}  // namespace uitest
