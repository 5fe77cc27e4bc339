#include "app/BatchMode.h"

#include "app/BatchOperator.h"
#include "app/PasswordInput.h"
#include "app/RenamesFile.h"
#include "app/RunReport.h"
#include "cli/CommandLine.h"
#include "convert/equipment/ChangeValue.h"
#include "convert/equipment/PreParse.h"
#include "convert/tasks/Cutoff.h"
#include "import/Driver.h"
#include "run/EndProgram.h"
#include "run/RunEnding.h"
#include "run/RunState.h"
#include "run/SummaryText.h"
#include "db/InputFile.h"
#include "db/SafeFiles.h"
#include "db/Interrupt.h"
#include "wizard/HostSettings.h"
#include "wizard/MainForm.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>

const char kBatchUsage[] =
    "usage: crew-import --batch --source FILE [--target-dir DIR] [--file-name NAME.mdb] [--name NAME]\n"
    "                   [--password-file FILE | --password - | --password PW] [--cutoff DAYS]\n"
    "                   [--substrings none|default|FILE.csv] [--rename OLD=NEW]...\n"
    "                   [--renames FILE.csv] [--yes] [--check-only] [--report FILE.json]\n"
    "  --source FILE        the MP2 database to import (chosen with \"Change Database\")\n"
    "  --target-dir DIR     the selected directory (default: the recommended directory)\n"
    "  --file-name NAME.mdb typed into the file name box (default: derived from the name)\n"
    "  --name NAME          typed into the name box (default: derived from the source)\n"
    "  --password-file FILE the source's password is the first line of FILE (answers Y, then it)\n"
    "  --password -         the password is read from standard input (not echoed on a terminal)\n"
    "  --password PW        the password itself: other users see it in the process list\n"
    "                       (without a password option the answer is N)\n"
    "  --cutoff DAYS        the answer to the overdue-schedule cutoff, 10 to 366 (default 30)\n"
    "  --substrings WHAT    the equipment-number pre-parse screen: none (Exit, the default),\n"
    "                       default (the 149 default substrings), or a file of mp2,vx lines\n"
    "  --rename OLD=NEW     the new number for an equipment number that is too long (repeatable;\n"
    "                       split at the first '=')\n"
    "  --renames FILE.csv   new numbers from a file of old,new lines (CSV quoting: any number,\n"
    "                       '=' and commas included); --check-only writes the list to fill in\n"
    "  --yes                answer Yes to every Yes/No question (otherwise No)\n"
    "  --check-only         the whole import into a private place: nothing registered, no database\n"
    "                       kept, the log written as MP2ImportCheck.txt beside the target; the\n"
    "                       numbers no option renames listed in MP2ImportRenames.csv beside it\n"
    "  --report FILE.json   write how the run ended and the account of every row as JSON (its\n"
    "                       fields: /usr/share/doc/crew-import/user-guide.md)\n"
    "  --version            print the version and end\n"
    "Exit status: 0 imported (or checked); 1 not imported (or a check that would fail); 2 bad\n"
    "options; 3 a question the options cannot answer (a check: numbers listed to rename); 4 the run\n"
    "ended with 0 or 1 but the report could not be written.\n";

namespace {

const cli::Syntax& BatchSyntax()
{
    static const cli::Syntax syntax{"crew-import",
                                kBatchUsage,
                                {{"--source"},
                                 {"--target-dir"},
                                 {"--file-name"},
                                 {"--name"},
                                 {"--password"},
                                 {"--password-file"},
                                 {"--cutoff"},
                                 {"--substrings"},
                                 {"--rename", cli::Option::Values},
                                 {"--renames"},
                                 {"--yes", cli::Option::Flag},
                                 {"--check-only", cli::Option::Flag},
                                 {"--report"}}};
    return syntax;
}

}  // namespace

