// Inventory: one Invy record for every MP2 INVY row, with the item's vendor chosen from its INVVEND
// rows, its cost and stock from INVCOST, and everything without a field of its own in Notes.
#include "common/Lookups.h"
#include "common/Trim.h"
#include "convert/Conversions.h"
#include "run/ConversionTrap.h"

#include <QHash>
#include <vector>

namespace {

const QString CRLF = QStringLiteral("\r\n");
const QString kInfoTail = QStringLiteral(" Info ------------------------------ ");

QString TrimmedOrEmpty(const dao::Variant& v) { return v.isNull() ? QString() : Trim(v.toText()); }

// A text entry: appended when the value is neither Null nor empty.
void AddText(QString& notes, const QString& label, const dao::Variant& v)
{
    if (v.isNull())
        return;
    const QString text = v.toText();
    if (!text.isEmpty())
        notes += label + text + CRLF;
}

// A number or date entry: appended whenever the value is not Null.
void AddValue(QString& notes, const QString& label, const dao::Variant& v)
{
    if (!v.isNull())
        notes += label + v.toText() + CRLF;
}

// Where each MP2 VENDORID sits in OldVendIdList: every index, in list order. The same answers as
// walking the list, without walking it for every vendor row.
class VendorIndex {
public:
    explicit VendorIndex(const OneBasedList& oldIds)
    {
        for (int i = 1; i <= oldIds.Count(); ++i)
            if (!oldIds[i].isNull())
                positions_[oldIds[i].toText()].push_back(i);
    }
    // Every matching index, in list order (none for a Null id: Null equals nothing).
    const std::vector<int>& Matches(const dao::Variant& id) const
    {
        static const std::vector<int> none;
        if (id.isNull())
            return none;
        const auto it = positions_.constFind(id.toText());
        return it == positions_.constEnd() ? none : it.value();
    }

private:
    QHash<QString, std::vector<int>> positions_;
};

// The Vendor Id of a converted vendor's name. The vendor conversion made the names unique by exact
// comparison, so "Acme" and "ACME" may both be there; the engine's lookup by name ignores letter case
// and would give both the first one's Id. The names are therefore matched exactly here, from one read
// of the finished Vendor table; a name that is not there is left to GetVendorIndex, which reports it.
class VendorIds {
public:
    explicit VendorIds(RunState& run) : run_(run)
    {
        auto rs = run.DBout->OpenRecordset("Select * from Vendor", dao::dbOpenSnapshot);
        for (; !rs->EOF_(); rs->MoveNext()) {
            const QString name = rs->Fields("Name").Value().toText();
            if (!exact_.contains(name))
                exact_.insert(name, static_cast<qint32>(rs->Fields("Id").Value().toLong()));
        }
        rs->Close();
    }
    qint32 Of(const QString& name)
    {
        const auto it = name.isEmpty() ? exact_.constEnd() : exact_.constFind(name);
        return it != exact_.constEnd() ? it.value() : GetVendorIndex(run_, name);
    }

private:
    RunState& run_;
    QHash<QString, qint32> exact_;
};

struct VendorRow {
    dao::Variant vendorId;
    dao::Variant unitCost;
};

}  // namespace

