// Equipment: every MP2 EQUIP record becomes one Equipment record. The pre-parse screen comes first;
// numbers still longer than the product allows are replaced by the operator, and every replacement
// is written back into the working copy so that the later conversions see the new numbers.
#include "common/Lookups.h"
#include "common/Trim.h"
#include "convert/Conversions.h"
#include "convert/equipment/ChangeValue.h"
#include "convert/equipment/PreParse.h"
#include "db/TextCase.h"
#include "run/ConversionTrap.h"

#include <QSet>
#include <utility>

namespace {

const QChar CR(13);
const QString CRLF = QStringLiteral("\r\n");
const QString kBlankEquipment = QStringLiteral("MP2 has blank equipment (EQNUM empty or Null)");

// The MANUFACT columns copied into the notes, with their labels, in order.
const std::pair<const char*, const char*> kManufacturerLines[23] = {
    {"MANUFACTID", "MANUFACTID - "},     {"NAME", "NAME - "},
    {"ADDR1", "ADDR1 - "},               {"ADDR2", "ADDR2 - "},
    {"ADDR3", "ADDR3 - "},               {"CITY", "CITY - "},
    {"STATE", "STATE - "},               {"ZIP", "ZIP - "},
    {"COUNTRY", "COUNTRY - "},           {"REP", "REP - "},
    {"PHONE", "PHONE - "},               {"EXT", "EXT - "},
    {"TELEXFAX", "TELEXFAX - "},         {"TERMS", "TERMS - "},
    {"FREIGHTTERMS", "FREIGHTTERMS - "}, {"SHIPVIA", "SHIPVIA - "},
    {"FOB", "FOB - "},                   {"MANUFACTTYPE", "MANUFACTTYPE - "},
    {"SHIPPER", "SHIPPER - "},           {"FEDID", "Manufacturer - "},
    {"CLASS", "CLASS - "},               {"CUSTOMERID", "CUSTOMERID - "},
    {"NOTES", "Manufacturer NOTES - "},
};

bool Filled(const dao::Variant& v) { return !v.isNull() && !v.toText().isEmpty(); }

void AddLine(QString& notes, const char* label, const dao::Variant& v)
{
    notes += QLatin1String(label) + v.toText() + CRLF;
}

// A sub-location goes into the notes unless it is Null, only blanks, or the placeholder "-".
void AddSubLocation(QString& notes, const char* label, const dao::Variant& v)
{
    if (v.isNull())
        return;
    const QString text = v.toText();
    if (!Trim(text).isEmpty() && text != QLatin1String("-"))
        notes += QLatin1String(label) + text + CRLF;
}

bool IsHours(const QString& uom)
{
    static const QSet<QString> hours = {"HOURS", "HOUR", "HRS", "HRS.", "HR", "HR."};
    return hours.contains(uom.toUpper());
}

QString LengthMessage(const QString& number)
{
    return "The length of this Equipment# is '" + QString::number(number.size()) + "' " + "in the MP2 database. " +
           CR + "It has to be 30 characters or less " + "for Vantrix/Mendly." + CR + CR +
           "Change the New Value to comply." + CR;
}

void WriteMeterSettings(RunState& run, dao::Recordset& equipment, const QString& eqnum)
{
    auto meter = run.DBin->OpenRecordset("Select * from METER " + QString("Where EQNUM = '") +
                                             DoubleApostrophes(eqnum) + "'",
                                         dao::dbOpenDynaset);
    if (meter->BOF() && meter->EOF_()) {
        meter->Close();
        equipment.Fields("Metered") = false;
        equipment.Fields("Units") = QStringLiteral("Hours");
        equipment.Fields("AvgPerDay") = 0;
        equipment.Fields("SignalTag") = QStringLiteral("");
        equipment.Fields("Stat") = QStringLiteral("");
        equipment.Fields("ScaleFactor") = QStringLiteral("1");
        return;
    }
    meter->MoveFirst();
    equipment.Fields("Metered") = true;

    const dao::Variant uom = meter->Fields("UOM").Value();
    if (uom.isNull() || IsHours(uom.toText()))
        equipment.Fields("Units") = QStringLiteral("Hours");
    else
        equipment.Fields("Units") = uom;

    const dao::Variant avg = meter->Fields("AVGMTRUNITSPERDAY").Value();
    if (avg.isNull() || avg.toDouble() == 0)
        equipment.Fields("AvgPerDay") = 1;
    else if (avg.toDouble() < 0.1)
        equipment.Fields("AvgPerDay") = 0.1;
    else
        equipment.Fields("AvgPerDay") = avg;

    const dao::Variant tag = meter->Fields("SignalTag").Value();
    if (!tag.isNull()) {
        equipment.Fields("SignalTag") = tag;
        equipment.Fields("Stat") = QStringLiteral("Last Good Reading");
    } else {
        equipment.Fields("SignalTag") = QStringLiteral("");
        equipment.Fields("Stat") = QStringLiteral("");
    }
    equipment.Fields("ScaleFactor") = QStringLiteral("1");
    meter->Close();
}

void AddManufacturer(RunState& run, QString& notes, const dao::Variant& manufacturer)
{
    auto manufact = run.DBin->OpenRecordset("Select * from MANUFACT " + QString("Where MANUFACTID = '") +
                                                DoubleApostrophes(manufacturer.toText()) + "'",
                                            dao::dbOpenDynaset);
    if (manufact->BOF() && manufact->EOF_()) {
        manufact->Close();
        return;
    }
    manufact->MoveFirst();
    notes += QStringLiteral("Start of Manufacturer ") + "Info ------------------------------ " + CRLF;
    for (const auto& [column, label] : kManufacturerLines) {
        const dao::Variant v = manufact->Fields(QLatin1String(column)).Value();
        if (Filled(v))
            AddLine(notes, label, v);
    }
    notes += QStringLiteral("End of Manufacturer ") + "Info ------------------------------ " + CRLF;
    manufact->Close();
}

}  // namespace

