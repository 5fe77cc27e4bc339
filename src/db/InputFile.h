#pragma once
// The files an operator gives a run to read besides the source (the password, renames and substrings
// files): a regular file of at most kLongestInput bytes. A device (/dev/zero would be read until
// memory runs out), a pipe or a folder is refused by name before anything is read from it.
#include <QByteArray>
#include <QString>

namespace dao {

inline constexpr qint64 kLongestInput = 16 * 1024 * 1024;

// Opens `path` for reading; `what` names what the file is for in the messages ("--renames"). Returns
// the descriptor, which the caller closes. Raises 53 (there is no such file), 70 (it may not be read),
// 75 (not a regular file, or larger than kLongestInput), each naming the file.
int OpenInputFile(const QString& path, const QString& what);

// The whole of `path`, opened as OpenInputFile opens it. Raises as it does, and 75 when reading fails.
QByteArray ReadInputFile(const QString& path, const QString& what);

}  // namespace dao
