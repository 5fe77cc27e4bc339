// A whole import through the widgets, from "Change Database" to the end of the program: the import
// form, the password question, the pre-parse screen with the default substrings, the change-value
// dialog for a number that stays too long (first answered with a number in use), the cutoff question,
// the closing boxes and the summary. The same run, photographed, gives the pictures of every form and
// box (written to <build>/screenshots). And a long step of an import: the window answers, the
// operator's input is not handled, and a request to stop ends the run.
#include "UiTestSupport.h"
#include "import/Driver.h"
#include "db/Interrupt.h"
#include "ui/AboutDialog.h"
#include "ui/ChangeValueDialog.h"
#include "ui/ImportForm.h"
#include "ui/PreParseDialog.h"
#include "ui/SettingsDialog.h"
#include "ui/SummaryWindow.h"
#include "ui/WidgetOperator.h"
#include "ui/Wizard.h"
#include "mp2sample/Mp2Schema.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QRegularExpression>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <csignal>
#include <optional>

using uitest::ModalResponder;

namespace {

const QString kLongNumber = "NORTH INTAKE SCREEN WASHER NUMBER TWO";

// The pointer at each painting of the import form's status: the hourglass while conversions run.
struct StatusPointer : QObject {
    QLabel* label = nullptr;
    QMap<QString, Qt::CursorShape> shapes;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !shapes.contains(label->text()))
            shapes.insert(label->text(),
                          QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor);
        return false;
    }
};

// What the run saw at its questions.
struct Observed {
    QString statusAtCutoff;
    int progressAtCutoff = -1;
    int progressMaximum = -1;
    bool beginDisabled = false;
    bool arrowAtChangeValue = false;
    QString changeValueOld;
    QString changeValueAgain;  // the New Value box after a number in use was refused, and its selection
    QString changeValueAgainSelected;
};

class WholeImport : public ::testing::Test {
protected:
    void SetUp() override
    {
        source = host.MakeSource("mp2/Plant.mdb", {"PUMP-1", "COMPRESSOR-BUILDING-7", kLongNumber});
        ASSERT_TRUE(wizard.Start("crew-import"));
        w = wizard.window.get();
        w->chooseSource = [this]() -> std::optional<QString> { return source; };
        w->show();
    }

