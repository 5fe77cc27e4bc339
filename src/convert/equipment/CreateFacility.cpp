// The facility record: the first MP2 Facility row becomes the new database's single Facility row.
#include "common/Trim.h"
#include "convert/Conversions.h"
#include "run/ConversionTrap.h"
#include "run/RecordWarning.h"

namespace {

const QChar CR(13);

// Cuts a composed value to its field's width and tells the operator which field was cut.
QString CutToWidth(RunState& run, const QString& value, int width, const QString& heading)
{
    if (value.size() <= width)
        return value;
    RecordWarning(run, heading + "been truncated. " + CR + "Check it when you run the program " +
                           "after the import is complete.");
    return value.left(width);
}

// The column's value unchanged, or the empty text for Null.
dao::Variant RawOrEmpty(dao::Recordset& rs, const QString& column)
{
    const dao::Variant v = rs.Fields(column).Value();
    return v.isNull() ? dao::Variant(QString()) : v;
}

}  // namespace

void CreateFacility(RunState& run)
{
    try {
        auto source = run.DBin->OpenRecordset("Facility", dao::dbOpenTable);
        RunAccount& account = run.summary.account;
        account.Read("FACILITY", source->RecordCount());
        if (source->BOF() && source->EOF_()) {
            source->Close();
            return;
        }
        source->MoveFirst();
        auto target = run.DBout->OpenRecordset("Facility", dao::dbOpenTable);
        const bool adding = target->BOF() && target->EOF_();
        if (adding)
            target->AddNew();
        else
            target->Edit();

        const dao::Variant name = source->Fields("Name").Value();
        target->Fields("Name") = name.isNull() ? QString("Blank") : Trim(name.toText());

        const dao::Variant addr1 = source->Fields("ADDR1").Value();
        target->Fields("Address") = addr1.isNull() ? QString() : Trim(addr1.toText());

        QString composed;
        const dao::Variant addr2 = source->Fields("ADDR2").Value();
        if (!addr2.isNull())
            composed = Trim(addr2.toText());
        const dao::Variant addr3 = source->Fields("ADDR3").Value();
        if (!addr3.isNull())
            composed += ' ' + Trim(addr3.toText());
        target->Fields("Address2") =
            CutToWidth(run, composed, 50, "Warning: Address2 in the Facility table has ");

        target->Fields("City") = RawOrEmpty(*source, "CITY");
        target->Fields("State") = RawOrEmpty(*source, "STATE");
        target->Fields("Zip") = RawOrEmpty(*source, "ZIP");
        target->Fields("Country") = RawOrEmpty(*source, "COUNTRY");

        composed.clear();
        const dao::Variant phone = source->Fields("PHONENUM").Value();
        if (!phone.isNull())
            composed = Trim(phone.toText());
        const dao::Variant ext = source->Fields("PHONEEXT").Value();
        if (!ext.isNull())
            composed += ' ' + Trim(ext.toText());
        target->Fields("Phone") = CutToWidth(run, composed, 25, "Warning: Phone in the Facility table has ");

        composed.clear();
        const dao::Variant fax = source->Fields("FAXNUM").Value();
        if (!fax.isNull())
            composed = Trim(fax.toText());
        target->Fields("Fax") = CutToWidth(run, composed, 25, "Warning: Fax in the Facility table has ");

        target->Fields("Contact") = RawOrEmpty(*source, "CONTACT");

        target->Update();
        account.Converted("FACILITY");
        account.Created("Facility", adding ? 1 : 0);
        account.Skipped("FACILITY", "Only the first MP2 Facility record is imported", source->RecordCount() - 1);
        target->Close();
        source->Close();
        run.UpProg();
    } catch (const dao::DaoError& e) {
        ConversionTrap(run, "CreateFacility Error:", e);
    }
}
