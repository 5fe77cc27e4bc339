// crew-import: the migration wizard. Without arguments it opens the desktop wizard (ui/Wizard.h);
// with --batch it runs unattended (app/BatchMode.h).
#include "app/BatchMode.h"
#include "ui/Wizard.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

const char kUsage[] =
    "usage: crew-import --batch --source FILE [options]   import unattended (--batch --help: the options)\n"
    "       crew-import --help\n"
    "       crew-import                                    the desktop wizard\n";

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 1)
        return RunWizard(argc, argv);
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);

    if (!args.isEmpty() && args.first() == "--batch") {
        const QStringList rest = args.mid(1);
        if (rest.contains("--help") || rest.contains("-h")) {
            out << kBatchUsage;
            return 0;
        }
        BatchOptions options;
        const QString problem = ParseBatchOptions(rest, options);
        if (!problem.isEmpty()) {
            err << "crew-import: " << problem << "\n" << kBatchUsage;
            return 2;
        }
        return RunBatch(options, app.applicationFilePath(), out, err);
    }
    if (args.size() == 1 && (args.first() == "--help" || args.first() == "-h")) {
        out << kUsage;
        return 0;
    }
    err << kUsage;
    return 2;
}