void CreateInvy(RunState& run)
{
    try {
        auto src = run.DBin->OpenRecordset("INVY", dao::dbOpenTable);
        run.summary.account.Read("INVY", src->RecordCount());
        if (src->BOF() && src->EOF_()) {
            src->Close();
            return;
        }
        src->MoveLast();
        run.Log("Records in MP2 INVY table - " + QString::number(src->RecordCount()));
        run.Log(QString());
        src->MoveFirst();

        auto dst = run.DBout->OpenRecordset("Invy", dao::dbOpenTable);
        const VendorIndex vendorIndex(run.OldVendIdList);
        VendorIds vendorIds(run);
        std::vector<VendorRow> vendorRows;

        while (!src->EOF_()) {
            qint32 chosenVendorId = 0;
            dao::Variant cost = 0.0;
            int primaryRow = 0;
            QString vendorNotes;

            const dao::Variant itemNumValue = src->Fields("ITEMNUM").Value();
            const QString itemNum = itemNumValue.isNull() ? QString() : itemNumValue.toText();
            dst->AddNew();
            dst->Fields("Item#") = itemNum;
            dst->Fields("Description") = TrimmedOrEmpty(src->Fields("DESCRIPTION").Value());
            dst->Fields("UOM") = TrimmedOrEmpty(src->Fields("UOM").Value());
            dst->Fields("Location") = QString();
            dst->Fields("ReorderPoint") = 0;
            dst->Fields("QtyOnOrder") = 0;

            // An item without a number has no vendor or cost rows: Null matches no ITEMNUM, and the
            // rows of items numbered with an empty text are not this item's.
            const bool numbered = !itemNumValue.isNull();
            const QString itemLiteral = "'" + DoubleApostrophes(itemNum) + "'";

            if (numbered) {
                auto vend = run.DBin->OpenRecordset("Select * from INVVEND " + ("Where ITEMNUM = " + itemLiteral),
                                                    dao::dbOpenDynaset);
                if (!(vend->BOF() && vend->EOF_())) {
                    vend->MoveLast();
                    const long count = vend->RecordCount();
                    vend->MoveFirst();
                    const dao::Variant minOrder = vend->Fields("MINORDERQTY").Value();
                    dst->Fields("ReorderQty") = minOrder.isNull() ? dao::Variant(0) : minOrder;

                    vendorRows.clear();
                    for (long j = 1; j <= count; ++j) {
                        const dao::Variant vendorId = vend->Fields("VENDORID").Value();
                        const dao::Variant primary = vend->Fields("PRIMARYVENDOR").Value();
                        const dao::Variant unitCost = vend->Fields("UNITCOST").Value();
                        vendorRows.push_back({vendorId, unitCost});

                        vendorNotes += "Start of Vendor " + QString::number(j) + kInfoTail + CRLF;
                        for (const int i : vendorIndex.Matches(vendorId)) {
                            const QString newName = run.NewVendNameList[i].toText();
                            vendorNotes += "Vendor Name - " + newName + CRLF;
                            chosenVendorId = vendorIds.Of(newName);
                        }
                        if (!primary.isNull() && primary.toText().toUpper() == QLatin1String("Y"))
                            primaryRow = static_cast<int>(j);
                        AddText(vendorNotes, "PRIMARYVENDOR - ", primary);
                        AddText(vendorNotes, "MANUFACTID - ", vend->Fields("MANUFACTID").Value());
                        AddText(vendorNotes, "VENDORITEMNUM - ", vend->Fields("VENDORITEMNUM").Value());
                        AddValue(vendorNotes, "UNITCOST - ", unitCost);
                        AddValue(vendorNotes, "LEADTIME - ", vend->Fields("LEADTIME").Value());
                        AddText(vendorNotes, "CONTRACTNUM - ", vend->Fields("CONTRACTNUM").Value());
                        AddText(vendorNotes, "CONTRACTPAGE - ", vend->Fields("CONTRACTPAGE").Value());
                        AddText(vendorNotes, "CONTRACTPARTNUM - ", vend->Fields("CONTRACTPARTNUM").Value());
                        AddText(vendorNotes, "UOP - ", vend->Fields("UOP").Value());
                        AddValue(vendorNotes, "MINORDERQTY - ", vend->Fields("MINORDERQTY").Value());
                        AddText(vendorNotes, "CATALOGNUM - ", vend->Fields("CATALOGNUM").Value());
                        vendorNotes += "End of Vendor " + QString::number(j) + kInfoTail + CRLF;
                        vend->MoveNext();
                    }
                    if (primaryRow == 0)
                        primaryRow = 1;

                    // The primary row: its vendor (first list entry) and its cost, when it was converted.
                    const VendorRow& chosen = vendorRows.at(static_cast<size_t>(primaryRow - 1));
                    const std::vector<int>& matches = vendorIndex.Matches(chosen.vendorId);
                    if (!matches.empty()) {
                        chosenVendorId = vendorIds.Of(run.NewVendNameList[matches.front()].toText());
                        if (!chosen.unitCost.isNull())
                            cost = chosen.unitCost;
                    }
                }
                vend->Close();
            }
            dst->Fields("VendorId") = chosenVendorId;

            dao::Variant qoh = 0;
            if (numbered) {
                auto costs = run.DBin->OpenRecordset("Select * from INVCOST " + ("Where ITEMNUM = " + itemLiteral),
                                                     dao::dbOpenDynaset);
                if (!(costs->BOF() && costs->EOF_())) {
                    costs->MoveFirst();
                    const dao::Variant unitCost = costs->Fields("UNITCOST").Value();
                    if (!unitCost.isNull() && cost.toDouble() == 0)
                        cost = unitCost;
                    const dao::Variant available = costs->Fields("AVAILABLEQTY").Value();
                    if (!available.isNull())
                        qoh = available;
                }
                costs->Close();
            }
            dst->Fields("Cost") = cost;
            dst->Fields("QOH") = qoh;

            QString notes;
            const dao::Variant type = src->Fields("TYPE").Value();
            if (!type.isNull() && !type.toText().isEmpty()) {
                const QString typeText = type.toText();
                auto types = run.DBin->OpenRecordset(
                    "Select * from INVTYPE " + ("Where TYPE = '" + DoubleApostrophes(typeText) + "'"),
                    dao::dbOpenDynaset);
                if (!(types->BOF() && types->EOF_())) {
                    types->MoveFirst();
                    const dao::Variant description = types->Fields("DESCRIPTION").Value();
                    if (!description.isNull() && !description.toText().isEmpty())
                        notes += "TYPE - " + typeText + " (" + description.toText() + ")" + CRLF;
                } else {
                    notes += "TYPE - " + typeText + CRLF;
                }
                types->Close();
            }
            AddText(notes, "ACCTCODE - ", src->Fields("ACCTCODE").Value());
            AddText(notes, "OEMMFG - ", src->Fields("OEMMFG").Value());
            AddText(notes, "TAXABLE - ", src->Fields("TAXABLE").Value());
            AddValue(notes, "VOLUME - ", src->Fields("VOLUME").Value());
            // This entry has always been labelled with the date itself rather than the column name.
            const dao::Variant dateAdded = src->Fields("DATEADDED").Value();
            AddValue(notes, dateAdded.toText() + " - ", dateAdded);
            AddText(notes, "CLASS - ", src->Fields("CLASS").Value());
            AddValue(notes, "WEIGHT - ", src->Fields("WEIGHT").Value());
            AddText(notes, "COSTCENTER - ", src->Fields("COSTCENTER").Value());
            AddText(notes, "MODEL - ", src->Fields("MODEL").Value());
            AddValue(notes, "LASTEDITDATE - ", src->Fields("LASTEDITDATE").Value());
            for (int ud = 1; ud <= 10; ++ud) {
                const QString column = "UD" + QString::number(ud);
                AddText(notes, column + " - ", src->Fields(column).Value());
            }
            AddText(notes, "UOW - ", src->Fields("UOW").Value());
            AddText(notes, "SINGLESOURCE - ", src->Fields("SINGLESOURCE").Value());
            AddText(notes, "NOTES - ", src->Fields("NOTES").Value());

            dst->Fields("Notes") = notes + vendorNotes + CRLF;
            dst->Fields("Status") = "0";
            dst->Update();
            run.summary.account.Converted("INVY");
            run.summary.account.Created("Invy");
            src->MoveNext();
        }
        dst->Close();
        src->Close();
        dst.reset();
        src.reset();
        run.UpProg();

        auto counted = run.DBout->OpenRecordset("Invy", dao::dbOpenTable);
        if (!counted->EOF_()) {
            counted->MoveLast();
            run.Log("Records in Vantrix/Mendly Invy table - " + QString::number(counted->RecordCount()));
            run.Log(QString());
            counted->Close();
        }
    } catch (const dao::DaoError& e) {
        ConversionTrap(run, "CreateInvy Error:", e);
    }
}
