#include "db/Interrupt.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace dao {

namespace {

std::atomic<int> requested{0};
int deferred = 0;  // DeferInterrupts alive (the run's own thread only)
int wakePipe[2] = {-1, -1};

extern "C" void onStopSignal(int signal)
{
    const int saved = errno;
    int none = 0;
    requested.compare_exchange_strong(none, signal);
    if (wakePipe[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakePipe[1], &byte, 1);
    }
    errno = saved;
}

}  // namespace

void InstallInterruptHandlers()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        wakePipe[0] = wakePipe[1] = -1;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

void RequestInterrupt(int signal) noexcept { onStopSignal(signal); }

void ClearInterrupt() noexcept { requested.store(0); }

int InterruptSignal() noexcept { return requested.load(std::memory_order_relaxed); }

bool StopRequested() noexcept { return deferred == 0 && InterruptSignal() != 0; }

void ThrowIfInterrupted()
{
    if (deferred == 0)
        if (const int signal = InterruptSignal())
            throw Interrupted(signal);
}

DeferInterrupts::DeferInterrupts() noexcept { ++deferred; }
DeferInterrupts::~DeferInterrupts() { --deferred; }

int InterruptWakeFd() noexcept { return wakePipe[0]; }

const char* SignalName(int signal) noexcept
{
    switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    default: return "a signal";
    }
}

}  // namespace dao
