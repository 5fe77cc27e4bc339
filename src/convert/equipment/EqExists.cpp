#include "convert/equipment/EqExists.h"

#include "common/Lookups.h"

bool EqExists(RunState& run, const QString& Eq)
{
    auto rs = run.DBout->OpenRecordset("Select * From Equipment Where [Equipment#] = '" + DoubleApostrophes(Eq) + "'",
                                       dao::dbOpenDynaset);
    bool found = false;
    if (!(rs->BOF() && rs->EOF_())) {
        rs->MoveFirst();
        found = true;
    }
    rs->Close();
    return found;
}
