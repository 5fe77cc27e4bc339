#include "db/InputFile.h"

#include "db/DaoError.h"
#include "db/SafeFiles.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dao {

namespace {

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

}  // namespace

int OpenInputFile(const QString& path, const QString& what)
{
    // Without blocking: a pipe would otherwise wait here for a writer before it could be refused.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            throw DaoError(53, QString("File not found: '%1' (%2 names a file to read)").arg(path, what));
        if (error == EACCES || error == EPERM)
            throw DaoError(70, QString("Permission denied: '%1' cannot be read (%2): give yourself the right to "
                                       "read it")
                                   .arg(path, systemError(error)));
        throw DaoError(75, QString("Path/File access error: '%1' cannot be opened (%2)").arg(path, systemError(error)));
    }
    struct stat st {};
    QString problem;
    if (::fstat(fd, &st) != 0)
        problem = "cannot be examined (" + systemError(errno) + ")";
    else if (!S_ISREG(st.st_mode))
        problem = "is " + KindOfFile(st.st_mode) + ", not a file";
    else if (st.st_size > kLongestInput)
        problem = QString("holds %1 bytes; a file of at most %2 MB is read").arg(st.st_size).arg(kLongestInput >> 20);
    if (!problem.isEmpty()) {
        ::close(fd);
        throw DaoError(75, QString("Path/File access error: %1 names '%2', which %3").arg(what, path, problem));
    }
    // Reads that follow wait for the disk as usual.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

QByteArray ReadInputFile(const QString& path, const QString& what)
{
    const int fd = OpenInputFile(path, what);
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            throw DaoError(75, QString("Path/File access error: '%1' could not be read (%2)").arg(path, systemError(error)));
        }
        if (n == 0)
            break;
        bytes.append(buffer, n);
        if (bytes.size() > kLongestInput) {  // it grew while it was read
            ::close(fd);
            throw DaoError(75, QString("Path/File access error: %1 names '%2', which holds more than %3 MB; a "
                                       "file of at most %3 MB is read")
                                   .arg(what, path)
                                   .arg(kLongestInput >> 20));
        }
    }
    ::close(fd);
    return bytes;
}

}  // namespace dao
