#pragma once
// The import log MP2ImportLog.txt: one Print per line, the text followed by CR LF, nothing added.
// A text holding CR characters is written unchanged. UTF-8. Flushed after every line, so that the
// lines written before a failure are on disk whatever ends the program.
#include <QFile>
#include <QString>

class ImportLog {
public:
    // Opens `path` for output (creating or emptying it) when the log is not open yet; raises a
    // dao::DaoError (70 or 3044-like, naming the path) when it cannot be opened.
    void Open(const QString& path);
    void Print(const QString& line);  // no-op when the log is not open
    void Close();
    bool gLogOpen() const { return file_.isOpen(); }
    const QString& gLogPath() const { return path_; }

private:
    QFile file_;
    QString path_;
};
