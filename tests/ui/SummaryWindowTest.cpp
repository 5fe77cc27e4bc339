// The summary of a run as the operator sees it: an import with skipped rows (its buttons: the log with
// find, the folder, Close), a failed run with its error and what to do next, and a check-only run.
// Each is photographed to <build>/screenshots/summary-*.png.
#include "UiTestSupport.h"
#include "ui/LogViewer.h"
#include "ui/SummaryWindow.h"
#include "ui/WidgetOperator.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

using uitest::ModalResponder;

namespace {

// Where "Open Folder" went, instead of the desktop's file manager.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened << url; }
};

class SummaryWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        log = dir.filePath("Plant/MP2ImportLog.txt");
        database = dir.filePath("Plant/Plant.mdb");
        QDir().mkpath(dir.filePath("Plant"));
        for (const auto& [path, text] : {std::pair{log, QString("In Main frm, btnImport - Start: 10:02:11, 2026-03-02\r\n"
                                                                "\r\nEquipment skipped: blank EQNUM\r\n"
                                                                "Schedule skipped: equipment missing\r\n"
                                                                "Records in Vantrix/Mendly Equipment table - 117\r\n")},
                                         std::pair{database, QString("db")}}) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(text.toUtf8());
        }
    }

    // An import of a small plant: equipment and schedules with skipped rows, history merged.
    RunSummary Imported() const
    {
        RunSummary s;
        s.result = RunResult::Imported;
        s.source = dir.filePath("mp2/Plant.mdb");
        s.database = database;
        s.log = log;
        s.registered = true;
        s.databaseFate = DatabaseFate::Registered;
        s.seconds = 83.4;
        RunAccount& a = s.account;
        a.Read("EQUIP", 120);
        a.Converted("EQUIP", 117);
        a.Skipped("EQUIP", "Equipment skipped: blank EQNUM", 3);
        a.Read("TASKEQ", 64);
        a.Converted("TASKEQ", 58);
        a.Skipped("TASKEQ", "MP2 TASKEQ record skipped. Couldn't find Equipment# in VX.", 4);
        a.Skipped("TASKEQ", "MP2 TASKEQ record skipped. Couldn't find corresponding Task rec in VX.", 2);
        a.Read("WOE", 410);
        a.Converted("WOE", 300);
        a.Merged("WOE", 110);
        a.Created("Equipment", 117);
        a.Created("TaskEq", 58);
        a.Created("WO", 300);
        a.Invented("Task", 2);
        s.warnings = {"Phone cut to 25 characters: V1", "Phone cut to 25 characters: V7"};
        return s;
    }

    void Photo(QWidget* window, const QString& name)
    {
        window->show();
        QApplication::processEvents();
        EXPECT_TRUE(window->grab().save(uitest::ScreenshotDir() + "/summary-" + name + ".png"));
    }

    QTemporaryDir dir;
    QString log, database;
    WidgetOperator op;
    ModalResponder responder;
};

