// crew-import: the migration wizard. Without arguments it opens the desktop wizard (ui/Wizard.h);
// with --batch it runs unattended (app/BatchMode.h).
#include "app/BatchMode.h"
#include "cli/CommandLine.h"
#include "ui/Wizard.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstring>

namespace {

const char kUsage[] =
    "usage: crew-import --batch --source FILE [options]   import unattended (--batch --help: the options)\n"
    "       crew-import --help | --version\n"
    "       crew-import                                    the desktop wizard\n";

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 1)
        return RunWizard(argc, argv);
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const cli::Syntax syntax{"crew-import", kUsage, {{"--batch", cli::Option::Flag}}};

    QStringList args;
    if (const QString problem = cli::Decode(argc, argv, args); !problem.isEmpty()) {
        if (std::strcmp(argv[1], "--batch") != 0)
            return cli::Refuse(syntax, problem);
        err << "crew-import: " << problem << "\n" << kBatchUsage;
        return 2;
    }
    if (args.first() == QLatin1String("--batch")) {
        BatchOptions options;
        const QString problem = ParseBatchOptions(args.mid(1), options);
        if (!problem.isEmpty()) {
            err << "crew-import: " << problem << "\n" << kBatchUsage;
            return 2;
        }
        if (options.help) {
            out << kBatchUsage;
            return 0;
        }
        if (options.version)
            return cli::Version(syntax);
        return RunBatch(options, app.applicationFilePath(), out, err);
    }
    cli::Parsed parsed;
    if (const QString problem = cli::Parse(args, syntax, parsed); !problem.isEmpty())
        return cli::Refuse(syntax, problem);
    if (parsed.help)
        return cli::Help(syntax);
    if (parsed.version)
        return cli::Version(syntax);
    return cli::Refuse(syntax, "--batch must come first");
}
