#include "app/ProgressLine.h"

#include "run/SummaryText.h"

#include <csignal>
#include <pthread.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

// How often the line is looked at, and how long it may stay as it is while the time moves on.
constexpr auto kTick = std::chrono::milliseconds(250);
constexpr qint64 kStillAtMost = 1000;

void Put(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(STDERR_FILENO, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n <= 0)
            return;  // a terminal that went away: nothing more to show
        done += n;
    }
}

// The width of the terminal less one column: a line that wrapped could not be redrawn in place.
int Width()
{
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1)
        return size.ws_col - 1;
    return 79;
}

}  // namespace

bool ProgressLine::Wanted() { return ::isatty(STDERR_FILENO) == 1; }

ProgressLine::ProgressLine()
{
    clock_.start();
    ticker_ = std::thread([this] { Tick(); });
}

ProgressLine::~ProgressLine() { Stop(); }

void ProgressLine::SetStatus(const QString& text)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    status_ = text.trimmed();
    changed_ = true;
}

void ProgressLine::SetProgress(double value, double maximum)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    changed_ = changed_ || value != value_ || maximum != maximum_;
    value_ = value;
    maximum_ = maximum;
}

std::unique_lock<std::mutex> ProgressLine::Hold()
{
    std::unique_lock<std::mutex> lock(mutex_);
    ClearLocked();
    return lock;
}

void ProgressLine::Stop()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (stopped_)
            return;
        stopped_ = true;
        ClearLocked();
    }
    wake_.notify_all();
    if (ticker_.joinable())
        ticker_.join();
}

void ProgressLine::Tick()
{
    // A request to stop is the run's to see, on its own thread.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    ::pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopped_) {
        const qint64 now = clock_.elapsed();
        if (changed_ || !drawn_ || now - drawnAt_ >= kStillAtMost)
            DrawLocked();
        wake_.wait_for(lock, kTick, [this] { return stopped_; });
    }
}

void ProgressLine::DrawLocked()
{
    const int percent = maximum_ > 0 ? static_cast<int>(std::floor(std::min(value_, maximum_) * 100 / maximum_)) : 0;
    QString line = QString("crew-import: %1%  %2  %3")
                       .arg(percent, 3)
                       .arg(ElapsedText(static_cast<double>(clock_.elapsed()) / 1000), status_);
    const int width = Width();
    if (line.size() > width)
        line = line.left(std::max(width - 3, 0)) + "...";
    Put("\r" + line.toUtf8() + "\033[K");
    drawn_ = true;
    changed_ = false;
    drawnAt_ = clock_.elapsed();
}

void ProgressLine::ClearLocked()
{
    if (!drawn_)
        return;
    Put("\r\033[K");
    drawn_ = false;
}
