#include "run/RunSummary.h"

const char* RunResultName(RunResult result)
{
    switch (result) {
    case RunResult::Imported: return "imported";
    case RunResult::Checked: return "checked";
    case RunResult::WouldFail: return "would fail";
    case RunResult::Refused: return "refused";
    case RunResult::Failed: return "failed";
    case RunResult::Cancelled: return "cancelled";
    case RunResult::Interrupted: return "interrupted";
    }
    return "failed";
}
