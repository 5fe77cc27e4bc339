#pragma once
// Who owns a file and who may do what with it, in the words messages use: user and group names, a
// mode in octal, the system's own words for a refusal.
#include <QString>
#include <sys/types.h>

// The name of a user or group; its number when the machine knows no name for it.
QString UserName(uid_t uid);
QString GroupName(gid_t gid);

// "owner root, group crew, mode 2775" for `path`; empty when it cannot be read.
QString OwnerGroupMode(const QString& path);
QString Octal(mode_t mode);

// The system's words for an errno value: "Read-only file system", "Permission denied", ...
QString SystemWords(int error);
