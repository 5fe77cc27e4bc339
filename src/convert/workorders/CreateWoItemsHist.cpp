// Parts history: for every work-order history record, the MP2 parts issued to it (WOP): one WoItems
// record naming the first part and the total quantity, and the parts cost added to the record's costs.
#include "common/Lookups.h"
#include "common/Trim.h"
#include "convert/Conversions.h"
#include "convert/reference/CreateOneInvy.h"
#include "convert/workorders/HistoryNotes.h"
#include "run/ConversionTrap.h"

#include <QHash>

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

}  // namespace

void CreateWoItemsHist(RunState& run)
{
    try {
        auto hist = run.DBout->OpenRecordset("Select * From WO Where RecType = 3", dao::dbOpenDynaset);
        if (hist->BOF() && hist->EOF_()) {
            hist->Close();
            return;
        }
        hist->MoveLast();
        run.Log("Start of sub CreateWoItemsHist");
        run.Log(QString());
        run.Log("Records in MP2 WOP table - " + QString::number(WopRowCount(run)));
        run.Log("Note: There is not a 1 to 1 correspondence with the ");
        run.Log("records in the VX WoItemsHist table.");
        run.Log(QString());
        hist->MoveFirst();

        auto items = run.DBout->OpenRecordset("Select * From WoItems", dao::dbOpenDynaset);
        long written = 0;
        QHash<QString, qint32> itemIds;  // ITEMNUM (exact) -> Invy Id

        for (; !hist->EOF_(); hist->MoveNext()) {
            const dao::Variant woNum = hist->Fields("WoNum").Value();
            const QString mp2WoNum = WoNumFromNotes(hist->Fields("Notes").Value().toText());
            const QString equipment = hist->Fields("Equipment#").Value().toText();
            const QString where = QStringLiteral("from WOP ") + "Where WONUM = '" + DoubleApostrophes(mp2WoNum) +
                                  "' " + "And EQNUM = '" + DoubleApostrophes(equipment) + "' ";

            auto wop = run.DBin->OpenRecordset("Select * " + where, dao::dbOpenDynaset);
            if (wop->BOF() && wop->EOF_())
                continue;

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
                ++written;
                run.UpProg();
                break;
            }
            wop->Close();

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
        items->Close();
        hist->Close();
    } catch (const dao::DaoError& e) {
        ConversionTrap(run, "CreateWoItemsHist Error:", e);
    }
}
