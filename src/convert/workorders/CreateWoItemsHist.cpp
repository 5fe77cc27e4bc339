// Parts history: for every work-order history record, the MP2 parts issued to it (WOP): one WoItems
// record naming the first part and the total quantity, and the parts cost added to the record's costs.
//
// The history's pass read each plain record's WOP lines with it, summed them and wrote the cost into
// the record (WorkOrderHistory.h); this step, which runs once the inventory is converted, makes the
// item records. The WOP lines of any other record are selected and summed here, as always.
#include "common/Lookups.h"
#include "common/Trim.h"
#include "convert/Conversions.h"
#include "convert/reference/CreateOneInvy.h"
#include "convert/workorders/WorkOrderHistory.h"
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
long WopRowCount(RunState& run) { return static_cast<long>(run.DBin->RowCount("WOP")); }

dao::Variant ZeroWhenNull(const dao::Variant& v) { return v.isNull() ? dao::Variant(0) : v; }

// The parts lines of a work order and equipment that MP2 holds but that have no history record (its
// WOE lines were skipped, or there are none).
const QString kNoHistory = QStringLiteral("MP2 WOP record has no work-order history record (WONUM and EQNUM)");

// The WOP lines of one history record in the account: the first part's line makes the item record and
// the others are summed into it; lines without a part number have their cost in the history record's;
// all are skipped when the item could not be made. The lines of a second record of the same work
// order and equipment are the same lines: they are counted once (`accounted` is null for a plain
// record, whose numbers no other record shares).
void AccountWopLines(RunAccount& account, QSet<QString>* accounted, const QString& wonum, const QString& equipment,
                     long lines, bool itemWritten, bool itemMissing)
{
    if (accounted) {
        const QString key = dao::FoldCase(wonum) + '\n' + dao::FoldCase(equipment);
        if (accounted->contains(key))
            return;
        accounted->insert(key);
    }
    if (itemWritten) {
        account.Converted("WOP");
        account.Merged("WOP", lines - 1);
    } else if (itemMissing) {
        account.Skipped("WOP", "MP2 WOP record skipped. Couldn't find corresponding Invy rec in VX.", lines);
    } else {
        account.Merged("WOP", lines);
    }
}

// The item records of the history records, one at a time.
class ItemRecords {
public:
    explicit ItemRecords(RunState& run) : run_(run)
    {
        items_ = run.DBout->OpenRecordset("Select * From WoItems", dao::dbOpenDynaset);
    }
    long written() const { return written_; }

    // The record of a history record's first part; false (and the skip line) when its item is not in
    // the inventory and cannot be made.
    bool Write(qint32 woNum, const QString& mp2WoNum, const QString& itemNum, const QString& description,
               const QString& wopWoNum, const QString& wopEqNum, double quantity)
    {
        // An item found once stays: items are only added here.
        qint32 itemId = itemIds_.value(itemNum, 0);
        if (itemId == 0)
            itemId = FindItem(run_, itemNum);
        if (itemId == 0) {
            CreateOneInvy(run_, itemNum, description, 1);
            itemId = FindItem(run_, itemNum);
            if (itemId != 0) {
                run_.Log(QStringLiteral("Created an inactive Invy in order to save history. ") + " Item# = '" + itemNum +
                         "'");
            } else {
                run_.Log(QStringLiteral("MP2 WOP record skipped. ") + " WONUM = " + wopWoNum + " EQNUM = " + wopEqNum +
                         " ITEMNUM = " + itemNum + ". Couldn't find corresponding " + "Invy rec in VX.");
                return false;
            }
        }
        itemIds_.insert(itemNum, itemId);

        items_->AddNew();
        items_->Fields("WoNum") = woNum;
        items_->Fields("ItemId") = itemId;
        items_->Fields("Qty") = quantity;
        items_->Fields("UOM") = QString();
        items_->Fields("Description") = description + " MP2 WONUM = (" + mp2WoNum + ")";
        items_->Fields("RecType") = 3;
        items_->Update();
        run_.summary.account.Created("WoItems");
        ++written_;
        run_.UpProg();
        return true;
    }

private:
    RunState& run_;
    std::unique_ptr<dao::Recordset> items_;
    QHash<QString, qint32> itemIds_;  // ITEMNUM (exact) -> Invy Id
    long written_ = 0;
};

