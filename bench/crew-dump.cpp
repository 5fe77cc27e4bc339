// crew-dump DATABASE [--sorted] [--table NAME]...
// crew-dump --log MP2ImportLog.txt
//
// Prints a product database (any of our SQLite files) in canonical text form, or an import log with
// its start time left out, so that the results of two versions of the import compare with diff.
// Exit status: 0 printed; 2 bad arguments; 1 the file could not be read (the error's number and
// description on standard error).
#include "cli/CommandLine.h"
#include "support/DumpDatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

namespace {

const char kUsage[] =
    "usage: crew-dump DATABASE [--sorted] [--table NAME]...\n"
    "       crew-dump --log MP2ImportLog.txt\n"
    "  --sorted      rows in sorted order rather than stored order\n"
    "  --table NAME  only this table (repeatable)\n"
    "  --log FILE    the import log, its start time left out\n";

void print(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const cli::Syntax syntax{"crew-dump", kUsage, {{"--sorted", cli::Option::Flag}, {"--table", cli::Option::Values}, {"--log"}}, 1};
    cli::Parsed parsed;
    if (const auto status = cli::Read(argc, argv, syntax, parsed))
        return *status;
    if (const auto log = parsed.value("--log")) {
        if (parsed.values.size() > 1 || !parsed.positional.isEmpty())
            return cli::Refuse(syntax, "--log stands alone");
        QFile f(*log);
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "crew-dump: cannot read %s: %s\n", qPrintable(*log), qPrintable(f.errorString()));
            return 1;
        }
        print(testsupport::CanonicalLog(QString::fromUtf8(f.readAll())));
        return 0;
    }
    if (parsed.positional.isEmpty())
        return cli::Refuse(syntax, "DATABASE is required");
    const QString path = parsed.positional.first();
    testsupport::DumpOptions options;
    options.sortRows = parsed.has("--sorted");
    options.onlyTables = parsed.all("--table");
    try {
        print(testsupport::DumpDatabase(path, options));
    } catch (const dao::DaoError& e) {
        std::fprintf(stderr, "crew-dump: error %d: %s\n", e.Number, qPrintable(e.Description));
        return 1;
    }
    return 0;
}
