// crew-measure [--out FILE] [--stdout FILE] -- COMMAND [ARG]...
//
// Runs COMMAND and measures it: wall time, CPU time (user + system, its children included), and
// peak memory, both as the largest resident set of any one process of the run (getrusage of the
// waited-for children) and as the largest sum of resident sets of the whole process tree at any
// moment (sampled from /proc every 20 ms: the import and its reader child run at the same time).
//
// Prints one line "wall=S cpu=S maxrss_mb=M tree_mb=M status=N" to FILE (default: standard error).
// --stdout sends the command's standard output to FILE (default: /dev/null); its standard error is
// left alone. Exits with the command's status (128 + signal when it was killed).
#include "cli/CommandLine.h"

#include <QFile>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

long pageKb() { return sysconf(_SC_PAGESIZE) / 1024; }

// Resident kilobytes of one process, or 0 when it is gone.
long residentKb(pid_t pid)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/statm", int(pid));
    FILE* f = std::fopen(path, "r");
    if (!f)
        return 0;
    long size = 0, resident = 0;
    const int got = std::fscanf(f, "%ld %ld", &size, &resident);
    std::fclose(f);
    return got == 2 ? resident * pageKb() : 0;
}

// The children of one process, from /proc/PID/task/*/children.
void children(pid_t pid, std::vector<pid_t>& out)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/task", int(pid));
    DIR* d = opendir(path);
    if (!d)
        return;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.')
            continue;
        char file[128];
        std::snprintf(file, sizeof file, "/proc/%d/task/%s/children", int(pid), e->d_name);
        if (FILE* f = std::fopen(file, "r")) {
            int child;
            while (std::fscanf(f, "%d", &child) == 1)
                out.push_back(pid_t(child));
            std::fclose(f);
        }
    }
    closedir(d);
}

long treeKb(pid_t root)
{
    long total = 0;
    std::vector<pid_t> todo{root};
    while (!todo.empty()) {
        const pid_t p = todo.back();
        todo.pop_back();
        total += residentKb(p);
        children(p, todo);
    }
    return total;
}

const char kUsage[] =
    "usage: crew-measure [--out FILE] [--stdout FILE] -- COMMAND [ARG]...\n"
    "  --out FILE     where the result line goes (default: standard error)\n"
    "  --stdout FILE  where the command's standard output goes (default: /dev/null)\n";

}  // namespace

int main(int argc, char** argv)
{
    // Only what stands before "--" is ours; the command after it is passed on byte for byte.
    int i = 1;
    while (i < argc && std::strcmp(argv[i], "--") != 0)
        ++i;
    const cli::Syntax syntax{"crew-measure", kUsage, {{"--out"}, {"--stdout"}}};
    cli::Parsed parsed;
    if (const auto status = cli::Read(i, argv, syntax, parsed))
        return *status;
    if (i + 1 >= argc)
        return cli::Refuse(syntax, "a COMMAND after -- is required");
    ++i;
    const QByteArray outName = QFile::encodeName(parsed.value("--out").value_or(QString()));
    const QByteArray stdoutName = QFile::encodeName(parsed.value("--stdout").value_or("/dev/null"));
    const char* outPath = outName.isEmpty() ? nullptr : outName.constData();
    const char* stdoutPath = stdoutName.constData();

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("crew-measure: fork");
        return 1;
    }
    if (pid == 0) {
        const int fd = open(stdoutPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || dup2(fd, STDOUT_FILENO) < 0) {
            std::perror("crew-measure: standard output");
            _exit(126);
        }
        close(fd);
        execvp(argv[i], argv + i);
        std::fprintf(stderr, "crew-measure: cannot run %s: %s\n", argv[i], std::strerror(errno));
        _exit(127);
    }

    long peakTree = 0;
    int status = 0;
    rusage usage{};
    for (;;) {
        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR) {
            std::perror("crew-measure: wait");
            return 1;
        }
        peakTree = std::max(peakTree, treeKb(pid));
        usleep(20000);
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage all{};
    getrusage(RUSAGE_CHILDREN, &all);  // the command and every descendant it waited for
    const double cpu = double(all.ru_utime.tv_sec + all.ru_stime.tv_sec) +
                       double(all.ru_utime.tv_usec + all.ru_stime.tv_usec) / 1e6;
    const long maxrss = std::max(usage.ru_maxrss, all.ru_maxrss);  // kilobytes
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);

    FILE* out = outPath ? std::fopen(outPath, "w") : stderr;
    if (!out) {
        std::perror("crew-measure: --out");
        return 1;
    }
    std::fprintf(out, "wall=%.3f cpu=%.3f maxrss_mb=%.1f tree_mb=%.1f status=%d\n", wall, cpu, double(maxrss) / 1024,
                 double(std::max(peakTree, maxrss)) / 1024, code);
    if (outPath)
        std::fclose(out);
    return code;
}
