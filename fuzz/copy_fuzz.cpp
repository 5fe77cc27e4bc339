// Fuzz target: the path from a source file's bytes to a working copy, in one process.
//
// Each input is written to a scratch file and taken through what the import does with a source:
// the header is decoded and checked, then the Jet reader copies the file into a new SQLite file.
// The only acceptable outcomes are a complete copy or a dao::DaoError with a number and a
// description that blames the source; anything else (another exception, an error without number or
// text, a failure to write the copy, a sanitizer report, a hang) aborts so that the fuzzer keeps
// the input.
#include "db/DaoError.h"
#include "jet/JetHeader.h"
#include "jet/reader/JetReader.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <unistd.h>

namespace {

// A folder of this process's own: fork mode runs several processes side by side. It is removed at
// exit; the path is never freed, so that nothing destroyed before the exit handler is needed by it.
const QString& scratchDir()
{
    static const QString* dir = [] {
        QByteArray base = qgetenv("CREW_FUZZ_SCRATCH");
        if (base.isEmpty())
            base = QDir::tempPath().toLocal8Bit();
        auto* d = new QString(QString::fromLocal8Bit(base) + QString("/crew-fuzz-%1").arg(getpid()));
        QDir().mkpath(*d);
        return d;
    }();
    static const bool cleanup = std::atexit([] { QDir(*dir).removeRecursively(); }) == 0;
    (void)cleanup;
    return *dir;
}

[[noreturn]] void fail(const char* what, const QString& detail)
{
    std::fprintf(stderr, "crew-fuzz-copy: %s: %s\n", what, detail.toUtf8().constData());
    std::abort();
}

void checkError(const dao::DaoError& e)
{
    if (e.Number <= 0)
        fail("an error without a number", e.Description);
    if (e.Description.trimmed().isEmpty())
        fail("an error without a description", QString::number(e.Number));
    // The scratch folder is always writable: a failure to write the copy means the reader handed
    // SQLite something a damaged source put there, and the operator would be told the wrong thing.
    if (e.Description.contains("writing the working copy"))
        fail("a damaged source blamed on the working copy", e.Description);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // The header decoder on its own, on every prefix length the reader may meet.
    (void)dao::ParseJetHeader(bytes.left(dao::kJetHeaderBytes));

    const QString source = scratchDir() + "/source.mdb";
    const QString dest = scratchDir() + "/copy.sqlite";
    {
        QFile f(source);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
            fail("cannot write the scratch source", source);
    }
    QFile::remove(dest);
    try {
        const dao::JetHeader header = dao::ReadJetHeader(source);
        if (header.Format == dao::DbFileFormat::SQLite)
            return 0;  // a SQLite source is copied byte for byte, not read
        dao::CheckJetFile(source, header, bytes.size());
        jetreader::copyJetFile(source, dest);
        if (!QFile::exists(dest))
            fail("a copy reported complete but missing", dest);
    } catch (const dao::DaoError& e) {
        checkError(e);
    } catch (const std::bad_alloc&) {
        // The reader reports this as error 7; the fuzzer's own memory limit catches real blow-ups.
    } catch (const std::exception& e) {
        fail("an exception that is no DaoError", QString::fromUtf8(e.what()));
    }
    QFile::remove(dest);
    return 0;
}
