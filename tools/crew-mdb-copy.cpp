// crew-mdb-copy SOURCE DEST.sqlite [--password PW]
//
// Makes the working copy of a database exactly as the import does, then opens it as the import
// would: with "MS Access;PWD=" & PW when --password is given, without a password otherwise.
// On failure prints the error's number and description and exits non-zero (the copy is removed
// when the password is refused).
#include "import/db/CopySource.h"
#include "import/db/DaoError.h"
#include "import/db/Database.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <cstdio>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: crew-mdb-copy SOURCE DEST.sqlite [--password PW]\n");
    return 64;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QStringList positional;
    QString password;
    bool passwordGiven = false;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--password") {
            if (i + 1 >= args.size())
                return usage();
            password = args[++i];
            passwordGiven = true;
        } else if (args[i].startsWith("--password=")) {
            password = args[i].mid(11);
            passwordGiven = true;
        } else {
            positional << args[i];
        }
    }
    if (positional.size() != 2)
        return usage();
    const QString source = positional[0];
    const QString dest = positional[1];
    try {
        for (const QString& warning : dao::CopySource(source, dest))
            std::fprintf(stderr, "%s\n", warning.toUtf8().constData());
    } catch (const dao::DaoError& e) {
        std::fprintf(stderr, "Error %d: %s\n", e.Number, e.Description.toUtf8().constData());
        return 1;
    }
    try {
        auto db = passwordGiven ? dao::Database::OpenDatabase(dest, true, false, "MS Access;PWD=" + password)
                                : dao::Database::OpenDatabase(dest);
        db->Close();
    } catch (const dao::DaoError& e) {
        QFile::remove(dest);
        std::fprintf(stderr, "Error %d: %s\n", e.Number, e.Description.toUtf8().constData());
        return 1;
    }
    return 0;
}