    // Everything an operator does, in order. `photo` is called at the moments worth a picture.
    void RunImport(const std::function<void(QWidget*, const QString&)>& photo = {})
    {
        QTest::mouseClick(w->btnAdd, Qt::LeftButton);
        if (photo)
            photo(w, "main-form-source-chosen");

        responder
            .Then("import form",
                  [this, photo](QWidget* widget) {
                      auto* form = qobject_cast<ImportForm*>(widget);
                      ASSERT_TRUE(form) << widget->metaObject()->className();
                      working = form;
                      pointer.label = form->lblImportStatus;
                      form->lblImportStatus->installEventFilter(&pointer);
                      if (photo)
                          photo(form, "import-form-ready");
                      QTest::mouseClick(form->btnOK, Qt::LeftButton);
                  })
            .Input("N", "password question")
            .Then("pre-parse screen",
                  [photo](QWidget* widget) {
                      auto* screen = qobject_cast<PreParseDialog*>(widget);
                      ASSERT_TRUE(screen) << widget->metaObject()->className();
                      screen->btnLoadDefaults->click();
                      QApplication::processEvents();
                      // The row numbers widened to three digits; both columns still fit.
                      EXPECT_EQ(screen->spSubStrings->horizontalScrollBar()->maximum(), 0);
                      if (photo) {
                          photo(screen, "pre-parse-defaults-loaded");
                          // A screen of 640 by 512 (1280 by 1024 at a scale of 2): the screen fits on
                          // it with every button.
                          screen->FitInto(QSize(640, 512));
                          QApplication::processEvents();
                          photo(screen, "pre-parse-small-screen");
                          EXPECT_LE(screen->width(), 640);
                          EXPECT_LE(screen->height(), 512);
                          const QList<const QWidget*> buttons = {screen->btnLoadDefaults, screen->btnUp,
                                                                 screen->btnDown,         screen->btnDeleteRow,
                                                                 screen->btnCancel,       screen->btnClose};
                          for (const QWidget* button : buttons)
                              EXPECT_TRUE(screen->rect().contains(
                                  QRect(button->mapTo(screen, QPoint()), button->size())))
                                  << button->objectName().toStdString();
                          EXPECT_EQ(screen->spSubStrings->horizontalScrollBar()->maximum(), 0);
                      }
                      screen->btnClose->click();
                  })
            .Yes("load the defaults")
            .Then("change value",
                  [this](QWidget* widget) {
                      auto* dialog = qobject_cast<ChangeValueDialog*>(widget);
                      ASSERT_TRUE(dialog) << widget->metaObject()->className();
                      seen.arrowAtChangeValue = QApplication::overrideCursor() == nullptr;
                      seen.changeValueOld = dialog->txtOld->text();
                      dialog->txtNew->selectAll();
                      QTest::keyClicks(dialog->txtNew, "PUMP-1");
                      QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
                  })
            .Then("change value again",
                  [this](QWidget* widget) {
                      auto* dialog = qobject_cast<ChangeValueDialog*>(widget);
                      ASSERT_TRUE(dialog) << widget->metaObject()->className();
                      seen.changeValueAgain = dialog->txtNew->text();
                      seen.changeValueAgainSelected = dialog->txtNew->selectedText();
                      QTest::keyClicks(dialog->txtNew, "NORTH SCREEN WASHER 2");
                      QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
                  })
            .Then("cutoff", [this, photo](QWidget* widget) {
                auto* input = qobject_cast<QInputDialog*>(widget);
                ASSERT_TRUE(input);
                if (working) {
                    seen.statusAtCutoff = working->lblImportStatus->text();
                    seen.progressAtCutoff = working->progress->value();
                    seen.progressMaximum = working->progress->maximum();
                    seen.beginDisabled = !working->btnOK->isEnabled();
                    if (photo)
                        photo(working, "import-form-mid-run");
                }
                input->setTextValue("30");
                input->accept();
            })
            .Then("summary", [photo](QWidget* widget) {
                auto* summary = qobject_cast<SummaryWindow*>(widget);
                ASSERT_TRUE(summary) << widget->metaObject()->className();
                // The run's own account reaches the window: every row of the plant accounted for.
                EXPECT_TRUE(summary->lblResult->text().startsWith("Imported. ")) << summary->lblResult->text().toStdString();
                EXPECT_FALSE(summary->lblResult->text().contains(" 0 MP2 rows read"));
                // The window is as tall as its rows need: every MP2 table without scrolling.
                EXPECT_EQ(summary->tblMp2->verticalScrollBar()->maximum(), 0);
                QTest::mouseClick(summary->btnClose, Qt::LeftButton);
            });
        QTest::mouseClick(w->btnImport, Qt::LeftButton);
    }

    uitest::HostSandbox host;
    QString source;
    ModalResponder responder;
    Wizard wizard;
    MainWindow* w = nullptr;
    QPointer<ImportForm> working;
    StatusPointer pointer;
    Observed seen;
};

