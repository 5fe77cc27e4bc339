#include "wizard/HostSetup.h"

#include "db/DaoError.h"
#include "wizard/FileRights.h"
#include "wizard/HostProduct.h"
#include "wizard/HostSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <set>
#include <utility>
#include <vector>

namespace {

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

// A place the set-up could not write or make: 70 when the system refused the right, 75 otherwise.
dao::DaoError Refused(int error, const QString& what)
{
    const bool right = error == EACCES || error == EPERM || error == EROFS;
    return {right ? 70 : 75, QString("%1: %2 (%3).").arg(right ? "Permission denied" : "Path/File access error", what,
                                                        SystemWords(error))};
}

// What the set-up made or changed, undone in reverse order when it fails.
class Undo {
public:
    // `made` says whether undoing removes something the set-up made or puts back something it changed.
    void Add(const QString& what, bool made, std::function<bool()> undo)
    {
        steps_.push_back({what, made, std::move(undo)});
    }
    void Disarm() { steps_.clear(); }

    // Undoes every step; what was removed, put back and left, as a sentence to add to the error.
    QString Run() noexcept
    {
        QStringList removed, restored, left;
        for (auto step = steps_.rbegin(); step != steps_.rend(); ++step) {
            const QFileInfo at(step->what);
            if (step->made && !at.exists() && !at.isSymLink())
                continue;  // never made after all (the failure came first), or moved into place
            bool done = false;
            try {
                done = step->undo();
            } catch (...) {
            }
            (done ? (step->made ? removed : restored) : left) << "'" + step->what + "'";
        }
        steps_.clear();
        QStringList said;
        if (!removed.isEmpty())
            said << "what it had made was removed again (" + removed.join(", ") + ")";
        if (!restored.isEmpty())
            said << "what it had changed was put back (" + restored.join(", ") + ")";
        if (!left.isEmpty())
            said << "these could NOT be undone, remove or restore them by hand: " + left.join(", ");
        return said.isEmpty() ? QString("This set-up made and changed nothing.")
                              : "This set-up made nothing: " + said.join("; ") + ".";
    }

private:
    struct Step {
        QString what;
        bool made;
        std::function<bool()> undo;
    };
    std::vector<Step> steps_;
};

bool Gone(const QString& path, bool folder)
{
    const int rc = folder ? ::rmdir(Native(path).constData()) : ::unlink(Native(path).constData());
    return rc == 0 || errno == ENOENT;
}

// Who the operators are, and the owners and modes the product's files get for them.
struct Access {
    std::optional<uid_t> owner;  // given to this user
    std::optional<gid_t> group;  // given to this group
    mode_t folder = 0755;        // the two folders, as made
    mode_t list = 0644;          // the database list, as made
    mode_t folderNeeds = 0;      // the bits an existing folder or list is given when it lacks them
    mode_t listNeeds = 0;
    // Who must reach the folders: nothing to check when nobody was named.
    std::optional<uid_t> uid;
    std::set<gid_t> gids;
    bool named = false;
    QString who;

    explicit Access(const HostOperators& o)
    {
        named = o.user || o.group;
        if (o.user) {
            owner = uid = *o.user;
            const passwd* p = ::getpwuid(*o.user);
            if (p) {
                // The user's groups, for the folders above the product's.
                int count = 64;
                std::vector<gid_t> groups(static_cast<size_t>(count));
                if (::getgrouplist(p->pw_name, p->pw_gid, groups.data(), &count) < 0) {
                    groups.resize(static_cast<size_t>(count));
                    ::getgrouplist(p->pw_name, p->pw_gid, groups.data(), &count);
                }
                groups.resize(static_cast<size_t>(std::max(count, 0)));
                gids.insert(groups.begin(), groups.end());
                if (!o.group)
                    group = p->pw_gid;
            }
            folderNeeds = 0700;
            listNeeds = 0600;
        }
        if (o.group) {
            group = *o.group;
            gids.insert(*o.group);
            folder = 02775;  // setgid: what an operator makes inside stays the group's
            list = 0664;
            folderNeeds |= 02070;
            listNeeds |= 0060;
        }
        const QString userName = o.userName.isEmpty() && o.user ? UserName(*o.user) : o.userName;
        const QString groupName = o.groupName.isEmpty() && o.group ? GroupName(*o.group) : o.groupName;
        if (o.user && o.group)
            who = "the user " + userName + " and the group " + groupName;
        else if (o.user)
            who = "the user " + userName;
        else if (o.group)
            who = "the group " + groupName;
        else
            who = UserName(::geteuid()) + " only (no --group or --user was named)";
    }

