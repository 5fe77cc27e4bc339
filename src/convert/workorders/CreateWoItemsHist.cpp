// Parts history: for every work-order history record, the MP2 parts issued to it (WOP): one WoItems
// record naming the first part and the total quantity, and the parts cost added to the record's costs.
#include "common/Lookups.h"
#include "common/Trim.h"
#include "convert/Conversions.h"
#include "convert/reference/CreateOneInvy.h"
#include "convert/workorders/HistoryNotes.h"
#include "run/ConversionTrap.h"
#include "db/TextCase.h"

#include <QHash>
#include <QSet>

namespace {

qint32 FindItem(RunState& run, const QString& itemNum)
{
    return GetGenericLongKey(run, "DBout", DoubleApostrophes(itemNum), "Invy", "Item#", "Id", false);
}

// The sum over the WOP rows of one work order and equipment, 0 when it is Null (no row, all Null).
double WopSum(RunState& run, const QString& select, const QString& alias, const QString& where)
{
    auto rs = run.DBin->OpenRecordset(select + where, dao::dbOpenSnapshot);
    double sum = 0;
    if (!(rs->BOF() && rs->EOF_())) {
        const dao::Variant v = rs->Fields(alias).Value();
        if (!v.isNull())
            sum = v.toDouble();
    }
    rs->Close();
    return sum;
}

// The number of rows in MP2's WOP table, for the count line that opens this conversion's log.
long WopRowCount(RunState& run)
{
    auto wop = run.DBin->OpenRecordset("WOP", dao::dbOpenTable);
    long count = 0;
    if (!wop->EOF_()) {
        wop->MoveLast();
        count = wop->RecordCount();
    }
    wop->Close();
    return count;
}

dao::Variant ZeroWhenNull(const dao::Variant& v) { return v.isNull() ? dao::Variant(0) : v; }

// The parts lines of a work order and equipment that MP2 holds but that have no history record (its
// WOE lines were skipped, or there are none).
const QString kNoHistory = QStringLiteral("MP2 WOP record has no work-order history record (WONUM and EQNUM)");

// The WOP lines of one history record in the account: the first part's line makes the item record and
// the others are summed into it; lines without a part number have their cost in the history record's;
// all are skipped when the item could not be made. The lines of a second record of the same work
// order and equipment are the same lines: they are counted once.
void AccountWopLines(RunAccount& account, QSet<QString>& accounted, const QString& wonum, const QString& equipment,
                     long lines, bool itemWritten, bool itemMissing)
{
    const QString key = dao::FoldCase(wonum) + '\n' + dao::FoldCase(equipment);
    if (accounted.contains(key))
        return;
    accounted.insert(key);
    if (itemWritten) {
        account.Converted("WOP");
        account.Merged("WOP", lines - 1);
    } else if (itemMissing) {
        account.Skipped("WOP", "MP2 WOP record skipped. Couldn't find corresponding Invy rec in VX.", lines);
    } else {
        account.Merged("WOP", lines);
    }
}

}  // namespace

