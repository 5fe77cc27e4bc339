#include "db/PrivateDir.h"

#include "db/DaoError.h"
#include "db/SafeFiles.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRandomGenerator>
#include <QStringList>
#include <QUrl>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace dao {

namespace {

constexpr char kProof[] = ".crew-private";
constexpr const char* kSidecars[] = {"-journal", "-wal", "-shm"};
constexpr int kDeepest = 3;                  // private folders inside private folders, at most
constexpr qint64 kLongestProof = 1 << 20;    // far more names than any run makes

QByteArray native(const QString& path) { return QFile::encodeName(path); }
QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// The proof's first line: the folder's name (encoded, so that no name can break the line), then who
// made it.
QByteArray Header(const QString& name) { return "crew-import private folder " + QUrl::toPercentEncoding(name) + ","; }

QString RandomSuffix()
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString suffix;
    for (int i = 0; i < 6; ++i)
        suffix += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))]);
    return suffix;
}

// The names the proof in the folder open as `fd` lists, or nothing when the folder holds no proof
// that names it `name` (no proof, a link, someone else's file, another folder's proof).
std::optional<QStringList> ReadProof(int fd, const QString& name)
{
    const int proof = ::openat(fd, kProof, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (proof < 0)
        return std::nullopt;
    struct stat st {};
    QByteArray bytes;
    bool whole = ::fstat(proof, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
                 st.st_size <= kLongestProof;
    if (whole) {
        bytes.resize(static_cast<qsizetype>(st.st_size));
        qsizetype got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(proof, bytes.data() + got, static_cast<size_t>(bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += n;
        }
        bytes.truncate(got);
    }
    ::close(proof);
    const QList<QByteArray> lines = bytes.split('\n');
    if (!whole || !lines.first().startsWith(Header(name)))
        return std::nullopt;
    QStringList names;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString listed = QUrl::fromPercentEncoding(lines[i]);
        if (!listed.isEmpty() && listed != QLatin1String(".") && listed != QLatin1String("..") &&
            !listed.contains(QLatin1Char('/')) && listed != QLatin1String(kProof))
            names << listed;
    }
    return names;
}

bool OnlyTheProofIsLeft(int fd)
{
    const int again = ::dup(fd);
    if (again < 0)
        return false;
    DIR* dir = ::fdopendir(again);
    if (!dir) {
        ::close(again);
        return false;
    }
    ::rewinddir(dir);
    bool only = true;
    while (const dirent* entry = ::readdir(dir)) {
        const char* n = entry->d_name;
        if (std::strcmp(n, ".") != 0 && std::strcmp(n, "..") != 0 && std::strcmp(n, kProof) != 0)
            only = false;
    }
    ::closedir(dir);
    return only;
}

void UnlinkRegular(int fd, const QByteArray& name)
{
    struct stat st {};
    if (::fstatat(fd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
        ::unlinkat(fd, name.constData(), 0);
}

// Removes the private folder `path` (relative to `parentFd`) as its proof allows.
void RemoveProven(int parentFd, const QString& path, int depth) noexcept
{
    const QByteArray nativePath = native(path);
    const int fd = ::openat(parentFd, nativePath.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st {};
    const std::optional<QStringList> listed = ::fstat(fd, &st) == 0 && st.st_uid == ::geteuid()
                                                  ? ReadProof(fd, QFileInfo(path).fileName())
                                                  : std::nullopt;
    if (!listed) {
        ::close(fd);
        return;
    }
    for (const QString& name : *listed) {
        const QByteArray n = native(name);
        struct stat s {};
        if (::fstatat(fd, n.constData(), &s, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISREG(s.st_mode))
                ::unlinkat(fd, n.constData(), 0);
            else if (S_ISDIR(s.st_mode) && depth < kDeepest)
                RemoveProven(fd, name, depth + 1);
        }
        for (const char* suffix : kSidecars)
            UnlinkRegular(fd, n + suffix);
    }
    // Anything nobody listed stays, and with it the folder and its proof.
    if (OnlyTheProofIsLeft(fd)) {
        ::unlinkat(fd, kProof, 0);
        ::unlinkat(parentFd, nativePath.constData(), AT_REMOVEDIR);
    }
    ::close(fd);
}

}  // namespace

QString MakePrivateDir(const QString& parent, const QString& prefix)
{
    const auto cannot = [&](int error) {
        return DaoError(75, QString("Path/File access error: no folder for the import's temporary files can be "
                                    "made in '%1' (%2). Make sure the folder exists and can be written.")
                                .arg(parent, systemError(error)));
    };
    const bool nested = IsPrivateDir(parent);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = prefix + RandomSuffix();
        const QString dir = nested ? PrivateName(parent, name) : QDir(parent).filePath(name);
        if (::mkdir(native(dir).constData(), 0700) != 0) {
            if (errno == EEXIST)
                continue;
            throw cannot(errno);
        }
        const int fd = ::open(native(QDir(dir).filePath(kProof)).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        const QByteArray header = Header(name) + " made by process " + QByteArray::number(qint64(::getpid())) + "\n";
        bool written = fd >= 0 && WriteAll(fd, header);
        int error = errno;
        if (fd >= 0 && ::close(fd) != 0 && written) {
            written = false;
            error = errno;
        }
        if (!written) {
            ::unlink(native(QDir(dir).filePath(kProof)).constData());
            ::rmdir(native(dir).constData());
            throw cannot(error);
        }
        return dir;
    }
    throw cannot(EEXIST);
}

QString PrivateName(const QString& dir, const QString& name)
{
    const int fd = ::open(native(QDir(dir).filePath(kProof)).constData(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
    const bool written = fd >= 0 && WriteAll(fd, QUrl::toPercentEncoding(name) + "\n");
    const int error = errno;
    if (fd >= 0)
        ::close(fd);
    if (!written)
        throw DaoError(75, QString("Path/File access error: '%1' cannot be listed in the import's private folder "
                                   "'%2' (%3)")
                               .arg(name, dir, systemError(error)));
    return QDir(dir).filePath(name);
}

bool IsPrivateDir(const QString& dir)
{
    const int fd = ::open(native(dir).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    const bool proven = ::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() &&
                        ReadProof(fd, QFileInfo(QDir::cleanPath(dir)).fileName()).has_value();
    ::close(fd);
    return proven;
}

void RemovePrivateDir(const QString& dir) noexcept
{
    if (!dir.isEmpty())
        RemoveProven(AT_FDCWD, QDir::cleanPath(dir), 0);
}

}  // namespace dao
