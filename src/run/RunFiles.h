#pragma once
// The plan of the files of one attempt to import, and the only way a run creates, replaces or removes
// a file.
//
// When an attempt goes ahead its plan is fixed once: the working copy (temp7601.in in the current
// folder), the new database, the log (MP2ImportLog.txt, or MP2ImportCheck.txt for a check), the
// unattended report, an unattended check's list of numbers to rename, and the files SQLite keeps beside
// each database (-journal, -wal, -shm). Before the first write the plan is held against what a run must
// never touch: the source and every other file the run reads (the password, renames and substrings
// files), each known by its identity (device and inode, so any path, hard link or symbolic link to
// it), the product's database list and template, every database the list registers (with their
// journals), and anything that is not a regular file. A check's files are held against the names of
// the real run too (its new database and MP2ImportLog.txt), which a check never writes. A clash refuses
// the attempt with an error (75) that names both files.
//
// Then:
// - a file the run makes is made in a private folder of its own (db/PrivateDir.h: readable by this user
//   alone, carrying the proof of what the run made in it, locked while the run lives) and put in place
//   by a rename: the new database never replaces anything (the target is checked again at that
//   moment), the working copy replaces an earlier working copy;
// - a file the run replaces (the log, the report) is written to a new file in the same folder and
//   renamed over the old one: the old file stays whole until the new one is there;
// - the list of numbers to rename is the operator's work: the caller merges it, and a list that may not
//   be written (read-only) is left, the new one written beside it;
// - the run removes only what it made in this attempt, and the journals beside a database of its own
//   that it can prove stale; a private folder left by a run that was killed (no live lock) is removed by
//   the next run that starts in that folder, as far as its proof lists what is in it.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <sys/types.h>
#include <utility>
#include <vector>

// One file of the plan.
enum class RunFile { WorkingCopy, NewDatabase, Log, Report, RenamesList };

// What a run must never write or remove.
struct ProtectedFile {
    QString path;
    QString what;  // "the MP2 database", "the product's database list", ...
    // The output of the run that keeps this input's lines as they stand (the list of numbers to rename
    // given back with --renames): it alone may be written at this input's name.
    std::optional<RunFile> keptIn;
};

// Where the files of one attempt go, as the attempt that goes ahead names them.
struct RunPlaces {
    QString source;
    QString workingCopy;  // <current folder>/temp7601.in
    QString newDatabase;  // the target path; for a check only, the place the check keeps free
    QString log;          // <target folder>/MP2ImportLog.txt or MP2ImportCheck.txt
    bool checkOnly = false;
    std::vector<ProtectedFile> protectedFiles;  // the source is added to them
};

class RunFiles {
public:
    RunFiles() = default;
    ~RunFiles();
    RunFiles(const RunFiles&) = delete;
    RunFiles& operator=(const RunFiles&) = delete;

    // The unattended report's file (empty: none). Part of every plan fixed after this.
    void SetReport(const QString& path);
    const QString& report() const { return report_; }

    // The files the run reads besides the source: protected like it in every plan fixed after this.
    void SetInputs(std::vector<ProtectedFile> inputs) { inputs_ = std::move(inputs); }

    // The report against the plan that `places` would fix (what must never be touched and the run's own
    // files of a real run and of a check), before a run starts; the plan checks it again when it is
    // fixed, or when it is written after an attempt that never went ahead. Raises 75 naming both files.
    void CheckReport(const RunPlaces& places);

    // An unattended check lists the equipment numbers no option renames in MP2ImportRenames.csv beside
    // its log: part of every check's plan fixed after this.
    void SetRenamesList(bool wanted) { renamesList_ = wanted; }

    // Fixes the plan of the attempt that goes ahead (an earlier attempt's plan is forgotten: a refused
    // attempt made nothing) and checks it. Raises 75 naming both files on a clash, 58 when something
    // already is at the new database's name.
    void Fix(const RunPlaces& places);
    bool fixed() const { return fixed_; }
    const RunPlaces& places() const { return places_; }

    // Private folders: made in `folder` (mode 0700), locked while this run lives.
    QString MakePrivateDir(const QString& folder);
    void RemovePrivateDir(const QString& dir) noexcept;
    // The path of `name` inside the private folder `dir` of this run, listed in the folder's proof.
    static QString InPrivateDir(const QString& dir, const QString& name);
    // Removes from `folder` what runs killed outright left in their private folders (no live lock, the
    // proof there): only what the proof lists. Never raises; anything else is left, unmentioned.
    static void RemoveStalePrivateDirs(const QString& folder) noexcept;

    // The working copy made at `made` (inside a private folder of this run) replaces the working copy
    // of an earlier run, after the stale journals beside it are removed.
    void PlaceWorkingCopy(const QString& made);
    // The new database made at `made` is put at `at` (the target, or inside the check's private
    // folder) by a rename that replaces nothing (58 when a file appeared there).
    void PlaceNewDatabase(const QString& made, const QString& at);
    bool made(RunFile file) const;
    // The file was made in this attempt and removed again.
    bool removed(RunFile file) const;
    QString path(RunFile file) const;
    // The file is the operator's now (the registered database): the run never removes it.
    void Keep(RunFile file);
    // Removes a file this attempt made, with the journals beside it; nothing when it made none.
    // Raises 75 naming the file that stays.
    void Remove(RunFile file);

    // The log is made afresh beside its name and renamed over it; returns the open descriptor, which
    // the caller owns. Raises 70, 75 or 76 naming the log.
    int CreateLog(const QString& path);

    // Writes the report: checked again, written to a new file in its folder and renamed over the old
    // one. Raises 61 (disk full) or 75 with the reason; the old report is left as it was then.
    void WriteReport(const QByteArray& bytes);
    // Writes the list of numbers to rename in the same way, over the list at its name unless
    // `keepExisting` or the list there may not be written (read-only): then that list is left and the
    // new one is written beside it (MP2ImportRenames-2.csv, ...). Returns where it was written. Raises
    // 91 when the plan holds no such list, and as the report.
    QString WriteRenamesList(const QByteArray& bytes, bool keepExisting);

private:
    struct Planned {
        RunFile file;
        QString path;
        QString what;
        bool database = false;   // SQLite keeps journals beside it
        bool mayReplace = false; // an earlier file at the name is replaced (the working copy, the log, the report)
        bool made = false;
        bool removed = false;
    };
    // A name a check keeps free for the real run: never written, only held against.
    struct Reserved {
        QString path;
        QString what;
    };
    Planned* find(RunFile file);
    const Planned* find(RunFile file) const;
    // The plan `places` fixes, what it is held against and, for a check, the real run's names.
    std::vector<Planned> planOf(const RunPlaces& places, bool renamesList) const;
    std::vector<ProtectedFile> protectedFor(const RunPlaces& places) const;
    static std::vector<Reserved> reservedFor(const RunPlaces& places);
    void checkPlanned(const Planned& p, const std::vector<Planned>& all) const;
    static void checkPlanned(const Planned& p, const std::vector<Planned>& all,
                             const std::vector<ProtectedFile>& protectedFiles, const std::vector<Reserved>& reserved);
    void removeStaleSidecars(const Planned& p) const;

    QString report_;
    bool renamesList_ = false;
    std::vector<ProtectedFile> inputs_;
    std::optional<RunPlaces> reportPlaces_;
    RunPlaces places_;
    std::vector<Planned> planned_;
    std::vector<ProtectedFile> protected_;
    std::vector<Reserved> reserved_;
    bool fixed_ = false;
    struct Held {
        QString path;
        int fd;
    };
    std::vector<Held> privateDirs_;
};
