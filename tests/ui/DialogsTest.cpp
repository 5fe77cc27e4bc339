// The boxes and dialogs of the wizard, driven as the operator drives them: message boxes and input
// boxes, the change-value dialog, the pre-parse screen, the directory chooser, the About box and the
// import form.
#include "UiTestSupport.h"
#include "convert/equipment/PreParse.h"
#include "run/RunState.h"
#include "db/Database.h"
#include "ui/AboutDialog.h"
#include "ui/ChangeValueDialog.h"
#include "ui/ImportForm.h"
#include "ui/PreParseDialog.h"
#include "ui/SettingsDialog.h"
#include "ui/WidgetOperator.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QScreen>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <functional>

using uitest::ModalResponder;

namespace {

const QChar CR(13);

struct BoxLook {
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString defaultButton;
    QString text;
};

TEST(WidgetOperatorTest, BoxesCarryTheirIconTitleAndDefaultButton)
{
    WidgetOperator op;
    ModalResponder responder;
    QList<BoxLook> looks;
    responder.onShown = [&](QWidget* w, const QString&) {
        if (auto* box = qobject_cast<QMessageBox*>(w))
            looks.append({box->windowTitle(), box->icon(),
                          box->defaultButton() ? box->defaultButton()->text() : QString(), box->text()});
    };

    op.MsgBox("first" + QString(CR) + "second <b>not bold</b>");
    op.MsgBox("bad name", MsgIcon::Exclamation, "QRT Oops!");
    responder.No();
    EXPECT_FALSE(op.AskYesNo("Go on?"));
    responder.Yes();
    EXPECT_TRUE(op.AskYesNo("Go on?"));
    ASSERT_EQ(looks.size(), 4);
    EXPECT_EQ(looks[0].title, "Crew Import");
    EXPECT_EQ(looks[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(looks[0].text, "first\nsecond <b>not bold</b>");
    EXPECT_EQ(looks[1].title, "QRT Oops!");
    EXPECT_EQ(looks[1].icon, QMessageBox::Warning);
    EXPECT_EQ(looks[2].icon, QMessageBox::Question);
    EXPECT_EQ(looks[2].defaultButton, "&No");
    EXPECT_TRUE(responder.unexpected.isEmpty());
}

TEST(WidgetOperatorTest, InputBoxesAreMaskedForThePasswordAndCancelGivesNoAnswer)
{
    WidgetOperator op;
    ModalResponder responder;
    QLineEdit::EchoMode echo = QLineEdit::Normal;
    QString shownDefault;
    responder.Then("password", [&](QWidget* w) {
        auto* dialog = qobject_cast<QInputDialog*>(w);
        ASSERT_TRUE(dialog);
        echo = dialog->findChild<QLineEdit*>()->echoMode();
        QTest::keyClicks(dialog->findChild<QLineEdit*>(), "s3cret");
        dialog->accept();
    });
    EXPECT_EQ(op.InputBox("Enter password" + QString(CR), "Enter password", {}, true), QString("s3cret"));
    EXPECT_EQ(echo, QLineEdit::Password);
    EXPECT_EQ(responder.seen.value(0), "Input[Enter password]: Enter password");

    responder.Then("default", [&](QWidget* w) {
        auto* dialog = qobject_cast<QInputDialog*>(w);
        shownDefault = dialog->textValue();
        echo = dialog->findChild<QLineEdit*>()->echoMode();
        dialog->reject();
    });
    EXPECT_EQ(op.InputBox("Does this database have a password? ", "Does this database have a password?", "N"),
              std::nullopt);
    EXPECT_EQ(shownDefault, "N");
    EXPECT_EQ(echo, QLineEdit::Normal);
}

TEST(WidgetOperatorTest, TheHourglassGivesWayWhileABoxIsUp)
{
    WidgetOperator op;
    ModalResponder responder;
    op.SetBusy(true);
    ASSERT_TRUE(QApplication::overrideCursor());
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    bool arrowWhileShown = false;
    responder.onShown = [&](QWidget*, const QString&) { arrowWhileShown = QApplication::overrideCursor() == nullptr; };
    op.MsgBox("message");
    EXPECT_TRUE(arrowWhileShown);
    ASSERT_TRUE(QApplication::overrideCursor());
    op.SetBusy(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(ChangeValueDialogTest, OkTrimsAndHoldsTheLengthsCancelImportAndClosingAnswerDifferently)
{
    WidgetOperator op;
    ModalResponder responder;
    const QString old = "NORTH INTAKE SCREEN WASHER NUMBER TWO";
    ChangeValueDialog dialog(op, old, 1, 30, "Equipment number too long");
    EXPECT_EQ(dialog.windowTitle(), "Change Value");
    EXPECT_EQ(dialog.txtOld->text(), old);
    EXPECT_EQ(dialog.txtNew->text(), old);
    EXPECT_EQ(dialog.lblUserMessage->text(), "Equipment number too long");
    EXPECT_EQ(dialog.btnOK->text(), "OK");
    EXPECT_EQ(dialog.btnCancel->text(), "Cancel Import");
    responder.Ignore(&dialog);
    dialog.show();

    dialog.btnOK->click();
    EXPECT_EQ(responder.seen.value(0),
              "OK: Error: The new value can't be longer than '30' characters. It has a length of 37.");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.focusWidget(), dialog.txtNew);

    dialog.txtNew->setText("   ");
    dialog.btnOK->click();
    EXPECT_EQ(responder.seen.value(1), "OK: Error: The new value must be at least '1' characters long.");
    EXPECT_EQ(dialog.txtNew->text(), "");

    dialog.txtNew->setText("  NORTH SCREEN WASHER 2 ");
    dialog.btnOK->click();
    EXPECT_EQ(dialog.txtNew->text(), "NORTH SCREEN WASHER 2");
    EXPECT_EQ(dialog.Answer(), QString("NORTH SCREEN WASHER 2"));
    EXPECT_FALSE(dialog.isVisible());

    ChangeValueDialog cancelled(op, old, 1, 30, "m");
    responder.Ignore(&cancelled);
    cancelled.show();
    cancelled.btnCancel->click();
    EXPECT_EQ(cancelled.Answer(), std::nullopt);

    ChangeValueDialog closed(op, old, 1, 30, "m");
    responder.Ignore(&closed);
    closed.show();
    closed.close();
    EXPECT_EQ(closed.Answer(), QString());
}

class PreParseDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString path = host.MakeSource("mp2/Plant.mdb", {"pump-01", "FIFTEEN-CHARS-1", "SIXTEEN-CHARS-12",
                                                               "NORTH INTAKE SCREEN WASHER NUMBER TWO"});
        run.DBin = dao::Database::OpenDatabase(path);
        screen.Open();
    }
    void TearDown() override { run.DBin->Close(); }

    uitest::HostSandbox host;
    WidgetOperator op;
    RunState run{op};
    PreParse screen{run};
    ModalResponder responder;

    // The screen shown and active, its boxes answered by the responder.
    void ShowActive(PreParseDialog& dialog)
    {
        responder.Ignore(&dialog);
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }

    static QWidget* Focus() { return QApplication::focusWidget(); }
    // Back from a question, as the window manager gives the screen back its focus.
    static void Refocus(PreParseDialog& dialog)
    {
        if (!Focus()) {
            dialog.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        }
    }
    // A key to what has the focus.
    static void Key(PreParseDialog& dialog, Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Refocus(dialog);
        QTest::keyClick(Focus(), k, modifiers);
        QApplication::processEvents();  // an editor hands its text over from the event loop
    }
    // Each key to what has the focus: the table, then its editor.
    static void Type(PreParseDialog& dialog, const QString& text)
    {
        Refocus(dialog);
        for (const QChar c : text)
            QTest::keyClick(Focus(), c.toLatin1());
    }
    // A button pressed by its Alt key is clicked once it has shown itself down; `done` says it acted.
    static void Press(PreParseDialog& dialog, Qt::Key k, const std::function<bool()>& done)
    {
        Key(dialog, k, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor(done, 2000)) << QKeySequence(k | Qt::AltModifier).toString().toStdString();
    }
    // Something was asked or told since this was called.
    std::function<bool()> Asked()
    {
        const qsizetype before = responder.seen.size();
        return [this, before] { return responder.seen.size() > before; };
    }
};

TEST_F(PreParseDialogTest, ShowsTheTextsTheNumbersInYellowAndAnEditableTable)
{
    PreParseDialog dialog(screen, op);
    EXPECT_EQ(dialog.windowTitle(), "PreParseEqNum");
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        labels << label->text();
    EXPECT_TRUE(labels.contains(PreParse::kIntroText));
    EXPECT_TRUE(labels.contains(PreParse::kOrderText));
    EXPECT_EQ(dialog.spSubStrings->horizontalHeaderItem(1)->text(), "VX Substring      (Case-Sensitive)");
    EXPECT_EQ(dialog.spMP2EqNum->horizontalHeaderItem(0)->text(), "MP2 EqNum (yellow if > 15)");
    for (const auto& [button, caption] : std::vector<std::pair<QAbstractButton*, QString>>{
             {dialog.btnLoadDefaults, "&Load Default Substrings"}, {dialog.btnDeleteRow, "&Delete Row"},
             {dialog.btnCancel, "&Exit"}, {dialog.btnClose, "&Update Database And Close Screen"}})
        EXPECT_EQ(button->text(), caption);

    // Numbers in EQNUM order, upper case, yellow from 16 characters, not editable.
    const QTableWidget* eq = dialog.spMP2EqNum;
    ASSERT_GE(eq->rowCount(), 4);
    EXPECT_EQ(eq->item(0, 0)->text(), "FIFTEEN-CHARS-1");
    EXPECT_EQ(eq->item(0, 1)->text(), "15");
    EXPECT_EQ(eq->item(0, 0)->background().style(), Qt::NoBrush);
    EXPECT_EQ(eq->item(2, 0)->text(), "PUMP-01");
    EXPECT_EQ(eq->item(3, 0)->text(), "SIXTEEN-CHARS-12");
    EXPECT_EQ(eq->item(3, 0)->background().color(), QColor(255, 255, 0));
    EXPECT_EQ(eq->item(3, 1)->background().color(), QColor(255, 255, 0));
    EXPECT_EQ(eq->editTriggers(), QAbstractItemView::NoEditTriggers);

    // Typing in the last rows grows the table so that 50 empty rows stay below.
    QTableWidget* sub = dialog.spSubStrings;
    EXPECT_EQ(sub->rowCount(), 50);
    sub->item(49, 0)->setText("TANK");
    EXPECT_EQ(screen.SubString(50, 1), "TANK");
    EXPECT_EQ(sub->rowCount(), 100);
}

TEST_F(PreParseDialogTest, ButtonsLoadMoveDeleteAndExit)
{
    PreParseDialog dialog(screen, op);
    responder.Ignore(&dialog);
    dialog.show();
    QTableWidget* sub = dialog.spSubStrings;

    responder.No();
    dialog.btnLoadDefaults->click();
    EXPECT_EQ(sub->item(0, 0)->text(), "");
    responder.Yes();
    dialog.btnLoadDefaults->click();
    EXPECT_EQ(responder.seen.value(1), "YesNo: This will clear the substring table and load |it with some defaults. "
                                       "|Do you wish to continue?");
    ASSERT_GE(sub->rowCount(), 199);
    EXPECT_EQ(sub->item(0, 0)->text(), "ADMIN");
    EXPECT_EQ(sub->item(148, 1)->text(), "Yr");
    EXPECT_TRUE(sub->item(149, 0)->text().isEmpty());

    // The selection follows a moved row.
    sub->setCurrentCell(1, 1);
    dialog.btnUp->click();
    EXPECT_EQ(sub->item(0, 0)->text(), "AERATION");
    EXPECT_EQ(sub->item(1, 0)->text(), "ADMIN");
    EXPECT_EQ(sub->currentRow(), 0);
    EXPECT_EQ(sub->currentColumn(), 0);
    dialog.btnDown->click();
    EXPECT_EQ(sub->item(1, 0)->text(), "AERATION");
    EXPECT_EQ(sub->currentRow(), 1);

    responder.Yes();
    dialog.btnDeleteRow->click();
    EXPECT_EQ(responder.seen.last(), "YesNo: Are you sure you want to remove MP2 substring 'AERATION' and VX "
                                     "substring 'Aertn' ?");
    EXPECT_EQ(sub->item(1, 0)->text(), "AERATIN");

    sub->setCurrentCell(160, 0);
    dialog.btnUp->click();
    dialog.btnDeleteRow->click();
    EXPECT_EQ(responder.seen.mid(responder.seen.size() - 2),
              (QStringList{"OK: Click on the row you want to move first.",
                           "OK: Click on the row you want to remove first."}));

    dialog.btnCancel->click();
    EXPECT_TRUE(screen.IsClosed());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(responder.unexpected.isEmpty()) << responder.unexpected.join('\n').toStdString();
}

TEST_F(PreParseDialogTest, TypingIntoTheCellJustClickedKeepsEveryKeystroke)
{
    PreParseDialog dialog(screen, op);
    ASSERT_NO_FATAL_FAILURE(ShowActive(dialog));
    QTableWidget* sub = dialog.spSubStrings;
    sub->setFocus();
    sub->setCurrentCell(0, 0);  // the cell is selected before it is clicked
    ASSERT_TRUE(sub->item(0, 0)->isSelected());

    // A click on the selected cell, then typing at once, at an operator's pace (the keys outlast a
    // double-click interval), each key to whatever has the focus: the table, then its editor.
    QTest::mouseClick(sub->viewport(), Qt::LeftButton, {}, sub->visualItemRect(sub->item(0, 0)).center());
    for (const QChar key : QString("south")) {
        QTest::keyClick(QApplication::focusWidget(), key.toLatin1());
        QTest::qWait(120);
    }
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::qWait(50);  // the editor hands its text over from the event loop
    EXPECT_EQ(screen.SubString(1, 1), "south");
    EXPECT_EQ(sub->item(0, 0)->text(), "south");
}

// The screen without a mouse: Tab goes from cell to cell and out of the table at its last cell,
// Shift+Tab at its first, Ctrl+Tab at any; Tab then reaches every button and comes back; each button
// answers its Alt key. Escape ends a cell's edit keeping the typing, then asks before the table is
// thrown away: No keeps the screen and the table, Yes leaves as "Exit" does.
TEST_F(PreParseDialogTest, EveryButtonFromTheKeyboardAndEscapeKeepsTheTypedTable)
{
    PreParseDialog dialog(screen, op);
    ASSERT_NO_FATAL_FAILURE(ShowActive(dialog));
    QTableWidget* sub = dialog.spSubStrings;
    sub->setFocus();
    const auto focus = &Focus;
    const auto key = [&](Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { Key(dialog, k, modifiers); };
    const auto type = [&](const QString& text) { Type(dialog, text); };

    type("pump");
    key(Qt::Key_Tab);
    type("Pmp");
    key(Qt::Key_Tab);
    EXPECT_EQ(sub->currentRow(), 1);
    type("CHARS");
    key(Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(focus(), sub);
    EXPECT_EQ(screen.SubString(1, 1), "pump");
    EXPECT_EQ(screen.SubString(1, 2), "Pmp");
    EXPECT_EQ(screen.SubString(2, 1), "CHARS");
    responder.No();
    key(Qt::Key_Escape);
    EXPECT_EQ(responder.seen.value(0), "YesNo: The substrings in the table have not been used to update the "
                                       "database.|Leave this screen without updating it?");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(screen.IsClosed());
    EXPECT_EQ(sub->item(0, 0)->text(), "pump");
    EXPECT_EQ(sub->item(1, 0)->text(), "CHARS");

    // Out of the table and round the screen.
    key(Qt::Key_Tab, Qt::ControlModifier);
    QList<QWidget*> reached;
    for (int i = 0; i < 10 && focus() != sub; ++i) {
        reached << focus();
        key(Qt::Key_Tab);
    }
    EXPECT_EQ(reached, (QList<QWidget*>{dialog.btnUp, dialog.btnDown, dialog.btnLoadDefaults, dialog.btnDeleteRow,
                                        dialog.spMP2EqNum, dialog.btnCancel, dialog.btnClose}));
    ASSERT_EQ(focus(), sub);
    key(Qt::Key_Home, Qt::ControlModifier);
    ASSERT_TRUE(sub->isAncestorOf(focus()) || focus() == sub);
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(focus(), dialog.btnClose);
    key(Qt::Key_Tab);
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(sub->currentRow(), sub->rowCount() - 1);
    key(Qt::Key_Tab);
    EXPECT_EQ(focus(), dialog.btnUp);

    // Each button by its Alt key, each key once.
    const QList<QAbstractButton*> buttons{dialog.btnLoadDefaults, dialog.btnUp,     dialog.btnDown,
                                          dialog.btnDeleteRow,    dialog.btnCancel, dialog.btnClose};
    QList<QKeySequence> mnemonics;
    for (const QAbstractButton* button : buttons)
        mnemonics << (button->text().isEmpty() ? button->shortcut() : QKeySequence::mnemonic(button->text()));
    for (const QKeySequence& mnemonic : mnemonics)
        EXPECT_TRUE(!mnemonic.isEmpty() && mnemonics.count(mnemonic) == 1) << mnemonic.toString().toStdString();
    const auto press = [&](Qt::Key k, const std::function<bool()>& done) { Press(dialog, k, done); };
    const auto asked = [&] { return Asked(); };
    responder.No();
    press(Qt::Key_U, asked());  // the blank VX substring of row 2 is questioned
    EXPECT_TRUE(responder.seen.last().startsWith("YesNo: Row '2' |with a MP2 substring of 'CHARS'"));
    responder.Yes();
    press(Qt::Key_L, [&] { return sub->item(1, 0)->text() == "AERATION"; });
    sub->setCurrentCell(1, 0);
    press(Qt::Key_Up, [&] { return sub->item(0, 0)->text() == "AERATION"; });
    press(Qt::Key_Down, [&] { return sub->item(1, 0)->text() == "AERATION"; });
    responder.No();
    press(Qt::Key_D, asked());
    EXPECT_TRUE(responder.seen.last().startsWith("YesNo: Are you sure you want to remove MP2 substring 'AERATION'"));
    EXPECT_EQ(sub->item(1, 0)->text(), "AERATION");

    // Yes to the question of Escape: left as with "Exit", nothing renamed.
    responder.Yes();
    key(Qt::Key_Escape);
    EXPECT_TRUE(screen.IsClosed());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(uitest::QueryText(host.Path("mp2/Plant.mdb"), "SELECT count(*) FROM EQUIP WHERE EQNUM = 'pump-01'"), "1");

    // "Exit" by its Alt key, on the screen opened again: no question.
    screen.Open();
    PreParseDialog again(screen, op);
    responder.Ignore(&again);
    again.show();
    again.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&again));
    const qsizetype questions = responder.seen.size();
    QTest::keyClick(&again, Qt::Key_E, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !again.isVisible(); }, 2000));
    EXPECT_TRUE(screen.IsClosed());
    EXPECT_EQ(responder.seen.size(), questions);
    EXPECT_TRUE(responder.unexpected.isEmpty()) << responder.unexpected.join('\n').toStdString();
}

