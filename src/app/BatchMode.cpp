#include "app/BatchMode.h"

#include "app/BatchOperator.h"
#include "convert/equipment/PreParse.h"
#include "import/Driver.h"
#include "import/EndProgram.h"
#include "import/RunState.h"
#include "import/db/Interrupt.h"
#include "wizard/HostSettings.h"
#include "wizard/MainForm.h"

#include <QDir>

const char kBatchUsage[] =
    "usage: crew-import --batch --source FILE [--target-dir DIR] [--file-name NAME.mdb] [--name NAME]\n"
    "                   [--password PW] [--cutoff DAYS] [--substrings none|default|FILE.csv]\n"
    "                   [--rename OLD=NEW]... [--yes]\n"
    "  --source FILE        the MP2 database to import (chosen with \"Change Database\")\n"
    "  --target-dir DIR     the selected directory (default: the recommended directory)\n"
    "  --file-name NAME.mdb typed into the file name box (default: derived from the name)\n"
    "  --name NAME          typed into the name box (default: derived from the source)\n"
    "  --password PW        the source's password (answers Y, then PW); without it: N\n"
    "  --cutoff DAYS        the answer to the overdue-schedule cutoff (default 30)\n"
    "  --substrings WHAT    the equipment-number pre-parse screen: none (Exit, the default),\n"
    "                       default (the 149 default substrings), or a file of mp2,vx lines\n"
    "  --rename OLD=NEW     the new number for an equipment number that is too long (repeatable;\n"
    "                       split at the first '=')\n"
    "  --yes                answer Yes to every Yes/No question (otherwise No)\n"
    "Exit status: 0 imported; 1 not imported; 2 bad options; 3 a question the options cannot answer.\n";

QString ParseBatchOptions(const QStringList& args, BatchOptions& options)
{
    QStringList seen;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "--yes") {
            options.yes = true;
            continue;
        }
        static const QStringList valued = {"--source",   "--target-dir", "--file-name", "--name",
                                           "--password", "--cutoff",     "--substrings", "--rename"};
        if (!valued.contains(a))
            return QString("unknown option '%1'").arg(a);
        if (i + 1 >= args.size())
            return QString("%1 needs a value").arg(a);
        const QString value = args[++i];
        if (a != "--rename") {
            if (seen.contains(a))
                return QString("%1 is given twice").arg(a);
            seen << a;
        }
        if (a == "--source") {
            options.source = value;
        } else if (a == "--target-dir") {
            options.targetDir = value;
        } else if (a == "--file-name") {
            options.fileName = value;
        } else if (a == "--name") {
            options.name = value;
        } else if (a == "--password") {
            options.password = value;
        } else if (a == "--cutoff") {
            options.cutoff = value;
        } else if (a == "--substrings") {
            if (value.isEmpty())
                return "--substrings needs none, default or a file";
            options.substrings = value;
        } else {
            const qsizetype eq = value.indexOf(QLatin1Char('='));
            if (eq <= 0)
                return QString("--rename needs OLD=NEW, not '%1'").arg(value);
            options.renames << value;
        }
    }
    if (options.source.isEmpty())
        return "--source is required";
    return {};
}

namespace {

// Types `text` into a box key by key, as the operator would: a refused key is not inserted.
template <typename KeyPress, typename KeyUp>
void TypeInto(QString& box, const QString& text, KeyPress keyPress, KeyUp keyUp)
{
    box.clear();
    for (const QChar key : text) {
        const QString proposed = box + key;
        if (keyPress(key, proposed))
            box = proposed;
        keyUp(static_cast<int>(key.unicode()));
    }
}

void ShowForm(BatchOperator& op, const MainForm& form)
{
    op.Note("Source database: " + form.txtSourceDB);
    op.Note("Selected Directory: " + form.txtTargetDir);
    op.Note("Recommended Directory: " + form.txtRecommendDirectory);
    op.Note("File Name: " + form.txtFileName);
    op.Note("Name: " + form.txtDBName);
}

// A path as a file dialog gives it: absolute, so that what is registered in the database list and
// shown in the messages does not depend on where the program was started. A trailing '/' stays.
QString Absolute(const QString& path)
{
    if (QDir::isAbsolutePath(path))
        return path;
    const QString absolute = QDir::cleanPath(QDir::currentPath() + "/" + path);
    return path.endsWith(QLatin1Char('/')) && !absolute.endsWith(QLatin1Char('/')) ? absolute + "/" : absolute;
}

// Closes what is still open, as the end of the program does. Every way out comes here, after the
// first error has been told: closing never raises, and a close that fails is told on `err`.
void CloseAll(RunState& run, QTextStream& err) noexcept
{
    for (auto* db : {&run.DBin, &run.DBout, &run.gVXDBListDb}) {
        try {
            if (*db && (*db)->isOpen())
                (*db)->Close();
        } catch (const dao::DaoError& e) {
            err << "crew-import: closing '" << (*db)->Name() << "': error " << e.Number << ": " << e.Description
                << "\n";
        }
    }
    run.gDBoutOpen = false;
    if (run.log.gLogOpen())
        run.log.Close();
}

}  // namespace

