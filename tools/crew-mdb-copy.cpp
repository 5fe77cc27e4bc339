// crew-mdb-copy SOURCE DEST.sqlite [--password PW]
//
// Makes the working copy of a database exactly as the import does, then opens it as the import
// would: with "MS Access;PWD=" & PW when --password is given, without a password otherwise.
// On failure prints the error's number and description and exits 1 (the copy is removed when the
// password is refused); bad arguments exit 2.
#include "cli/CommandLine.h"
#include "jet/CopySource.h"
#include "db/DaoError.h"
#include "db/Database.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

namespace {

const char kUsage[] =
    "usage: crew-mdb-copy SOURCE DEST.sqlite [--password PW]\n"
    "  SOURCE         an Access 97-2003 .mdb, or a SQLite database (only read)\n"
    "  DEST.sqlite    the working copy to write\n"
    "  --password PW  open the copy with this database password\n"
    "Exit status: 0 copied and opened; 1 the copy or the open failed; 2 bad arguments.\n";

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const cli::Syntax syntax{"crew-mdb-copy", kUsage, {{"--password"}}, 2};
    cli::Parsed parsed;
    if (const auto status = cli::Read(argc, argv, syntax, parsed))
        return *status;
    if (parsed.positional.size() != 2)
        return cli::Refuse(syntax, "SOURCE and DEST.sqlite are required");
    const QString source = parsed.positional[0];
    const QString dest = parsed.positional[1];
    const std::optional<QString> password = parsed.value("--password");
    try {
        for (const QString& warning : dao::CopySource(source, dest))
            std::fprintf(stderr, "%s\n", warning.toUtf8().constData());
    } catch (const dao::DaoError& e) {
        std::fprintf(stderr, "Error %d: %s\n", e.Number, e.Description.toUtf8().constData());
        return 1;
    }
    try {
        auto db = password ? dao::Database::OpenDatabase(dest, true, false, "MS Access;PWD=" + *password)
                           : dao::Database::OpenDatabase(dest);
        db->Close();
    } catch (const dao::DaoError& e) {
        QFile::remove(dest);
        std::fprintf(stderr, "Error %d: %s\n", e.Number, e.Description.toUtf8().constData());
        return 1;
    }
    return 0;
}
