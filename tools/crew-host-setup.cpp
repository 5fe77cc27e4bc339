// crew-host-setup --db-list-dir DIR --user-dir DIR
//
// Installs what the import needs of the host product: the blank template BlnkVtrx.vdb and the
// database list VXDB97.mdb in the first directory (an existing list is kept), and the settings
// VXDBListDir and VXUDir where start-up reads them. The settings go to the system scope of
// QSettings (on Linux <first entry of $XDG_CONFIG_DIRS, default /etc/xdg>/Vantrix/General.conf);
// set XDG_CONFIG_DIRS (and XDG_CONFIG_HOME for the per-user store) to work in a sandbox.
//
// Exit status: 0 done; 2 bad arguments, or a directory or the settings file that cannot be
// made or written; 1 any other failure.
#include "cli/CommandLine.h"
#include "db/DaoError.h"
#include "wizard/HostProduct.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

const char kUsage[] =
    "usage: crew-host-setup --db-list-dir DIR --user-dir DIR\n"
    "  --db-list-dir DIR  where the template BlnkVtrx.vdb and the database list VXDB97.mdb go\n"
    "  --user-dir DIR     the product's user directory; new databases go below it\n"
    "Both directories are made when missing. The settings are stored in the system scope\n"
    "(<first entry of $XDG_CONFIG_DIRS, default /etc/xdg>/Vantrix/General.conf).\n";

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    const cli::Syntax syntax{"crew-host-setup", kUsage, {{"--db-list-dir"}, {"--user-dir"}}};
    cli::Parsed parsed;
    if (const auto status = cli::Read(argc, argv, syntax, parsed))
        return *status;
    const QString dbListDir = parsed.value("--db-list-dir").value_or(QString());
    const QString userDir = parsed.value("--user-dir").value_or(QString());
    if (dbListDir.isEmpty() || userDir.isEmpty())
        return cli::Refuse(syntax, "both --db-list-dir and --user-dir are required, each with a directory");

    try {
        const HostSetupResult r = SetUpHost(dbListDir, userDir);
        out << "Template:      " << r.templatePath << (r.templateReplaced ? " (replaced)\n" : " (created)\n");
        out << "Database list: " << r.listPath << (r.listCreated ? " (created)\n" : " (existing list kept)\n");
        out << "User dir:      " << r.userDir << "\n";
        out << "Settings:      VXDBListDir=" << r.dbListDir << ", VXUDir=" << r.userDir << " stored in "
            << r.settingsFile << "\n";
        return 0;
    } catch (const dao::DaoError& e) {
        err << "crew-host-setup: error " << e.Number << ": " << e.Description << "\n";
        return e.Number == 70 || e.Number == 76 ? 2 : 1;
    }
}
