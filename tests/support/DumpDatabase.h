#pragma once
// Canonical text of a product database and of an import log, so that two runs of the import (before
// and after a change that must not alter results) compare with one string comparison and a diff
// shows what differs.
//
// The dump holds every table of the SQLite file except SQLite's own, in name order (byte order of
// the names), each as one line "TABLE name" followed by its declared columns, one line per column,
// then one line per row. A row line is its values separated by " | ": NULL, integers in decimal,
// reals in their shortest exact form (a trailing ".0" marks a whole real), texts between single
// quotes with \, ', CR, LF and TAB escaped as \\, \', \r, \n and \t, and blobs as X'hex'. Rows are
// in stored order (rowid) unless sorted; tables without rowid are always sorted. Last come the
// autonumbers' high-water marks of the dumped tables, one line "AUTONUMBER name number" each in
// name order: numbers consumed by records added and deleted again are part of the result.
#include "db/DaoError.h"

#include <QString>
#include <QStringList>

namespace testsupport {

struct DumpOptions {
    bool sortRows = false;   // order rows by their text instead of their stored order
    QStringList onlyTables;  // when not empty: just these tables (any letter case), in name order
};

// Raises dao::DaoError: 3024 when the file does not exist, 3000 with SQLite's message when it cannot
// be opened or read (the file is opened read-only and never changed).
QString DumpDatabase(const QString& path, const DumpOptions& options = {});

// The log's text with the start line's time and date (the only thing that differs between two runs
// of the same import) replaced by "<time>", and line ends left as they are.
QString CanonicalLog(const QString& logText);

}  // namespace testsupport
