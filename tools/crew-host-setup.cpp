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
#include "import/db/DaoError.h"
#include "wizard/HostProduct.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

namespace {

const char kUsage[] =
    "usage: crew-host-setup --db-list-dir DIR --user-dir DIR\n"
    "  --db-list-dir DIR  where the template BlnkVtrx.vdb and the database list VXDB97.mdb go\n"
    "  --user-dir DIR     the product's user directory; new databases go below it\n"
    "Both directories are made when missing. The settings are stored in the system scope\n"
    "(<first entry of $XDG_CONFIG_DIRS, default /etc/xdg>/Vantrix/General.conf).\n";

int Usage(QTextStream& err, const QString& problem)
{
    err << "crew-host-setup: " << problem << "\n" << kUsage;
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    QString dbListDir, userDir;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "-h" || a == "--help") {
            out << kUsage;
            return 0;
        }
        QString* target = a == "--db-list-dir" ? &dbListDir : a == "--user-dir" ? &userDir : nullptr;
        if (!target)
            return Usage(err, QString("unknown argument '%1'").arg(a));
        if (i + 1 >= args.size() || args[i + 1].isEmpty())
            return Usage(err, QString("%1 needs a directory").arg(a));
        if (!target->isEmpty())
            return Usage(err, QString("%1 is given twice").arg(a));
        *target = args[++i];
    }
    if (dbListDir.isEmpty() || userDir.isEmpty())
        return Usage(err, "both --db-list-dir and --user-dir are required");

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