QString ParseBatchOptions(const QStringList& args, BatchOptions& options)
{
    cli::Parsed parsed;
    if (const QString problem = cli::Parse(args, BatchSyntax(), parsed); !problem.isEmpty())
        return problem;
    options = BatchOptions{};
    options.help = parsed.help;
    options.version = parsed.version;
    if (parsed.help || parsed.version)
        return {};

    options.source = parsed.value("--source").value_or(QString());
    if (options.source.isEmpty())
        return "--source is required";
    options.targetDir = parsed.value("--target-dir");
    if (options.targetDir)
        for (const QChar c : *options.targetDir)
            if (c.category() == QChar::Other_Control)
                return QString("--target-dir holds a control character (code %1); no directory's name may")
                    .arg(c.unicode());
    options.fileName = parsed.value("--file-name");
    options.name = parsed.value("--name");

    if (parsed.has("--password") && parsed.has("--password-file"))
        return "give the password once: --password-file FILE, --password - or --password PW";
    options.password = parsed.value("--password");
    if (options.password == QLatin1String("-")) {
        options.password.reset();
        options.passwordFrom = PasswordFrom::StandardInput;
    } else if (options.password) {
        options.passwordFrom = PasswordFrom::Argument;
    } else if (const auto file = parsed.value("--password-file")) {
        if (file->isEmpty())
            return "--password-file needs a file";
        options.passwordFrom = PasswordFrom::File;
        options.passwordFile = *file;
    }

    // Held to the question's own rule here, so that a value it would refuse stops the run before it starts.
    options.cutoff = parsed.value("--cutoff").value_or(options.cutoff);
    if (const auto refusal = CutoffRefusal(options.cutoff))
        return QString("--cutoff '%1' is not taken: %2").arg(options.cutoff, *refusal);

    options.substrings = parsed.value("--substrings").value_or(options.substrings);
    if (options.substrings.isEmpty())
        return "--substrings needs none, default or a file";
    for (const QString& rename : parsed.all("--rename")) {
        if (rename.indexOf(QLatin1Char('=')) <= 0)
            return QString("--rename needs OLD=NEW, not '%1'").arg(rename);
        options.renames << rename;
    }
    options.renamesFile = parsed.value("--renames");
    if (options.renamesFile && options.renamesFile->isEmpty())
        return "--renames needs a file";
    options.yes = parsed.has("--yes");
    options.checkOnly = parsed.has("--check-only");
    options.report = parsed.value("--report");
    if (options.report) {
        if (options.report->isEmpty())
            return "--report needs a file";
        if (dao::SameFile(*options.report, options.source))
            return QString("--report '%1' is the source '%2': the source is never written")
                .arg(*options.report, options.source);
        try {
            CheckReportPlace(*options.report);
        } catch (const dao::DaoError& e) {
            return QString("--report: error %1: %2").arg(e.Number).arg(e.Description);
        }
    }
    return {};
}

