// Vendors: one Vendor record per MP2 VENDOR row that has an id and a name, under a name unique in this
// run, with the MP2 columns that have no field of their own gathered in Notes. Leaves the lists
// NewVendNameList and OldVendIdList that map each MP2 VENDORID to its new name.
#include "common/Lookups.h"
#include "common/Trim.h"
#include "convert/Conversions.h"
#include "convert/reference/GetVendorComment.h"
#include "run/ConversionTrap.h"
#include "run/RecordWarning.h"

#include <QSet>
#include <algorithm>

namespace {

const QChar CR(13);
const QString CRLF = QStringLiteral("\r\n");
constexpr int kAddressSize = 50;
constexpr int kPhoneSize = 25;

QString TextOrEmpty(const dao::Variant& v) { return v.isNull() ? QString() : v.toText(); }

// A text entry: appended when the value is neither Null nor empty.
void AddText(QString& notes, const char* label, const dao::Variant& v)
{
    if (v.isNull())
        return;
    const QString text = v.toText();
    if (!text.isEmpty())
        notes += QLatin1String(label) + text + CRLF;
}

// A number or date entry: appended whenever the value is not Null.
void AddValue(QString& notes, const char* label, const dao::Variant& v)
{
    if (!v.isNull())
        notes += QLatin1String(label) + v.toText() + CRLF;
}

// The warning for a phone or fax number cut to its field. The fax warning keeps the phone's wording
// for the old number.
QString CutNumberWarning(const QString& what, const QString& name, const dao::Variant& stored)
{
    return "Warning: " + what + " in the Vendor table has " + "been truncated for Name '" + name + "'." + CR +
           "The old Phone # in MP2 was '" + stored.toText() + "'" + CR +
           "This old # will be put it in the Notes field " + "for this vendor record. " + CR +
           "Check it when you run the program " + "after the import is complete.";
}

// Trimmed and cut to the field; `kept` receives the whole trimmed text when it had to be cut.
QString CutNumber(RunState& run, const QString& what, const QString& name, const dao::Variant& stored,
                  QString& kept)
{
    QString working;
    kept.clear();
    if (!stored.isNull())
        working = Trim(stored.toText());
    if (working.size() > kPhoneSize) {
        kept = working;
        working = working.left(kPhoneSize);
        const QString warning = CutNumberWarning(what, name, stored);
        RecordWarning(run, warning, WarningLogged::ByCaller);
        run.Log(warning);
    }
    return working;
}

// A repeated name with its accumulated suffix: whole when it fits the field, otherwise the name is cut
// before its suffix so that the suffix, which makes it unique, stays; once the suffix alone is too long
// (well over a hundred vendors of one name), the name cut before the last number alone.
QString SuffixedName(const QString& name, const QString& suffix, int counter, int size)
{
    if (suffix.isEmpty() || size <= 0 || name.size() + suffix.size() <= size)
        return name + suffix;
    if (suffix.size() < size)
        return name.left(size - suffix.size()) + suffix;
    const QString last = QString::number(counter);
    return name.left(std::max<qsizetype>(0, size - last.size())) + last;
}

}  // namespace

