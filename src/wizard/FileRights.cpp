#include "wizard/FileRights.h"

#include <QFile>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include <cstring>

QString UserName(uid_t uid)
{
    const passwd* p = ::getpwuid(uid);
    return p ? QString::fromLocal8Bit(p->pw_name) : QString::number(uid);
}

QString GroupName(gid_t gid)
{
    const group* g = ::getgrgid(gid);
    return g ? QString::fromLocal8Bit(g->gr_name) : QString::number(gid);
}

QString Octal(mode_t mode) { return QString("%1").arg(mode & 07777, 4, 8, QChar('0')); }

QString OwnerGroupMode(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return QString("owner %1, group %2, mode %3").arg(UserName(st.st_uid), GroupName(st.st_gid), Octal(st.st_mode));
}

QString SystemWords(int error) { return QString::fromLocal8Bit(std::strerror(error)); }
