#pragma once
// The unattended run's progress, for an operator watching a terminal: one line on standard error,
// redrawn in place at least once a second, with the percentage of the import form's progress bar,
// its status text and the time since the run began. Drawn only while standard error is a terminal.
// The line is redrawn from a thread of its own, so that it moves on even while one step takes long
// (the copy of the source, a long statement); what the run prints to the same terminal holds the line
// away while it prints (Hold).
#include <QElapsedTimer>
#include <QString>
#include <condition_variable>
#include <mutex>
#include <thread>

class ProgressLine {
public:
    // Whether standard error is a terminal.
    static bool Wanted();

    ProgressLine();
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void SetStatus(const QString& text);
    void SetProgress(double value, double maximum);

    // Takes the line away and keeps it away while the lock returned is held: for a line printed to
    // the same terminal. The next redraw puts it back below.
    std::unique_lock<std::mutex> Hold();

    // Takes the line away for good (the run has ended); further calls do nothing.
    void Stop();

private:
    void Tick();
    void DrawLocked();
    void ClearLocked();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::thread ticker_;
    bool stopped_ = false;
    bool drawn_ = false;
    bool changed_ = true;
    QString status_;
    double value_ = 0;
    double maximum_ = 0;
    QElapsedTimer clock_;
    qint64 drawnAt_ = -1000;
};
