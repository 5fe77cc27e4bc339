// The meter readings: one reading per piece of equipment and date, keeping the highest value when
// MP2 holds several for the same equipment at the same moment.
#include "common/Lookups.h"
#include "convert/Conversions.h"
#include "convert/equipment/EqExists.h"
#include "run/ConversionTrap.h"
#include "run/RecordWarning.h"
#include "db/Database.h"
#include "db/JetDate.h"

void CreateMeter(RunState& run)
{
    try {
        auto meter = run.DBin->OpenRecordset("METER", dao::dbOpenTable);
        RunAccount& account = run.summary.account;
        account.Read("METER", meter->RecordCount());
        if (meter->BOF() && meter->EOF_()) {
            meter->Close();
            return;
        }
        meter->MoveLast();
        run.Log("Records in MP2 METER table - " + QString::number(meter->RecordCount()));
        run.Log("Note: There is not a 1 to 1 correspondence with the ");
        run.Log("records in the VX Meter Readings table.");
        run.Log(QString());
        meter->MoveFirst();

        auto readings = run.DBout->OpenRecordset("Meter Readings", dao::dbOpenTable);
        while (!meter->EOF_()) {
            const dao::Variant eqNumValue = meter->Fields("EQNUM").Value();
            const QString eqNum = eqNumValue.toText();
            const dao::Variant date = meter->Fields("EQDATE").Value();
            const dao::Variant value = meter->Fields("CURMTR").Value();
            const QString skipped = QStringLiteral("Record in MP2 METER table skipped ") + "Equipment# '" + eqNum;
            if (!EqExists(run, eqNum)) {
                const QString text = skipped + "' not found in Vantrix Equipment table.";
                run.Log(text);
                run.Log(QString());
                RecordWarning(run, text, WarningLogged::ByCaller);
                account.Skipped("METER", "Record in MP2 METER table skipped. Equipment# not found in Vantrix "
                                         "Equipment table.");
            } else if (date.isNull()) {
                run.Log(skipped + "' is missing the date in the " + "MP2 METER table.");
                run.Log(QString());
                account.Skipped("METER", "Record in MP2 METER table skipped. Equipment# is missing the date in the "
                                         "MP2 METER table.");
            } else if (value.isNull()) {
                run.Log(skipped + "' is missing the meter reading in the " + "MP2 METER table.");
                run.Log(QString());
                account.Skipped("METER", "Record in MP2 METER table skipped. Equipment# is missing the meter reading "
                                         "in the MP2 METER table.");
            } else {
                // The date literal is written in the stored form, with its time: a reading of the
                // same moment is found whatever the operator's date format, and only that one.
                auto earlier = run.DBout->OpenRecordset(QStringLiteral("Select * From [Meter Readings] ") +
                                                            "Where [Equipment#] = '" + DoubleApostrophes(eqNum) +
                                                            "' " + "And Date = #" + dao::isoFromDate(date.toDate()) +
                                                            "#",
                                                        dao::dbOpenDynaset);
                if (!(earlier->BOF() && earlier->EOF_())) {
                    account.Merged("METER");  // one reading per equipment and moment: the highest
                    if (earlier->Fields("Value").Value().toDouble() < value.toDouble()) {
                        earlier->Edit();
                        earlier->Fields("Value") = value;
                        earlier->Update();
                    }
                    earlier->Close();
                } else {
                    earlier->Close();
                    readings->AddNew();
                    readings->Fields("Equipment#") = eqNumValue;
                    readings->Fields("Date") = date;
                    readings->Fields("Value") = value;
                    readings->Update();
                    account.Converted("METER");
                    account.Created("Meter Readings");
                }
            }
            run.UpProg();
            meter->MoveNext();
        }
        readings->Close();
        meter->Close();

        auto count = run.DBout->OpenRecordset("Meter Readings", dao::dbOpenTable);
        if (!count->EOF_()) {
            count->MoveLast();
            run.Log("Records in Vantrix/Mendly Meter Readings table - " + QString::number(count->RecordCount()));
            run.Log(QString());
        }
        count->Close();
    } catch (const dao::DaoError& e) {
        ConversionTrap(run, "CreateMeter Error:", e);
    }
}