namespace {

// Reads the password from its file or from standard input into `password`; raises dao::DaoError.
void ReadBatchPassword(BatchOptions& options)
{
    if (options.passwordFrom == PasswordFrom::File)
        options.password = ReadPasswordFile(options.passwordFile);
    else if (options.passwordFrom == PasswordFrom::StandardInput)
        options.password = ReadPasswordFromStandardInput();
}

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

// The files the run reads besides the source, each protected like it; the list of numbers to rename
// given back with --renames is kept by the check that writes it (its lines as they stand).
std::vector<ProtectedFile> InputFiles(const BatchOptions& options)
{
    std::vector<ProtectedFile> inputs;
    if (options.passwordFrom == PasswordFrom::File)
        inputs.push_back({Absolute(options.passwordFile), "the password file (--password-file)", std::nullopt});
    if (options.renamesFile)
        inputs.push_back({Absolute(*options.renamesFile), "the renames file (--renames)", RunFile::RenamesList});
    if (options.substrings != QLatin1String("none") && options.substrings != QLatin1String("default"))
        inputs.push_back({Absolute(options.substrings), "the substrings file (--substrings)", std::nullopt});
    return inputs;
}

// The summary at the end of the run: the result, the files, the time and the account.
void PrintSummary(BatchOperator& op, const RunSummary& s)
{
    op.Note("Summary: " + ResultHeadline(s));
    if (s.error)
        op.Note(ErrorHeading(s) + ": " + ErrorText(RunError{0, s.error->description, QString()}));
    if (const QString next = WhatToDoNext(s); !next.isEmpty())
        op.Note(next);
    op.Note("Source: " + s.source);
    QString database = s.database;
    if (!database.isEmpty()) {
        switch (s.databaseFate) {
        case DatabaseFate::Registered: database += " (registered)"; break;
        case DatabaseFate::Left: database += " (left on disk, not registered)"; break;
        case DatabaseFate::Removed:
            database += s.result == RunResult::Checked || s.result == RunResult::WouldFail
                            ? " (made for the check, then removed)"
                            : " (removed)";
            break;
        case DatabaseFate::NotMade: database += " (not made)"; break;
        }
    }
    op.Note("New database: " + database);
    op.Note("Log: " + (s.log.isEmpty() ? QString("(not written)") : s.log));
    op.Note(QString("Elapsed time: %1 (%2 s)").arg(ElapsedText(s.seconds)).arg(s.seconds, 0, 'f', 1));
    if (!s.account.Sources().empty() || !s.account.Targets().empty())
        for (const QString& line : AccountTable(s.account))
            op.Note(line);
    op.Note("Warnings: " + QString::number(s.warnings.size()));
    for (const QString& warning : s.warnings)
        op.Note("  " + QString(warning).replace(QChar(13), QLatin1Char(' ')));
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

// Writes the list of the numbers the check met that no option renames, merged into the list already
// at its name (its lines kept as they stand), or beside a list that may not be written or read. Says
// where on standard output; returns why it could not be written.
std::optional<QString> WriteRenamesList(RunState& run, BatchOperator& op)
{
    const QString list = run.files.path(RunFile::RenamesList);
    const QStringList& numbers = op.unrenamed();
    std::optional<QByteArray> bytes = RenamesListCsv(numbers);
    QString left;  // why the list at its name is left as it was
    try {
        if (QFileInfo::exists(list)) {
            try {
                bytes = MergedRenamesList(dao::ReadInputFile(list, "the list of numbers to rename"), numbers, list);
            } catch (const dao::DaoError& e) {
                left = "it could not be read as a list (error " + QString::number(e.Number) + ": " + e.Description + ")";
            }
        }
        const QString what = (numbers.size() == 1
                                  ? QString("1 equipment number is longer than %2 characters and no option renames it")
                                  : QString("%1 equipment numbers are longer than %2 characters and no option renames "
                                            "them")
                                        .arg(numbers.size()))
                                 .arg(kMaxEqNum);
        if (!bytes) {
            op.Note(what + ". '" + list + "' lists " + (numbers.size() == 1 ? "it" : "them all") +
                    " already: fill in the new values, then import with --renames " + list);
            return std::nullopt;
        }
        const QString written = run.files.WriteRenamesList(*bytes, !left.isEmpty());
        if (written != list)
            op.Note("'" + list + "' is left as it was: " + (left.isEmpty() ? QString("it is read-only") : left) +
                    ". The list is written beside it.");
        op.Note(what + (numbers.size() == 1 ? ". It is" : ". They are") + " listed in '" + written +
                "': fill in the new values, then import with --renames " + written);
    } catch (const dao::DaoError& e) {
        return "error " + QString::number(e.Number) + ": " + e.Description;
    }
    return std::nullopt;
}

}  // namespace

int RunBatch(BatchOptions options, const QString& programPath, QTextStream& out, QTextStream& err)
{
    BatchAnswers answers;
    answers.cutoff = options.cutoff;
    answers.yes = options.yes;
    answers.listUnrenamed = options.checkOnly;
    for (const QString& rename : options.renames) {
        const qsizetype eq = rename.indexOf(QLatin1Char('='));
        answers.renames.emplace_back(rename.left(eq), rename.mid(eq + 1));
    }
    if (options.renamesFile) {
        try {
            for (auto& rename : ReadRenamesFile(*options.renamesFile))
                answers.renames.push_back(std::move(rename));
        } catch (const dao::DaoError& e) {
            err << "crew-import: --renames: error " << e.Number << ": " << e.Description << "\n" << kBatchUsage;
            return 2;
        }
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
    try {
        ReadBatchPassword(options);
    } catch (const dao::DaoError& e) {
        err << "crew-import: " << (options.passwordFrom == PasswordFrom::File ? "--password-file" : "--password -")
            << ": error " << e.Number << ": " << e.Description << "\n";
        return 2;
    }
    answers.password = options.password;

    dao::InstallInterruptHandlers();
    BatchOperator op(answers, out);
    RunState run(op);
    run.checkOnly = options.checkOnly;
    run.files.SetRenamesList(options.checkOnly);
    run.files.SetInputs(InputFiles(options));
    if (options.report)
        run.files.SetReport(Absolute(*options.report));
    int status = 1;
    bool reportChecked = false;  // the report was held against the run's files before the run started
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
        // The report is held against what no run may touch and against every file of this run, as a
        // check and as the real import, before anything is started.
        try {
            run.files.CheckReport(PlannedPlaces(run));
            reportChecked = true;
        } catch (const dao::DaoError& e) {
            err << "crew-import: --report: error " << e.Number << ": " << e.Description << "\n" << kBatchUsage;
            CloseAll(run, err);
            return 2;
        }

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
            op.Note(run.checkOnly ? "Check Only" : "Begin Import");
            BeginImport(run);
        }
    } catch (const EndProgram& end) {
        status = end.status;
    } catch (const dao::Interrupted& stop) {
        status = 128 + stop.signal;
        RecordEnding(run, RunResult::Interrupted,
                     RunError{18, QString("User interrupt occurred (%1)").arg(dao::SignalName(stop.signal)),
                              "crew-import"});
    } catch (const dao::DaoError& e) {
        op.Note(QString("crew-import: error %1: %2").arg(e.Number).arg(e.Description));
        status = 1;
        RecordEnding(run, RunResult::Failed, RunError{e.Number, e.Description, "crew-import"});
    }
    if (status != 0)
        RecordEnding(run, RunResult::Failed);  // when no trap said why
    CompleteSummary(run);
    // A run that ended before its report was held against its files (a failure while the form loaded):
    // held now, as the run's places stand, while the database list is still open.
    std::optional<dao::DaoError> reportRefused;
    if (options.report && !reportChecked) {
        try {
            run.files.CheckReport(PlannedPlaces(run));
        } catch (const dao::DaoError& e) {
            reportRefused = e;
        }
    }
    CloseAll(run, err);
    PrintSummary(op, run.summary);
    int exit = status;
    QString ending;  // what standard error says last, before the exit status
    if (!op.stuck().isEmpty()) {
        err << op.stuck() << "\n";
        exit = BatchOperator::kStuckStatus;
    } else if (!op.unrenamed().empty() && run.files.fixed()) {
        // A check that met numbers no option renames lists them, for --renames; only one that reached
        // its end knows them all.
        if (run.summary.result != RunResult::Checked) {
            ending = "the list of numbers to rename was not written: the check did not reach its end";
        } else if (const std::optional<QString> problem = WriteRenamesList(run, op); problem) {
            ending = "the list of numbers to rename was not written: " + *problem;
            exit = 1;
        } else {
            ending = (op.unrenamed().size() == 1
                          ? QString("1 equipment number needs a new value: fill in '%2' and give it to --renames")
                          : QString("%1 equipment numbers need a new value: fill in '%2' and give it to --renames")
                                .arg(op.unrenamed().size()))
                         .arg(run.files.path(RunFile::RenamesList));
            exit = BatchOperator::kStuckStatus;
        }
    }
    if (ending.isEmpty() && exit > 128)
        ending = "interrupted by " + QString::fromLatin1(dao::SignalName(exit - 128)) + "; nothing was registered and " +
                 (run.summary.databaseFate == DatabaseFate::Left
                      ? "the new database '" + run.summary.database + "' could not be removed: it is on disk"
                      : QString("no new database was left"));
    else if (ending.isEmpty() && exit != 0 && exit != BatchOperator::kStuckStatus)
        ending = run.summary.result == RunResult::WouldFail ? "the check found an error the import would stop at"
                 : run.summary.result == RunResult::Refused ? "the import was not started"
                                                            : "the import did not complete";

    if (options.report) {
        try {
            if (reportRefused)
                throw *reportRefused;
            run.files.WriteReport(ReportJson(run.summary));
        } catch (const dao::DaoError& e) {
            err << "crew-import: --report: error " << e.Number << ": " << e.Description << "\n";
            // A missing report is told apart from the run's own result, which the summary gives.
            if (exit == 0 || exit == 1) {
                ending = QString("the report was not written; the run ended \"%1\" as the summary above says")
                             .arg(QLatin1String(RunResultName(run.summary.result)));
                exit = kReportMissingStatus;
            }
        }
    }
    if (!ending.isEmpty())
        err << "crew-import: " << ending << " (exit status " << exit << ")\n";
    return exit;
}
