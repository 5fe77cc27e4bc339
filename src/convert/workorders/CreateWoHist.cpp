// Work-order history: one closed WO record (RecType 3) per distinct pair of MP2 work-order number and
// equipment number in WOE, with the MP2 number, delay, closing details and task text in Notes.
#include "common/Lookups.h"
#include "common/Trim.h"
#include "convert/Conversions.h"
#include "convert/equipment/EqExists.h"
#include "convert/tasks/CreateOneTask.h"
#include "convert/workorders/HistoryNotes.h"
#include "run/ConversionTrap.h"
#include "db/JetDate.h"
#include "db/TextCase.h"

#include <QHash>
#include <QSet>

namespace {

const QString CRLF = QStringLiteral("\r\n");
const QString kCorrective = QStringLiteral("Corrective");

qint32 FindTask(RunState& run, const QString& taskNum)
{
    return GetGenericLongKey(run, "DBout", DoubleApostrophes(taskNum), "Task", "Description", "Task#", false);
}

// The MP2 work order of a WOE line. The lines come in work-order order and the MP2 tables do not
// change while the history is converted, so the work order read for one line serves the lines of the
// same number that follow it.
struct Mp2WorkOrder {
    bool found = false;
    QString taskNum;
    QString delay;
    QString taskText;
};

class Mp2WorkOrders {
public:
    explicit Mp2WorkOrders(RunState& run) : run_(run) {}
    const Mp2WorkOrder& Of(const QString& wonum)
    {
        if (read_ && wonum == wonum_)
            return current_;
        auto wo = run_.DBin->OpenRecordset(
            QStringLiteral("Select * ") + "from WO " + "Where WONUM = '" + DoubleApostrophes(wonum) + "'",
            dao::dbOpenDynaset);
        current_ = Mp2WorkOrder();
        if (!(wo->BOF() && wo->EOF_())) {
            const dao::Variant taskNum = wo->Fields("TASKNUM").Value();
            const dao::Variant delay = wo->Fields("DELAYDESC").Value();
            const dao::Variant taskDesc = wo->Fields("TASKDESC").Value();
            current_.found = true;
            current_.taskNum = taskNum.isNull() ? kCorrective : taskNum.toText();
            current_.delay = delay.isNull() ? QString() : delay.toText();
            current_.taskText = taskDesc.isNull() ? QString() : taskDesc.toText();
            if (Trim(current_.taskText).isEmpty())
                current_.taskText.clear();
            wo->Close();
        }
        wonum_ = wonum;
        read_ = true;
        return current_;
    }

private:
    RunState& run_;
    bool read_ = false;
    QString wonum_;
    Mp2WorkOrder current_;
};

QString Quoted(const dao::Variant& v) { return "'" + DoubleApostrophes(v.toText()) + "' "; }

// The closing details of the first WOC row of this work order, equipment, closing date and location.
QString ClosingDetails(RunState& run, const dao::Variant& wonum, const dao::Variant& eqnum,
                       const dao::Variant& closeDate, const dao::Variant& location, const dao::Variant& sub1,
                       const dao::Variant& sub2, const dao::Variant& sub3)
{
    const QString sql = QStringLiteral("Select * From WOC ") + "Where WONUM = " + Quoted(wonum) +
                        "And EQNUM = " + Quoted(eqnum) + "And CLOSEDATE = #" +
                        dao::isoFromDate(closeDate.toDate()) + "# " + "And LOCATION = " + Quoted(location) +
                        "And SUBLOCATION1 = " + Quoted(sub1) + "And SUBLOCATION2 = " + Quoted(sub2) +
                        "And SUBLOCATION3 = " + Quoted(sub3);
    QString details;
    auto woc = run.DBin->OpenRecordset(sql, dao::dbOpenDynaset);
    if (!(woc->BOF() && woc->EOF_())) {
        woc->MoveFirst();
        for (const char* column : {"LOCATION", "SUBLOCATION1", "SUBLOCATION2", "SUBLOCATION3"}) {
            const dao::Variant v = woc->Fields(column).Value();
            if (!v.isNull() && !v.toText().isEmpty())
                details += CRLF + QLatin1String(column) + " = " + v.toText();
        }
        const dao::Variant texts = woc->Fields("TEXTS").Value();
        if (!texts.isNull())
            details += CRLF + texts.toText();
    }
    woc->Close();
    return details;
}

}  // namespace

