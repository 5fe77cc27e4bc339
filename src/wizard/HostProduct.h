#pragma once
// The host product's own files: the blank template BlnkVtrx.vdb that every new database is copied
// from, and the database list VXDB97.mdb (table DB). Both are SQLite files made from the schemas
// kept in product/*.sql. Failures raise dao::DaoError.
#include <QString>

inline constexpr const char kTemplateFileName[] = "BlnkVtrx.vdb";
inline constexpr const char kDatabaseListFileName[] = "VXDB97.mdb";

// The schema texts compiled into the program.
const char* TemplateSchemaSql();
const char* DatabaseListSchemaSql();

// Writes a fresh template at `path`. The file is built beside its destination and then moved over
// it, so an existing template is replaced whole or not at all.
void CreateTemplate(const QString& path);

// Writes an empty database list at `path`. An existing file is never replaced: that raises 58.
void CreateDatabaseList(const QString& path);

// True when `path` is an SQLite file holding table DB (a usable database list). Never raises.
bool IsDatabaseList(const QString& path);

// What crew-host-setup does: makes both directories when missing, writes the template into
// `dbListDir` (replacing an old one), writes the list there unless one exists, and stores both
// directories where start-up reads them (the system scope of the host settings).
struct HostSetupResult {
    QString dbListDir;     // absolute, without trailing separator, as stored
    QString userDir;       // absolute, without trailing separator, as stored
    QString templatePath;
    QString listPath;
    bool listCreated = false;       // false: an existing list was kept
    bool templateReplaced = false;  // an older template was replaced
    QString settingsFile;      // where the two values were stored
};
// Raises DaoError 76 when a directory cannot be made, 70 when it or the settings file cannot be
// written, 3343 when the list's name is taken by a file that is no database list, 3000 when the
// settings file cannot be read, and whatever CreateTemplate raises.
HostSetupResult SetUpHost(const QString& dbListDir, const QString& userDir);
