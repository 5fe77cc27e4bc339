// crew-dump DATABASE [--sorted] [--table NAME]...
// crew-dump --log MP2ImportLog.txt
//
// Prints a product database (any of our SQLite files) in canonical text form, or an import log with
// its start time left out, so that the results of two versions of the import compare with diff.
// Exit status: 0 printed; 2 bad arguments; 1 the file could not be read (the error's number and
// description on standard error).
#include "support/DumpDatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <cstdio>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: crew-dump DATABASE [--sorted] [--table NAME]...\n"
                         "       crew-dump --log MP2ImportLog.txt\n");
    return 2;
}

void print(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args[0] == "--log") {
        QFile f(args[1]);
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "crew-dump: cannot read %s: %s\n", qPrintable(args[1]), qPrintable(f.errorString()));
            return 1;
        }
        print(testsupport::CanonicalLog(QString::fromUtf8(f.readAll())));
        return 0;
    }
    testsupport::DumpOptions options;
    QString path;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--sorted")
            options.sortRows = true;
        else if (args[i] == "--table" && i + 1 < args.size())
            options.onlyTables << args[++i];
        else if (path.isEmpty() && !args[i].startsWith("--"))
            path = args[i];
        else
            return usage();
    }
    if (path.isEmpty())
        return usage();
    try {
        print(testsupport::DumpDatabase(path, options));
    } catch (const dao::DaoError& e) {
        std::fprintf(stderr, "crew-dump: error %d: %s\n", e.Number, qPrintable(e.Description));
        return 1;
    }
    return 0;
}
