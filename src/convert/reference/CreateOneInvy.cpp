#include "convert/reference/CreateOneInvy.h"

#include "db/DaoError.h"
#include "run/ErrorBox.h"
#include "run/RecordWarning.h"

bool CreateOneInvy(RunState& run, const QString& InItemNum, const QString& InDesc, qint16 InStatus)
{
    bool result = false;
    std::unique_ptr<dao::Recordset> rs;
    try {
        rs = run.DBout->OpenRecordset("Invy", dao::dbOpenTable);
        if (InItemNum.isEmpty()) {
            const QString blank = QStringLiteral("Error: Sub CreateOneInvy was sent a blank InItemNum.");
            RecordWarning(run, blank, WarningLogged::ByCaller);
            run.Log(blank);
            run.Log(QString());
        } else {
            rs->AddNew();
            rs->Fields("Item#") = InItemNum;
            rs->Fields("Description") = InDesc;
            rs->Fields("Location") = QString();
            rs->Fields("UOM") = QString();
            rs->Fields("ReorderPoint") = 0;
            rs->Fields("ReorderQty") = 0;
            rs->Fields("QOH") = 0;
            rs->Fields("QtyOnOrder") = 0;
            rs->Fields("Cost") = 0;
            rs->Fields("VendorId") = 0;
            rs->Fields("Notes") = QStringLiteral("MP2 was missing INVY rec, Vantrix rec created,") +
                                  "to save MP2 WO Item history";
            rs->Fields("Status") = InStatus == 1 ? 1 : 0;
            rs->Update();
            run.summary.account.Invented("Invy");  // inactive, to keep history
            dao::Idle(dao::dbRefreshCache);
            result = true;
        }
        rs->Close();
        rs.reset();
        dao::Idle(dao::dbRefreshCache);
        return result;
    } catch (const dao::DaoError& e) {
        if (rs) {
            rs->Close();
            rs.reset();
            dao::Idle(dao::dbRefreshCache);
        }
        ShowErrorBox(run, "CreateOneInvy Error:" + QString::number(e.Number) + QChar(13) + e.Description);
        return false;
    }
}
