#pragma once
// The shape of an MP2 database as the import reads it: every table the conversions read, rewrite
// or report, with the columns they use and plausible Jet types and sizes. Tests and the sample
// generator build sources from it, either as a Jet file or straight as a working copy.
#include "db/FieldType.h"
#include "db/Variant.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace testsupport {

struct Mp2Column {
    QString name;
    dao::FieldType type;
    int size = 0;  // characters, Text only
};

// Every MP2 table name the import knows, in a stable order.
const QStringList& Mp2TableNames();
// The columns of one MP2 table (case-insensitive name); empty when the name is unknown.
const std::vector<Mp2Column>& Mp2Columns(const QString& table);

// A working copy at `path` holding every MP2 table (empty), declared per FieldType.h, with the
// lookup indexes the import's copy creates.
void CreateMp2WorkingCopy(const QString& path);

// Rows for one table, given as column-name/value pairs; columns left out are Null.
using Mp2Row = std::vector<std::pair<QString, dao::Variant>>;
void InsertMp2Rows(const QString& path, const QString& table, const std::vector<Mp2Row>& rows);

}  // namespace testsupport