void CreateWoItemsHist(RunState& run)
{
    try {
        auto hist = run.DBout->OpenRecordset("Select * From WO Where RecType = 3", dao::dbOpenDynaset);
        // Every WOP line: the item record of its history record, merged into it, or skipped.
        RunAccount& account = run.summary.account;
        const long wopRows = WopRowCount(run);
        account.Read("WOP", wopRows);
        if (hist->BOF() && hist->EOF_()) {
            hist->Close();
            account.Skipped("WOP", kNoHistory, wopRows);
            return;
        }
        hist->MoveLast();
        run.Log("Start of sub CreateWoItemsHist");
        run.Log(QString());
        run.Log("Records in MP2 WOP table - " + QString::number(wopRows));
        run.Log("Note: There is not a 1 to 1 correspondence with the ");
        run.Log("records in the VX WoItemsHist table.");
        run.Log(QString());
        hist->MoveFirst();

        auto items = run.DBout->OpenRecordset("Select * From WoItems", dao::dbOpenDynaset);
        long written = 0;
        QHash<QString, qint32> itemIds;  // ITEMNUM (exact) -> Invy Id
        QSet<QString> accounted;         // the work orders and equipment whose lines are in the account

        for (; !hist->EOF_(); hist->MoveNext()) {
            const dao::Variant woNum = hist->Fields("WoNum").Value();
            const QString mp2WoNum = WoNumFromNotes(hist->Fields("Notes").Value().toText());
            const QString equipment = hist->Fields("Equipment#").Value().toText();
            const QString where = QStringLiteral("from WOP ") + "Where WONUM = '" + DoubleApostrophes(mp2WoNum) +
                                  "' " + "And EQNUM = '" + DoubleApostrophes(equipment) + "' ";

            auto wop = run.DBin->OpenRecordset("Select * " + where, dao::dbOpenDynaset);
            if (wop->BOF() && wop->EOF_())
                continue;
            const long wopLines = wop->RecordCount();
            bool itemWritten = false, itemMissing = false;

            const double qtyTotal = WopSum(run, "SELECT Sum(QTYUSED) AS SumQtyUsed ", "SumQtyUsed", where);
            const double costTotal = WopSum(run, "SELECT Sum(TOTALUNITCOST) AS SumUnitCost ", "SumUnitCost", where);

            wop->MoveFirst();
            for (; !wop->EOF_(); wop->MoveNext()) {
                const dao::Variant itemNumValue = wop->Fields("ITEMNUM").Value();
                if (itemNumValue.isNull() || Trim(itemNumValue.toText()).isEmpty())
                    continue;
                // The first part: the record names it whatever else the work order used.
                const QString itemNum = itemNumValue.toText();
                const dao::Variant descValue = wop->Fields("DESCRIPTION").Value();
                const QString description = descValue.isNull() ? QString() : descValue.toText();

                // An item found once stays: items are only added here.
                qint32 itemId = itemIds.value(itemNum, 0);
                if (itemId == 0)
                    itemId = FindItem(run, itemNum);
                if (itemId == 0) {
                    CreateOneInvy(run, itemNum, description, 1);
                    itemId = FindItem(run, itemNum);
                    if (itemId != 0) {
                        run.Log(QStringLiteral("Created an inactive Invy in order to save history. ") + " Item# = '" +
                                itemNum + "'");
                    } else {
                        run.Log(QStringLiteral("MP2 WOP record skipped. ") + " WONUM = " +
                                wop->Fields("WONUM").Value().toText() + " EQNUM = " +
                                wop->Fields("EQNUM").Value().toText() + " ITEMNUM = " + itemNum +
                                ". Couldn't find corresponding " + "Invy rec in VX.");
                        itemMissing = true;
                        break;
                    }
                }
                itemIds.insert(itemNum, itemId);

                items->AddNew();
                items->Fields("WoNum") = woNum;
                items->Fields("ItemId") = itemId;
                items->Fields("Qty") = qtyTotal;
                items->Fields("UOM") = QString();
                items->Fields("Description") = description + " MP2 WONUM = (" + mp2WoNum + ")";
                items->Fields("RecType") = 3;
                items->Update();
                account.Created("WoItems");
                itemWritten = true;
                ++written;
                run.UpProg();
                break;
            }
            wop->Close();
            AccountWopLines(account, accounted, mp2WoNum, equipment, wopLines, itemWritten, itemMissing);

            const dao::Variant invyCost = hist->Fields("InvyCost").Value();
            const dao::Variant laborCost = ZeroWhenNull(hist->Fields("LaborCost").Value());
            const dao::Variant miscCost = ZeroWhenNull(hist->Fields("MiscCost").Value());
            const double newInvyCost = invyCost.isNull() ? costTotal : invyCost.toDouble() + costTotal;
            hist->Edit();
            hist->Fields("InvyCost") = newInvyCost;
            hist->Fields("LaborCost") = laborCost;
            hist->Fields("MiscCost") = miscCost;
            hist->Fields("TotalCost") = newInvyCost + laborCost.toDouble() + miscCost.toDouble();
            hist->Update();
        }

        run.Log("Records in Vantrix/Mendly WoItemsHist table - " + QString::number(written));
        run.Log(QString());
        const SourceTableAccount& wopAccount = *account.Source("WOP");
        account.Skipped("WOP", kNoHistory, wopRows - wopAccount.converted - wopAccount.merged - wopAccount.skipped());
        items->Close();
        hist->Close();
    } catch (const dao::DaoError& e) {
        ConversionTrap(run, "CreateWoItemsHist Error:", e);
    }
}
