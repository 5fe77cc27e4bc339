// crew-mdb-make --from DIR --out FILE.mdb [--password PW]
//
// Writes a Jet 4 database with one table per DIR/TABLE.csv, in file-name order (the CSV form is
// described in tests/support/CsvTable.h). Exit status: 0 written, 2 bad arguments or bad input
// (the message names the file, line and column), 1 the file could not be written.
#include "support/CsvTable.h"
#include "support/JetWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <map>

namespace {

int fail(int status, const QString& message)
{
    std::fprintf(stderr, "crew-mdb-make: %s\n", message.toLocal8Bit().constData());
    return status;
}

const char* kUsage = "usage: crew-mdb-make --from DIR --out FILE.mdb [--password PW]";

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString from, out, password;
    bool havePassword = false;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "--help" || a == "-h") {
            std::printf("%s\n", kUsage);
            return 0;
        }
        if ((a == "--from" || a == "--out" || a == "--password") && i + 1 < args.size()) {
            (a == "--from" ? from : a == "--out" ? out : password) = args[++i];
            havePassword = havePassword || a == "--password";
            continue;
        }
        return fail(2, "unexpected argument \"" + a + "\"\n" + kUsage);
    }
    if (from.isEmpty() || out.isEmpty())
        return fail(2, kUsage);
    if (havePassword && password.size() > 20)
        return fail(2, "the password holds more than 20 characters");
    const QDir dir(from);
    if (!dir.exists())
        return fail(2, "no directory " + from);

    jetwriter::JetFile file;
    file.password = password;
    std::map<QString, std::pair<QString, std::vector<int>>> sources;  // table -> file, row lines
    const QStringList names = dir.entryList({"*.csv"}, QDir::Files, QDir::Name);
    if (names.isEmpty())
        return fail(2, "no .csv files in " + from);
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
