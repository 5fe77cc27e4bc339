#include "db/SafeFiles.h"

#include "db/DaoError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
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

QString KindOfFile(unsigned mode)
{
    if (S_ISLNK(mode))
        return "a symbolic link";
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a pipe";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    return "not a regular file";
}

bool WriteAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

int CreateBeside(const QString& path, QString& temp)
{
    const QFileInfo info(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = QDir(info.absolutePath())
                   .filePath(QString(".%1.%2").arg(info.fileName()).arg(QRandomGenerator::global()->generate64(), 16,
                                                                         16, QLatin1Char('0')));
        const int fd = ::open(native(temp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

void CannotWrite(const QString& path, const QString& what, int error)
{
    if (error == ENOSPC || error == EDQUOT)
        throw DaoError(61, QString("Disk full: %1 '%2' could not be written (%3)").arg(what, path, systemError(error)));
    if (error == ENOENT || error == ENOTDIR)
        throw DaoError(76, QString("Path not found: '%1'").arg(path));
    if (error == EACCES || error == EPERM || error == EROFS)
        throw DaoError(70, QString("Permission denied: '%1' (%2)").arg(path, systemError(error)));
    throw DaoError(75, QString("Path/File access error: %1 '%2' could not be written (%3)")
                           .arg(what, path, systemError(error)));
}

void ReplaceFile(const QString& path, const QString& what, const QByteArray& bytes)
{
    struct stat st {};
    const bool there = ::lstat(native(path).constData(), &st) == 0;
    if (there && !S_ISREG(st.st_mode))
        throw DaoError(75, QString("Path/File access error: '%1' is %2, not %3; it is never written through or "
                                   "replaced. Remove it or name another file.")
                               .arg(path, KindOfFile(st.st_mode), what));
    QString temp;
    const int fd = CreateBeside(path, temp);
    if (fd < 0)
        CannotWrite(path, what, errno);
    const auto fail = [&](int error) {
        ::close(fd);
        ::unlink(native(temp).constData());
        CannotWrite(path, what, error);
    };
    // The file that replaces another keeps its permissions.
    if (there && ::fchmod(fd, st.st_mode & 07777) != 0)
        fail(errno);
    if (!WriteAll(fd, bytes))
        fail(errno);
    if (::fsync(fd) != 0)
        fail(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(native(temp).constData());
        CannotWrite(path, what, error);
    }
    if (::rename(native(temp).constData(), native(path).constData()) != 0) {
        const int error = errno;
        ::unlink(native(temp).constData());
        CannotWrite(path, what, error);
    }
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
