// The main form as the operator uses it: keys typed into the name and file-name boxes, "Change
// Database", the buttons beside the target, and the Import button's checks with their focus.
#include "UiTestSupport.h"
#include "ui/AboutDialog.h"
#include "ui/ImportForm.h"
#include "ui/SettingsDialog.h"
#include "ui/Wizard.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

using uitest::ModalResponder;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        source = host.MakeSource("mp2/Plant.mdb", {"PUMP-1"});
        ASSERT_TRUE(wizard.Start("crew-import"));
        w = wizard.window.get();
        w->chooseSource = [this]() -> std::optional<QString> { return chosen; };
        w->show();
        QApplication::setActiveWindow(w);
    }
    void ChooseSource(const std::optional<QString>& file)
    {
        chosen = file;
        QTest::mouseClick(w->btnAdd, Qt::LeftButton);
    }
    void TypeName(const QString& text, bool replace = false)
    {
        w->txtDBName->setFocus();
        if (replace)
            w->txtDBName->selectAll();
        QTest::keyClicks(w->txtDBName, text);
    }

    uitest::HostSandbox host;
    QString source;
    std::optional<QString> chosen;
    Wizard wizard;
    MainWindow* w = nullptr;
    ModalResponder responder;
};

TEST_F(MainWindowTest, StartsWithTheCaptionTheEditionAndTheProposedTarget)
{
    EXPECT_EQ(w->windowTitle(), "Mendly & Vantrix 2.x Import from MP2 database ver " CREW_VERSION);
    EXPECT_EQ(w->lblTargetHint->text(), "Select directory where to store new Vantrix 2.x databases");
    EXPECT_TRUE(w->txtSourceDB->text().isEmpty());
    EXPECT_EQ(w->txtTargetDir->text(), host.UserDir());
    EXPECT_EQ(w->txtRecommendDirectory->text(), host.UserDir() + "/");
    EXPECT_EQ(w->btnAdd->toolTip(), "Select the database to import from.");
    EXPECT_EQ(w->btnBrowse->toolTip(), "Browse Directories");
    ASSERT_EQ(w->menuBar()->actions().size(), 1);
    EXPECT_EQ(w->menuBar()->actions().first()->text(), "Help");
    EXPECT_EQ(w->mnuAbout->text(), "About");

    // The About box is not modal: the main form stays usable beside it.
    w->mnuAbout->trigger();
    ASSERT_TRUE(w->about);
    EXPECT_TRUE(w->about->isVisible());
    EXPECT_FALSE(w->about->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(w->about->windowTitle(), "About Crew Import");
}

TEST_F(MainWindowTest, ChangeDatabaseProposesNamesAndACancelledDialogChangesNothing)
{
    ChooseSource(source);
    EXPECT_EQ(w->txtSourceDB->text(), source);
    EXPECT_EQ(w->txtFileName->text(), "Plant.mdb");
    EXPECT_EQ(w->txtDBName->text(), "Plant");
    EXPECT_EQ(w->txtRecommendDirectory->text(), host.UserDir() + "/Plant/");
    EXPECT_EQ(w->txtTargetDir->text(), host.UserDir() + "/Plant/");

    w->txtDBName->setText("Kept");
    wizard.form.txtDBName = "Kept";
    ChooseSource(std::nullopt);
    EXPECT_EQ(w->txtSourceDB->text(), source);
    EXPECT_EQ(w->txtDBName->text(), "Kept");
    EXPECT_TRUE(responder.seen.isEmpty()) << responder.seen.join('\n').toStdString();

    ChooseSource(host.Path("mp2/Gone.mdb"));
    EXPECT_EQ(responder.seen, QStringList{"OK: Error: in sub SetDefaultDBName '" + host.Path("mp2/Gone.mdb") +
                                          "' doesn't exist."});
    EXPECT_TRUE(w->txtFileName->text().isEmpty());
    EXPECT_FALSE(wizard.ended());
}

TEST_F(MainWindowTest, TheOpenFileDialogIsTitledAndFilteredAndCancellingItChangesNothing)
{
    w->chooseSource = nullptr;
    MainWindow fresh(wizard.form, wizard.op, [](int) {});  // with the real dialog
    QString title;
    QStringList filters;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    responder.Then("file dialog", [&](QWidget* widget) {
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        ASSERT_TRUE(dialog) << widget->metaObject()->className();
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        mode = dialog->fileMode();
        dialog->reject();
    });
    QTest::mouseClick(fresh.btnAdd, Qt::LeftButton);
    EXPECT_EQ(title, "Browse for a Mendly 1.x Database");
    EXPECT_EQ(filters, QStringList{"Databases (*.mdb)"});
    EXPECT_EQ(mode, QFileDialog::ExistingFile);
    EXPECT_TRUE(fresh.txtSourceDB->text().isEmpty());
    EXPECT_TRUE(wizard.form.txtSourceDB.isEmpty());
    EXPECT_EQ(responder.seen, QStringList{"Browse for a Mendly 1.x Database"});
}

TEST_F(MainWindowTest, TypingANameDerivesTheFileNameAndTheRecommendedDirectory)
{
    TypeName("Main 2");
    EXPECT_EQ(w->txtDBName->text(), "Main 2");
    EXPECT_EQ(w->txtFileName->text(), "Main2.mdb");
    EXPECT_EQ(w->txtRecommendDirectory->text(), host.UserDir() + "/Main2");
    EXPECT_EQ(wizard.form.txtDBName, "Main 2");
    EXPECT_EQ(wizard.form.txtFileName, "Main2.mdb");
    EXPECT_EQ(w->focusWidget(), w->txtDBName);

    // Backspace updates them, until the box is empty.
    QTest::keyClick(w->txtDBName, Qt::Key_Backspace);
    EXPECT_EQ(w->txtFileName->text(), "Main.mdb");
    w->txtDBName->selectAll();
    QTest::keyClick(w->txtDBName, Qt::Key_Backspace);
    EXPECT_TRUE(w->txtDBName->text().isEmpty());
    EXPECT_EQ(w->txtFileName->text(), "Main.mdb");
    EXPECT_TRUE(responder.seen.isEmpty());
}

TEST_F(MainWindowTest, RefusedCharactersAreNeverInsertedAndAreExplained)
{
    TypeName("A.B\\C/D:E*F+G=H?I\"J'K<L>M|N$O");
    EXPECT_EQ(w->txtDBName->text(), "ABCDEFGHIJKLMNO");
    EXPECT_EQ(w->txtFileName->text(), "ABCDEFGHIJKLMNO.mdb");
    const QString refused = ".\\/:*+=?\"'<>|$";
    ASSERT_EQ(responder.seen.size(), refused.size());
    for (int i = 0; i < refused.size(); ++i)
        EXPECT_EQ(responder.seen[i], "OK: Error:  " + QString(refused[i]) + "  not allowed.");

    responder.seen.clear();
    w->txtFileName->setFocus();
    w->txtFileName->clear();
    QTest::keyClicks(w->txtFileName, "my file.v1|x.mdb");
    EXPECT_EQ(w->txtFileName->text(), "myfile.v1x.mdb");
    EXPECT_EQ(wizard.form.txtFileName, "myfile.v1x.mdb");
    EXPECT_EQ(responder.seen, (QStringList{"OK: Error: No spaces allowed.", "OK: Error:  |  not allowed."}));

    // Pasted text cannot bring a refused character in either.
    QApplication::clipboard()->setText("x/y");
    w->txtDBName->setFocus();
    w->txtDBName->end(false);
    w->txtDBName->paste();
    EXPECT_EQ(w->txtDBName->text(), "ABCDEFGHIJKLMNO");
}

TEST_F(MainWindowTest, KeysThatLeaveTheNameAsItWasKeepTheTypedFileName)
{
    TypeName("Plant 7");
    w->txtFileName->setFocus();
    w->txtFileName->clear();
    QTest::keyClicks(w->txtFileName, "custom.mdb");
    // The Tab goes down in the file-name box and comes up in the name box.
    QTest::keyPress(w->txtFileName, Qt::Key_Tab);
    w->txtDBName->setFocus();
    QTest::keyRelease(w->txtDBName, Qt::Key_Tab);
    EXPECT_EQ(w->txtFileName->text(), "custom.mdb");
    // Moving about in the name changes nothing.
    for (const Qt::Key key : {Qt::Key_Left, Qt::Key_Home, Qt::Key_Right, Qt::Key_End, Qt::Key_Shift})
        QTest::keyClick(w->txtDBName, key);
    EXPECT_EQ(w->txtFileName->text(), "custom.mdb");
    EXPECT_EQ(wizard.form.txtFileName, "custom.mdb");
    // A key that changes the name derives the file name again.
    QTest::keyClick(w->txtDBName, Qt::Key_Backspace);
    EXPECT_EQ(w->txtFileName->text(), "Plant.mdb");
}

TEST_F(MainWindowTest, EnterPressesImportUnlessAButtonHasTheFocus)
{
    int importForms = 0;
    w->showImportForm = [&] { ++importForms; return 0; };
    w->txtDBName->setFocus();
    QTest::keyClick(w->txtDBName, Qt::Key_Return);
    EXPECT_EQ(responder.seen, QStringList{"OK: Enter a Source database."});
    EXPECT_EQ(w->focusWidget(), w->txtSourceDB);

    responder.seen.clear();
    w->btnOpt->setFocus();
    QTest::keyClick(w->btnOpt, Qt::Key_Return);
    EXPECT_EQ(responder.seen, QStringList{"OK: This isn't implemented for MP2 yet."});
    EXPECT_EQ(importForms, 0);

    ChooseSource(source);
    w->txtFileName->setFocus();
    QTest::keyClick(w->txtFileName, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(importForms, 1);
    EXPECT_TRUE(wizard.ended());
}

TEST_F(MainWindowTest, TheDirectoryChooserOpensOnTheNearestFolderThatExists)
{
    QString opened;
    const auto expectChooser = [&] {
        responder.Then("directory chooser", [&](QWidget* widget) {
            auto* chooser = qobject_cast<SettingsDialog*>(widget);
            ASSERT_TRUE(chooser) << widget->metaObject()->className();
            opened = chooser->DirectoryPath();
            chooser->reject();
        });
    };
    // The directory proposed for the chosen source is made by the import: not there yet, not an error.
    ChooseSource(source);
    ASSERT_FALSE(QFileInfo::exists(host.UserDir() + "/Plant"));
    expectChooser();
    QTest::mouseClick(w->btnBrowse, Qt::LeftButton);
    EXPECT_EQ(responder.seen, QStringList{"Import to directory"});
    EXPECT_EQ(opened, host.UserDir());

    // One the operator typed is told.
    responder.seen.clear();
    w->txtTargetDir->setFocus();
    w->txtTargetDir->selectAll();
    QTest::keyClicks(w->txtTargetDir, host.Path("typed/deeper"));
    expectChooser();
    QTest::mouseClick(w->btnBrowse, Qt::LeftButton);
    EXPECT_EQ(responder.seen, (QStringList{"OK: 76 Path not found: '" + host.Path("typed/deeper") + "'",
                                           "Import to directory"}));
    EXPECT_EQ(opened, host.dir.path());
    EXPECT_EQ(w->txtTargetDir->text(), host.Path("typed/deeper"));
    EXPECT_TRUE(responder.unexpected.isEmpty()) << responder.unexpected.join('\n').toStdString();
}

TEST_F(MainWindowTest, TargetButtonsAndAdvancedOptions)
{
    w->txtRecommendDirectory->clear();
    wizard.form.txtRecommendDirectory.clear();
    QTest::mouseClick(w->btnRecToSelect, Qt::LeftButton);
    QTest::mouseClick(w->btnOpt, Qt::LeftButton);
    EXPECT_EQ(responder.seen, (QStringList{"OK: The Recommended Directory field is empty.",
                                           "OK: This isn't implemented for MP2 yet."}));

    TypeName("North");
    QTest::mouseClick(w->btnRecToSelect, Qt::LeftButton);
    EXPECT_EQ(w->txtTargetDir->text(), host.UserDir() + "/North");

    w->chooseDirectory = [this]() -> std::optional<QString> { return host.Path("elsewhere"); };
    QTest::mouseClick(w->btnBrowse, Qt::LeftButton);
    EXPECT_EQ(w->txtTargetDir->text(), host.Path("elsewhere"));
    w->chooseDirectory = []() -> std::optional<QString> { return std::nullopt; };
    QTest::mouseClick(w->btnBrowse, Qt::LeftButton);
    EXPECT_EQ(w->txtTargetDir->text(), host.Path("elsewhere"));
}

TEST_F(MainWindowTest, ImportChecksShowTheirMessageAndPutTheFocus)
{
    int importForms = 0;
    w->showImportForm = [&] { ++importForms; return 0; };
    const auto pressImport = [&] {
        responder.seen.clear();
        QTest::mouseClick(w->btnImport, Qt::LeftButton);
    };

    w->txtTargetDir->clear();
    wizard.form.txtTargetDir.clear();
    pressImport();
    EXPECT_EQ(responder.seen, QStringList{"OK: Enter a Source database."});
    EXPECT_EQ(w->focusWidget(), w->txtSourceDB);

    ChooseSource(source);
    w->txtTargetDir->clear();
    wizard.form.txtTargetDir.clear();
    pressImport();
    EXPECT_EQ(responder.seen, QStringList{"OK: Enter a Target directory."});
    EXPECT_EQ(w->focusWidget(), w->txtTargetDir);

    ChooseSource(source);
    w->txtFileName->setFocus();
    w->txtFileName->selectAll();
    QTest::keyClick(w->txtFileName, Qt::Key_Backspace);
    pressImport();
    EXPECT_EQ(responder.seen, QStringList{"OK: Enter a FileName."});
    EXPECT_EQ(w->focusWidget(), w->txtFileName);

    // A reserved name asks first, No being the answer that stops.
    ChooseSource(source);
    TypeName("mendly", true);
    QTest::mouseClick(w->btnRecToSelect, Qt::LeftButton);
    responder.No();
    pressImport();
    ASSERT_EQ(responder.seen.size(), 1);
    EXPECT_TRUE(responder.seen[0].startsWith("YesNo: It is NOT recommended to use mendly or vantrix |"));
    EXPECT_FALSE(QFileInfo::exists(host.UserDir() + "/mendly/MP2ImportLog.txt"));

    // A file name without a dot.
    ChooseSource(source);
    w->txtFileName->setFocus();
    w->txtFileName->selectAll();
    QTest::keyClicks(w->txtFileName, "plantmdb");
    ASSERT_EQ(w->txtFileName->text(), "plantmdb");
    pressImport();
    EXPECT_EQ(responder.seen, QStringList{"OK: Error: Invalid file name. Operation cancelled."});
    EXPECT_EQ(w->focusWidget(), w->txtFileName);

    // A typed name leaves a recommended directory that differs from the selected one.
    ChooseSource(source);
    TypeName("Main 2", true);
    responder.No();
    pressImport();
    EXPECT_EQ(responder.seen, QStringList{"YesNo: The recommended directory is not the directory you selected.|"
                                          "Do you want to continue with your selection?"});
    EXPECT_EQ(importForms, 0);
    EXPECT_FALSE(wizard.ended());

    // Every check passed: the log is open with its start line and the import form comes up. The log
    // reaches the disk when the import begins (not here: the form is closed unused).
    ChooseSource(source);
    pressImport();
    EXPECT_TRUE(responder.seen.isEmpty()) << responder.seen.join('\n').toStdString();
    EXPECT_EQ(importForms, 1);
    EXPECT_TRUE(wizard.run.log.gLogOpen());
    EXPECT_FALSE(QFileInfo::exists(host.UserDir() + "/Plant/MP2ImportLog.txt"));
    EXPECT_TRUE(wizard.ended());
    EXPECT_EQ(wizard.status(), 0);
    EXPECT_TRUE(responder.unexpected.isEmpty()) << responder.unexpected.join('\n').toStdString();
}

TEST_F(MainWindowTest, ALogThatCannotBeOpenedIsReportedAndNothingStarts)
{
    int importForms = 0;
    w->showImportForm = [&] { ++importForms; return 0; };
    ChooseSource(source);
    // The selected directory lies below a regular file: it cannot be made.
    QFile blocker(host.Path("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString target = host.Path("blocker/Plant/");
    w->txtTargetDir->setText(target);
    wizard.form.txtTargetDir = target;
    w->txtRecommendDirectory->setText(target);
    wizard.form.txtRecommendDirectory = target;
    QTest::mouseClick(w->btnImport, Qt::LeftButton);
    ASSERT_EQ(responder.seen.size(), 1);
    EXPECT_TRUE(responder.seen[0].startsWith("OK: The import log '" + target + "MP2ImportLog.txt' could not be opened."))
        << responder.seen[0].toStdString();
    EXPECT_EQ(importForms, 0);
    EXPECT_EQ(w->focusWidget(), w->txtTargetDir);
    EXPECT_FALSE(wizard.ended());
}

TEST_F(MainWindowTest, CancelAndClosingTheWindowEndTheProgram)
{
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_TRUE(wizard.ended());
    EXPECT_EQ(wizard.status(), 1);
    EXPECT_FALSE(w->isVisible());
}

TEST(WizardStartTest, AMissingProductIsReportedAndEndsTheProgram)
{
    uitest::HostSandbox host;
    QFile::remove(host.Path("config/system/Vantrix/General.conf"));
    QFile::remove(host.Path("config/system/Vantrix/General.ini"));
    ModalResponder responder;
    Wizard wizard;
    EXPECT_FALSE(wizard.Start("crew-import"));
    ASSERT_EQ(responder.seen.size(), 2);
    EXPECT_EQ(responder.seen[0], "OK: Mendly 2.x or Vantrix 2.x is not installed.");
    EXPECT_TRUE(responder.seen[1].contains("crew-host-setup")) << responder.seen[1].toStdString();
    EXPECT_TRUE(wizard.ended());
    EXPECT_EQ(wizard.status(), 1);
}

}  // namespace
