#include "run/RunFiles.h"

#include "db/DaoError.h"
#include "db/PrivateDir.h"
#include "db/SafeFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <utility>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kSidecars[] = {"-journal", "-wal", "-shm"};
// The private folders of a run: this prefix and six characters (the proof inside tells them apart
// from a folder of the operator's that happens to be named alike).
const QString kPrivatePrefix = QStringLiteral(".crew-run-");

QByteArray native(const QString& path) { return QFile::encodeName(path); }
QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

struct Stat {
    bool exists = false;
    struct stat st {};
};

Stat lstatOf(const QString& path)
{
    Stat s;
    s.exists = ::lstat(native(path).constData(), &s.st) == 0;
    return s;
}

Stat statOf(const QString& path)
{
    Stat s;
    s.exists = ::stat(native(path).constData(), &s.st) == 0;
    return s;
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// A path as the file system resolves its folder: the folder's real path and the name, so that two
// spellings of one place (a relative path, "..", a linked folder) compare equal.
QString Spelled(const QString& path)
{
    const QFileInfo info(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return (folder.isEmpty() ? info.absolutePath() : folder) + "/" + info.fileName();
}

// One name the run would write or remove, with what it is to the run.
struct Name {
    QString path;
    QString what;
    bool sidecar = false;
};

// Something a run must never touch: the file by its path and, when it exists, by its identity.
struct Guarded {
    QString spelled;
    QString path;
    QString what;
    Stat id;
    std::optional<RunFile> keptIn;  // the one output that may be written at this name
};

std::vector<Guarded> Guard(const std::vector<ProtectedFile>& files)
{
    std::vector<Guarded> out;
    for (const ProtectedFile& f : files) {
        if (f.path.isEmpty())
            continue;
        out.push_back({Spelled(f.path), f.path, f.what, statOf(f.path), f.keptIn});
        for (const char* suffix : kSidecars) {
            const QString side = f.path + QLatin1String(suffix);
            out.push_back({Spelled(side), side, "the journal of " + f.what, lstatOf(side), std::nullopt});
        }
    }
    return out;
}

// What the other file is to the run: one it never touches, one of its own (the report cannot be the
// log), or a name of the real run that a check keeps free.
enum class Other { Protected, Own, Reserved };

[[noreturn]] void Clash(const Name& n, const QString& verb, const QString& otherWhat, const QString& otherPath,
                        Other other = Other::Protected)
{
    const QString why = other == Other::Own        ? QString("Each file of an import must be a file of its own.")
                        : other == Other::Reserved ? QString("A check never writes the files of the import it checks.")
                                                   : QString("The import never writes or removes it.");
    throw dao::DaoError(75, QString("Path/File access error: the import would %1 '%2' (%3), but that is %4 '%5'. %6 "
                                    "Choose another place or name, then import again; nothing was written.")
                                .arg(verb, n.path, n.what, otherWhat, otherPath, why));
}

}  // namespace

RunFiles::~RunFiles()
{
    while (!privateDirs_.empty())
        RemovePrivateDir(privateDirs_.back().path);
}

void RunFiles::SetReport(const QString& path) { report_ = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath(); }

std::vector<ProtectedFile> RunFiles::protectedFor(const RunPlaces& places) const
{
    std::vector<ProtectedFile> files{ProtectedFile{places.source, "the MP2 database", std::nullopt}};
    files.insert(files.end(), inputs_.begin(), inputs_.end());
    files.insert(files.end(), places.protectedFiles.begin(), places.protectedFiles.end());
    return files;
}

std::vector<RunFiles::Reserved> RunFiles::reservedFor(const RunPlaces& places)
{
    if (!places.checkOnly)
        return {};
    std::vector<Reserved> names{{places.newDatabase, "the new database of the import"}};
    for (const char* suffix : kSidecars)
        names.push_back({places.newDatabase + QLatin1String(suffix), "a journal beside the new database of the import"});
    names.push_back({QFileInfo(places.log).absolutePath() + "/MP2ImportLog.txt", "the import log"});
    return names;
}

std::vector<RunFiles::Planned> RunFiles::planOf(const RunPlaces& places, bool renamesList) const
{
    std::vector<Planned> plan;
    plan.push_back({RunFile::WorkingCopy, places.workingCopy, "the import's working copy", true, true});
    if (!places.checkOnly)
        plan.push_back({RunFile::NewDatabase, places.newDatabase, "the new database", true, false});
    plan.push_back({RunFile::Log, places.log, places.checkOnly ? "the check log" : "the import log", false, true});
    if (!report_.isEmpty())
        plan.push_back({RunFile::Report, report_, "the report", false, true});
    if (places.checkOnly && renamesList)
        plan.push_back({RunFile::RenamesList, QFileInfo(places.log).absolutePath() + "/MP2ImportRenames.csv",
                        "the list of numbers to rename", false, true});
    return plan;
}

void RunFiles::CheckReport(const RunPlaces& places)
{
    if (report_.isEmpty())
        return;
    reportPlaces_ = places;
    // As the attempt it is and as the other (a check, with the list of numbers to rename, the
    // operator's work; the real import): the report is never one of the files of either.
    for (const bool checkOnly : {places.checkOnly, !places.checkOnly}) {
        RunPlaces as = places;
        as.checkOnly = checkOnly;
        const std::vector<Planned> plan = planOf(as, true);
        for (const Planned& p : plan)
            if (p.file == RunFile::Report)
                checkPlanned(p, plan, protectedFor(as), reservedFor(as));
    }
}

void RunFiles::Fix(const RunPlaces& places)
{
    places_ = places;
    protected_ = protectedFor(places);
    reserved_ = reservedFor(places);
    planned_ = planOf(places, renamesList_);
    fixed_ = true;
    for (const Planned& p : planned_)
        checkPlanned(p, planned_);
}

void RunFiles::checkPlanned(const Planned& p, const std::vector<Planned>& all) const
{
    checkPlanned(p, all, protected_, reserved_);
}

void RunFiles::checkPlanned(const Planned& p, const std::vector<Planned>& all,
                            const std::vector<ProtectedFile>& protectedFiles, const std::vector<Reserved>& reserved)
{
    std::vector<Guarded> guarded = Guard(protectedFiles);
    // The one output that keeps an input's lines may be written at its name.
    guarded.erase(std::remove_if(guarded.begin(), guarded.end(), [&](const Guarded& g) { return g.keptIn == p.file; }),
                  guarded.end());
    std::vector<Name> names{{p.path, p.what, false}};
    if (p.database)
        for (const char* suffix : kSidecars)
            names.push_back({p.path + QLatin1String(suffix), "a journal beside " + p.what, true});

    for (const Name& n : names) {
        const QString spelled = Spelled(n.path);
        const QString verb = n.sidecar ? "remove" : (p.mayReplace ? "write" : "make");
        for (const Guarded& g : guarded)
            if (g.spelled == spelled)
                Clash(n, verb, g.what, g.path);
        for (const Reserved& r : reserved)
            if (Spelled(r.path) == spelled)
                Clash(n, verb, r.what, r.path, Other::Reserved);
        // The run's own files must not be one another either.
        for (const Planned& other : all) {
            if (other.file == p.file)
                continue;
            std::vector<QString> theirs{other.path};
            if (other.database)
                for (const char* suffix : kSidecars)
                    theirs.push_back(other.path + QLatin1String(suffix));
            for (const QString& t : theirs)
                if (Spelled(t) == spelled)
                    Clash(n, verb, other.what + (t == other.path ? QString() : QString(" (its journal)")), t, Other::Own);
        }

        const Stat here = lstatOf(n.path);
        if (!here.exists)
            continue;
        if (S_ISLNK(here.st.st_mode)) {
            // Not a journal SQLite left (it makes none as a link): someone else's, and left alone.
            throw dao::DaoError(75, QString("Path/File access error: '%1' is a symbolic link, not %2. The import "
                                            "never writes or removes through a link: remove the link, then import "
                                            "again.")
                                        .arg(n.path, n.what));
        }
        if (!S_ISREG(here.st.st_mode))
            throw dao::DaoError(75, QString("Path/File access error: '%1' is %2, so %3 cannot be %4 there. Remove or "
                                            "rename it (or choose another place), then import again.")
                                        .arg(n.path, dao::KindOfFile(here.st.st_mode), n.what,
                                             n.sidecar ? QString("made beside it") : QString("made")));
        for (const Guarded& g : guarded)
            if (g.id.exists && sameFile(g.id.st, here.st))
                Clash(n, verb, g.what, g.path);
        for (const Planned& other : all) {
            if (other.file == p.file)
                continue;
            const Stat theirs = lstatOf(other.path);
            if (theirs.exists && S_ISREG(theirs.st.st_mode) && sameFile(theirs.st, here.st))
                Clash(n, verb, other.what, other.path, Other::Own);
        }
        if (!n.sidecar && !p.mayReplace)
            throw dao::DaoError(58, QString("File already exists: '%1' is already there; %2 never replaces a file. "
                                            "Choose another File Name or remove the file, then import again.")
                                        .arg(n.path, p.what));
    }
}

RunFiles::Planned* RunFiles::find(RunFile file)
{
    for (Planned& p : planned_)
        if (p.file == file)
            return &p;
    return nullptr;
}

const RunFiles::Planned* RunFiles::find(RunFile file) const { return const_cast<RunFiles*>(this)->find(file); }

bool RunFiles::made(RunFile file) const
{
    const Planned* p = find(file);
    return p && p->made;
}

bool RunFiles::removed(RunFile file) const
{
    const Planned* p = find(file);
    return p && p->removed;
}

QString RunFiles::path(RunFile file) const
{
    const Planned* p = find(file);
    return p ? p->path : QString();
}

QString RunFiles::MakePrivateDir(const QString& folder)
{
    const QString dir = dao::MakePrivateDir(folder, kPrivatePrefix);
    const int fd = ::open(native(dir).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        dao::RemovePrivateDir(dir);
        throw dao::DaoError(75, QString("Path/File access error: the import's private folder '%1' could not be "
                                        "held (%2)")
                                    .arg(dir, systemError(error)));
    }
    privateDirs_.push_back({dir, fd});
    return dir;
}

QString RunFiles::InPrivateDir(const QString& dir, const QString& name) { return dao::PrivateName(dir, name); }

void RunFiles::RemovePrivateDir(const QString& dir) noexcept
{
    for (auto it = privateDirs_.begin(); it != privateDirs_.end(); ++it) {
        if (it->path != dir)
            continue;
        dao::RemovePrivateDir(dir);
        ::close(it->fd);
        privateDirs_.erase(it);
        return;
    }
}

void RunFiles::RemoveStalePrivateDirs(const QString& folder) noexcept
{
    const QStringList entries = QDir(folder).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QString& entry : entries) {
        if (!entry.startsWith(kPrivatePrefix) || entry.size() != kPrivatePrefix.size() + 6)
            continue;
        const QString path = QDir(folder).filePath(entry);
        const int fd = ::open(native(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        // A live run holds its folder's lock; one that was killed holds nothing. What the folder holds
        // goes only as far as its proof lists it.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            dao::RemovePrivateDir(path);
        ::close(fd);
    }
}

void RunFiles::removeStaleSidecars(const Planned& p) const
{
    const std::vector<Guarded> guarded = Guard(protected_);
    for (const char* suffix : kSidecars) {
        const QString side = p.path + QLatin1String(suffix);
        const Stat s = lstatOf(side);
        if (!s.exists)
            continue;
        if (!S_ISREG(s.st.st_mode))
            throw dao::DaoError(75, QString("Path/File access error: '%1' is %2, left beside %3; it cannot be "
                                            "removed. Remove or rename it, then import again.")
                                        .arg(side, dao::KindOfFile(s.st.st_mode), p.what));
        for (const Guarded& g : guarded)
            if (g.id.exists && sameFile(g.id.st, s.st))
                Clash({side, "a journal beside " + p.what, true}, "remove", g.what, g.path);
        if (::unlink(native(side).constData()) != 0 && errno != ENOENT) {
            const int error = errno;
            throw dao::DaoError(75, QString("Path/File access error: '%1' is left from an earlier run and cannot be "
                                            "removed (%2). Remove it, then import again.")
                                        .arg(side, systemError(error)));
        }
    }
}

void RunFiles::PlaceWorkingCopy(const QString& made)
{
    Planned* p = find(RunFile::WorkingCopy);
    if (!p)
        throw dao::DaoError(91, "Object variable or With block variable not set (no plan for the working copy)");
    checkPlanned(*p, planned_);
    removeStaleSidecars(*p);
    if (::rename(native(made).constData(), native(p->path).constData()) != 0) {
        const int error = errno;
        throw dao::DaoError(75, QString("Path/File access error: the working copy could not be put in place as '%1' "
                                        "(%2)")
                                    .arg(p->path, systemError(error)));
    }
    p->made = true;
}

void RunFiles::PlaceNewDatabase(const QString& made, const QString& at)
{
    Planned* p = find(RunFile::NewDatabase);
    if (!p) {
        // A check only: its database goes into a private folder of this run, outside the plan's names.
        planned_.push_back({RunFile::NewDatabase, at, "the check's database", true, false});
        p = &planned_.back();
    } else if (Spelled(at) != Spelled(p->path)) {
        throw dao::DaoError(75, QString("Path/File access error: '%1' is not the new database's planned place '%2'")
                                    .arg(at, p->path));
    }
    checkPlanned(*p, planned_);  // the target again, at the moment it is made
    removeStaleSidecars(*p);
    dao::RenameNoReplace(made, at);
    p->made = true;
}

void RunFiles::Keep(RunFile file)
{
    if (Planned* p = find(file))
        p->made = false;
}

void RunFiles::Remove(RunFile file)
{
    Planned* p = find(file);
    if (!p || !p->made)
        return;
    if (::unlink(native(p->path).constData()) != 0 && errno != ENOENT) {
        const int error = errno;
        throw dao::DaoError(75, QString("Path/File access error: '%1' could not be deleted (%2)")
                                    .arg(p->path, systemError(error)));
    }
    p->made = false;
    p->removed = true;
    removeStaleSidecars(*p);
}

int RunFiles::CreateLog(const QString& path)
{
    Planned* p = find(RunFile::Log);
    if (!p) {
        planned_.push_back({RunFile::Log, path, "the import log", false, true});
        p = &planned_.back();
    } else {
        p->path = path;
    }
    checkPlanned(*p, planned_);
    const QString folder = QFileInfo(path).absolutePath();
    QString temp;
    const int fd = dao::CreateBeside(path, temp);
    if (fd < 0) {
        const int error = errno;
        if (!QFileInfo(folder).isDir())
            throw dao::DaoError(76, QString("Path not found: '%1'").arg(path));
        dao::CannotWrite(path, p->what, error);
    }
    if (::rename(native(temp).constData(), native(path).constData()) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(native(temp).constData());
        dao::CannotWrite(path, p->what, error);
    }
    p->made = true;
    return fd;
}

void RunFiles::WriteReport(const QByteArray& bytes)
{
    if (report_.isEmpty())
        return;
    Planned* p = find(RunFile::Report);
    const std::vector<Planned> alone{{RunFile::Report, report_, "the report", false, true}};
    if (p)
        checkPlanned(*p, planned_);
    else if (reportPlaces_)
        CheckReport(*reportPlaces_);  // no attempt went ahead: as it was checked before the run
    else
        checkPlanned(alone.front(), alone, inputs_, {});
    dao::ReplaceFile(report_, "the report", bytes);
    if (p)
        p->made = true;
}

QString RunFiles::WriteRenamesList(const QByteArray& bytes, bool keepExisting)
{
    Planned* p = find(RunFile::RenamesList);
    if (!p)
        throw dao::DaoError(91, "Object variable or With block variable not set (no plan for the list of numbers to "
                                "rename)");
    // Read-only as its permissions say, whoever runs the check (root may write any file).
    const Stat there = lstatOf(p->path);
    const bool writable =
        !there.exists || (::access(native(p->path).constData(), W_OK) == 0 && (there.st.st_mode & 0222) != 0);
    if (keepExisting || !writable) {
        // The list there is left as it is; the new one goes beside it, under a name nothing holds yet.
        const QFileInfo list(p->path);
        for (int n = 2;; ++n) {
            const QString beside = list.absolutePath() + QString("/%1-%2.%3").arg(list.completeBaseName()).arg(n).arg(list.suffix());
            if (lstatOf(beside).exists)
                continue;
            p->path = beside;
            break;
        }
    }
    checkPlanned(*p, planned_);
    dao::ReplaceFile(p->path, p->what, bytes);
    p->made = true;
    return p->path;
}
