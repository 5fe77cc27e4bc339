#include "convert/reference/GetVendorComment.h"

#include "common/Lookups.h"
#include "common/Trim.h"

QString GetVendorComment(RunState& run, QString InVendorId)
{
    QString result;
    if (Trim(InVendorId).isEmpty())
        return result;
    const QString sql = "Select * From VENDCOMM Where VENDORID = '" + DoubleApostrophes(InVendorId) + "'";
    auto rs = run.DBin->OpenRecordset(sql, dao::dbOpenDynaset);
    if (!(rs->BOF() && rs->EOF_())) {
        rs->MoveFirst();
        const dao::Variant comments = rs->Fields("COMMENTS").Value();
        if (!comments.isNull())
            result = comments.toText();
        rs->Close();
    }
    return result;
}
