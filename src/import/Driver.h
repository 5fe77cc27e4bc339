#pragma once
// The import driver: one complete import from "Begin Import" to the end of the program, and the
// traps every conversion shares.
#include "import/RunState.h"
#include "import/db/DaoError.h"

#include <QString>
#include <functional>
#include <vector>

// Creates the directory when it is missing (one level: the parent must exist). Raises 76 when the
// parent is missing, 75 when the directory cannot be made.
void MakeDirIfMissing(const QString& dir);

// Opens the import log beside the new database, as the Import button does once all its checks have
// passed: the first time it creates (or empties) "<target directory>/MP2ImportLog.txt"; every time it
// stamps gStartDate and gStartTime and writes the start line and an empty line. A later call in the
// same run appends to the open log.
void OpenImportLog(RunState& run);

// "Begin Import": the status, then the import. Never returns: the program ends with EndProgram.
[[noreturn]] void BeginImport(RunState& run);

// One conversion of the import: the status text shown while it runs, and the procedure.
struct ConversionStep {
    QString status;
    std::function<void(RunState&)> procedure;
};

// The eleven conversions, in the order they run.
const std::vector<ConversionStep>& StandardConversions();

// The whole import. Never returns normally: both success and every failure end the program by
// throwing EndProgram (status 0 after a completed import). The second form runs the given
// conversions in place of the standard ones.
[[noreturn]] void DoImport(RunState& run);
[[noreturn]] void DoImport(RunState& run, const std::vector<ConversionStep>& conversions);

// Removes the new database of this run: closes DBout when it is open and deletes the file at
// TargetPath when there is one. Raises 75 when the file cannot be deleted, and the error of the
// close, after the file is gone, when DBout could not be closed.
void RemoveNewDatabase(RunState& run);

// The common trap of the conversions: shows label & number & CR & description (& suffix) in an OK
// box, and also writes it to the import log, followed by an empty line, when alsoLog is set; then
// removes the new database and ends the program.
[[noreturn]] void ConversionTrap(RunState& run, const QString& label, const dao::DaoError& error,
                                 bool alsoLog = false, const QString& suffix = {});

// The six MP2 tables that no conversion reads, in the order they are reported.
extern const char* const kUnconvertedTables[6];
