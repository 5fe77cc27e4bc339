#pragma once
// A SQLite file built from SQL text, for tests that need a database in a given shape.
#include <QString>
#include <QStringList>

namespace testsupport {

// Creates (or extends) the file at `path` by running each statement; fails the test on error.
void RunSql(const QString& path, const QStringList& statements);

// One value read straight from the file, bypassing the db layer ("" for Null, typeof() with asType).
QString QueryText(const QString& path, const QString& sql);

}  // namespace testsupport