    // Whether the operators may pass through a folder with this owner and mode.
    bool CanSearch(const struct stat& st) const
    {
        if (uid && (*uid == 0 || st.st_uid == *uid))
            return (st.st_mode & S_IXUSR) != 0;
        if (gids.count(st.st_gid))
            return (st.st_mode & S_IXGRP) != 0;
        return (st.st_mode & S_IXOTH) != 0;
    }
};

// The folders above `path` that exist, from the nearest up to the root, and those below them that are
// missing, from the top down (the last one is `path` itself when it is missing).
std::pair<QStringList, QStringList> ExistingAndMissing(const QString& path)
{
    QStringList existing, missing;
    QString at = QDir::cleanPath(path);
    for (;;) {
        const QFileInfo info(at);
        if (info.exists() || info.isSymLink())
            existing << at;
        else if (existing.isEmpty())
            missing.prepend(at);
        const QString up = info.absolutePath();
        if (up == at)
            break;
        at = up;
    }
    return {existing, missing};
}

// The operators can reach `path` (a folder or a file): every folder above it that exists lets them
// pass. Checked before anything is made.
void CheckReach(const Access& access, const QString& path, const QString& role)
{
    if (!access.named)
        return;
    const QStringList existing = ExistingAndMissing(path).first;
    for (const QString& folder : existing) {
        if (folder == QDir::cleanPath(path))
            continue;  // the place itself is given what the operators need
        struct stat st {};
        if (::stat(Native(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            continue;  // told when the folders are made
        if (!access.CanSearch(st))
            throw dao::DaoError(70, QString("Permission denied: %1 '%2' is inside '%3' (owner %4, group %5, mode %6), "
                                            "which %7 may not pass through, so they could not import. Choose a "
                                            "place outside it, or open that folder to them.")
                                        .arg(role, path, folder, UserName(st.st_uid), GroupName(st.st_gid),
                                             Octal(st.st_mode), access.who));
    }
}

// Makes `path` and the folders above it that are missing (0755, whatever the umask, so that the
// operators pass through); each is removed again when the set-up fails. True when `path` was made.
bool MakeFolders(const QString& path, const QString& role, Undo& undo)
{
    const auto [existing, missing] = ExistingAndMissing(path);
    if (!existing.isEmpty() && !QFileInfo(existing.first()).isDir()) {
        const QString in = existing.first();
        throw dao::DaoError(75, in == QDir::cleanPath(path)
                                    ? QString("Path/File access error: %1 '%2' is a file, not a folder.").arg(role, path)
                                    : QString("Path/File access error: %1 '%2' cannot be made: '%3' is a file, not a "
                                              "folder.").arg(role, path, in));
    }
    for (const QString& folder : missing) {
        if (::mkdir(Native(folder).constData(), 0755) != 0)
            throw Refused(errno, folder == QDir::cleanPath(path)
                                     ? QString("%1 '%2' cannot be made").arg(role, path)
                                     : QString("%1 '%2' cannot be made: the folder '%3' above it cannot be created")
                                           .arg(role, path, folder));
        undo.Add(folder, true, [folder] { return Gone(folder, true); });
        ::chmod(Native(folder).constData(), 0755);
    }
    return !missing.isEmpty();
}

// Gives `path` the owner, group and mode the operators need. A file or folder the set-up made gets
// `mode`; one that was there keeps its mode with `needs` added, and is put back when the set-up fails.
void Give(const QString& path, const Access& access, mode_t mode, mode_t needs, bool made, Undo& undo,
          QStringList& changed)
{
    struct stat st {};
    if (::stat(Native(path).constData(), &st) != 0)
        throw Refused(errno, QString("'%1' cannot be read").arg(path));
    const uid_t owner = access.owner.value_or(st.st_uid);
    const gid_t group = access.group.value_or(st.st_gid);
    const mode_t wanted = made ? mode : (st.st_mode & 07777) | needs;
    if (owner == st.st_uid && group == st.st_gid && wanted == (st.st_mode & 07777))
        return;
    if (!made)
        undo.Add(path, false, [path, st] {
            return ::chown(Native(path).constData(), st.st_uid, st.st_gid) == 0 &&
                   ::chmod(Native(path).constData(), st.st_mode & 07777) == 0;
        });
    if ((owner != st.st_uid || group != st.st_gid) && ::chown(Native(path).constData(), owner, group) != 0) {
        const int error = errno;
        throw Refused(error, QString("'%1' cannot be given to %2 (owner %3, group %4)%5")
                                 .arg(path, access.who, UserName(owner), GroupName(group),
                                      error == EPERM ? QString(": only root can give files to another user or to "
                                                               "a group it is not in")
                                                     : QString()));
    }
    // chown clears the setgid bit of a folder: the mode comes after it.
    if (::chmod(Native(path).constData(), wanted) != 0)
        throw Refused(errno, QString("the mode of '%1' cannot be set to %2").arg(path, Octal(wanted)));
    if (!made)
        changed << QString("%1: owner %2, group %3, mode %4 (was %5, %6, %7)")
                       .arg(path, UserName(owner), GroupName(group), Octal(wanted), UserName(st.st_uid),
                            GroupName(st.st_gid), Octal(st.st_mode));
}

// A folder this user can write in (the set-up writes the template and the list there).
void CheckWritable(const QString& folder, const QString& role)
{
    if (::access(Native(folder).constData(), W_OK | X_OK) != 0)
        throw Refused(errno, QString("%1 '%2' cannot be written").arg(role, folder));
}

// The settings file as it is before the set-up, to be put back when the set-up fails: its bytes and
// mode, or the file and the folders made for it removed. Returns the folders storing will make.
QStringList RememberSettings(const QString& file, Undo& undo)
{
    const auto [existing, missing] = ExistingAndMissing(QFileInfo(file).absolutePath());
    for (const QString& folder : missing)
        undo.Add(folder, true, [folder] { return Gone(folder, true); });
    QFile current(file);
    if (!current.exists()) {
        undo.Add(file, true, [file] { return Gone(file, false); });
        return missing;
    }
    struct stat st {};
    ::stat(Native(file).constData(), &st);
    if (!current.open(QIODevice::ReadOnly))
        return missing;  // storing reports it: a file that cannot be read is never written over
    const QByteArray bytes = current.readAll();
    undo.Add(file, false, [file, bytes, st] {
        QSaveFile back(file);
        if (!back.open(QIODevice::WriteOnly) || back.write(bytes) != bytes.size() || !back.commit())
            return false;
        return ::chmod(Native(file).constData(), st.st_mode & 07777) == 0;
    });
    return missing;
}

}  // namespace

HostSetupResult SetUpHost(const QString& dbListDir, const QString& userDir, const HostOperators& operators)
{
    const Access access(operators);
    HostSetupResult r;
    r.dbListDir = QDir::cleanPath(QDir(dbListDir).absolutePath());
    r.userDir = QDir::cleanPath(QDir(userDir).absolutePath());
    r.templatePath = r.dbListDir + '/' + kTemplateFileName;
    r.listPath = r.dbListDir + '/' + kDatabaseListFileName;
    r.operators = access.who;
    const QString listRole = "the database list's folder";
    const QString userRole = "the user folder";
    const QString key = QString::fromLatin1(kHostSettingsKey);
    r.settingsFile = SettingsFile(HKeyLocalMachine, key);

    // Nothing is made before the operators are known to reach every place.
    CheckReach(access, r.dbListDir, listRole);
    CheckReach(access, r.userDir, userRole);
    CheckReach(access, r.settingsFile, "the settings file");

    Undo undo;
    try {
        const bool listDirMade = MakeFolders(r.dbListDir, listRole, undo);
        const bool userDirMade = MakeFolders(r.userDir, userRole, undo);
        CheckWritable(r.dbListDir, listRole);
        CheckWritable(r.userDir, userRole);

        // The list: one that is there is kept; a new one is built beside its place and put there last,
        // as the template is.
        QString newList;
        if (QFileInfo::exists(r.listPath)) {
            if (!IsDatabaseList(r.listPath))
                throw dao::JetError::UnrecognizedFormat(r.listPath);
        } else {
            newList = BuildBeside(r.listPath, DatabaseListSchemaSql());
            undo.Add(newList, true, [newList] { return Gone(newList, false); });
        }
        const QString newTemplate = BuildBeside(r.templatePath, TemplateSchemaSql());
        undo.Add(newTemplate, true, [newTemplate] { return Gone(newTemplate, false); });

        // Owners and modes for the operators.
        Give(r.dbListDir, access, access.folder, access.folderNeeds, listDirMade, undo, r.changed);
        Give(r.userDir, access, access.folder, access.folderNeeds, userDirMade, undo, r.changed);
        if (newList.isEmpty())
            Give(r.listPath, access, access.list, access.listNeeds, false, undo, r.changed);
        else
            Give(newList, access, access.list, 0, true, undo, r.changed);
        Give(newTemplate, access, 0644, 0, true, undo, r.changed);

        // The settings, read by every operator.
        const QStringList settingsFolders = RememberSettings(r.settingsFile, undo);
        for (const auto& [name, value] : {std::pair{kVXDBListDir, r.dbListDir}, std::pair{kVXUDir, r.userDir}}) {
            const auto status = StoreSettingString(HKeyLocalMachine, key, name, value);
            if (status == QSettings::FormatError)
                throw dao::JetError::Engine(QString("Cannot store %1: '%2' is not a readable settings file")
                                                .arg(name, r.settingsFile));
            if (status != QSettings::NoError)
                throw dao::DaoError(70, QString("Permission denied: %1 cannot be stored in '%2'. The settings are "
                                                "the machine's: run crew-host-setup as root (or, for a trial, point "
                                                "XDG_CONFIG_DIRS at a folder you can write).")
                                            .arg(name, r.settingsFile));
        }
        for (const QString& folder : settingsFolders)
            ::chmod(Native(folder).constData(), 0755);  // made by the store, as the umask let it
        struct stat settings {};
        if (::stat(Native(r.settingsFile).constData(), &settings) == 0 && (settings.st_mode & 0444) != 0444 &&
            ::chmod(Native(r.settingsFile).constData(), (settings.st_mode & 07777) | 0444) != 0)
            throw Refused(errno, QString("the settings file '%1' cannot be made readable to %2")
                                     .arg(r.settingsFile, access.who));

        // Last, what the product's files become: the list (never over one that appeared meanwhile), then
        // the template.
        if (!newList.isEmpty()) {
            if (!QFile::rename(newList, r.listPath)) {
                if (QFileInfo::exists(r.listPath))
                    throw dao::DaoError(58, QString("File already exists: '%1' appeared while the set-up ran")
                                                .arg(r.listPath));
                throw dao::JetError::PermissionDenied(r.listPath);
            }
            const QString list = r.listPath;
            undo.Add(list, true, [list] { return Gone(list, false); });
            r.listCreated = true;
        }
        r.templateReplaced = QFileInfo::exists(r.templatePath);
        if (::rename(Native(newTemplate).constData(), Native(r.templatePath).constData()) != 0)
            throw Refused(errno, QString("the template '%1' cannot be put in place").arg(r.templatePath));
        undo.Disarm();
        return r;
    } catch (const dao::DaoError& e) {
        throw dao::DaoError(e.Number, e.Description + " " + undo.Run());
    }
}