TEST_F(WholeImport, FromBeginImportToTheEndOfTheProgram)
{
    RunImport();

    EXPECT_TRUE(wizard.ended());
    EXPECT_EQ(wizard.status(), 0) << responder.seen.join('\n').toStdString();
    EXPECT_TRUE(responder.unexpected.isEmpty()) << responder.unexpected.join('\n').toStdString();
    EXPECT_EQ(responder.pending(), 0);

    // What the operator saw on the way.
    EXPECT_TRUE(seen.beginDisabled);
    EXPECT_EQ(seen.statusAtCutoff, "Creating TaskEq table");
    EXPECT_GT(seen.progressAtCutoff, 0);
    EXPECT_EQ(seen.progressMaximum, 103);
    EXPECT_TRUE(seen.arrowAtChangeValue);
    for (const QString status : {"Creating Facility table", "Creating Employee table", "Creating WoItemsHist table"})
        EXPECT_EQ(pointer.shapes.value(status, Qt::BlankCursor), Qt::WaitCursor) << status.toStdString();
    EXPECT_EQ(seen.changeValueOld, kLongNumber);
    EXPECT_TRUE(responder.seen.contains("OK: Error: The equipment# 'PUMP-1'|is already being used. Try again."));
    EXPECT_EQ(seen.changeValueAgain, "PUMP-1");
    EXPECT_EQ(seen.changeValueAgainSelected, "PUMP-1");
    EXPECT_TRUE(responder.seen.contains("Input[Does this database have a password?]: Does this database have a "
                                        "password? |enter either Y or N"));
    EXPECT_TRUE(responder.seen.contains("OK: Equipment PreParse Phase is Done. Click OK to continue."));
    EXPECT_TRUE(responder.seen.contains("OK: MP2 INVCOMM table has 0 records.|No need to check table."));
    const QString target = host.UserDir() + "/Plant/Plant.mdb";
    const QString log = host.UserDir() + "/Plant/MP2ImportLog.txt";
    // The log's path is the selected directory's text and "/MP2ImportLog.txt"; the summary comes after.
    ASSERT_GE(responder.seen.size(), 2);
    EXPECT_EQ(responder.seen.last(), "Import Summary");
    EXPECT_EQ(responder.seen.at(responder.seen.size() - 2),
              "OK: The import of '" + source + "' was imported to |'" + target +
                  "' ||The import log file is located at |'" + host.UserDir() + "/Plant//MP2ImportLog.txt'");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The log, the new database and its registration.
    const QStringList lines = uitest::LogLines(log);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.first().startsWith("In Main frm, btnImport - Start: "));
    EXPECT_TRUE(lines.contains("-----PreParseEqNum - Start--------"));
    EXPECT_TRUE(lines.contains("MP2EqOld(1)= COMPRESSOR-BUILDING-7  MP2EqNew(1)= Cmpsr-Bldg-7"));
    // The completion message, then the account of every row.
    const qsizetype done = lines.indexOf(QRegularExpression("^The import of '.*' was imported to \r.*"));
    ASSERT_GE(done, 0);
    EXPECT_TRUE(lines.at(done).startsWith("The import of '" + source + "' was imported to "));
    ASSERT_GT(lines.size(), done + 2);
    EXPECT_TRUE(lines.at(done + 2).startsWith("The account of every MP2 row"));
    EXPECT_EQ(lines.last(), "");
    EXPECT_EQ(uitest::QueryText(target, "SELECT group_concat(\"Equipment#\", ',') FROM "
                                        "(SELECT \"Equipment#\" FROM Equipment ORDER BY 1)"),
              "Cmpsr-Bldg-7,NORTH SCREEN WASHER 2,PUMP-1");
    EXPECT_EQ(uitest::QueryText(host.ListPath(), "SELECT Name || '|' || Path || '|' || FileName || '|' || IsDefault "
                                                 "FROM DB"),
              "Plant|" + host.UserDir() + "/Plant/|Plant.mdb|0");
    // The operator's source is untouched.
    EXPECT_EQ(uitest::QueryText(source, "SELECT count(*) FROM EQUIP WHERE EQNUM = 'COMPRESSOR-BUILDING-7'"), "1");
}

