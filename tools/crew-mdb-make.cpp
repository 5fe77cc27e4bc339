// crew-mdb-make --from DIR --out FILE.mdb [--password PW]
//
// Writes a Jet 4 database with one table per DIR/TABLE.csv, in file-name order (the CSV form is
// described in src/jet/CsvTable.h). Exit status: 0 written, 2 bad arguments or bad input
// (the message names the file, line and column), 1 the file could not be written.
#include "cli/CommandLine.h"
#include "jet/CsvTable.h"
#include "jet/JetWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <filesystem>
#include <map>

namespace {

int fail(int status, const QString& message)
{
    std::fprintf(stderr, "crew-mdb-make: %s\n", message.toUtf8().constData());
    return status;
}

const char kUsage[] =
    "usage: crew-mdb-make --from DIR --out FILE.mdb [--password PW]\n"
    "  --from DIR     one table per DIR/TABLE.csv, in file-name order\n"
    "  --out FILE.mdb the Jet 4 file to write (replaced when whole, never through a link; never one of\n"
    "                 the CSV files)\n"
    "  --password PW  protect the database with this password (at most 20 characters)\n"
    "Exit status: 0 written; 2 bad arguments or bad input (file:line: column N (NAME): reason); 1 the\n"
    "file could not be written.\n";

// Is `a` the same file as `b` (also through a link)?
bool SameFile(const QString& a, const QString& b)
{
    std::error_code error;
    return std::filesystem::equivalent(QFile::encodeName(a).toStdString(), QFile::encodeName(b).toStdString(), error);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const cli::Syntax syntax{"crew-mdb-make", kUsage, {{"--from"}, {"--out"}, {"--password"}}};
    cli::Parsed parsed;
    if (const auto status = cli::Read(argc, argv, syntax, parsed))
        return *status;
    const QString from = parsed.value("--from").value_or(QString());
    const QString out = parsed.value("--out").value_or(QString());
    const std::optional<QString> password = parsed.value("--password");
    if (from.isEmpty() || out.isEmpty())
        return cli::Refuse(syntax, "--from and --out are required");
    if (password && password->size() > 20)
        return fail(2, "the password holds more than 20 characters");
    const QDir dir(from);
    if (!dir.exists())
        return fail(2, "no directory " + from);

    jetwriter::JetFile file;
    file.password = password.value_or(QString());
    std::map<QString, std::pair<QString, std::vector<int>>> sources;  // table -> file, row lines
    const QStringList names = dir.entryList({"*.csv"}, QDir::Files, QDir::Name);
    if (names.isEmpty())
        return fail(2, "no .csv files in " + from);
    for (const QString& name : names)
        if (SameFile(out, dir.filePath(name)))
            return fail(2, "--out " + out + " is the input " + dir.filePath(name) +
                               "; name a new file for the database");
    try {
        for (const QString& name : names) {
            std::vector<int> lines;
            file.tables.push_back(csvtable::readTable(dir.filePath(name), &lines));
            sources[file.tables.back().name.toLower()] = {name, lines};
        }
    } catch (const csvtable::CsvError& e) {
        return fail(2, QString::fromStdString(e.what()));
    }

    try {
        jetwriter::writeJet4(file, out);
    } catch (const jetwriter::WriteError& e) {
        // Put the writer's complaint back at its place in the CSV.
        const auto it = sources.find(e.table.toLower());
        if (it == sources.end())
            return fail(2, QString::fromStdString(e.what()));
        const auto& [csv, lines] = it->second;
        int line = e.row > 0 && size_t(e.row) <= lines.size() ? lines[size_t(e.row - 1)] : 1;
        QString where = csv + ":" + QString::number(line) + ": ";
        const jetwriter::Table* table = nullptr;
        for (const auto& t : file.tables)
            if (t.name.compare(e.table, Qt::CaseInsensitive) == 0)
                table = &t;
        if (table && !e.column.isEmpty())
            for (size_t c = 0; c < table->columns.size(); ++c)
                if (table->columns[c].name.compare(e.column, Qt::CaseInsensitive) == 0)
                    where += QString("column %1 (%2): ").arg(c + 1).arg(table->columns[c].name);
        return fail(2, where + e.detail);
    } catch (const std::exception& e) {
        return fail(1, QString::fromStdString(e.what()));
    }
    return 0;
}