void CreateVendor(RunState& run)
{
    QString current;  // the vendor being converted, for the trap's message
    try {
        auto src = run.DBin->OpenRecordset("VENDOR", dao::dbOpenTable);
        RunAccount& account = run.summary.account;
        account.Read("VENDOR", src->RecordCount());
        if (src->BOF() && src->EOF_()) {
            src->Close();
            return;
        }
        src->MoveLast();
        run.Log("Records in MP2 VENDOR table - " + QString::number(src->RecordCount()));
        run.Log(QString());
        src->MoveFirst();

        auto dst = run.DBout->OpenRecordset("Vendor", dao::dbOpenTable);
        run.NewVendNameList.Clear();
        run.OldVendIdList.Clear();
        QSet<QString> takenNames;  // the entries of NewVendNameList, for the exact uniqueness test

        while (!src->EOF_()) {
            const dao::Variant vendorId = src->Fields("VENDORID").Value();
            const dao::Variant storedName = src->Fields("NAME").Value();
            if (vendorId.isNull() || storedName.isNull()) {
                const QString skipped = QStringLiteral("Record in MP2 VENDOR table skipped ") + "(null VENDORID or NAME)";
                run.Log(skipped);
                run.Log(QString());
                RecordWarning(run, skipped, WarningLogged::ByCaller);
                account.Skipped("VENDOR", skipped);
                src->MoveNext();
                continue;
            }

            const QString stored = storedName.toText();
            current = "MP2 VENDORID '" + vendorId.toText() + "', NAME '" + stored + "'";
            dst->AddNew();
            // Suffixes accumulate: ACME, ACME2, ACME23, ACME234.
            dao::Field& nameField = dst->Fields("Name");
            QString name = stored;
            QString suffix;
            int counter = 1;
            while (takenNames.contains(name)) {
                ++counter;
                suffix += QString::number(counter);
                name = SuffixedName(stored, suffix, counter, nameField.Size());
            }
            if (name != stored + suffix) {
                run.Log("Vendor name '" + stored + suffix + "' (VENDORID '" + vendorId.toText() + "') is longer than the " +
                        QString::number(nameField.Size()) + " characters of the Name field: stored as '" + name + "'.");
                run.Log(QString());
            }
            nameField = name;
            run.NewVendNameList.Append(name);
            run.OldVendIdList.Append(vendorId);
            takenNames.insert(name);

            const dao::Variant addr1 = src->Fields("ADDR1").Value();
            const dao::Variant addr2 = src->Fields("ADDR2").Value();
            const dao::Variant addr3 = src->Fields("ADDR3").Value();
            QString A1 = addr1.isNull() ? QString() : Trim(addr1.toText());
            QString A2;
            if (!addr2.isNull())
                A1 = A1.isEmpty() ? Trim(addr2.toText()) : A1 + " " + Trim(addr2.toText());
            if (A1.size() > kAddressSize) {
                A2 = A1.mid(kAddressSize);
                A1 = A1.left(kAddressSize);
            }
            if (!addr3.isNull())
                A2 = A2.isEmpty() ? Trim(addr3.toText()) : A2 + " " + Trim(addr3.toText());
            if (A2.size() > kAddressSize) {
                A2 = A2.left(kAddressSize);
                RecordWarning(run, QStringLiteral("Warning: Address3 in the Vendor table has ") +
                                       "been truncated for Name '" + name + "'." + CR +
                                       "Check it when you run the program " + "after the import is complete.");
            }
            dst->Fields("Address") = A1;
            dst->Fields("Address2") = A2;

            dst->Fields("City") = TextOrEmpty(src->Fields("CITY").Value());
            dst->Fields("State") = TextOrEmpty(src->Fields("STATE").Value());
            dst->Fields("Zip") = TextOrEmpty(src->Fields("ZIP").Value());
            dst->Fields("Country") = TextOrEmpty(src->Fields("COUNTRY").Value());
            dst->Fields("ContactName1") = TextOrEmpty(src->Fields("REP").Value());

            QString oldPhone;
            QString oldFax;
            dst->Fields("Phone") = CutNumber(run, "Phone", name, src->Fields("PHONE").Value(), oldPhone);
            dst->Fields("Ext") = TextOrEmpty(src->Fields("EXT").Value());
            dst->Fields("Fax") = CutNumber(run, "Fax", name, src->Fields("TELEXFAX").Value(), oldFax);

            const dao::Variant tax1 = src->Fields("TAXRATE1").Value();
            if (!tax1.isNull())
                dst->Fields("TaxRate1") = tax1;
            const dao::Variant tax2 = src->Fields("TAXRATE2").Value();
            if (!tax2.isNull())
                dst->Fields("TaxRate2") = tax2;

            QString notes;
            if (!oldPhone.isEmpty())
                notes += "Phone - " + oldPhone + CRLF;
            if (!oldFax.isEmpty())
                notes += "Fax - " + oldFax + CRLF;
            const QString comment = GetVendorComment(run, vendorId.toText());
            if (!comment.isEmpty())
                notes += "Comments - " + comment + CRLF;
            AddText(notes, "TERMS - ", src->Fields("TERMS").Value());
            AddText(notes, "FREIGHTTERMS - ", src->Fields("FREIGHTTERMS").Value());
            AddText(notes, "SHIPVIA - ", src->Fields("SHIPVIA").Value());
            AddText(notes, "FOB - ", src->Fields("FOB").Value());
            AddValue(notes, "MINORDERAMT - ", src->Fields("MINORDERAMT").Value());
            AddText(notes, "VENDORTYPE - ", src->Fields("VENDORTYPE").Value());
            AddValue(notes, "LASTRECVDATE - ", src->Fields("LASTRECVDATE").Value());
            AddText(notes, "SHIPPER - ", src->Fields("SHIPPER").Value());
            AddText(notes, "Manufacturer - ", src->Fields("FEDID").Value());
            AddText(notes, "CLASS - ", src->Fields("CLASS").Value());
            AddText(notes, "CUSTOMERID - ", src->Fields("CUSTOMERID").Value());
            AddText(notes, "Preferred Order Method - ", src->Fields("PREFORDERMETHOD").Value());
            AddValue(notes, "TOTALOPEN - ", src->Fields("TOTALOPEN").Value());
            AddValue(notes, "TOTALRECEIVED - ", src->Fields("TOTALRECEIVED").Value());
            AddText(notes, "MP2CURRENCY - ", src->Fields("MP2CURRENCY").Value());
            AddText(notes, "NOTES - ", src->Fields("NOTES").Value());
            dst->Fields("Notes") = notes;

            dst->Fields("Status") = "0";
            dst->Update();
            account.Converted("VENDOR");
            account.Created("Vendor");
            src->MoveNext();
        }
        current.clear();
        dst->Close();
        src->Close();
        dst.reset();
        src.reset();

        run.UpProg();

        auto listing = run.DBout->OpenRecordset("Vendor", dao::dbOpenTable);
        if (listing->EOF_())
            return;
        listing->MoveLast();
        run.Log("Records in Vantrix/Mendly Vendor table - " + QString::number(listing->RecordCount()));
        run.Log(QString());
        for (int i = 1; i <= run.NewVendNameList.Count(); ++i)
            run.Log("NewVendName - " + run.NewVendNameList[i].toText() + "    " + "OldVendId - " +
                    run.OldVendIdList[i].toText());
        run.Log(QString());
        listing->Close();
    } catch (const dao::DaoError& e) {
        ConversionTrap(run, "CreateVendor Error:", e, true, current.isEmpty() ? QString() : CR + current);
    }
}