// Each button's key pressed while a cell is being typed in acts on what was typed, as a click does:
// the row being typed moves and is asked about by its text, and the update applies the typed value.
TEST_F(PreParseDialogTest, EveryShortcutActsOnTheCellBeingTyped)
{
    PreParseDialog dialog(screen, op);
    ASSERT_NO_FATAL_FAILURE(ShowActive(dialog));
    QTableWidget* sub = dialog.spSubStrings;
    sub->setFocus();
    const auto editing = [&] { return qobject_cast<QLineEdit*>(Focus()) && sub->isAncestorOf(Focus()); };

    Type(dialog, "pump");
    Key(dialog, Qt::Key_Tab);
    Type(dialog, "Pmp");
    Key(dialog, Qt::Key_Tab);
    Type(dialog, "CHARS");
    ASSERT_TRUE(editing());
    Press(dialog, Qt::Key_Up, [&] { return sub->item(0, 0)->text() == "CHARS"; });
    EXPECT_EQ(screen.SubString(1, 1), "CHARS");
    EXPECT_EQ(screen.SubString(2, 2), "Pmp");

    sub->setCurrentCell(0, 1);  // the cell opens for typing as it is entered
    Type(dialog, "Chr");
    ASSERT_TRUE(editing());
    Press(dialog, Qt::Key_Down, [&] { return sub->item(1, 1)->text() == "Chr"; });
    EXPECT_EQ(screen.SubString(2, 1), "CHARS");

    sub->setCurrentCell(2, 0);
    Type(dialog, "GONE");
    responder.No();
    Press(dialog, Qt::Key_D, Asked());
    EXPECT_EQ(responder.seen.last(), "YesNo: Are you sure you want to remove MP2 substring 'GONE' and VX substring '' ?");

    sub->setCurrentCell(2, 1);
    Type(dialog, "Gn");
    responder.No();
    Press(dialog, Qt::Key_L, Asked());
    EXPECT_EQ(screen.SubString(3, 2), "Gn");

    // Typed over a VX cell, then Update: the typed value is applied, and no row is taken for blank.
    sub->setCurrentCell(0, 1);
    Type(dialog, "Pm");
    const qsizetype questions = responder.seen.size();
    Press(dialog, Qt::Key_U, [&] { return screen.IsClosed(); });
    EXPECT_EQ(responder.seen.mid(questions),
              QStringList{"OK: Equipment PreParse Phase is Done. Click OK to continue."});
    EXPECT_EQ(uitest::QueryText(host.Path("mp2/Plant.mdb"), "SELECT count(*) FROM EQUIP WHERE EQNUM = 'Pm-01'"), "1");
    EXPECT_TRUE(responder.unexpected.isEmpty()) << responder.unexpected.join('\n').toStdString();
}

