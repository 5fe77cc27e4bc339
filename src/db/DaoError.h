#pragma once
// Errors of the database layer: a number and a description, as the Jet engine reports them.
#include <QString>
#include <stdexcept>

namespace dao {

class DaoError : public std::runtime_error {
public:
    DaoError(int number, const QString& description)
        : std::runtime_error(description.toStdString()), Number(number), Description(description) {}
    int Number;
    QString Description;
};

// Jet's own numbers and texts for the failures the conversions meet.
namespace JetError {
DaoError TypeMismatch();                                   // 13
DaoError PermissionDenied(const QString& path = {});       // 70
DaoError NoCurrentRecord();                                // 3021
DaoError DuplicateKey();                                   // 3022
DaoError FileNotFound(const QString& path);                // 3024
DaoError DiskFull();                                       // 3026
DaoError ReadOnly();                                       // 3027
DaoError UpdateWithoutAddNew();                            // 3020
DaoError InvalidPassword();                                // 3031
DaoError FileInUse(const QString& path);                   // 3051
DaoError TooFewParameters(int expected);                   // 3061
DaoError SyntaxError(const QString& detail);               // 3075
DaoError NoSuchTable(const QString& name);                 // 3078
DaoError FieldTooSmall();                                  // 3163
DaoError NoSuchItem();                                     // 3265
DaoError RequiredIsNull(const QString& table, const QString& field);  // 3314
DaoError UnrecognizedFormat(const QString& path);          // 3343
DaoError NumericOverflow();                                // 3349
DaoError ConversionError();                                // 3421
DaoError Engine(const QString& detail);                    // 3000, a failure without a Jet number
}  // namespace JetError

}  // namespace dao