// A record whose WOP lines the history's pass did not read: they are selected, summed and written here,
// and the costs added to the record, as this step always did.
void SelectedParts(RunState& run, ItemRecords& items, QSet<QString>& accounted, qint32 woNum, const QString& mp2WoNum,
                   const QString& equipment)
{
    const QString where = QStringLiteral("from WOP ") + "Where WONUM = '" + DoubleApostrophes(mp2WoNum) + "' " +
                          "And EQNUM = '" + DoubleApostrophes(equipment) + "' ";
    auto wop = run.DBin->OpenRecordset("Select * " + where, dao::dbOpenDynaset);
    if (wop->BOF() && wop->EOF_())
        return;
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
        const dao::Variant descValue = wop->Fields("DESCRIPTION").Value();
        const QString description = descValue.isNull() ? QString() : descValue.toText();
        itemWritten = items.Write(woNum, mp2WoNum, itemNumValue.toText(), description,
                                  wop->Fields("WONUM").Value().toText(), wop->Fields("EQNUM").Value().toText(), qtyTotal);
        itemMissing = !itemWritten;
        break;
    }
    wop->Close();
    AccountWopLines(run.summary.account, &accounted, mp2WoNum, equipment, wopLines, itemWritten, itemMissing);

    auto hist = run.DBout->OpenRecordset("Select * From WO Where WoNum = " + QString::number(woNum), dao::dbOpenDynaset);
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
    hist->Close();
}

// SQL's Sum over one column: the numbers added in the order the rows are read, an integer while every
// one is an integer, 0 when none is a number.
class SqlSum {
public:
    // False for a value SQL would read as a number of its own making (a text), and for a sum of
    // integers that overflows (an error in SQL).
    bool Add(const StoredNumber& v)
    {
        switch (v.kind) {
        case StoredNumber::Null: return true;
        case StoredNumber::Integer:
            ++count_;
            real_ += static_cast<double>(v.integer);
            return approximate_ || !__builtin_add_overflow(integer_, v.integer, &integer_);
        case StoredNumber::Real:
            ++count_;
            real_ += v.real;
            approximate_ = true;
            return true;
        case StoredNumber::Other: break;
        }
        return false;
    }
    double Total() const { return count_ == 0 ? 0 : approximate_ ? real_ : static_cast<double>(integer_); }

private:
    long count_ = 0;
    double real_ = 0;
    qint64 integer_ = 0;
    bool approximate_ = false;
};

}  // namespace

std::optional<PartsFound> PartsOf(const std::vector<WopLine>& lines)
{
    PartsFound found;
    SqlSum quantity, cost;
    for (const WopLine& line : lines) {
        if (!quantity.Add(line.quantity) || !cost.Add(line.unitCost))
            return std::nullopt;
        ++found.lines;
        if (found.hasPart || line.itemNum.isNull() || Trim(line.itemNum.toText()).isEmpty())
            continue;
        found.hasPart = true;
        found.itemNum = line.itemNum.toText();
        found.description = line.description;
        found.wopWoNum = line.wonum.toText();
        found.wopEqNum = line.eqnum.toText();
    }
    found.quantity = quantity.Total();
    found.cost = cost.Total();
    return found;
}