TEST_F(WholeImport, CancelImportInTheChangeValueDialogEndsWithoutANewDatabase)
{
    responder
        .Then("import form", [](QWidget* widget) {
            QTest::mouseClick(qobject_cast<ImportForm*>(widget)->btnOK, Qt::LeftButton);
        })
        .Input("N")
        .Then("pre-parse screen", [](QWidget* widget) { qobject_cast<PreParseDialog*>(widget)->btnCancel->click(); })
        .Then("change value", [](QWidget* widget) {
            QTest::mouseClick(qobject_cast<ChangeValueDialog*>(widget)->btnCancel, Qt::LeftButton);
        })
        .Then("summary", [](QWidget* widget) {
            auto* summary = qobject_cast<SummaryWindow*>(widget);
            EXPECT_TRUE(summary->lblResult->text().startsWith("Cancelled")) << summary->lblResult->text().toStdString();
            summary->btnClose->click();
        });
    QTest::mouseClick(w->btnAdd, Qt::LeftButton);
    QTest::mouseClick(w->btnImport, Qt::LeftButton);
    EXPECT_TRUE(wizard.ended());
    EXPECT_NE(wizard.status(), 0);
    EXPECT_TRUE(responder.unexpected.isEmpty()) << responder.unexpected.join('\n').toStdString();
    EXPECT_FALSE(QFileInfo::exists(host.UserDir() + "/Plant/Plant.mdb"));
    EXPECT_EQ(uitest::QueryText(host.ListPath(), "SELECT count(*) FROM DB"), "0");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The pictures: every form and box as the operator meets them in a run, and the forms that a run
// does not open.
TEST_F(WholeImport, PicturesOfEveryFormAndBox)
{
    const QString dir = uitest::ScreenshotDir();
    int n = 0;
    const auto save = [&](QWidget* widget, const QString& name) {
        QApplication::processEvents();  // let the layout settle
        const QString file = QString("%1/%2-%3.png").arg(dir).arg(++n, 2, 10, QChar('0')).arg(name);
        EXPECT_TRUE(widget->grab().save(file)) << file.toStdString();
    };
    save(w, "main-form-start");
    // A table no conversion reads, with rows: its box has lines of its own.
    testsupport::InsertMp2Rows(source, "INVCOMM", {{{"ITEMNUM", QString("BRG-6204")}, {"COMMENTS", QString("Spare")}}});
    int widestLine = 0, tableBoxLabel = 0;
    // The boxes typing brings up.
    responder.onShown = [&](QWidget* widget, const QString& what) {
        QString name = what.section(':', 0, 0).toLower().replace(QRegularExpression("[^a-z]+"), "-");
        if (what.startsWith("OK: MP2 INVCOMM table has 1 records.")) {
            name = "mp2-table-has-records";
            const auto* label = widget->findChild<QLabel*>("qt_msgbox_label");
            for (const QString& line : WidgetOperator::ScreenText(label->text()).split('\n'))
                widestLine = std::max(widestLine, label->fontMetrics().horizontalAdvance(line));
            tableBoxLabel = label->width();
        }
        if (qobject_cast<ChangeValueDialog*>(widget))
            name = "change-value";
        else if (qobject_cast<PreParseDialog*>(widget))
            name = "pre-parse-opened";
        else if (qobject_cast<ImportForm*>(widget))
            return;
        save(widget, "box-" + name);
    };
    w->txtDBName->setFocus();
    QTest::keyClicks(w->txtDBName, "/");
    RunImport(save);
    // The box breaks its lines where its text does, and nowhere else.
    EXPECT_GE(tableBoxLabel, widestLine);
    EXPECT_GT(widestLine, 0);

    // What a run does not show.
    responder.onShown = {};
    Wizard other;
    ASSERT_TRUE(other.Start("crew-import"));
    other.window->chooseSource = [this]() -> std::optional<QString> { return source; };
    other.window->show();
    QTest::mouseClick(other.window->btnAdd, Qt::LeftButton);
    other.window->txtDBName->setFocus();
    other.window->txtDBName->selectAll();
    QTest::keyClicks(other.window->txtDBName, "Main 2");
    save(other.window.get(), "main-form-name-typed");
    other.window->resize(1200, 760);
    save(other.window.get(), "main-form-wide");
    other.window->resize(other.window->minimumSizeHint());
    save(other.window.get(), "main-form-smallest");
    // A screen of 640 by 512 (1280 by 1024 at a scale of 2): the long labels wrap; Import and Cancel
    // are on it.
    other.window->FitInto(QSize(640, 512));
    save(other.window.get(), "main-form-small-screen");
    EXPECT_LE(other.window->width(), 640);
    EXPECT_LE(other.window->height(), 512);
    for (const QWidget* button : {other.window->btnImport, other.window->Command1})
        EXPECT_TRUE(other.window->rect().contains(QRect(button->mapTo(other.window.get(), QPoint()), button->size())));

    // The directory chooser opens on the selected folder with the focus on it, and keeps it in view
    // while the folders above it fill in (in the background), many of them before it.
    for (int i = 1; i <= 30; ++i)
        QDir().mkpath(host.Path(QString("archive-%1").arg(i, 2, 10, QChar('0'))));
    SettingsDialog settings(other.op, host.UserDir(), other.window.get());
    QTreeView* tree = settings.dirHistData;
    QStringList loaded;
    QObject::connect(qobject_cast<QFileSystemModel*>(tree->model()), &QFileSystemModel::directoryLoaded,
                     [&](const QString& dir) { loaded << QDir::cleanPath(dir); });
    responder.Ignore(&settings);
    settings.show();
    EXPECT_EQ(settings.focusWidget(), tree);
    EXPECT_EQ(settings.DirectoryPath(), host.UserDir());
    QStringList above;
    for (QDir dir(host.Path("host")); above.isEmpty() || !dir.isRoot(); dir.cdUp())
        above << QDir::cleanPath(dir.absolutePath());
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::all_of(above.begin(), above.end(), [&](const QString& dir) {
                                         return loaded.contains(dir); }); }, 5000)) << loaded.join(' ').toStdString();
    QApplication::processEvents();  // and sorted
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex())); }, 2000));
    save(&settings, "settings-import-to-directory");
    AboutDialog about(other.window.get());
    about.show();
    save(&about, "about");
    responder.onShown = [&](QWidget* widget, const QString&) { save(widget, "box-qrt-oops"); };
    other.op.MsgBox("PLANT?.MDB is not a valid file name.", MsgIcon::Exclamation, "QRT Oops!");
    responder.onShown = {};
    responder.Then("password", [&](QWidget* widget) {
        auto* input = qobject_cast<QInputDialog*>(widget);
        input->setTextValue("s3cret");
        save(input, "box-password-masked");
        input->reject();
    });
    other.op.InputBox("Enter password" + QString(QChar(13)), "Enter password", {}, true);
    EXPECT_GE(n, 15);
}

