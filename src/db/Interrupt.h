#pragma once
// Stopping a run from outside: SIGINT (Ctrl-C) and SIGTERM ask the running import to stop. The signal
// handler only records which signal came; the run sees it at its next step (a progress step, a SQLite
// statement that runs long, the wait for the Jet reader) and ends there as Cancel Import ends it.
#include <stdexcept>

namespace dao {

// Thrown at the step where a requested stop is seen. Not a DaoError: no trap of a conversion takes
// it for one of its own failures; the driver's own trap ends the run with status 128 + signal.
struct Interrupted : std::runtime_error {
    explicit Interrupted(int signal) : std::runtime_error("interrupted"), signal(signal) {}
    int signal;
};

// Installs the handlers for SIGINT and SIGTERM (once per process). A second signal of the same kind
// ends the process at once, for a clean-up that does not finish.
void InstallInterruptHandlers();
// Records a stop request as the handlers do (for tests and for callers that stop a run themselves).
void RequestInterrupt(int signal) noexcept;
void ClearInterrupt() noexcept;
// The signal that asked to stop, or 0.
int InterruptSignal() noexcept;
// A stop was asked for and is not deferred: the run must end at this step.
bool StopRequested() noexcept;
// Throws Interrupted when a stop was asked for (and is not deferred).
void ThrowIfInterrupted();
// While one lives, a request to stop is not acted on (it stays recorded): for the steps after which a
// run is complete, such as those after its registration.
class DeferInterrupts {
public:
    DeferInterrupts() noexcept;
    ~DeferInterrupts();
    DeferInterrupts(const DeferInterrupts&) = delete;
    DeferInterrupts& operator=(const DeferInterrupts&) = delete;
};
// A descriptor that becomes readable when a stop is asked for (for an event loop to watch), or -1
// before InstallInterruptHandlers.
int InterruptWakeFd() noexcept;
// "SIGINT", "SIGTERM" or "a signal".
const char* SignalName(int signal) noexcept;

}  // namespace dao