void CreateWoHist(RunState& run)
{
    try {
        auto woe = run.DBin->OpenRecordset(QStringLiteral("Select * From WOE ") + "Order by WONUM,EQNUM",
                                           dao::dbOpenDynaset);
        RunAccount& account = run.summary.account;  // every WOE line: a record, merged into one, or skipped
        account.Read("WOE", woe->RecordCount());
        if (woe->BOF() && woe->EOF_()) {
            woe->Close();
            return;
        }
        woe->MoveLast();
        run.Log("Records in MP2 WOE table - " + QString::number(woe->RecordCount()));
        run.Log("Note: There is not a 1 to 1 correspondence with the ");
        run.Log("records in the VX WoHist table.");
        run.Log(QString());
        woe->MoveFirst();

        auto wo = run.DBout->OpenRecordset("WO", dao::dbOpenTable);
        wo->SetIndex("PrimaryKey");
        long written = 0;
        QString lastWonum;                // letter case folded, as are the numbers below
        QSet<QString> equipmentOfWonum;  // with a record of the last work order
        Mp2WorkOrders workOrders(run);
        QHash<QString, qint32> taskIds;   // task number (exact) -> Task#
        QHash<QString, bool> equipment;   // EQNUM (exact) -> in the new database

        for (; !woe->EOF_(); woe->MoveNext()) {
            const dao::Variant wonum = woe->Fields("WONUM").Value();
            const dao::Variant eqnum = woe->Fields("EQNUM").Value();
            const QString wonumText = wonum.toText();
            const QString eqnumText = eqnum.toText();

            const Mp2WorkOrder& mp2wo = workOrders.Of(wonumText);
            if (!mp2wo.found) {
                run.Log(QStringLiteral("MP2 WOE record skipped. ") + " WONUM = " + wonumText +
                        ". Couldn't find corresponding rec in MP2 WO table.");
                account.Skipped("WOE", "MP2 WOE record skipped. Couldn't find corresponding rec in MP2 WO table.");
                continue;
            }
            const QString& taskNum = mp2wo.taskNum;

            // A task found once stays: tasks are only added here. A missing one is looked up (and
            // created) every time, as the first time.
            qint32 taskId = taskIds.value(taskNum, 0);
            if (taskId == 0)
                taskId = FindTask(run, taskNum);
            if (taskId == 0) {
                CreateOneTask(run, taskNum, 1);
                taskId = FindTask(run, taskNum);
                if (taskId != 0) {
                    run.Log(QStringLiteral("Created an inactive task in order to save history. ") +
                            " Description = '" + taskNum + "'");
                } else {
                    run.Log(QStringLiteral("MP2 WOE record skipped. ") + " WONUM = " + wonumText +
                            " TASKNUM = " + taskNum + ". Couldn't find corresponding Task rec in VX.");
                    account.Skipped("WOE", "MP2 WOE record skipped. Couldn't find corresponding Task rec in VX.");
                    continue;
                }
            }
            taskIds.insert(taskNum, taskId);

            // The equipment does not change while the history is converted.
            auto known = equipment.constFind(eqnumText);
            if (known == equipment.constEnd())
                known = equipment.insert(eqnumText, EqExists(run, eqnumText));
            if (!known.value()) {
                run.Log(QStringLiteral("MP2 WOE record skipped. ") + " WONUM = " + wonumText + " EQNUM = " +
                        eqnumText + " TASKNUM = " + taskNum + ". Couldn't find Equipment# in VX.");
                account.Skipped("WOE", "MP2 WOE record skipped. Couldn't find Equipment# in VX.");
                continue;
            }

            // Several WOE lines (employees, locations) of one work order and equipment make one record.
            // Letter case does not tell numbers apart: the labour and parts of the record are looked
            // up without regard to it, so P-1 and p-1 in one work order are one record, whose lines
            // are each counted once. The lines come ordered by work order, but equipment numbers with
            // letters beyond ASCII need not sort next to their other case.
            const QString wonumKey = dao::FoldCase(wonumText);
            if (wonumKey != lastWonum) {
                lastWonum = wonumKey;
                equipmentOfWonum.clear();
            }
            const qsizetype recorded = equipmentOfWonum.size();
            equipmentOfWonum.insert(dao::FoldCase(eqnumText));
            if (equipmentOfWonum.size() == recorded) {
                account.Merged("WOE");
                continue;
            }

            const dao::Variant closeDate = woe->Fields("CLOSEDATE").Value();
            wo->AddNew();
            wo->Fields("Task#") = QString::number(taskId);
            wo->Fields("Equipment#") = eqnum;
            wo->Fields("AssignedTo") = 0;
            wo->Fields("DateComplete") = closeDate;
            wo->Fields("DueDate") = closeDate;
            wo->Fields("MiscCost") = 0;
            wo->Fields("TotalCost") = 0;
            wo->Fields("LaborCost") = 0;
            wo->Fields("InvyCost") = 0;

            QString notes = WoNumNotesLine(wonumText);
            if (!mp2wo.delay.isEmpty())
                notes += "MP2 DELAYDESC = " + mp2wo.delay;
            const dao::Variant location = woe->Fields("LOCATION").Value();
            const dao::Variant sub1 = woe->Fields("SUBLOCATION1").Value();
            const dao::Variant sub2 = woe->Fields("SUBLOCATION2").Value();
            const dao::Variant sub3 = woe->Fields("SUBLOCATION3").Value();
            if (!wonum.isNull() && !eqnum.isNull() && !closeDate.isNull() && !location.isNull() &&
                !sub1.isNull() && !sub2.isNull() && !sub3.isNull())
                notes += ClosingDetails(run, wonum, eqnum, closeDate, location, sub1, sub2, sub3);
            if (!mp2wo.taskText.isEmpty())
                notes += CRLF + "TASKDESC = " + mp2wo.taskText;

            wo->Fields("Notes") = notes;
            wo->Fields("WoType") = taskNum == kCorrective ? kCorrective : QStringLiteral("Preventative");
            wo->Fields("RecType") = 3;
            wo->Update();
            account.Converted("WOE");
            account.Created("WO");
            ++written;
            run.UpProg();
        }

        run.Log("Records in Vantrix/Mendly WoHist table - " + QString::number(written));
        run.Log(QString());
        wo->Close();
        woe->Close();
        wo.reset();
        woe.reset();

        // Each history record also uses up one number of WO's numbering, as the product expects:
        // the numbers one empty record added and deleted per record written would take, never
        // given again. They are taken in one statement; only a WO table whose numbering has not
        // started yet takes them by adding and deleting, as it always could.
        if (!run.DBout->SkipAutoNumbers("WO", written)) {
            auto numbering = run.DBout->OpenRecordset("Select * From WO", dao::dbOpenDynaset);
            for (long i = 0; i < written; ++i) {
                numbering->AddNew();
                numbering->Update();
                numbering->SetBookmark(numbering->LastModified());
                numbering->Delete();
            }
            numbering->Close();
        }
        dao::Idle(dao::dbRefreshCache);
    } catch (const dao::DaoError& e) {
        ConversionTrap(run, "CreateWoHist Error:", e);
    }
}
