// crew-mp2-sample --scale N --out FILE.mdb [--password PW] [--seed S] [--as-of YYYY-MM-DD]
//                 [--renames FILE]
//
// Writes a realistic MP2 database as a Jet 4 file: every table the import reads, rewrites or
// reports, with the awkward cases of real sites mixed in. Scale 1 is a small plant (about 500
// pieces of equipment and 20 000 work-order lines); fractions such as 0.1 give small samples.
// The same options give the same bytes. --as-of is the day the sample's history ends (default
// 2026-12-01); schedules are overdue or not as measured from it.
//
// --renames FILE lists every equipment number over 30 characters and a free number to replace it with,
// the answers of `crew-import --batch --substrings none`: a FILE named *.csv is the list crew-import
// --renames reads (as a check writes it, filled in, naming the substrings none); any other name gets
// one "OLD=NEW" a line, the values of --rename.
//
// Each file is written beside its name and renamed over it when whole, never through a link.
// Prints one line per table (name and rows), then the total and the file's size.
// Exit status: 0 written; 2 bad arguments; 1 the file could not be built or written.
#include "app/RenamesFile.h"
#include "cli/CommandLine.h"
#include "db/SafeFiles.h"
#include "jet/JetWriter.h"
#include "mp2sample/Mp2Sample.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>
#include <exception>

namespace {

const char kUsage[] =
    "usage: crew-mp2-sample --scale N --out FILE.mdb [--password PW] [--seed S] [--as-of YYYY-MM-DD]\n"
    "                       [--renames FILE]\n"
    "  --scale N       size: 1 is about 500 equipment and 20 000 work-order lines; grows linearly\n"
    "  --out FILE.mdb  the Jet 4 file to write (replaced when whole, never through a link)\n"
    "  --password PW   protect the database with this password (at most 20 characters)\n"
    "  --seed S        another plant of the same size (default 1)\n"
    "  --as-of DATE    the day the history ends (default 2026-12-01)\n"
    "  --renames FILE  the equipment numbers over 30 characters and a new number for each: FILE.csv\n"
    "                  as crew-import --renames reads it, any other name as OLD=NEW lines (for\n"
    "                  --rename); both for crew-import --substrings none\n";

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const cli::Syntax syntax{"crew-mp2-sample", kUsage,
                         {{"--scale"}, {"--out"}, {"--password"}, {"--seed"}, {"--as-of"}, {"--renames"}}};
    cli::Parsed parsed;
    if (const auto status = cli::Read(argc, argv, syntax, parsed))
        return *status;

    testsupport::Mp2SampleOptions options;
    bool ok = true;
    const std::optional<QString> scale = parsed.value("--scale");
    if (!scale)
        return cli::Refuse(syntax, "--scale is required");
    options.scale = scale->toDouble(&ok);
    if (!ok || !(options.scale > 0) || options.scale > 1000)
        return cli::Refuse(syntax, "--scale needs a number above 0 and at most 1000, not '" + *scale + "'");
    const QString path = parsed.value("--out").value_or(QString());
    if (path.isEmpty())
        return cli::Refuse(syntax, "--out is required");
    if (const auto password = parsed.value("--password")) {
        if (password->size() > 20)
            return cli::Refuse(syntax, "a Jet 4 password has at most 20 characters");
        options.password = *password;
    }
    if (const auto seed = parsed.value("--seed")) {
        options.seed = seed->toULongLong(&ok);
        if (!ok)
            return cli::Refuse(syntax, "--seed needs a whole number, not '" + *seed + "'");
    }
    if (const auto asOf = parsed.value("--as-of")) {
        options.asOf = QDate::fromString(*asOf, Qt::ISODate);
        if (!options.asOf.isValid())
            return cli::Refuse(syntax, "--as-of needs a date YYYY-MM-DD, not '" + *asOf + "'");
    }
    const QString renamesPath = parsed.value("--renames").value_or(QString());
    if (!renamesPath.isEmpty() && (QFileInfo(renamesPath).absoluteFilePath() == QFileInfo(path).absoluteFilePath() ||
                                   dao::SameFile(renamesPath, path)))
        return cli::Refuse(syntax, "--renames and --out name the same file " + path);

    try {
        QElapsedTimer timer;
        timer.start();
        testsupport::Mp2Sample sample = testsupport::BuildMp2Sample(options);
        const qint64 built = timer.elapsed();
        jetwriter::writeJet4(sample.file, path);
        for (const jetwriter::Table& t : sample.file.tables)
            out << QString("%1 %2\n").arg(t.name, -9).arg(t.rows.size());
        out << QString("rows %1, %2 MB, built in %3 s, written in %4 s\n")
                   .arg(testsupport::Mp2SampleRowCount(sample))
                   .arg(double(QFileInfo(path).size()) / 1e6, 0, 'f', 1)
                   .arg(double(built) / 1000, 0, 'f', 1)
                   .arg(double(timer.elapsed() - built) / 1000, 0, 'f', 1);
        if (!renamesPath.isEmpty()) {
            QByteArray lines;
            if (renamesPath.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) {
                lines = RenamesListCsv(sample.renames, SubstringsUsed("none", {}));
            } else {
                for (const auto& [oldNumber, newNumber] : sample.renames)
                    lines += (oldNumber + '=' + newNumber + '\n').toUtf8();
            }
            dao::ReplaceFile(renamesPath, "the list of renames", lines);
        }
    } catch (const jetwriter::WriteError& e) {
        err << "crew-mp2-sample: " << e.what() << "\n";
        return 1;
    } catch (const std::exception& e) {
        err << "crew-mp2-sample: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
