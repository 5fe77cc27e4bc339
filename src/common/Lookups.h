#pragma once
// Helpers shared by the wizard and the conversions: quote doubling for SQL text literals, record
// lookups on the run's databases, file-name validation, character removal and the generic error box.
// They keep no state; the lookups report their own failures in a box and give False or 0.
#include "run/RunState.h"
#include "db/DaoError.h"

#include <QChar>
#include <QString>
#include <optional>

class Operator;

// The text with every ' doubled, for a value placed between single quotes in SQL text.
QString DoubleApostrophes(const QString& InText);

// Does a row of DBTable hold InValue in TableField (DataType 1 text, 2 number), other than the row
// whose InIdField is InExcludeId (-1: no exclusion)? SearchDB names the database: "gVXDBListDb".
bool DoesRecExist(RunState& run, const QString& SearchDB, const QString& DBTable, const QString& TableField,
                  const QString& InValue, qint16 DataType, qint32 InExcludeId, const QString& InIdField);

// The InKeyField of the first row of TableName whose FieldName is InValue (whose quotes the caller has
// already doubled); 0 when there is none, said in a box when InShowMsg is set. SearchDB: "DBout".
qint32 GetGenericLongKey(RunState& run, const QString& SearchDB, const QString& InValue, const QString& TableName,
                         const QString& FieldName, const QString& InKeyField, bool InShowMsg);

// The Id of the Vendor of DBout named InVendorName; 0 (and a box) when there is none.
qint32 GetVendorIndex(RunState& run, const QString& InVendorName);

// Is InFileName (no directory) a valid file name, with the extension InExtension when given? Every
// refusal is shown in a box with the exclamation icon.
bool IsValidFileName(Operator& op, const QString& InFileName, const std::optional<QString>& InExtension = {});

// InText without any InChar.
QString RemoveChar(QChar InChar, const QString& InText);

// The generic error box (critical icon): "Error " & number & " - " & description, headed by
// the procedure's name and ": " when one is given. Nothing is shown for error number 0.
void ShowError(Operator& op, const dao::DaoError& error, const QString& procName = {});

// The title of the file-name boxes.
inline const char* const kOopsTitle = "QRT Oops!";
