#pragma once
// How a run ends, into run.summary: a new summary for every attempt, the result and the error of the
// way out that ends the run, and the files and the time once it has ended.
#include "run/RunState.h"

#include <optional>

// A new attempt to import (the Import button): an empty summary, and the clock runs from now.
void StartSummary(RunState& run);

// Records the result and the error of the way out that ends the run, and the seconds since the import
// was requested (the time the operator then spends on the last box is not the run's). The first one
// recorded stands:
// a trap further up that the program ends through, or a failure of the clean-up, does not replace
// what the operator was told first. For a check, Failed is recorded as WouldFail.
void RecordEnding(RunState& run, RunResult result, std::optional<RunError> error = std::nullopt);

// The files and the time as they stand at the end: the source, the new database (for a check-only run
// the place the import would make it, or the private place where the check's own was left when it could
// not be removed), the log when it is on disk (a log still pending was never written).
void CompleteSummary(RunState& run);
