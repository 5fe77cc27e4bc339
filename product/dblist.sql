-- VXDB97.mdb: the product's list of its databases, one row per database.
-- Declarations follow src/db/FieldType.h. Path is a memo: a directory path may be longer
-- than a text field holds, and a registration that fails comes only after a whole import.

CREATE TABLE "DB" (
    "Id"         INTEGER PRIMARY KEY AUTOINCREMENT,
    "Name"       VARCHAR(255) COLLATE NOCASE NOT NULL,
    "Path"       LONGTEXT COLLATE NOCASE NOT NULL,
    "FileName"   VARCHAR(255) COLLATE NOCASE NOT NULL,
    "IsDefault"  BOOLEAN NOT NULL DEFAULT 0
);
CREATE INDEX "lookup_DB_Name" ON "DB" ("Name");
CREATE INDEX "lookup_DB_FileName" ON "DB" ("FileName");
