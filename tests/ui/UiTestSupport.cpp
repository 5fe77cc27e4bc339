#include "UiTestSupport.h"

#include "mp2sample/Mp2Schema.h"
#include "wizard/HostSetup.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <sqlite3.h>

namespace {

// The off-screen platform's remarks on what it cannot do with windows say nothing about the code
// under test; everything else is printed.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("This plugin does not support")))
        return;
    fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

// One QApplication for the whole test program, off screen unless told otherwise.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
            qputenv("XDG_RUNTIME_DIR", QDir::tempPath().toLocal8Bit());
        qInstallMessageHandler(QuietMessages);
        if (!qApp)
            app_ = new QApplication(argc_, argv_);
        QApplication::setQuitOnLastWindowClosed(false);
    }
    void TearDown() override
    {
        delete app_;
        app_ = nullptr;
    }

private:
    int argc_ = 1;
    char arg0_[16] = "ui_tests";
    char* argv_[2] = {arg0_, nullptr};
    QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

QString Flat(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("|"));
    text.replace(QLatin1Char('\r'), QLatin1Char('|'));
    text.replace(QLatin1Char('\n'), QLatin1Char('|'));
    return text;
}

void PointSettings(const QString& system, const QString& user)
{
    for (auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::SystemScope, system);
        QSettings::setPath(format, QSettings::UserScope, user);
    }
}

}  // namespace

namespace uitest {

QString BoxText(const QMessageBox* box) { return Flat(box->text()); }

ModalResponder::ModalResponder()
{
    timer_.setInterval(15);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start();
}

ModalResponder::~ModalResponder() { timer_.stop(); }

ModalResponder& ModalResponder::Then(const QString& what, Action action)
{
    actions_.emplace_back(what, std::move(action));
    return *this;
}

ModalResponder& ModalResponder::Yes(const QString& what)
{
    return Then(what, [](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_TRUE(box) << "a Yes/No question was expected";
        box->button(QMessageBox::Yes)->click();
    });
}

ModalResponder& ModalResponder::No(const QString& what)
{
    return Then(what, [](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_TRUE(box) << "a Yes/No question was expected";
        box->button(QMessageBox::No)->click();
    });
}

ModalResponder& ModalResponder::Input(const QString& text, const QString& what)
{
    return Then(what, [text](QWidget* w) {
        auto* dialog = qobject_cast<QInputDialog*>(w);
        ASSERT_TRUE(dialog) << "an input box was expected";
        dialog->setTextValue(text);
        dialog->accept();
    });
}

void ModalResponder::Poll()
{
    QWidget* w = QApplication::activeModalWidget();
    if (!w || !w->isVisible())
        return;
    for (const QPointer<QWidget>& done : answered_)
        if (done == w)
            return;
    answered_.append(w);

    QString description;
    bool plainOk = false;
    if (auto* box = qobject_cast<QMessageBox*>(w)) {
        plainOk = box->buttons().size() == 1;
        description = (plainOk ? "OK: " : "YesNo: ") + BoxText(box);
    } else if (auto* input = qobject_cast<QInputDialog*>(w)) {
        description = "Input[" + input->windowTitle() + "]: " + Flat(input->labelText());
    } else {
        description = w->windowTitle();
    }
    seen << description;
    if (onShown)
        onShown(w, description);

    QPointer<QWidget> target(w);
    if (plainOk) {
        QTimer::singleShot(0, w, [target] {
            if (auto* box = qobject_cast<QMessageBox*>(target.data()))
                box->buttons().first()->click();
        });
        return;
    }
    if (actions_.empty()) {
        unexpected << description;
        QTimer::singleShot(0, w, [target] {
            if (auto* box = qobject_cast<QMessageBox*>(target.data()); box && box->button(QMessageBox::No))
                box->button(QMessageBox::No)->click();
            else if (auto* dialog = qobject_cast<QDialog*>(target.data()))
                dialog->reject();
            else if (target)
                target->close();
        });
        return;
    }
    Action action = std::move(actions_.front().second);
    actions_.pop_front();
    QTimer::singleShot(0, w, [target, action] {
        if (target)
            action(target);
    });
}

HostSandbox::HostSandbox()
{
    previousCurrent = QDir::currentPath();
    PointSettings(dir.filePath("config/system"), dir.filePath("config/user"));
    SetUpHost(ListDir(), UserDir());
    QDir().mkpath(dir.filePath("work"));
    QDir::setCurrent(dir.filePath("work"));  // where the working copy of the source goes
}

HostSandbox::~HostSandbox()
{
    QDir::setCurrent(previousCurrent);
    PointSettings(QDir::tempPath() + "/crew-no-system", QDir::tempPath() + "/crew-no-user");
}

QString HostSandbox::MakeSource(const QString& relative, const QStringList& numbers)
{
    const QString path = dir.filePath(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    testsupport::CreateMp2WorkingCopy(path);
    testsupport::InsertMp2Rows(path, "FACILITY", {{{"Name", QString("North Works")}}});
    std::vector<testsupport::Mp2Row> equipment;
    for (const QString& number : numbers)
        equipment.push_back({{"EQNUM", number}, {"DESCRIPTION", QString("Equipment ") + number}});
    testsupport::InsertMp2Rows(path, "EQUIP", equipment);
    testsupport::InsertMp2Rows(path, "TASK", {{{"TASKNUM", QString("PM")}, {"DESCRIPTION", QString("Service")}}});
    if (!numbers.isEmpty())
        testsupport::InsertMp2Rows(path, "TASKEQ",
                                   {{{"TASKNUM", QString("PM")}, {"EQNUM", numbers.first()},
                                     {"NEXTDUEDATE", QString("2020-01-01")}, {"DATEUNIT", QString("M")},
                                     {"NUMOFDATE", 3}}});
    testsupport::InsertMp2Rows(path, "VENDOR", {{{"VENDORID", QString("V1")}, {"NAME", QString("O'Hara Supply")}}});
    return path;
}

QString QueryText(const QString& path, const QString& sql)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return "<cannot open>";
    }
    sqlite3_stmt* st = nullptr;
    QString value;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL)
        value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    else if (!st)
        value = QString("<error: %1>").arg(QString::fromUtf8(sqlite3_errmsg(db)));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return value;
}

QStringList LogLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n");
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString ScreenshotDir()
{
    const QString bin = QFileInfo(QFileInfo("/proc/self/exe").canonicalFilePath()).absolutePath();
    const QString dir = QDir::cleanPath(bin + "/../screenshots");
    QDir().mkpath(dir);
    return dir;
}

}  // namespace uitest
