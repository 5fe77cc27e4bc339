#pragma once
// Files the import makes beside other people's files (the working copy in the current directory, the
// new database and the log in the target directory) are made so that nobody else can steer them: a
// symbolic link at one of their names is refused, never followed; a temporary file is created
// exclusively under a name nobody chose in advance, in a folder only this user can enter; and a file
// is put in place with a rename that never replaces what is already there.
#include <QByteArray>
#include <QString>
#include <vector>

namespace dao {

// True when `path` itself is a symbolic link (dangling or not).
bool IsSymLink(const QString& path);

// Raises 75 naming `path` and `what` it stands for when `path` is a symbolic link.
void RefuseSymLink(const QString& path, const QString& what);

// True when both paths name one file (the same device and inode), however they are spelt.
bool SameFile(const QString& a, const QString& b);

// What a file that is not a regular file is, for a message: "a symbolic link", "a folder", "a pipe",
// "a socket", "a device" or "not a regular file".
QString KindOfFile(unsigned mode);

// Writes all of `bytes` to `fd`; false with errno set (ENOSPC when nothing more could be written) when
// it could not.
bool WriteAll(int fd, const QByteArray& bytes);

// A new file beside `path` (in its folder), created exclusively under a hidden name nobody chose in
// advance, never through a link (mode 0666 less the umask). Returns the open descriptor and sets
// `temp` to its name; -1 with errno set when it cannot be made.
int CreateBeside(const QString& path, QString& temp);

// Raises the error for `path` (`what` it is) that could not be written for the system's `error`: 61
// (disk full), 76 (its folder is missing), 70 (no permission) or 75, each naming the file.
[[noreturn]] void CannotWrite(const QString& path, const QString& what, int error);

// Writes `bytes` as the file `path` (`what` it is, for the messages): to a new file beside it, made
// durable, then renamed over it, so that a file already there stays whole until the new one is
// complete; it keeps the permissions of the file it replaces. A symbolic link or anything but a regular
// file at `path` is refused (75), never written through nor replaced. Raises as CannotWrite.
void ReplaceFile(const QString& path, const QString& what, const QByteArray& bytes);

// Renames `from` to `to` unless something already exists at `to` (raises 58 "File already exists",
// naming `to`). Raises 75 for any other failure.
void RenameNoReplace(const QString& from, const QString& to);

// Removes what SQLite could take for the rollback journal or write-ahead log of a database at
// `databasePath` (a leftover of a run that was killed, or a link planted there), so that it can never
// be rolled into a new file of that name. Raises 75 naming the file that cannot be removed.
void RemoveStaleJournals(const QString& databasePath);

}  // namespace dao

namespace dao {

// One import at a time in a folder: a lock is held from when it is taken until the process ends (or
// the object is destroyed). The locks are the operating system's (flock on the folder), so a killed
// run never leaves one behind, and nothing is written to the folder for them.
class FolderLocks {
public:
    // Takes the lock on `folder` (nothing to do when this object holds it already, under any name);
    // false when another process holds it. Raises 75 naming the folder when it cannot be opened.
    bool TryLock(const QString& folder);
    FolderLocks() = default;
    ~FolderLocks();
    FolderLocks(const FolderLocks&) = delete;
    FolderLocks& operator=(const FolderLocks&) = delete;

private:
    std::vector<int> held_;
};

}  // namespace dao
