#include "run/RunEnding.h"

void StartSummary(RunState& run)
{
    run.summary = RunSummary{};
    run.requested.start();
}

void RecordEnding(RunState& run, RunResult result, std::optional<RunError> error)
{
    if (run.summary.ended)
        return;
    run.summary.ended = true;
    // A check that an error ended once it went ahead found where the import would fail.
    if (run.checkOnly && result == RunResult::Failed)
        result = RunResult::WouldFail;
    run.summary.result = result;
    run.summary.error = std::move(error);
    if (result == RunResult::Failed || result == RunResult::WouldFail || result == RunResult::Cancelled ||
        result == RunResult::Interrupted)
        run.summary.account.StoppedEarly();
    run.summary.registered = result == RunResult::Imported;
    run.summary.seconds = run.requested.isValid() ? static_cast<double>(run.requested.elapsed()) / 1000.0 : 0;
}

void CompleteSummary(RunState& run)
{
    RunSummary& s = run.summary;
    s.source = run.SourcePath.isEmpty() ? run.txtSourceDB : run.SourcePath;
    // A check makes its database in a private folder of its own and removes it with the folder: it is
    // told where the import would make it, unless its removal failed and it is still there.
    const bool privateCopy = run.checkOnly && !run.files.made(RunFile::NewDatabase);
    if (!run.TargetPath.isEmpty() && !privateCopy)
        s.database = run.TargetPath;
    else if (!run.txtTargetDir.isEmpty() && !run.txtFileName.isEmpty())
        s.database = (run.txtTargetDir.endsWith(QLatin1Char('/')) ? run.txtTargetDir : run.txtTargetDir + "/") +
                     run.txtFileName;
    if (s.registered)
        s.databaseFate = DatabaseFate::Registered;
    else if (run.files.made(RunFile::NewDatabase))
        s.databaseFate = DatabaseFate::Left;
    else if (run.files.removed(RunFile::NewDatabase))
        s.databaseFate = DatabaseFate::Removed;
    else
        s.databaseFate = DatabaseFate::NotMade;
    s.log = run.log.gLogOpen() && !run.log.pending() ? run.log.gLogPath() : QString();
}
