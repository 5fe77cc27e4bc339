#include "jet/CopySource.h"

#include "db/Interrupt.h"
#include "jet/JetHeader.h"
#include "db/PrivateDir.h"
#include "db/SafeFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <cstdio>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dao {

namespace {

constexpr qsizetype kKeptReaderOutput = 64 * 1024;

void byteCopy(const QString& sourcePath, const QString& tempPath)
{
    QFile in(sourcePath);
    if (!in.open(QIODevice::ReadOnly))
        throw JetError::PermissionDenied(sourcePath);
    QFile out(tempPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw JetError::PermissionDenied(tempPath);
    QByteArray chunk;
    for (;;) {
        chunk = in.read(1 << 20);
        if (chunk.isEmpty()) {
            if (in.error() != QFileDevice::NoError)
                throw JetError::PermissionDenied(sourcePath);
            break;
        }
        if (out.write(chunk) != chunk.size())
            throw out.error() == QFileDevice::ResourceError ? JetError::DiskFull() : JetError::PermissionDenied(tempPath);
    }
    if (!out.flush())
        throw JetError::DiskFull();
    out.close();
    if (in.size() != QFileInfo(tempPath).size())
        throw JetError::Engine(QString("the copy of '%1' is incomplete").arg(sourcePath));
}

// The reader's last "error <number> <description>" line, if it wrote one.
bool readerError(const QByteArray& stderrText, int* number, QString* description)
{
    const QList<QByteArray> lines = stderrText.split('\n');
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        if (!it->startsWith("error "))
            continue;
        const QByteArray rest = it->mid(6);
        const qsizetype space = rest.indexOf(' ');
        bool ok = false;
        const int n = rest.left(space).toInt(&ok);
        if (!ok || space < 0)
            continue;
        *number = n;
        *description = QString::fromUtf8(rest.mid(space + 1)).trimmed();
        return true;
    }
    return false;
}

// The reader's stdout, line by line: "progress ..." lines only show that it works, "warning <text>"
// lines are kept.
class ReaderOutput {
public:
    void take(const QByteArray& chunk)
    {
        pending_ += chunk;
        qsizetype start = 0;
        for (qsizetype end = pending_.indexOf('\n'); end >= 0; end = pending_.indexOf('\n', start)) {
            const QByteArray line = pending_.mid(start, end - start);
            if (line.startsWith("warning "))
                warnings_ << QString::fromUtf8(line.mid(8)).trimmed();
            start = end + 1;
        }
        pending_.remove(0, start);
        if (pending_.size() > kKeptReaderOutput)
            pending_.clear();  // not a line of the reader's own: they are short
    }
    const QStringList& warnings() const { return warnings_; }

private:
    QByteArray pending_;
    QStringList warnings_;
};

QString lastLine(const QByteArray& text)
{
    const QList<QByteArray> lines = text.trimmed().split('\n');
    return lines.isEmpty() ? QString() : QString::fromUtf8(lines.last()).trimmed();
}

QStringList readJet(const QString& sourcePath, const QString& tempPath, const CopySourceOptions& options)
{
    const QString reader = options.readerPath.isEmpty() ? JetReaderPath() : options.readerPath;
    if (!QFileInfo(reader).isExecutable())
        throw JetError::Engine(QString("the Jet reader '%1' is missing, so '%2' cannot be read").arg(reader, sourcePath));

    QProcess process;
    process.setProgram(reader);
    QStringList arguments{sourcePath, tempPath};
    if (!options.plan.whole())
        arguments << options.plan.toArgument();
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    // The reader must not outlive an import that was killed: it would go on writing the working copy
    // that the next run starts afresh. Runs in the child between fork and exec.
    const pid_t parent = ::getpid();
    process.setChildProcessModifier([parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(3);
    });
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(30000))
        throw JetError::Engine(QString("the Jet reader '%1' cannot be started: %2").arg(reader, process.errorString()));

    QByteArray errors;
    ReaderOutput output;
    bool stalled = false;
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    while (process.state() != QProcess::NotRunning) {
        process.waitForFinished(100);
        if (StopRequested()) {
            process.kill();
            process.waitForFinished(10000);
            throw Interrupted(InterruptSignal());
        }
        const QByteArray out = process.readAllStandardOutput();
        if (!out.isEmpty()) {
            sinceProgress.restart();
            output.take(out);
        }
        errors += process.readAllStandardError();
        if (errors.size() > 2 * kKeptReaderOutput)
            errors = errors.right(kKeptReaderOutput);  // libmdb can print warnings without end
        if (process.state() != QProcess::NotRunning && sinceProgress.elapsed() > options.stallTimeoutMs) {
            stalled = true;
            process.kill();
            process.waitForFinished(10000);
        }
    }
    ThrowIfInterrupted();  // a Ctrl-C reaches the reader too: its end is not the file's fault
    errors += process.readAllStandardError();
    output.take(process.readAllStandardOutput());
    if (!errors.trimmed().isEmpty())
        std::fprintf(stderr, "crew-jet-reader (%s): %s\n", QFile::encodeName(sourcePath).constData(),
                     errors.right(4096).trimmed().constData());

