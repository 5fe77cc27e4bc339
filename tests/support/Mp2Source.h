#pragma once
// An MP2 source for whole-import tests, from rows per table: an Access (Jet 4) file when the Jet
// reader is built beside the tests, else a database in our own format (which the import copies as is).
#include "mp2sample/Mp2Schema.h"

#include <QMap>
#include <QString>
#include <vector>

namespace testsupport {

void WriteMp2Source(const QString& path, const QMap<QString, std::vector<Mp2Row>>& rows);

}  // namespace testsupport