void WorkOrderHistory::Keep(const HistoryRecord& record, const std::optional<PartsFound>& found)
{
    PartsOfRecord p;
    p.woNum = record.woNum;
    const auto keep = [&](PartsOfRecord::Text which, const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        p.text[which] = {texts.size(), static_cast<size_t>(utf8.size())};
        texts.append(utf8.constData(), static_cast<size_t>(utf8.size()));
    };
    keep(PartsOfRecord::MP2WoNum, record.mp2WoNum);
    keep(PartsOfRecord::Equipment, record.equipment);
    if (found) {
        p.plain = true;
        p.lines = found->lines;
        p.quantity = found->quantity;
        p.hasPart = found->hasPart;
        if (found->hasPart) {
            keep(PartsOfRecord::ItemNum, found->itemNum);
            keep(PartsOfRecord::Description, found->description.isNull() ? QString() : found->description.toText());
            // Mostly the record's own numbers, which are not kept twice.
            if (found->wopWoNum == record.mp2WoNum)
                p.text[PartsOfRecord::WopWoNum] = p.text[PartsOfRecord::MP2WoNum];
            else
                keep(PartsOfRecord::WopWoNum, found->wopWoNum);
            if (found->wopEqNum == record.equipment)
                p.text[PartsOfRecord::WopEqNum] = p.text[PartsOfRecord::Equipment];
            else
                keep(PartsOfRecord::WopEqNum, found->wopEqNum);
        }
    }
    parts.push_back(p);
}

QString WorkOrderHistory::Text(const PartsOfRecord& p, PartsOfRecord::Text which) const
{
    return QString::fromUtf8(texts.data() + p.text[which].first, static_cast<qsizetype>(p.text[which].second));
}

void CreateWoItemsHist(RunState& run)
{
    try {
        // Every WOP line: the item record of its history record, merged into it, or skipped.
        RunAccount& account = run.summary.account;
        const long wopRows = WopRowCount(run);
        account.Read("WOP", wopRows);
        if (!run.history || run.history->records == 0) {
            account.Skipped("WOP", kNoHistory, wopRows);
            return;
        }
        const WorkOrderHistory& history = *run.history;
        run.Log("Start of sub CreateWoItemsHist");
        run.Log(QString());
        run.Log("Records in MP2 WOP table - " + QString::number(wopRows));
        run.Log("Note: There is not a 1 to 1 correspondence with the ");
        run.Log("records in the VX WoItemsHist table.");
        run.Log(QString());

        ItemRecords items(run);
        QSet<QString> accounted;  // the work orders and equipment whose lines are in the account
        const auto failsAt = [&](size_t at, bool afterItem) {
            if (history.partsFailure && history.partsFailedAt == at && history.partsFailAfterItem == afterItem)
                throw *history.partsFailure;
        };
        for (size_t at = 0; at < history.parts.size(); ++at) {
            failsAt(at, false);
            const PartsOfRecord& p = history.parts[at];
            const QString mp2WoNum = history.Text(p, PartsOfRecord::MP2WoNum);
            if (!p.plain) {
                SelectedParts(run, items, accounted, p.woNum, mp2WoNum, history.Text(p, PartsOfRecord::Equipment));
                continue;
            }
            bool itemWritten = false;
            if (p.hasPart)
                itemWritten = items.Write(p.woNum, mp2WoNum, history.Text(p, PartsOfRecord::ItemNum),
                                          history.Text(p, PartsOfRecord::Description),
                                          history.Text(p, PartsOfRecord::WopWoNum),
                                          history.Text(p, PartsOfRecord::WopEqNum), p.quantity);
            AccountWopLines(account, nullptr, mp2WoNum, QString(), p.lines, itemWritten, p.hasPart && !itemWritten);
            failsAt(at, true);
        }
        failsAt(history.parts.size(), false);

        run.Log("Records in Vantrix/Mendly WoItemsHist table - " + QString::number(items.written()));
        run.Log(QString());
        const SourceTableAccount& wopAccount = *account.Source("WOP");
        account.Skipped("WOP", kNoHistory, wopRows - wopAccount.converted - wopAccount.merged - wopAccount.skipped());
    } catch (const dao::DaoError& e) {
        ConversionTrap(run, "CreateWoItemsHist Error:", e);
    }
}