// After "Check Only" the wizard goes back to its form with everything filled in, on a run of its own:
// the import then made from it is registered, with its log where an import's log goes.
TEST(CheckOnly, GoesBackToTheFormFilledInAndTheImportThenGoesThrough)
{
    uitest::HostSandbox host;
    const QString source = host.MakeSource("mp2/Plant.mdb", {"PUMP-1"});
    ModalResponder responder;
    const auto noConversions = [](RunState& run) { DoImport(run, {}); };
    const auto closeSummary = [](QWidget* widget) {
        auto* summary = qobject_cast<SummaryWindow*>(widget);
        ASSERT_TRUE(summary) << widget->metaObject()->className();
        summary->btnClose->click();
    };

    std::optional<Wizard::Kept> kept;
    {
        Wizard wizard;
        ASSERT_TRUE(wizard.Start("crew-import"));
        MainWindow* w = wizard.window.get();
        w->chooseSource = [&]() -> std::optional<QString> { return source; };
        w->beginImport = noConversions;
        w->show();
        QTest::mouseClick(w->btnAdd, Qt::LeftButton);
        w->txtDBName->setFocus();
        w->txtDBName->selectAll();
        QTest::keyClicks(w->txtDBName, "North 2");
        QTest::mouseClick(w->btnRecToSelect, Qt::LeftButton);
        responder
            .Then("import form",
                  [](QWidget* widget) {
                      auto* form = qobject_cast<ImportForm*>(widget);
                      form->chkWarningsToLogOnly->setChecked(true);
                      form->btnCheckOnly->click();
                  })
            .Input("N", "password question")
            .Then("summary", closeSummary);
        QTest::mouseClick(w->btnImport, Qt::LeftButton);
        EXPECT_TRUE(wizard.ended());
        ASSERT_TRUE(wizard.again().has_value()) << responder.seen.join('\n').toStdString();
        kept = wizard.again();
    }
    EXPECT_TRUE(QFileInfo::exists(host.UserDir() + "/North2/MP2ImportCheck.txt"));

    Wizard next;
    ASSERT_TRUE(next.Start("crew-import", &*kept));
    MainWindow* w = next.window.get();
    w->beginImport = noConversions;
    w->show();
    EXPECT_EQ(w->txtSourceDB->text(), source);
    EXPECT_EQ(w->txtDBName->text(), "North 2");
    EXPECT_EQ(w->txtFileName->text(), "North2.mdb");
    EXPECT_EQ(w->txtTargetDir->text(), host.UserDir() + "/North2");
    bool warningsKept = false;
    responder
        .Then("import form",
              [&](QWidget* widget) {
                  auto* form = qobject_cast<ImportForm*>(widget);
                  warningsKept = form->chkWarningsToLogOnly->isChecked();
                  form->btnOK->click();
              })
        .Input("N", "password question")
        .Then("summary", closeSummary);
    QTest::mouseClick(w->btnImport, Qt::LeftButton);
    EXPECT_TRUE(next.ended());
    EXPECT_EQ(next.status(), 0) << responder.seen.join('\n').toStdString();
    EXPECT_FALSE(next.again().has_value());
    EXPECT_TRUE(warningsKept);
    EXPECT_TRUE(responder.unexpected.isEmpty()) << responder.unexpected.join('\n').toStdString();
    EXPECT_EQ(uitest::QueryText(host.ListPath(), "SELECT Name || '|' || FileName FROM DB"), "North 2|North2.mdb");
    EXPECT_TRUE(QFileInfo::exists(host.UserDir() + "/North2/MP2ImportLog.txt"));
}

