#include "app/PasswordInput.h"

#include "db/DaoError.h"
#include "db/InputFile.h"

#include <QFile>
#include <QStringDecoder>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr qsizetype kLongestLine = 1024;

// The first line of `fd`, read a byte at a time so that nothing after it is taken. `where` names the
// file in the messages.
QString ReadLine(int fd, const QString& where)
{
    QByteArray line;
    bool ended = false;
    for (;;) {
        char c = 0;
        const ssize_t got = ::read(fd, &c, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw dao::DaoError(75, "Path/File access error: cannot read the password from " + where + ": " +
                                        QString::fromLocal8Bit(std::strerror(errno)));
        if (got == 0)
            break;
        if (c == '\n') {
            ended = true;
            break;
        }
        if (line.size() >= kLongestLine)
            throw dao::DaoError(5, "Invalid procedure call or argument: the first line of " + where + " is longer than " +
                                       QString::number(kLongestLine) + " bytes; put the password alone on it");
        line += c;
    }
    if (line.isEmpty() && !ended)
        throw dao::DaoError(62, "Input past end of file: " + where + " holds no line; put the password on its first line");
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.startsWith("\xEF\xBB\xBF"))
        line.remove(0, 3);  // the byte-order mark some editors put before UTF-8 text
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString text = utf8.decode(line);
    if (utf8.hasError())
        throw dao::DaoError(5, "Invalid procedure call or argument: the password line of " + where +
                                   " is not UTF-8 text");
    return text;
}

// The terminal's settings while echo is off, to be put back by a signal that ends the program there.
termios gSaved{};
volatile sig_atomic_t gEchoOff = 0;

void RestoreAndDie(int signal)
{
    if (gEchoOff)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &gSaved);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Turns echo off on the terminal for its lifetime; a signal that ends the program meanwhile puts it back.
class NoEcho {
public:
    NoEcho()
    {
        if (tcgetattr(STDIN_FILENO, &gSaved) != 0)
            return;
        termios quiet = gSaved;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        quiet.c_lflag |= ECHONL;
        struct sigaction restore {};
        restore.sa_handler = RestoreAndDie;
        sigemptyset(&restore.sa_mask);
        for (size_t i = 0; i < kSignals; ++i)
            sigaction(kSignal[i], &restore, &previous_[i]);
        gEchoOff = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~NoEcho()
    {
        if (gEchoOff)
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &gSaved);
        gEchoOff = 0;
        for (size_t i = 0; i < kSignals; ++i)
            sigaction(kSignal[i], &previous_[i], nullptr);
    }
    NoEcho(const NoEcho&) = delete;
    NoEcho& operator=(const NoEcho&) = delete;

private:
    static constexpr size_t kSignals = 4;
    static constexpr int kSignal[kSignals] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    struct sigaction previous_[kSignals] {};
};

}  // namespace

QString ReadPasswordFile(const QString& path)
{
    const QString where = "'" + path + "'";
    int fd = -1;
    try {
        fd = dao::OpenInputFile(path, "--password-file");
    } catch (const dao::DaoError& e) {
        // A pipe (--password-file <(...)) is refused with the other kinds of file: standard input is the
        // way to hand the password over without a file.
        throw dao::DaoError(e.Number, e.Description + (e.Number == 75 ? "; or give it on standard input with "
                                                                        "--password -"
                                                                      : ""));
    }
    try {
        const QString password = ReadLine(fd, where);
        ::close(fd);
        return password;
    } catch (...) {
        ::close(fd);
        throw;
    }
}

QString ReadPasswordFromStandardInput()
{
    const QString where = "standard input";
    if (!isatty(STDIN_FILENO))
        return ReadLine(STDIN_FILENO, where);
    // A person at a terminal: asked on standard error (standard output is the run's transcript),
    // answered without echo.
    const char prompt[] = "Password: ";
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, prompt, sizeof prompt - 1);
    NoEcho quiet;
    return ReadLine(STDIN_FILENO, where);
}
