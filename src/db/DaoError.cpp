#include "db/DaoError.h"

namespace dao::JetError {

DaoError TypeMismatch() { return {13, "Type mismatch"}; }
DaoError PermissionDenied(const QString& path)
{
    return {70, path.isEmpty() ? QString("Permission denied") : QString("Permission denied: '%1'").arg(path)};
}
DaoError NoCurrentRecord() { return {3021, "No current record."}; }
DaoError DuplicateKey()
{
    return {3022,
            "The changes you requested to the table were not successful because they would create "
            "duplicate values in the index, primary key, or relationship.  Change the data in the field "
            "or fields that contain duplicate data, remove the index, or redefine the index to permit "
            "duplicate entries and try again."};
}
DaoError FileNotFound(const QString& path) { return {3024, QString("Could not find file '%1'.").arg(path)}; }
DaoError DiskFull() { return {3026, "Not enough space on disk."}; }
DaoError ReadOnly() { return {3027, "Cannot update.  Database or object is read-only."}; }
DaoError UpdateWithoutAddNew() { return {3020, "Update or CancelUpdate without AddNew or Edit."}; }
DaoError InvalidPassword() { return {3031, "Not a valid password."}; }
DaoError FileInUse(const QString& path)
{
    return {3051, QString("The Microsoft Jet database engine cannot open the file '%1'.  It is already "
                          "opened exclusively by another user, or you need permission to view its data.")
                      .arg(path)};
}
DaoError TooFewParameters(int expected)
{
    return {3061, QString("Too few parameters. Expected %1.").arg(expected)};
}
DaoError SyntaxError(const QString& detail)
{
    return {3075, QString("Syntax error in query expression '%1'.").arg(detail)};
}
DaoError NoSuchTable(const QString& name)
{
    return {3078, QString("The Microsoft Jet database engine cannot find the input table or query '%1'.  "
                          "Make sure it exists and that its name is spelled correctly.")
                      .arg(name)};
}
DaoError FieldTooSmall()
{
    return {3163, "The field is too small to accept the amount of data you attempted to add.  "
                  "Try inserting or pasting less data."};
}
DaoError NoSuchItem() { return {3265, "Item not found in this collection."}; }
DaoError RequiredIsNull(const QString& table, const QString& field)
{
    return {3314, QString("The field '%1.%2' cannot contain a Null value because the Required property "
                          "for this field is set to True.  Enter a value in this field.")
                      .arg(table, field)};
}
DaoError UnrecognizedFormat(const QString& path)
{
    return {3343, QString("Unrecognized database format '%1'.").arg(path)};
}
DaoError NumericOverflow() { return {3349, "Numeric field overflow."}; }
DaoError ConversionError() { return {3421, "Data type conversion error."}; }
DaoError Engine(const QString& detail) { return {3000, QString("Reserved error (%1).").arg(detail)}; }

}  // namespace dao::JetError
