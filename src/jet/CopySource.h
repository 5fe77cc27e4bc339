#pragma once
// "Copy the source": turns the operator's database into the working copy the import changes.
//
// A SQLite source is copied byte for byte. A Jet source (.mdb) is checked (it exists, can be read,
// is a Jet 3 or Jet 4 file that is neither encrypted nor cut short) and then read by the child
// program crew-jet-reader into our SQLite format; a reader that crashes, stops making progress or
// reports an error gives a DaoError naming the source file and saying what is wrong.
//
// The copy is written under a temporary name in a private folder beside the destination and renamed
// into place only when it is complete (and, when asked, verified), so a failed or killed copy never
// leaves a file that looks whole, and a file already at the destination is replaced only by a whole
// copy. The source is only ever opened for reading.
//
// Damage that costs no data does not stop the copy: CopySource returns a warning for each (today an
// index whose pages lie beyond the end of the file, built again from its definition), one sentence
// for the import log that names the file, the table and what was done. A sound file gives none.
#include "db/DaoError.h"
#include "jet/CopyPlan.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace dao {

struct CopySourceOptions {
    int stallTimeoutMs = 60000;  // the reader is taken for hung after this long without progress
    QString readerPath;          // empty: JetReaderPath()
    // Called with the complete copy before it is put in place; what it raises ends the copy and leaves
    // the destination as it was.
    std::function<void(const QString& copy)> verify;
    // What the copy of an Access source holds (every table whole unless planned); a SQLite source is
    // copied byte for byte whatever the plan.
    CopyPlan plan;
};

QStringList CopySource(const QString& sourcePath, const QString& destPath);
QStringList CopySource(const QString& sourcePath, const QString& destPath, const CopySourceOptions& options);

// Where the Jet reader is looked for: beside the running executable (the build tree), else where an
// installation puts it relative to the programs (<prefix>/lib/crew-import/ for <prefix>/bin/). When
// neither is there, the path beside the executable, which the error then names.
QString JetReaderPath();

}  // namespace dao