int RunBatch(const BatchOptions& options, const QString& programPath, QTextStream& out, QTextStream& err)
{
    BatchAnswers answers;
    answers.password = options.password;
    answers.cutoff = options.cutoff;
    answers.yes = options.yes;
    for (const QString& rename : options.renames) {
        const qsizetype eq = rename.indexOf(QLatin1Char('='));
        answers.renames.emplace_back(rename.left(eq), rename.mid(eq + 1));
    }
    if (options.substrings == QLatin1String("none")) {
        answers.substrings = BatchAnswers::Substrings::None;
    } else if (options.substrings == QLatin1String("default")) {
        answers.substrings = BatchAnswers::Substrings::Default;
    } else {
        answers.substrings = BatchAnswers::Substrings::Pairs;
        try {
            for (const SubstringPair& p : ReadSubstringCsv(options.substrings))
                answers.substringPairs.emplace_back(p.mp2, p.vx);
        } catch (const dao::DaoError& e) {
            err << "crew-import: --substrings: error " << e.Number << ": " << e.Description << "\n" << kBatchUsage;
            return 2;
        }
    }

    dao::InstallInterruptHandlers();
    BatchOperator op(answers, out);
    RunState run(op);
    int status = 1;
    try {
        run.gProgram = GetEdition(programPath);
        MainForm form(run);
        form.MainFormLoad();
        op.Note(form.Caption);
        op.Note(form.lblTargetHint);

        const QString source = Absolute(options.source);
        op.Note("Change Database: " + source);
        form.btnAdd_Click(source);
        if (options.name) {
            op.Note("Typing the Name: " + *options.name);
            TypeInto(
                form.txtDBName, *options.name,
                [&](QChar key, const QString& proposed) { return form.txtDBName_KeyPress(key, proposed); },
                [&](int code) { form.txtDBName_KeyUp(code); });
        }
        if (options.fileName) {
            op.Note("Typing the File Name: " + *options.fileName);
            TypeInto(
                form.txtFileName, *options.fileName,
                [&](QChar key, const QString&) { return form.txtFileName_KeyPress(key); }, [](int) {});
        }
        if (options.targetDir) {
            form.txtTargetDir = Absolute(*options.targetDir);
            op.Note("Selected Directory chosen: " + form.txtTargetDir);
        } else {
            op.Note("Make Recommended Directory the Selected Directory");
            form.btnRecToSelect_Click();
        }
        ShowForm(op, form);

        op.Note("Import");
        const ImportCheck check = form.btnImport_Click();
        if (!check.startImport) {
            op.Note(check.focus == MainField::None
                        ? QString("The import was not started.")
                        : QString("The import was not started (the form puts the focus on %1).")
                              .arg(QLatin1String(MainFieldName(check.focus))));
            status = 1;
        } else {
            op.ShowSourceAndTarget(form.txtSourceDB, form.txtTargetDir);
            op.SetStatus("Click on button to begin import.");
            op.Note("Begin Import");
            BeginImport(run);
        }
    } catch (const EndProgram& end) {
        status = end.status;
    } catch (const dao::Interrupted& stop) {
        status = 128 + stop.signal;
    } catch (const dao::DaoError& e) {
        op.Note(QString("crew-import: error %1: %2").arg(e.Number).arg(e.Description));
        status = 1;
    }
    CloseAll(run, err);
    if (!op.stuck().isEmpty()) {
        err << op.stuck() << "\n";
        return BatchOperator::kStuckStatus;
    }
    if (status > 128)
        err << "crew-import: interrupted by " << dao::SignalName(status - 128)
            << "; nothing was registered and no new database was left (exit status " << status << ")\n";
    else if (status != 0)
        err << "crew-import: the import did not complete (exit status " << status << ")\n";
    return status;
}