TEST_F(SummaryWindowTest, AnImportWithSkippedRowsAndItsButtons)
{
    SummaryWindow window(Imported(), op);
    responder.Ignore(&window);
    Photo(&window, "imported");
    EXPECT_EQ(window.windowTitle(), "Import Summary");
    EXPECT_EQ(window.lblResult->text(), "Imported. 594 MP2 rows read, 475 converted, 110 merged, 9 skipped.");
    EXPECT_EQ(window.lblElapsed->text(), "1:23");
    EXPECT_EQ(window.lblDatabase->text(), database + " (registered)");
    EXPECT_EQ(window.lblWarnings->text(), "2 warnings were written to the log only.");

    // Every MP2 table with its counts; the skipped ones highlighted, each reason under its table.
    ASSERT_EQ(window.tblMp2->topLevelItemCount(), 4);  // three tables and the total
    const QTreeWidgetItem* taskeq = window.tblMp2->topLevelItem(1);
    EXPECT_EQ(taskeq->text(0), "TASKEQ");
    EXPECT_EQ(taskeq->text(4), "6");
    ASSERT_EQ(taskeq->childCount(), 2);
    EXPECT_EQ(taskeq->child(1)->text(0), "MP2 TASKEQ record skipped. Couldn't find corresponding Task rec in VX.");
    EXPECT_EQ(taskeq->child(1)->text(4), "2");
    // A reason too long for its column is shown whole, on more lines.
    EXPECT_GT(window.tblMp2->visualItemRect(taskeq->child(1)).height(), window.tblMp2->visualItemRect(taskeq).height());
    const QTreeWidgetItem* woe = window.tblMp2->topLevelItem(2);
    EXPECT_EQ(woe->text(3), "110");
    EXPECT_NE(taskeq->background(0), woe->background(0));
    EXPECT_EQ(taskeq->child(0)->background(0), taskeq->background(0));
    EXPECT_EQ(window.tblMp2->topLevelItem(3)->text(1), "594");
    ASSERT_EQ(window.tblNew->topLevelItemCount(), 4);
    EXPECT_EQ(window.tblNew->topLevelItem(3)->text(0), "Task");
    EXPECT_EQ(window.tblNew->topLevelItem(3)->text(2), "2");

    // "Open Log": the log, read-only, with find.
    QTest::mouseClick(window.btnOpenLog, Qt::LeftButton);
    ASSERT_TRUE(window.logViewer);
    LogViewer* viewer = window.logViewer;
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_TRUE(viewer->txtLog->isReadOnly());
    EXPECT_TRUE(viewer->txtLog->toPlainText().contains("\nEquipment skipped: blank EQNUM\nSchedule skipped:"));
    viewer->txtFind->setText("SKIPPED");
    QTest::keyClick(viewer->txtFind, Qt::Key_Return);
    EXPECT_EQ(viewer->txtLog->textCursor().selectedText(), "skipped");
    EXPECT_EQ(viewer->txtLog->textCursor().blockNumber(), 2);
    QTest::mouseClick(viewer->btnFindNext, Qt::LeftButton);
    EXPECT_EQ(viewer->txtLog->textCursor().blockNumber(), 3);
    QTest::mouseClick(viewer->btnFindNext, Qt::LeftButton);  // wraps to the first again
    EXPECT_EQ(viewer->txtLog->textCursor().blockNumber(), 2);
    viewer->txtFind->setText("vendor");
    EXPECT_FALSE(viewer->FindNext());
    EXPECT_EQ(viewer->lblFound->text(), "Not found");
    EXPECT_EQ(viewer->txtLog->textCursor().blockNumber(), 2);
    Photo(viewer, "log");

    // "Open Folder": the log's folder, to the desktop.
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    QTest::mouseClick(window.btnOpenFolder, Qt::LeftButton);
    QDesktopServices::unsetUrlHandler("file");
    EXPECT_EQ(catcher.opened, QList<QUrl>{QUrl::fromLocalFile(dir.filePath("Plant"))});

    QTest::mouseClick(window.btnClose, Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_TRUE(responder.seen.isEmpty()) << responder.seen.join('\n').toStdString();
}

TEST_F(SummaryWindowTest, AFailedRunAndACheckOnlyRunSayWhatToDoNext)
{
    RunSummary failed = Imported();
    failed.result = RunResult::Failed;
    failed.registered = false;
    failed.databaseFate = DatabaseFate::Removed;
    failed.database = dir.filePath("Plant/Gone.mdb");
    failed.error = RunError{3022, "The changes you requested to the table were not successful because they would "
                                  "create duplicate values in the index.", "CreateEq"};
    failed.warnings.clear();
    SummaryWindow failure(failed, op);
    responder.Ignore(&failure);
    Photo(&failure, "failed");
    EXPECT_EQ(failure.lblResult->text(), "Failed: error 3022 in CreateEq.");
    EXPECT_TRUE(failure.lblError->isVisible());
    EXPECT_TRUE(failure.lblError->text().startsWith("Error 3022 in CreateEq\nThe changes you requested"));
    EXPECT_TRUE(failure.lblError->text().contains("What to do next: Correct what the message above names"));
    EXPECT_TRUE(failure.lblError->text().endsWith("The MP2 database was not changed."));
    EXPECT_EQ(failure.lblDatabase->text(), failed.database + " (removed)");
    EXPECT_FALSE(failure.lblWarnings->isVisible());

    // Refused because a file already has the new database's name: the operator's file is there, and the
    // new database was not made.
    RunSummary taken;
    taken.database = database;
    taken.error = RunError{58, "File already exists: '" + database + "' is already there", "DoImport"};
    SummaryWindow refusal(taken, op);
    responder.Ignore(&refusal);
    EXPECT_EQ(refusal.lblDatabase->text(), database + " (not made)");

    // A check keeps its log beside the target and no database; nothing to open but the log. It names
    // where the import will make the database.
    RunSummary checked = Imported();
    checked.result = RunResult::Checked;
    checked.registered = false;
    checked.databaseFate = DatabaseFate::Removed;
    checked.database = dir.filePath("Plant/Checked.mdb");
    checked.log = dir.filePath("Plant/MP2ImportCheck.txt");
    QFile::rename(log, checked.log);
    SummaryWindow check(checked, op);
    responder.Ignore(&check);
    Photo(&check, "check-only");
    EXPECT_EQ(check.lblResult->text(), "Checked, nothing kept. 594 MP2 rows read, 475 converted, 110 merged, 9 skipped.");
    EXPECT_TRUE(check.lblError->text().contains("\"Begin Import\""));
    EXPECT_EQ(check.lblDatabase->text(), checked.database + " (where the import will make it; the check kept none)");
    EXPECT_EQ(check.Folder(), dir.filePath("Plant"));
    EXPECT_TRUE(check.btnOpenLog->isEnabled());

    // A run that ended before anything was read or written.
    RunSummary refused;
    refused.log = dir.filePath("nowhere/MP2ImportLog.txt");
    SummaryWindow early(refused, op);
    EXPECT_EQ(early.lblResult->text(), "Refused before the import began.");
    EXPECT_FALSE(early.btnOpenLog->isEnabled());
    EXPECT_FALSE(early.btnOpenFolder->isEnabled());
    EXPECT_EQ(early.tblMp2->topLevelItem(0)->text(0), "No MP2 table was read.");
}

}  // namespace

#include "SummaryWindowTest.moc"
