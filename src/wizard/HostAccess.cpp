#include "wizard/HostAccess.h"

#include "db/DaoError.h"
#include "wizard/FileRights.h"
#include "wizard/HostProduct.h"

#include <QFile>
#include <QFileInfo>
#include <unistd.h>

#include <cerrno>

namespace {

// Whether this user may do `rights` (R_OK, W_OK, X_OK) with `path`; the system's words when not.
QString Refusal(const QString& path, int rights)
{
    if (::access(QFile::encodeName(path).constData(), rights) == 0)
        return {};
    return SystemWords(errno);
}

[[noreturn]] void Deny(const QString& what, const QString& path, const QString& words, const QString& why)
{
    throw dao::DaoError(70, QString("Permission denied: you (%1) %2 '%3' (%4; %5): %6\r\r%7")
                                .arg(UserName(::getuid()), what, path, OwnerGroupMode(path), words, why,
                                     QString::fromLatin1(kHostSetUpAdvice)));
}

}  // namespace

void CheckHostProductAccess(const QString& dbListDir)
{
    const QString list = dbListDir + '/' + kDatabaseListFileName;
    const QString folder = QFileInfo(list).absolutePath();
    if (!QFileInfo::exists(list)) {
        if (!Refusal(folder, X_OK).isEmpty())
            Deny("may not open the folder of the product's database list", folder, Refusal(folder, X_OK),
                 "the database list is in it.");
        throw dao::DaoError(3024, dao::JetError::FileNotFound(list).Description +
                                      " The product's database list is made by crew-host-setup: set the product up "
                                      "(see man crew-host-setup), then start the import again.");
    }
    if (const QString words = Refusal(list, R_OK); !words.isEmpty())
        Deny("may not read the product's database list", list, words,
             "the import looks up the names already registered in it.");
    if (const QString words = Refusal(list, W_OK); !words.isEmpty())
        Deny("may read but not write the product's database list", list, words,
             "every import registers its new database in it.");
    if (const QString words = Refusal(folder, W_OK | X_OK); !words.isEmpty())
        Deny("may not write in the folder of the product's database list", folder, words,
             "SQLite keeps the list's journal there while an import registers its database.");
    const QString templatePath = dbListDir + '/' + kTemplateFileName;
    if (QFileInfo::exists(templatePath))
        if (const QString words = Refusal(templatePath, R_OK); !words.isEmpty())
            Deny("may not read the product's template", templatePath, words, "every new database is a copy of it.");
}
