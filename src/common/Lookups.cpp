#include "common/Lookups.h"

#include "run/ErrorBox.h"
#include "run/Operator.h"
#include "db/Database.h"

#include <limits>

namespace {

const QChar CR(13);

// The box of the lookups' traps; the run goes on with the result reached so far.
void ShowLookupError(RunState& run, const QString& heading, const dao::DaoError& e)
{
    ShowErrorBox(run, heading + CR + "Err.Source = " + "DAO" + ", Err.Description = " + e.Description +
                           ", Err.Number = " + QString::number(e.Number) + CR);
}

dao::Database& Require(const std::shared_ptr<dao::Database>& db)
{
    if (!db || !db->isOpen())
        throw dao::DaoError(91, "Object variable or With block variable not set");
    return *db;
}

// A key field read as a 32-bit integer, as CLng reads it.
qint32 LongKey(const dao::Variant& value)
{
    if (value.isNull())
        throw dao::DaoError(94, "Invalid use of Null");
    const qint64 key = value.toLong();
    if (key > std::numeric_limits<qint32>::max() || key < std::numeric_limits<qint32>::min())
        throw dao::DaoError(6, "Overflow");
    return static_cast<qint32>(key);
}

}  // namespace

QString DoubleApostrophes(const QString& InText)
{
    QString out;
    out.reserve(InText.size() + 8);
    for (const QChar c : InText) {
        if (c == QLatin1Char('\''))
            out += QLatin1String("''");
        else
            out += c;
    }
    return out;
}

bool DoesRecExist(RunState& run, const QString& SearchDB, const QString& DBTable, const QString& TableField,
                  const QString& InValue, qint16 DataType, qint32 InExcludeId, const QString& InIdField)
{
    bool result = false;
    try {
        const QString opening = QStringLiteral("Error: Function DoesRecExist was sent ");
        bool blank = false;
        if (SearchDB.isEmpty()) {
            run.op.MsgBox(opening + "a blank SearchDB.");
            blank = true;
        }
        if (DBTable.isEmpty()) {
            run.op.MsgBox(opening + "a blank DBTable.");
            blank = true;
        }
        if (TableField.isEmpty()) {
            run.op.MsgBox(opening + "a blank TableField.");
            blank = true;
        }
        if (blank)
            return false;

        QString sql = "Select * From " + DBTable + " Where [" + TableField + "] = ";
        if (DataType == 1) {
            sql += "'" + DoubleApostrophes(InValue) + "'";
        } else if (DataType == 2) {
            sql += DoubleApostrophes(InValue);
        } else {
            run.op.MsgBox(QStringLiteral("Error: Function DoesRecExist was ") + "sent an invalid DataType.");
            return false;
        }
        if (InExcludeId != -1)
            sql += " And [" + InIdField + "] <> " + QString::number(InExcludeId);

        if (SearchDB != QLatin1String("gVXDBListDb")) {
            run.op.MsgBox(opening + "an invalid SearchDB. The following was " + "sent: " + SearchDB);
            return false;
        }
        auto rs = Require(run.gVXDBListDb).OpenRecordset(sql, dao::dbOpenDynaset);
        if (!(rs->EOF_() && rs->BOF())) {
            result = true;
            rs->Close();
        }
        return result;
    } catch (const dao::DaoError& e) {
        ShowLookupError(run, "In function DoesRecExist: ", e);
        return result;
    }
}

