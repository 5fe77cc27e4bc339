// crew-jet-reader SOURCE DEST: copies a Jet file into a new SQLite working copy.
//
// Run by CopySource as a child process, so that a damaged file that crashes or hangs libmdb
// cannot take the import with it. Protocol with the parent:
//   stdout  "progress <table> <rows>" lines, flushed, so that the parent can tell work from a hang;
//   stderr  libmdb's own warnings, and on failure a last line "error <number> <description>";
//   exit    0 when DEST is complete, 2 after a reported error, 3 on an unexpected failure.
// The database password never appears in any of them.
#include "import/db/DaoError.h"
#include "import/db/jet/JetReader.h"

#include <QString>
#include <cstdio>
#include <exception>

namespace {

void reportError(int number, const QString& description)
{
    QString oneLine = description;
    oneLine.replace('\n', ' ').replace('\r', ' ');
    std::fprintf(stderr, "\nerror %d %s\n", number, oneLine.toUtf8().constData());
    std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: crew-jet-reader SOURCE DEST\n");
        return 64;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString dest = QString::fromLocal8Bit(argv[2]);
    try {
        jetreader::copyJetFile(source, dest, [](const QString& table, qint64 rows) {
            std::printf("progress %s %lld\n", table.toUtf8().constData(), static_cast<long long>(rows));
            std::fflush(stdout);
        });
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
