#pragma once
// How one run ended, for the operator and for scripts: the result in one word, the error that ended it
// (its number, its description and where it was raised), the files, whether the new database was
// registered, the time taken, the account of every source row and the warnings collected. Filled on
// every way out of a run; shown by the wizard's summary window, printed by the unattended mode and
// written to its report.
#include "run/RunAccount.h"

#include <QString>
#include <QStringList>
#include <optional>

enum class RunResult {
    Imported,     // the new database is made and registered
    Checked,      // a check-only run went through: nothing registered, no database kept
    WouldFail,    // a check-only run ended by an error after it went ahead: the import would fail there too
    Refused,      // a check or the operator's No stopped it before the import began
    Failed,       // an error ended it (its trap removed the new database)
    Cancelled,    // "Cancel Import"
    Interrupted,  // SIGINT or SIGTERM
};

// "imported", "checked", "would fail", "refused", "failed", "cancelled" or "interrupted".
const char* RunResultName(RunResult result);

struct RunError {
    int number = 0;
    QString description;
    QString where;  // the procedure whose trap took it ("DoImport", "CreateEq", ...)
};

// What became of the new database.
enum class DatabaseFate {
    NotMade,     // the run ended before it was made
    Removed,     // made, then removed (a check, or a run that did not go through)
    Left,        // made, and still on disk because its removal failed: not registered
    Registered,  // made and registered
};

struct RunSummary {
    RunResult result = RunResult::Refused;
    std::optional<RunError> error;
    QString source;    // the MP2 database
    QString database;  // the new database (for a check-only run: where the import would make it)
    QString log;       // the import log (MP2ImportCheck.txt for a check-only run)
    bool registered = false;
    DatabaseFate databaseFate = DatabaseFate::NotMade;
    QStringList errorBoxes;  // the texts of the boxes of traps that let the run go on (see run/ErrorBox.h)
    double seconds = 0;
    RunAccount account;
    QStringList warnings;  // record warnings written to the log only, and the working copy's warnings
    bool ended = false;    // the way out is recorded (RecordEnding): a later one does not replace it
};
