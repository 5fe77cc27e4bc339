#include "run/ImportLog.h"

#include "db/DaoError.h"
#include "db/SafeFiles.h"

#include <QFileInfo>
#include <utility>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

void ImportLog::OpenPending(const QString& path)
{
    if (gLogOpen())
        return;
    path_ = path;
    pending_ = true;
    kept_.clear();
}

void ImportLog::MovePending(const QString& path)
{
    if (pending_)
        path_ = path;
}

void ImportLog::Commit(int fd)
{
    if (!pending_) {
        ::close(fd);
        return;
    }
    if (!file_.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        const QString reason = file_.errorString();
        ::close(fd);
        throw dao::DaoError(75, QString("Path/File access error: the import log '%1' could not be opened (%2)")
                                    .arg(path_, reason));
    }
    pending_ = false;
    const QByteArray kept = std::exchange(kept_, QByteArray());
    if (file_.write(kept) != kept.size() || !file_.flush())
        throw dao::DaoError(61, QString("Disk full: the import log '%1' could not be written (%2)")
                                    .arg(path_, file_.errorString()));
}

void ImportLog::Print(const QString& line)
{
    if (pending_) {
        kept_ += line.toUtf8() + "\r\n";
        return;
    }
    if (!file_.isOpen())
        return;
    const QByteArray bytes = line.toUtf8() + "\r\n";
    if (file_.write(bytes) != bytes.size() || !file_.flush())
        throw dao::DaoError(61, QString("Disk full: the import log '%1' could not be written (%2)")
                                    .arg(path_, file_.errorString()));
}

void ImportLog::Close()
{
    pending_ = false;
    kept_.clear();
    if (file_.isOpen())
        file_.close();
}