TEST_F(PreParseDialogTest, UpdateRenamesTheNumbersAndClosesTheScreen)
{
    PreParseDialog dialog(screen, op);
    responder.Ignore(&dialog);
    dialog.show();
    QTableWidget* sub = dialog.spSubStrings;
    sub->item(0, 0)->setText("pump");
    sub->item(0, 1)->setText("Pmp");
    sub->item(1, 0)->setText("CHARS");
    // A blank replacement is questioned; No leaves the screen open with nothing changed.
    responder.No();
    dialog.btnClose->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(uitest::QueryText(host.Path("mp2/Plant.mdb"), "SELECT count(*) FROM EQUIP WHERE EQNUM = 'Pmp-01'"), "0");

    responder.Yes();
    dialog.btnClose->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(screen.IsClosed());
    EXPECT_EQ(responder.seen.last(), "OK: Equipment PreParse Phase is Done. Click OK to continue.");
    // The working copy here is the test's own source file, opened as DBin.
    EXPECT_EQ(uitest::QueryText(host.Path("mp2/Plant.mdb"), "SELECT count(*) FROM EQUIP WHERE EQNUM = 'Pmp-01'"), "1");
    EXPECT_EQ(uitest::QueryText(host.Path("mp2/Plant.mdb"), "SELECT count(*) FROM TASKEQ WHERE EQNUM = 'Pmp-01'"), "1");
}

