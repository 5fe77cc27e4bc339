#pragma once
// The trap every conversion shares, and the removal of the new database that it and the driver's own
// trap end with: a failed run leaves no half-built database behind.
#include "db/DaoError.h"
#include "run/RunState.h"

#include <QString>

// Removes the new database of this run: closes DBout when it is open (dropping its pending writes)
// and deletes the file at TargetPath when there is one, with its journal. Raises 75 when the file
// cannot be deleted, and the error of the close, after the file is gone, when DBout could not be
// closed.
void RemoveNewDatabase(RunState& run);

// The common trap of the conversions: shows label & number & CR & description (& suffix) in an OK
// box, and also writes it to the import log, followed by an empty line, when alsoLog is set; then
// removes the new database and ends the program.
[[noreturn]] void ConversionTrap(RunState& run, const QString& label, const dao::DaoError& error,
                                 bool alsoLog = false, const QString& suffix = {});
