#pragma once
// Setting the host product up on a machine (crew-host-setup): its two directories, its template and
// database list, and the settings start-up reads, owned and opened so that the operators named at
// set-up can import:
//
// - a group of operators: both folders belong to the group, setgid and group-writable (2775), so that
//   what an operator makes there stays the group's; the list is group-writable (0664). SQLite writes a
//   journal beside the list while an import registers its database, so the list's folder must be
//   writable by them too;
// - one operator: both folders and the list belong to that user (0755, list 0644);
// - nobody named: the person setting up owns everything and is the only one who can import.
//
// The template (0644) and the settings file (0644) are read by every operator and written by nobody
// but the set-up. A set-up that fails removes what it made and puts back what it changed, in reverse
// order, and says why in plain words; what it did not make is never removed.
#include <QString>
#include <QStringList>
#include <optional>
#include <sys/types.h>

// Who imports into the product, as named at set-up.
struct HostOperators {
    std::optional<uid_t> user;   // --user: the one operator
    std::optional<gid_t> group;  // --group: the operators' group
    QString userName;            // as named, for what is printed
    QString groupName;
};

struct HostSetupResult {
    QString dbListDir;     // absolute, without trailing separator, as stored
    QString userDir;       // absolute, without trailing separator, as stored
    QString templatePath;
    QString listPath;
    bool listCreated = false;       // false: an existing list was kept
    bool templateReplaced = false;  // an older template was replaced
    QString settingsFile;           // where the two values were stored
    QString operators;              // who can import: "the group crew", "the user alice", ...
    QStringList changed;            // existing folders or the kept list whose owner or mode was changed
};

// What crew-host-setup does: makes both directories when missing, writes the template into
// `dbListDir` (replacing an old one), writes the list there unless one exists, gives the folders and
// files the owners and modes the operators need, and stores both directories where start-up reads
// them (the system scope of the host settings).
//
// Raises DaoError 75 when a directory cannot be made or is no folder, 70 when a place cannot be
// written or the operators could not reach it, 3343 when the list's name is taken by a file that is no
// database list, 3000 when the settings file cannot be read, 3026 when the disk is full. Its
// description says why and, when anything had been made or changed, that it was removed or put back.
HostSetupResult SetUpHost(const QString& dbListDir, const QString& userDir, const HostOperators& operators = {});