qint32 GetGenericLongKey(RunState& run, const QString& SearchDB, const QString& InValue, const QString& TableName,
                         const QString& FieldName, const QString& InKeyField, bool InShowMsg)
{
    qint32 result = 0;
    try {
        bool blank = false;
        if (TableName.isEmpty()) {
            run.op.MsgBox("GetGenericLongKey was sent a blank TableName.");
            blank = true;
        }
        if (FieldName.isEmpty()) {
            run.op.MsgBox("GetGenericLongKey was sent a blank FieldName.");
            blank = true;
        }
        if (blank)
            return 0;

        const QString sql = "Select * from " + TableName + " where [" + FieldName + "] = '" + InValue + "' ";
        if (SearchDB != QLatin1String("DBout")) {
            run.op.MsgBox(QStringLiteral("Error: Function GetGenericLongKey was sent ") +
                          "an invalid SearchDB. The following was " + "sent: " + SearchDB);
            return 0;
        }
        auto rs = Require(run.DBout).OpenRecordset(sql, dao::dbOpenDynaset);
        if (!(rs->EOF_() && rs->BOF())) {
            rs->MoveFirst();
            result = LongKey(rs->Fields(InKeyField).Value());
            rs->Close();
        } else if (InShowMsg) {
            run.op.MsgBox("GetGenericLongKey failed to find a record where " + FieldName + " = '" + InValue +
                          "' in table '" + TableName + "'");
        }
        return result;
    } catch (const dao::DaoError& e) {
        ShowLookupError(run, "In function GetGenericLongKey: ", e);
        return result;
    }
}

qint32 GetVendorIndex(RunState& run, const QString& InVendorName)
{
    qint32 result = 0;
    try {
        if (InVendorName.isEmpty())
            return 0;
        auto rs = Require(run.DBout).OpenRecordset(
            "Select * from Vendor where [Name] = '" + DoubleApostrophes(InVendorName) + "'", dao::dbOpenDynaset);
        if (!(rs->EOF_() && rs->BOF())) {
            rs->MoveFirst();
            result = LongKey(rs->Fields("Id").Value());
            rs->Close();
        } else {
            run.op.MsgBox("GetVendorIndex failed to find an index value for " + InVendorName);
        }
        return result;
    } catch (const dao::DaoError& e) {
        ShowLookupError(run, "In function GetVendorIndex: ", e);
        return result;
    }
}

bool IsValidFileName(Operator& op, const QString& InFileName, const std::optional<QString>& InExtension)
{
    try {
        const QString oops = QString::fromLatin1(kOopsTitle);
        const qsizetype P = InFileName.indexOf(QLatin1Char('.')) + 1;  // 1-based; 0 when there is no dot

        if (InExtension && (P < 2 || P > 250)) {
            op.MsgBox(InFileName + " is not a valid file name.  There are too many characters before the dot.",
                      MsgIcon::Exclamation);
            return false;
        }
        if (P > 0 && InFileName.indexOf(QLatin1Char('.'), P) >= 0) {
            op.MsgBox(InFileName.toUpper() + " is not a valid file name.", MsgIcon::Exclamation, oops);
            return false;
        }

        static const QString invalid = QStringLiteral("\\/:*?\"<>|");
        bool offending = false;
        for (const QChar c : InFileName) {
            if (!invalid.contains(c))
                continue;
            op.MsgBox("'" + InFileName + "'" + " is not a valid file name" + CR + "The " + "'" + c + "'" +
                          " is an invalid character.",
                      MsgIcon::Exclamation, oops);
            offending = true;
        }
        if (offending)
            return false;

        if (InExtension) {
            const QString E = InFileName.mid(P);
            if (E.size() > 3) {
                op.MsgBox(InFileName +
                              " is not a valid file name. The file extention must be three characters or less.",
                          MsgIcon::Exclamation, oops);
                return false;
            }
            if (E.toUpper() != InExtension->toUpper()) {
                op.MsgBox("Invalid Extension - requires " + InExtension->toUpper() + "' extention.",
                          MsgIcon::Exclamation);
                return false;
            }
        }
        return true;
    } catch (const dao::DaoError& e) {
        ShowError(op, e);
        return false;
    }
}

QString RemoveChar(QChar InChar, const QString& InText)
{
    QString out;
    out.reserve(InText.size());
    for (const QChar c : InText)
        if (c != InChar)
            out += c;
    return out;
}

void ShowError(Operator& op, const dao::DaoError& error, const QString& procName)
{
    op.SetBusy(false);
    if (error.Number == 0)
        return;
    const QString text = "Error " + QString::number(error.Number) + " - " + error.Description;
    op.MsgBox(procName.isEmpty() ? text : procName + ": " + text, MsgIcon::Critical);
}