void CreateEq(RunState& run)
{
    try {
        RunPreParse(run);

        const QString query = "Select * from EQUIP order by EQNUM";
        auto eq = run.DBin->OpenRecordset(query, dao::dbOpenSnapshot);
        RunAccount& account = run.summary.account;
        const long inEquip = eq->RecordCount();
        account.Read("EQUIP", inEquip);
        if (eq->BOF() && eq->EOF_()) {
            eq->Close();
            run.op.MsgBox("No equipment records to import.");
            return;
        }

        run.DBin->Execute("Delete * from EQUIP where EQNUM = ''");
        run.DBin->Execute("Delete * from EQUIP where EQNUM Is Null");
        dao::Idle(dao::dbRefreshCache);
        // A snapshot keeps the rows it was opened on: opened again, it no longer holds the records
        // just deleted, so they are neither counted nor converted.
        eq->Close();
        eq = run.DBin->OpenRecordset(query, dao::dbOpenSnapshot);

        long count = 0;
        if (!(eq->BOF() && eq->EOF_())) {
            eq->MoveLast();
            count = eq->RecordCount();
        }
        run.Log("Records in MP2 EQUIP table - " + QString::number(count));
        run.Log(QString());
        account.Skipped("EQUIP", kBlankEquipment, inEquip - count);

        // The numbers in use and those written, letter case folded: a replacement that differs from
        // one of them only in letter case would name the same equipment wherever the later
        // conversions look numbers up, so it is refused as well.
        QSet<QString> numbersInUse;
        if (count > 0) {
            eq->MoveFirst();
            for (long i = 1; i <= count; ++i) {
                const dao::Variant v = eq->Fields("EQNUM").Value();
                if (!v.isNull())
                    numbersInUse.insert(dao::FoldCase(v.toText()));
                eq->MoveNext();
            }
            eq->MoveFirst();
        }

        QSet<QString> numbersWritten;
        QStringList replacedOld, replacedNew;
        long written = 0;
        auto equipment = run.DBout->OpenRecordset("Equipment", dao::dbOpenTable);

        dao::Field& fEqnum = eq->Fields("EQNUM");
        dao::Field& fDescription = eq->Fields("DESCRIPTION");
        dao::Field& fLocation = eq->Fields("LOCATION");
        dao::Field& fOriginalCost = eq->Fields("ORIGINALCOST");
        dao::Field& fManufacturer = eq->Fields("MANUFACTURER");
        struct NoteSource {
            dao::Field* field;
            const char* label;
            enum { SubLocation, Text, Any } rule;
        };
        const NoteSource noteSources[19] = {
            {&eq->Fields("SUBLOCATION1"), "SubLocation1 - ", NoteSource::SubLocation},
            {&eq->Fields("SUBLOCATION2"), "SubLocation2 - ", NoteSource::SubLocation},
            {&eq->Fields("SUBLOCATION3"), "SubLocation3 - ", NoteSource::SubLocation},
            {&eq->Fields("VENDORID"), "VendorID - ", NoteSource::Text},
            {&eq->Fields("SPARECODE"), "SpareCode - ", NoteSource::Text},
            {&eq->Fields("GENLEDGER"), "Gen Ledger - ", NoteSource::Text},
            {&eq->Fields("COSTCENTER"), "Cost Center - ", NoteSource::Text},
            {&eq->Fields("ASSETNUM"), "Asset Num - ", NoteSource::Text},
            {&eq->Fields("PURCHDATE"), "Purchase Date - ", NoteSource::Any},
            {&eq->Fields("STARTUPDATE"), "Startup Date - ", NoteSource::Any},
            {&eq->Fields("WARRANTYDATE"), "Warranty Date - ", NoteSource::Any},
            {&eq->Fields("LIFE"), "Life - ", NoteSource::Any},
            {&eq->Fields("REPLACEMENTCOST"), "Replacement Cost - ", NoteSource::Any},
            {&eq->Fields("LABORCOST"), "Labor Cost - ", NoteSource::Any},
            {&eq->Fields("MATLCOST"), "Matl. Cost - ", NoteSource::Any},
            {&eq->Fields("SERVICECODE"), "Service Code - ", NoteSource::Text},
            {&eq->Fields("PERSONRESPONSIBLE"), "Person Responsible - ", NoteSource::Text},
            {&eq->Fields("EPATITLED"), "EPA Titled - ", NoteSource::Text},
            {&eq->Fields("SAFETYNOTE"), "Safety Note - ", NoteSource::Text},
        };
        dao::Field& fSerial = eq->Fields("SERIALNUM");
        dao::Field& fModel = eq->Fields("MODELNUM");

        while (count > 0 && !eq->EOF_()) {
            const dao::Variant eqnumValue = fEqnum.Value();
            if (eqnumValue.isNull()) {
                account.Skipped("EQUIP", kBlankEquipment);
                eq->MoveNext();
                continue;
            }
            const QString eqnum = eqnumValue.toText();
            equipment->AddNew();
            QString number = eqnum;
            while (number.size() > kMaxEqNum) {
                run.op.SetBusy(false);
                const QString answer = AskChangeValue(run, number, 1, kMaxEqNum, LengthMessage(number));
                run.op.SetBusy(true);
                if (answer.isEmpty())
                    continue;
                const QString folded = dao::FoldCase(answer);
                if (numbersInUse.contains(folded) || numbersWritten.contains(folded)) {
                    run.op.MsgBox("Error: The equipment# '" + answer + "'" + CR + "is already being used. Try again.");
                    continue;
                }
                replacedOld << eqnum;
                replacedNew << answer;
                number = answer;
            }
            equipment->Fields("Equipment#") = number;
            numbersWritten.insert(dao::FoldCase(number));

            const dao::Variant description = fDescription.Value();
            equipment->Fields("Description") = description.isNull() ? dao::Variant("????") : description;
            const dao::Variant location = fLocation.Value();
            equipment->Fields("Location") = location.isNull() ? dao::Variant(QStringLiteral("")) : location;
            const dao::Variant cost = fOriginalCost.Value();
            equipment->Fields("OrigCost") = cost.isNull() ? dao::Variant(0) : cost;

            WriteMeterSettings(run, *equipment, eqnum);

            QString notes;
            for (const NoteSource& source : noteSources) {
                const dao::Variant v = source.field->Value();
                switch (source.rule) {
                case NoteSource::SubLocation: AddSubLocation(notes, source.label, v); break;
                case NoteSource::Text:
                    if (Filled(v))
                        AddLine(notes, source.label, v);
                    break;
                case NoteSource::Any:
                    if (!v.isNull())
                        AddLine(notes, source.label, v);
                    break;
                }
            }
            const dao::Variant manufacturer = fManufacturer.Value();
            AddManufacturer(run, notes, manufacturer);

            equipment->Fields("Notes") = notes;
            equipment->Fields("Status") = QStringLiteral("0");
            const dao::Variant serial = fSerial.Value();
            if (Filled(serial))
                equipment->Fields("EquipmentUD1") = serial;
            const dao::Variant model = fModel.Value();
            if (Filled(model))
                equipment->Fields("EquipmentUD3") = model;
            if (Filled(manufacturer))
                equipment->Fields("EquipmentUD2") = manufacturer;

            equipment->Update();
            account.Converted("EQUIP");
            account.Created("Equipment");
            ++written;
            run.UpProg();
            eq->MoveNext();
        }

        equipment->Close();
        eq->Close();
        run.Log("Records in Vantrix/Mendly Equipment table - " + QString::number(written));
        run.Log(QString());

        for (qsizetype k = 0; k < replacedOld.size(); ++k)
            run.Log("Old eq# (" + QString::number(k + 1) + ") - " + replacedOld[k]);
        run.Log(QString());
        for (qsizetype k = 0; k < replacedNew.size(); ++k)
            run.Log("New eq# (" + QString::number(k + 1) + ") - " + replacedNew[k]);
        run.Log(QString());

        for (qsizetype k = 0; k < replacedOld.size(); ++k)
            RenameEqNum(*run.DBin, replacedOld[k], replacedNew[k]);
        dao::Idle(dao::dbRefreshCache);
    } catch (const dao::DaoError& e) {
        ConversionTrap(run, "CreateEq Error:", e);
    }
}
