#pragma once
// The private folders the import and its tools make their files in: a folder only its owner can enter
// (mode 0700) that carries the proof of who made it and what: a file ".crew-private" whose first line
// names the folder and the process that made it, and which lists every name made inside the folder
// before it is made there. A private folder made inside another is listed in the outer one's proof.
//
// Only a folder with its proof is ever removed, and only what the proof lists: the files, the journals
// SQLite keeps beside them (-journal, -wal, -shm), and the private folders listed there (each by its
// own proof). Whatever else is found inside (a file or folder nobody listed, a link) is left, and so
// is the folder that holds it. A name that merely looks like a private folder's is no proof.
#include <QString>

namespace dao {

// Makes a new private folder inside `parent`, named `prefix` and six random characters, with its
// proof. Raises 75 naming `parent` when it cannot.
QString MakePrivateDir(const QString& parent, const QString& prefix);

// The path of `name` inside the private folder `dir`, listed in its proof before anything is made
// there. Raises 75 naming the folder when the proof cannot be written.
QString PrivateName(const QString& dir, const QString& name);

// True when `dir` is a folder of this user's (not a link) whose proof names it.
bool IsPrivateDir(const QString& dir);

// Removes what the proof of `dir` lists, then the proof and the folder when nothing else is left in
// it. Never raises; a folder without its proof is left as it is.
void RemovePrivateDir(const QString& dir) noexcept;

}  // namespace dao
