#pragma once
// The import log MP2ImportLog.txt: one Print per line, the text followed by CR LF, nothing added.
// A text holding CR characters is written unchanged. UTF-8. Flushed after every line, so that the
// lines written before a failure are on disk whatever ends the program.
//
// The Import button opens the log before its last checks; an attempt that those checks refuse must not
// empty the log of an earlier import in that folder, nor leave a folder behind. So the log can be
// opened pending: its lines are kept in memory until Commit writes them to a file made afresh, when the
// import goes ahead. Closing a pending log drops its lines and leaves the disk as it was.
#include <QByteArray>
#include <QFile>
#include <QString>

class ImportLog {
public:
    // Opens the log at `path` without touching the disk yet (when it is not open yet).
    void OpenPending(const QString& path);
    // A pending log goes to `path` instead when it is written (a check-only run keeps its log apart).
    // Nothing changes once the log is on disk.
    void MovePending(const QString& path);
    // Writes a pending log to the file open at `fd` (made afresh by the run's plan of its files, which
    // this object then owns), the lines kept so far first; does nothing when the log is already on disk
    // (the descriptor is closed then). Raises 61 when the lines cannot be written.
    void Commit(int fd);
    void Print(const QString& line);  // no-op when the log is not open
    void Close();
    bool gLogOpen() const { return pending_ || file_.isOpen(); }
    bool pending() const { return pending_; }
    const QString& gLogPath() const { return path_; }

private:
    QFile file_;
    QString path_;
    bool pending_ = false;
    QByteArray kept_;
};