    if (stalled)
        throw CorruptDatabase(sourcePath, QString("reading it made no progress for %1 seconds, so the file is "
                                                  "probably damaged")
                                              .arg(options.stallTimeoutMs / 1000.0));
    if (process.exitStatus() == QProcess::CrashExit)
        throw CorruptDatabase(sourcePath, "the reader stopped abruptly while reading it, so the file is "
                                          "probably damaged");
    if (process.exitCode() != 0) {
        int number = 0;
        QString description;
        if (readerError(errors, &number, &description))
            throw DaoError(number, description);
        const QString detail = lastLine(errors);
        throw CorruptDatabase(sourcePath, QString("the reader failed (exit code %1)%2")
                                              .arg(process.exitCode())
                                              .arg(detail.isEmpty() ? QString() : ": " + detail));
    }
    return output.warnings();
}

}  // namespace

QString JetReaderPath()
{
    QString dir;
    if (QCoreApplication::instance())
        dir = QCoreApplication::applicationDirPath();
    else
        dir = QFileInfo(QFile::symLinkTarget("/proc/self/exe")).absolutePath();
    const QString beside = QDir(dir).filePath("crew-jet-reader");
    if (QFileInfo(beside).isExecutable())
        return beside;
    const QString installed = QDir::cleanPath(QDir(dir).filePath(CREW_READER_FROM_BIN "/crew-jet-reader"));
    return QFileInfo(installed).isExecutable() ? installed : beside;
}

QStringList CopySource(const QString& sourcePath, const QString& destPath)
{
    return CopySource(sourcePath, destPath, CopySourceOptions{});
}

QStringList CopySource(const QString& sourcePath, const QString& destPath, const CopySourceOptions& options)
{
    const QFileInfo source(sourcePath);
    if (!source.exists() || source.isDir())
        throw JetError::FileNotFound(sourcePath);
    const JetHeader header = ReadJetHeader(sourcePath);
    const QFileInfo dest(destPath);
    if (SameFile(destPath, sourcePath))
        throw JetError::Engine(QString("the working copy '%1' would overwrite the source itself").arg(destPath));
    if (dest.isDir() && !dest.isSymLink())
        throw DaoError(75, QString("Path/File access error: '%1' is a folder, so the working copy cannot be made "
                                   "there. Remove or rename the folder, then import again.")
                               .arg(destPath));

    // The copy is made in a folder of its own beside the destination that only this user can enter,
    // so that nobody can read it while it is made nor plant a link where it is written; it is
    // readable by its owner alone (it holds a protected source's data). Only when it is complete is it
    // renamed over the destination: a file already there stays whole until then (and stays as it was
    // when the copy fails), and the journals left beside it go with it. A link at the destination is
    // refused, never followed.
    RefuseSymLink(destPath, "the working copy");
    const QString folder = MakePrivateDir(dest.absolutePath(), "." + dest.fileName() + ".");
    QStringList warnings;
    try {
        const QString temp = PrivateName(folder, "copy");
        if (header.Format == DbFileFormat::SQLite) {
            byteCopy(sourcePath, temp);
        } else {
            CheckJetFile(sourcePath, header, source.size());
            warnings = readJet(sourcePath, temp, options);
        }
        if (!QFileInfo::exists(temp))
            throw CorruptDatabase(sourcePath, "the reader finished without writing the copy");
        if (::chmod(QFile::encodeName(temp).constData(), S_IRUSR | S_IWUSR) != 0)
            throw JetError::PermissionDenied(temp);
        if (options.verify)
            options.verify(temp);
        RefuseSymLink(destPath, "the working copy");
        RemoveStaleJournals(destPath);
        if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(destPath).constData()) != 0)
            throw DaoError(75, QString("Path/File access error: the copy could not be put in place as '%1' (%2)")
                                   .arg(destPath, QString::fromLocal8Bit(std::strerror(errno))));
    } catch (...) {
        RemovePrivateDir(folder);
        throw;
    }
    RemovePrivateDir(folder);
    return warnings;
}

}  // namespace dao
