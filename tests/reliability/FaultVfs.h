#pragma once
// A SQLite VFS for tests that fails writes on purpose: registered as the default over the real one,
// it passes everything through until a chosen number of writes to files under a chosen folder have
// been made, then fails every further write there with SQLITE_FULL, as a disk that has filled up.
#include <QString>

namespace reliability {

class WriteFaults {
public:
    // Installs the VFS as the default (once per process) and starts counting writes under `folder`.
    // failAfter < 0 only counts.
    static void Arm(const QString& folder, long failAfter);
    // Writes go through again; the VFS stays installed and counts nothing.
    static void Disarm();
    // Writes counted under the folder since Arm, failed ones included.
    static long Writes();
    static long Failures();
};

}  // namespace reliability
