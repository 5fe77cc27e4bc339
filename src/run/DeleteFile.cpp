#include "run/DeleteFile.h"

#include "db/DaoError.h"

#include <QFile>

void DeleteFile(const QString& path)
{
    QFile file(path);
    if (!file.remove())
        throw dao::DaoError(75, QString("Path/File access error: '%1' could not be deleted (%2)")
                                    .arg(path, file.errorString()));
}