TEST(SettingsDialogTest, DrivesAreTheRootAndMountPoints)
{
    const QStringList drives = DriveList();
    ASSERT_FALSE(drives.isEmpty());
    EXPECT_EQ(drives.first(), "/");
    for (const QString& drive : drives)
        EXPECT_FALSE(drive.startsWith("/proc") || drive.startsWith("/sys")) << drive.toStdString();
    const QStringList known = {"/", "/mnt/data", "/mnt/data2"};
    EXPECT_EQ(DriveOf("/mnt/data/plants/north", known), "/mnt/data");
    EXPECT_EQ(DriveOf("/mnt/data2", known), "/mnt/data2");
    EXPECT_EQ(DriveOf("/mnt/database", known), "/");
}

TEST(SettingsDialogTest, OpensOnTheSelectedDirectoryAndOkReturnsTheChoice)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("plants/north"));
    WidgetOperator op;
    ModalResponder responder;
    SettingsDialog dialog(op, dir.filePath("plants"), nullptr, {"/"});
    EXPECT_EQ(dialog.windowTitle(), "Import to directory");
    EXPECT_EQ(dialog.drvHistPath->currentText(), "/");
    EXPECT_EQ(dialog.DirectoryPath(), dir.filePath("plants"));
    EXPECT_EQ(dialog.btnCancel->text(), "Cancel");
    dialog.SetDirectoryPath(dir.filePath("plants/north"));
    EXPECT_EQ(dialog.DirectoryPath(), dir.filePath("plants/north"));
    EXPECT_TRUE(responder.seen.isEmpty());

    // A directory that does not exist is told, and the lists open on its nearest parent that does;
    // one the wizard proposed (the import makes it) is not told.
    SettingsDialog missing(op, dir.filePath("plants/north/new/deeper"), nullptr, {"/"});
    EXPECT_EQ(responder.seen, QStringList{"OK: 76 Path not found: '" + dir.filePath("plants/north/new/deeper") + "'"});
    EXPECT_EQ(missing.DirectoryPath(), dir.filePath("plants/north"));
    EXPECT_TRUE(missing.btnOK->isEnabled());
    SettingsDialog proposed(op, dir.filePath("plants/Plant/"), nullptr, {"/"}, MissingDirectory::Quiet);
    EXPECT_EQ(responder.seen.size(), 1);
    EXPECT_EQ(proposed.DirectoryPath(), dir.filePath("plants"));

    SettingsDialog empty(op, QString(), nullptr, {"/"});
    EXPECT_EQ(empty.DirectoryPath(), "/");
}