// A step of the import that takes long: the window repaints and its timers run, the operator's keys
// and clicks are not handled, and SIGTERM, seen by the wizard while the window answers, ends the run
// as "Cancel Import" does: no new database, nothing registered, no summary to wait for.
TEST(LongStep, TheWindowAnswersTakesNoInputAndAStopEndsTheRun)
{
    dao::InstallInterruptHandlers();  // the wizard watches for SIGINT and SIGTERM
    uitest::HostSandbox host;
    const QString source = host.MakeSource("mp2/Plant.mdb", {"PUMP-1"});
    ModalResponder responder;
    Wizard wizard;
    ASSERT_TRUE(wizard.Start("crew-import"));
    MainWindow* w = wizard.window.get();
    w->chooseSource = [&]() -> std::optional<QString> { return source; };
    w->show();
    QTest::mouseClick(w->btnAdd, Qt::LeftButton);

    int ticks = 0, clicks = 0;
    QTimer tick;
    tick.setInterval(20);
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    QObject::connect(w->btnOpt, &QPushButton::clicked, [&] { ++clicks; });
    QString nameAfterKey, elapsedShown;
    bool endedInTheStep = false;
    const auto longStep = [&](RunState& run) {
        tick.start();
        QCoreApplication::postEvent(w->txtDBName, new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x"));
        const QPointF at = QRectF(w->btnOpt->rect()).center();
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(w->btnOpt, new QMouseEvent(type, at, w->btnOpt->mapToGlobal(at), Qt::LeftButton,
                                                                   type == QEvent::MouseButtonPress ? Qt::LeftButton
                                                                                                    : Qt::NoButton,
                                                                   Qt::NoModifier));
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; clock.elapsed() < 1300; ++i) {
            if (clock.elapsed() > 1050 && !dao::InterruptSignal())
                dao::RequestInterrupt(SIGTERM);  // as the signal's handler does
            run.op.SetProgress(i % 100, 100);
        }
        nameAfterKey = w->txtDBName->text();
        endedInTheStep = wizard.ended();
        if (auto* working = w->findChild<ImportForm*>())
            elapsedShown = working->lblElapsed->text();
        run.UpProg();  // where the conversions see the stop
    };
    w->beginImport = [&](RunState& run) { DoImport(run, {ConversionStep{"A long step", longStep}}); };
    responder
        .Then("import form", [](QWidget* widget) { qobject_cast<ImportForm*>(widget)->btnOK->click(); })
        .Input("N", "password question");
    QTest::mouseClick(w->btnImport, Qt::LeftButton);
    dao::ClearInterrupt();

    EXPECT_GT(ticks, 5);
    EXPECT_TRUE(elapsedShown.startsWith("0:0") && elapsedShown != "0:00") << elapsedShown.toStdString();
    EXPECT_EQ(nameAfterKey, "Plant");
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(endedInTheStep);
    EXPECT_EQ(wizard.status(), 128 + SIGTERM);
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(responder.seen.contains("Import Summary")) << responder.seen.join('\n').toStdString();
    EXPECT_TRUE(responder.unexpected.isEmpty()) << responder.unexpected.join('\n').toStdString();
    EXPECT_FALSE(QFileInfo::exists(host.UserDir() + "/Plant/Plant.mdb"));
    EXPECT_EQ(uitest::QueryText(host.ListPath(), "SELECT count(*) FROM DB"), "0");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
