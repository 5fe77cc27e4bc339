#include "db/SafeFiles.h"

#include "db/DaoError.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dao {

namespace {

QByteArray native(const QString& path) { return QFile::encodeName(path); }

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

}  // namespace

bool IsSymLink(const QString& path)
{
    struct stat st {};
    return ::lstat(native(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

void RefuseSymLink(const QString& path, const QString& what)
{
    if (IsSymLink(path))
        throw DaoError(75, QString("Path/File access error: '%1' is a symbolic link, not %2. The import never "
                                   "writes through a link: remove the link, then import again.")
                               .arg(path, what));
}

bool SameFile(const QString& a, const QString& b)
{
    struct stat sa {}, sb {};
    return ::stat(native(a).constData(), &sa) == 0 && ::stat(native(b).constData(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

QString MakePrivateDir(const QString& parent, const QString& prefix)
{
    QByteArray templ = native(QDir(parent).filePath(prefix + "XXXXXX"));
    if (::mkdtemp(templ.data()) == nullptr) {
        const int error = errno;
        throw DaoError(75, QString("Path/File access error: no folder for the import's temporary files can be "
                                   "made in '%1' (%2). Make sure the folder exists and can be written.")
                               .arg(parent, systemError(error)));
    }
    return QFile::decodeName(templ);
}

void RemovePrivateDir(const QString& dir) noexcept
{
    if (dir.isEmpty())
        return;
    QDir d(dir);
    const QStringList entries = d.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries)
        ::unlink(native(d.filePath(entry)).constData());
    ::rmdir(native(dir).constData());
}

void RenameNoReplace(const QString& from, const QString& to)
{
    const QByteArray source = native(from), target = native(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return;
    int error = errno;
    if (error == EINVAL || error == ENOSYS) {
        // A file system without the no-replace rename: a hard link is never made over an existing name.
        if (::link(source.constData(), target.constData()) == 0) {
            ::unlink(source.constData());
            return;
        }
        error = errno;
    }
    if (error == EEXIST)
        throw DaoError(58, QString("File already exists: '%1' appeared while the import was making it; another "
                                   "program or import is writing there. Nothing was replaced.")
                               .arg(to));
    throw DaoError(75, QString("Path/File access error: '%1' could not be put in place as '%2' (%3)")
                           .arg(from, to, systemError(error)));
}

void RemoveStaleJournals(const QString& databasePath)
{
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        const QString path = databasePath + QLatin1String(suffix);
        if (::unlink(native(path).constData()) != 0 && errno != ENOENT) {
            const int error = errno;
            throw DaoError(75, QString("Path/File access error: '%1' is left from an earlier run and cannot be "
                                       "removed (%2). Remove it, then import again.")
                                   .arg(path, systemError(error)));
        }
    }
}

}  // namespace dao

namespace dao {

bool FolderLocks::TryLock(const QString& folder)
{
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        throw DaoError(75, QString("Path/File access error: the folder '%1' cannot be opened (%2)")
                               .arg(folder, systemError(error)));
    }
    struct stat st {};
    ::fstat(fd, &st);
    for (const int h : held_) {
        struct stat hs {};
        if (::fstat(h, &hs) == 0 && hs.st_dev == st.st_dev && hs.st_ino == st.st_ino) {
            ::close(fd);
            return true;
        }
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    held_.push_back(fd);
    return true;
}

FolderLocks::~FolderLocks()
{
    for (const int fd : held_)
        ::close(fd);
}

}  // namespace dao