TEST(SettingsDialogTest, ChangingTheDriveMovesTheDirectoryList)
{
    QTemporaryDir dir;
    WidgetOperator op;
    SettingsDialog dialog(op, dir.path(), nullptr, {"/", dir.path()});
    EXPECT_EQ(dialog.drvHistPath->currentText(), dir.path());
    dialog.drvHistPath->setCurrentIndex(0);
    EXPECT_EQ(dialog.DirectoryPath(), "/");
}

TEST(CentringTest, ThePreParseScreenAndTheChangeValueDialogOpenInTheMiddleOfTheScreen)
{
    uitest::HostSandbox host;
    WidgetOperator op;
    RunState run{op};
    run.DBin = dao::Database::OpenDatabase(host.MakeSource("mp2/Plant.mdb", {"PUMP-1"}));
    PreParse screen(run);
    screen.Open();
    PreParseDialog preParse(screen, op);
    ChangeValueDialog changeValue(op, "OLD", 1, 30, "message");
    ModalResponder responder;
    for (QWidget* dialog : std::initializer_list<QWidget*>{&preParse, &changeValue}) {
        responder.Ignore(dialog);
        dialog->show();
        const QRect area = dialog->screen()->availableGeometry();
        const QRect frame = dialog->frameGeometry();
        EXPECT_LE(std::abs(frame.center().x() - area.center().x()), 1) << dialog->objectName().toStdString();
        EXPECT_LE(std::abs(frame.center().y() - area.center().y()), 1) << dialog->objectName().toStdString();
        dialog->hide();
    }
    run.DBin->Close();
}

