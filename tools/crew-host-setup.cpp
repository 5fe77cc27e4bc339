// crew-host-setup --db-list-dir DIR --user-dir DIR [--group GROUP] [--user USER]
//
// Installs what the import needs of the host product: the blank template BlnkVtrx.vdb and the
// database list VXDB97.mdb in the first directory (an existing list is kept), and the settings
// VXDBListDir and VXUDir where start-up reads them, with the owners and modes that let the operators
// named here import (wizard/HostSetup.h). The settings go to the system scope of QSettings (on Linux
// the first entry of $XDG_CONFIG_DIRS, by default /etc/xdg, then Vantrix/General.conf); set
// XDG_CONFIG_DIRS (and XDG_CONFIG_HOME for the per-user store) to work in a sandbox.
//
// Exit status: 0 done; 2 bad arguments (an unknown user or group among them), or a directory or the
// settings file that cannot be made or written; 1 any other failure. A set-up that fails leaves
// nothing of itself behind.
#include "cli/CommandLine.h"
#include "db/DaoError.h"
#include "wizard/HostSetup.h"

#include <QCoreApplication>
#include <QTextStream>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace {

const char kUsage[] =
    "usage: crew-host-setup --db-list-dir DIR --user-dir DIR [--group GROUP] [--user USER]\n"
    "  --db-list-dir DIR  where the template BlnkVtrx.vdb and the database list VXDB97.mdb go\n"
    "  --user-dir DIR     the product's user directory; new databases go below it\n"
    "  --group GROUP      the operators' group: its members can import (folders 2775, list 0664)\n"
    "  --user USER        the one operator who can import (owns the folders and the list)\n"
    "Both directories are made when missing. Without --group or --user only the user running the\n"
    "set-up can import. The settings are stored in the system scope: the first entry of\n"
    "$XDG_CONFIG_DIRS (default /etc/xdg), then Vantrix/General.conf; run it as root there.\n";

// A user or group named by name or number, from the machine's accounts (getpwnam and getpwuid, or
// getgrnam and getgrgid); a number that no account uses stands for itself. nullopt: no such name.
template <typename Entry, typename Id>
std::optional<Id> FindAccount(const QString& name, QString* shown, Entry* (*byId)(Id), Entry* (*byName)(const char*),
                              char* Entry::*nameOf, Id Entry::*idOf)
{
    bool number = false;
    const uint id = name.toUInt(&number);
    const Entry* entry = number ? byId(static_cast<Id>(id)) : byName(name.toLocal8Bit().constData());
    if (!entry)
        return number ? std::optional<Id>(static_cast<Id>(id)) : std::nullopt;
    *shown = QString::fromLocal8Bit(entry->*nameOf);
    return entry->*idOf;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    const cli::Syntax syntax{"crew-host-setup", kUsage,
                             {{"--db-list-dir"}, {"--user-dir"}, {"--group"}, {"--user"}}};
    cli::Parsed parsed;
    if (const auto status = cli::Read(argc, argv, syntax, parsed))
        return *status;
    const QString dbListDir = parsed.value("--db-list-dir").value_or(QString());
    const QString userDir = parsed.value("--user-dir").value_or(QString());
    if (dbListDir.isEmpty() || userDir.isEmpty())
        return cli::Refuse(syntax, "both --db-list-dir and --user-dir are required, each with a directory");

    HostOperators operators;
    if (const auto name = parsed.value("--group")) {
        operators.groupName = *name;
        operators.group = FindAccount<group, gid_t>(*name, &operators.groupName, ::getgrgid, ::getgrnam,
                                                    &group::gr_name, &group::gr_gid);
        if (!operators.group)
            return cli::Refuse(syntax, "--group " + *name + ": this machine has no such group (make it with addgroup, "
                                       "and add the operators to it with adduser USER GROUP)");
    }
    if (const auto name = parsed.value("--user")) {
        operators.userName = *name;
        operators.user = FindAccount<passwd, uid_t>(*name, &operators.userName, ::getpwuid, ::getpwnam,
                                                    &passwd::pw_name, &passwd::pw_uid);
        if (!operators.user)
            return cli::Refuse(syntax, "--user " + *name + ": this machine has no such user");
    }

    try {
        const HostSetupResult r = SetUpHost(dbListDir, userDir, operators);
        out << "Template:      " << r.templatePath << (r.templateReplaced ? " (replaced)\n" : " (created)\n");
        out << "Database list: " << r.listPath << (r.listCreated ? " (created)\n" : " (existing list kept)\n");
        out << "User dir:      " << r.userDir << "\n";
        out << "Settings:      VXDBListDir=" << r.dbListDir << ", VXUDir=" << r.userDir << " stored in "
            << r.settingsFile << "\n";
        out << "Can import:    " << r.operators << "\n";
        for (const QString& change : r.changed)
            out << "Changed:       " << change << "\n";
        return 0;
    } catch (const dao::DaoError& e) {
        err << "crew-host-setup: error " << e.Number << ": " << e.Description << "\n";
        return e.Number == 70 || e.Number == 75 || e.Number == 76 ? 2 : 1;
    }
}
