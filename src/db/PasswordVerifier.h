#pragma once
// The database password of a working copy. The copy never holds the password itself: it holds a
// salted, iterated SHA-256 of it in the table MSysPassword, and opening the copy with
// "MS Access;PWD=..." checks the given password against it, exactly (case and blanks count), as Jet does.
#include <QString>

struct sqlite3;

namespace dao {

// Writes the verifier for `password`; an empty password writes none (the copy is unprotected).
void StorePasswordVerifier(sqlite3* db, const QString& password);

// True when the file has no password, or when a password was given and it is the file's.
bool PasswordAccepted(sqlite3* db, const QString& password, bool passwordGiven);

// The password part of a connect string such as "MS Access;PWD=secret" (case-insensitive keys).
// Returns false when the string names no PWD.
bool PasswordFromConnect(const QString& connect, QString* password);

}  // namespace dao
