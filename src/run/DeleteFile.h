#pragma once
// Deleting a file the run made (the working copy, the new database): a file that stays raises 75
// with the path and the reason.
#include <QString>

void DeleteFile(const QString& path);