TEST(AboutDialogTest, TitleAndVersion)
{
    AboutDialog about(nullptr, 1, 0, 12);
    EXPECT_EQ(about.windowTitle(), "About Crew Import");
    EXPECT_EQ(about.lblTitle->text(), "Crew Import");
    EXPECT_EQ(about.lblVersion->text(), "Version 1.0.12");
    EXPECT_FALSE(about.picLogo->pixmap().isNull());
}

TEST(ImportFormTest, LoadsReadyShowsStatusAndProgressAndEndsWhenClosedBeforeBeginning)
{
    int begun = 0;
    ImportForm form("/mp2/Plant.mdb", "/crew/Plant/", [&](const ImportStart&) { ++begun; });
    EXPECT_EQ(form.windowTitle(), "Click on button to begin import.");
    EXPECT_EQ(form.lblImportStatus->text(), "Click on button to begin import.");
    EXPECT_EQ(form.txtsource->text(), "/mp2/Plant.mdb");
    EXPECT_EQ(form.txttarget->text(), "/crew/Plant/");
    EXPECT_EQ(form.btnOK->text(), "Begin Import");

    form.SetProgress(57, 103);
    EXPECT_EQ(form.progress->maximum(), 103);
    EXPECT_EQ(form.progress->value(), 57);
    form.SetStatus("Creating Equipment table");
    EXPECT_EQ(form.lblImportStatus->text(), "Creating Equipment table");

    // A new status is on the screen at once, without waiting for the event loop.
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override { paints += e->type() == QEvent::Paint; return false; }
    } counter;
    form.lblImportStatus->installEventFilter(&counter);
    form.SetStatus("Creating Task table");
    EXPECT_GE(counter.paints, 1);
    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.exitStatus(), 1);
    EXPECT_EQ(begun, 0);
}

}  // namespace
