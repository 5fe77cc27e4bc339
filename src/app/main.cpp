// crew-import: the migration wizard. Without arguments it opens the desktop wizard (ui/Wizard.h);
// with --batch it runs unattended (app/BatchMode.h).
#include "app/BatchMode.h"
#include "cli/CommandLine.h"
#include "ui/Wizard.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char kUsage[] =
    "usage: crew-import --batch --source FILE [options]   import unattended (--batch --help: the options)\n"
    "       crew-import --help | --version\n"
    "       crew-import                                    the desktop wizard\n";

const char kNoDisplay[] =
    "crew-import: the wizard needs a display, and there is none: neither DISPLAY nor WAYLAND_DISPLAY is set\n"
    "(nor QT_QPA_PLATFORM). Start it from a desktop session, or import unattended with --batch\n"
    "(crew-import --batch --help lists its options).\n";

bool Set(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

// A display that is named but cannot be reached ends Qt's start-up with a fatal message and an abort
// (exit 134, "Reinstalling the application may fix this problem"): said in our words, with status 2.
// Every other message goes on to Qt's own handler.
QtMessageHandler qtHandler = nullptr;

void NoDisplayHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    const bool noWindow = type == QtFatalMsg && (message.contains("could not connect to display") ||
                                                 message.contains("no Qt platform plugin could be initialized"));
    if (!noWindow) {
        if (qtHandler)
            qtHandler(type, context, message);
        else
            std::fprintf(stderr, "%s\n", qUtf8Printable(message));
        return;
    }
    // Qt's own closing words ("Reinstalling the application may fix this problem") are replaced.
    std::fputs("crew-import: the wizard could not open a window on the display named above. Start it from a\n"
               "desktop session, or import unattended with --batch (crew-import --batch --help lists its\n"
               "options).\n",
               stderr);
    std::_Exit(2);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 1) {
        if (!Set("DISPLAY") && !Set("WAYLAND_DISPLAY") && !Set("QT_QPA_PLATFORM")) {
            std::fputs(kNoDisplay, stderr);
            return 2;
        }
        qtHandler = qInstallMessageHandler(NoDisplayHandler);
        return RunWizard(argc, argv);
    }
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
