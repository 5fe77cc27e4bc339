#pragma once
// Copies a Jet 3 or Jet 4 file into a new SQLite file in the layer's working-copy format:
// every user table with its columns, types, sizes, required flags and rows in stored order,
// the primary keys and unique indexes, lookup indexes on the columns the conversions search,
// the relationships (table MSysRelationships) and the database password's verifier.
//
// Rows are taken from the pages themselves (libmdb reads the catalog, table definitions and
// row layout): deleted rows are skipped, moved rows are followed, and every value is decoded
// from its stored bytes, never from libmdb's text forms.
//
// Runs in the child program crew-jet-reader: a damaged file can still crash or hang libmdb,
// and the parent contains that. Any failure raises a dao::DaoError that names the source file.
// Damage that costs no data (an index whose pages lie beyond the end of the file: the copy builds its
// indexes from their definitions) is no failure: the copy is made, and a warning says what was found.
#include "db/DaoError.h"
#include "jet/CopyPlan.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace jetreader {

// Called at the start of each table, every few thousand rows and before each index is built
// (rows = -1), so that the parent can tell a long copy from a hang.
using ProgressFn = std::function<void(const QString& table, qint64 rows)>;

// Returns the warnings, each one sentence for the import log that names the file, the table and what
// was done; empty for a sound file.
// Only what `plan` asks for is copied (jet/CopyPlan.h); by default every table whole.
QStringList copyJetFile(const QString& sourcePath, const QString& destPath, const ProgressFn& progress = {},
                        const dao::CopyPlan& plan = {});

// The conversions' lookup columns: an index is made on each one that exists in the copy.
struct LookupColumn {
    const char* table;
    const char* column;
};
extern const LookupColumn kLookupColumns[];
extern const int kLookupColumnCount;

}  // namespace jetreader
