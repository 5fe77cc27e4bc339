#pragma once
// The import driver: one complete import from "Begin Import" to the end of the program.
#include "run/RunState.h"
#include "db/DaoError.h"

#include <QString>
#include <functional>
#include <vector>

// Creates the directory when it is missing (one level: the parent must exist). Raises 76 when the
// parent is missing, 75 when the directory cannot be made.
void MakeDirIfMissing(const QString& dir);

// Opens the import log beside the new database, as the Import button does before its last checks:
// the first time it opens "<target directory>/MP2ImportLog.txt" pending (raising, without making
// anything, what making it would raise); every time it stamps gStartDate and gStartTime and writes the
// start line and an empty line. A later call in the same run appends to the open log. Nothing reaches
// the disk until the import goes ahead (CommitImportLog), so an attempt that the checks refuse leaves an
// earlier import's log and the folders as they were.
void OpenImportLog(RunState& run);
// The Import button's checks have passed: the current folder and the target directory, when it exists,
// are claimed for this run (a second import in either is refused, 75). Nothing is made: the target
// directory is made and the log reaches the disk when the import begins.
void ClaimImportFolders(RunState& run);
// The import begins: the folders are claimed (the target directory made when missing) and a pending log
// is written to a file made afresh by the run's plan and put in place of an earlier log, the lines kept
// so far first. A check-only run writes it to "<target directory>/MP2ImportCheck.txt" instead and never
// touches MP2ImportLog.txt.
void CommitImportLog(RunState& run);

// The name of the log this attempt writes: MP2ImportLog.txt, or MP2ImportCheck.txt for a check only.
QString LogFileName(const RunState& run);

// The path of the log this attempt writes: MP2ImportLog.txt, or MP2ImportCheck.txt beside it for a
// check only.
QString ImportLogPath(const RunState& run);

// What no run may write or remove: the source, the product's database list and template, and every
// database the list registers.
std::vector<ProtectedFile> ProtectedFiles(RunState& run);

// The places of the files an attempt with the form's present values plans (RunFiles::Fix): the source,
// the working copy in the current folder, the new database, the log (of a check, for a check) and what
// no run may touch.
RunPlaces PlannedPlaces(RunState& run);

// Raises 75 when the new database's path (or its journal's) is too long for the file system: a name
// longer than the folder's limit, or a path longer than the system's.
void CheckTargetPathLength(const QString& targetPath);

// One conversion of the import: the status text shown while it runs, and the procedure.
struct ConversionStep {
    QString status;
    std::function<void(RunState&)> procedure;
};

// The eleven conversions, in the order they run.
const std::vector<ConversionStep>& StandardConversions();

// "Begin Import": the status, then the import. Never returns: the program ends with EndProgram, and
// run.summary says how the run ended. With run.checkOnly set ("Check Only") the whole import is made
// into a private folder beside the target with the same questions, nothing is registered, the new
// database is removed at the end and the log is MP2ImportCheck.txt; the result is Checked. The
// working copy is removed at the end of every run. `conversions` are the steps run in place of the
// standard ones (the unattended mode checks its answers against the source first).
[[noreturn]] void BeginImport(RunState& run, const std::vector<ConversionStep>& conversions = StandardConversions());

// The whole import. Never returns normally: both success and every failure end the program by
// throwing EndProgram (status 0 after a completed import). The second form runs the given
// conversions in place of the standard ones.
[[noreturn]] void DoImport(RunState& run);
[[noreturn]] void DoImport(RunState& run, const std::vector<ConversionStep>& conversions);

// The six MP2 tables that no conversion reads, in the order they are reported.
extern const char* const kUnconvertedTables[6];
