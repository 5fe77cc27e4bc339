// crew-mdb-copy SOURCE DEST.sqlite [--password PW]
//
// Makes the working copy of a database exactly as the import does, and opens it as the import would
// (with "MS Access;PWD=" & PW when --password is given, without a password otherwise) before it is
// put at DEST: a file already at DEST is replaced only by a copy that opened. On failure prints the
// error's number and description and exits 1, DEST left as it was; bad arguments exit 2.
#include "cli/CommandLine.h"
#include "jet/CopySource.h"
#include "db/DaoError.h"
#include "db/Database.h"

#include <QCoreApplication>
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
    dao::CopySourceOptions options;
    options.verify = [&](const QString& copy) {
        auto db = password ? dao::Database::OpenDatabase(copy, true, false, "MS Access;PWD=" + *password)
                           : dao::Database::OpenDatabase(copy);
        db->Close();
    };
    try {
        for (const QString& warning : dao::CopySource(source, dest, options))
            std::fprintf(stderr, "%s\n", warning.toUtf8().constData());
    } catch (const dao::DaoError& e) {
        std::fprintf(stderr, "Error %d: %s\n", e.Number, e.Description.toUtf8().constData());
        return 1;
    }
    return 0;
}
