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

// Builds a database from `schema` in a new, uniquely named file beside `path` and returns that file's
// path; the caller moves it into place or removes it. Readable by everyone the umask lets read it. The
// partial file is removed on failure (76: the folder is missing; 70: it cannot be written; 3026: the
// disk is full).
QString BuildBeside(const QString& path, const char* schema);

// Writes a fresh template at `path`. The file is built beside its destination and then moved over
// it, so an existing template is replaced whole or not at all.
void CreateTemplate(const QString& path);

// Writes an empty database list at `path`. An existing file is never replaced: that raises 58.
void CreateDatabaseList(const QString& path);

// True when `path` is an SQLite file holding table DB (a usable database list). Never raises.
bool IsDatabaseList(const QString& path);
