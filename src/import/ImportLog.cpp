#include "import/ImportLog.h"

#include "import/db/DaoError.h"

#include <QFileInfo>

void ImportLog::Open(const QString& path)
{
    if (file_.isOpen())
        return;
    path_ = path;
    file_.setFileName(path);
    if (file_.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    const QString reason = file_.errorString();
    if (!QFileInfo(QFileInfo(path).absolutePath()).isDir())
        throw dao::DaoError(76, QString("Path not found: '%1'").arg(path));
    throw dao::DaoError(70, QString("Permission denied: '%1' (%2)").arg(path, reason));
}

void ImportLog::Print(const QString& line)
{
    if (!file_.isOpen())
        return;
    const QByteArray bytes = line.toUtf8() + "\r\n";
    if (file_.write(bytes) != bytes.size() || !file_.flush())
        throw dao::DaoError(61, QString("Disk full: the import log '%1' could not be written (%2)")
                                    .arg(path_, file_.errorString()));
}

void ImportLog::Close()
{
    if (file_.isOpen())
        file_.close();
}
