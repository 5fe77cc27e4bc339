#pragma once
// What an operator needs of the host product's files, checked at start-up before the database list is
// opened: the list is there and can be read and written (every import registers its new database in
// it), its folder can be written (SQLite keeps the list's journal beside it while it writes), and the
// template, when it is there, can be read (every new database is a copy of it). A fault names the file,
// the right that is missing and who lacks it, and points to crew-host-setup, which sets the product up
// for the operators who import.
#include "import/HostSetUpAdvice.h"

#include <QString>

// Raises DaoError 3024 when the list is missing and 70 when a right is missing.
void CheckHostProductAccess(const QString& dbListDir);
