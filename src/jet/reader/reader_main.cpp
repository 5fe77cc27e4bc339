// crew-jet-reader SOURCE DEST [PLAN]: copies a Jet file into a new SQLite working copy: every table
// whole, or what PLAN asks for (jet/CopyPlan.h, as its toArgument writes it).
//
// Run by CopySource as a child process, so that a damaged file that crashes or hangs libmdb
// cannot take the import with it. Protocol with the parent:
//   stdout  "progress <table> <rows>" lines, flushed, so that the parent can tell work from a hang;
//           after a complete copy, a line "warning <text>" for each warning of the copy;
//   stderr  libmdb's own warnings, and on failure a last line "error <number> <description>";
//   exit    0 when DEST is complete, 2 after a reported error, 3 on an unexpected failure.
// The database password never appears in any of them.
#include "db/DaoError.h"
#include "jet/reader/JetReader.h"

#include <QString>
#include <cstdio>
#include <exception>
#include <sys/resource.h>

namespace {

// A damaged catalog can make libmdb allocate without end while it prints no progress; before the
// parent takes it for hung, it could take the machine's memory with it. The reader streams rows and
// needs under 200 MB at any size, so its address space is capped at 2 GB: such a file ends in a
// failed allocation (an abrupt stop the parent reports as a damaged file). Sanitizer builds reserve terabytes of
// address space up front and run without the cap.
#if defined(__SANITIZE_ADDRESS__)
#define CREW_NO_MEMORY_CAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CREW_NO_MEMORY_CAP 1
#endif
#endif
constexpr rlim_t kAddressSpaceCap = rlim_t(2) << 30;

void capMemory()
{
#ifndef CREW_NO_MEMORY_CAP
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && (limit.rlim_max == RLIM_INFINITY || limit.rlim_max > kAddressSpaceCap)) {
        limit.rlim_cur = kAddressSpaceCap;
        setrlimit(RLIMIT_AS, &limit);
    }
#endif
}

QByteArray oneLine(QString text)
{
    text.replace('\n', ' ').replace('\r', ' ');
    return text.toUtf8();
}

void reportError(int number, const QString& description)
{
    std::fprintf(stderr, "\nerror %d %s\n", number, oneLine(description).constData());
    std::fflush(stderr);
}

// On a line of its own, whatever libmdb may have left unfinished on stdout.
void reportWarning(const QString& text)
{
    std::printf("\nwarning %s\n", oneLine(text).constData());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: crew-jet-reader SOURCE DEST [PLAN]\n");
        return 64;
    }
    capMemory();
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString dest = QString::fromLocal8Bit(argv[2]);
    const dao::CopyPlan plan = argc == 4 ? dao::CopyPlan::fromArgument(QString::fromUtf8(argv[3])) : dao::CopyPlan();
    try {
        const QStringList warnings = jetreader::copyJetFile(source, dest, [](const QString& table, qint64 rows) {
            std::printf("progress %s %lld\n", table.toUtf8().constData(), static_cast<long long>(rows));
            std::fflush(stdout);
        }, plan);
        for (const QString& warning : warnings)
            reportWarning(warning);
    } catch (const dao::DaoError& e) {
        reportError(e.Number, e.Description);
        return 2;
    } catch (const std::bad_alloc&) {
        reportError(7, "Out of memory while reading '" + source + "'.");
        return 3;
    } catch (const std::exception& e) {
        reportError(3000, QString("Reserved error (%1).").arg(QString::fromUtf8(e.what())));
        return 3;
    }
    return 0;
}
