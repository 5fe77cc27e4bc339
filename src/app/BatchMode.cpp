#include "app/BatchMode.h"

#include "app/BatchAdvice.h"
#include "app/BatchOperator.h"
#include "app/PasswordInput.h"
#include "app/ProgressLine.h"
#include "app/RenamesCheck.h"
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
#include <cerrno>
#include <cstring>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

const char kBatchUsage[] =
    "usage: crew-import --batch --source FILE [--target-dir DIR] [--file-name NAME.mdb] [--name NAME]\n"
    "                   [--password-file FILE | --password - | --password PW] [--cutoff DAYS]\n"
    "                   [--substrings none|default|FILE.csv] [--rename OLD=NEW]...\n"
    "                   [--renames FILE.csv] [--yes] [--check-only] [--quiet] [--report FILE.json]\n"
    "  --source FILE        the MP2 database to import (chosen with \"Change Database\")\n"
    "  --target-dir DIR     the selected directory (default: the recommended directory)\n"
    "  --file-name NAME.mdb typed into the file name box (default: derived from the name); no blank,\n"
    "                       no \\ / : * + = ? \" ' < > | $, and it ends in .mdb\n"
    "  --name NAME          typed into the name box (default: derived from the source); none of the\n"
    "                       characters above, and no full stop\n"
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
    "                       '=' and commas included); --check-only writes the list to fill in, and\n"
    "                       the import takes it with the same --substrings\n"
    "  --yes                answer Yes to every Yes/No question (otherwise No)\n"
    "  --check-only         the whole import into a private place: nothing registered, no database\n"
    "                       kept, the log written as MP2ImportCheck.txt beside the target; the\n"
    "                       numbers no option renames listed in MP2ImportRenames.csv beside it\n"
    "  --quiet              print the summary and the errors only, not every box and answer\n"
    "  --report FILE.json   write how the run ended and the account of every row as JSON (its\n"
    "                       fields: /usr/share/doc/crew-import/user-guide.md); --report - writes it\n"
    "                       to standard output (everything else then goes to standard error)\n"
    "  --version            print the version and end\n"
    "Exit status: 0 imported (or checked); 1 not imported (or a check that would fail); 2 bad\n"
    "options; 3 a question the options cannot answer, or new numbers that do not fit the source (a\n"
    "check: numbers listed to rename); 4 the run ended with 0 or 1 but the report could not be\n"
    "written. Why a run did not go through, and what to change, is said on standard error.\n";

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
                                 {"--quiet", cli::Option::Flag},
                                 {"--report"}}};
    return syntax;
}

// The source is a file this user may read: a missing file, a folder or a device is refused with the
// options, as every other input is. Raises 53, 70 or 75 naming it.
void CheckSourceFile(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            throw dao::DaoError(53, QString("File not found: '%1' (--source names the MP2 database to import)").arg(path));
        throw dao::DaoError(75, QString("Path/File access error: '%1' cannot be examined (%2)")
                                    .arg(path, QString::fromLocal8Bit(std::strerror(error))));
    }
    if (!S_ISREG(st.st_mode))
        throw dao::DaoError(75, QString("Path/File access error: --source names '%1', which is %2, not an MP2 "
                                        "database file")
                                    .arg(path, dao::KindOfFile(st.st_mode)));
    if (::access(native.constData(), R_OK) != 0)
        throw dao::DaoError(70, QString("Permission denied: '%1' cannot be read (%2): the import reads the MP2 "
                                        "database, never writes it")
                                    .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
}

// The characters of `text` a box would refuse, each named once in the order met ("'/' and '.'"), and
// "it" or "them" for them; empty when there is none.
QString Refused(const QString& text, std::optional<QString> (*refusal)(QChar), QString& them)
{
    QStringList named;
    for (const QChar c : text) {
        if (!refusal(c))
            continue;
        const QString name = c.category() == QChar::Other_Control ? QString("a control character (code %1)").arg(c.unicode())
                             : c == QLatin1Char(' ')               ? QString("a blank")
                                                                   : "'" + QString(c) + "'";
        if (!named.contains(name))
            named << name;
    }
    them = named.size() == 1 ? "it" : "them";
    if (named.size() > 1)
        named.last() = "and " + named.last();
    return named.join(named.size() > 2 ? ", " : " ");
}

// A name given for a box is taken as it stands or refused: the box would drop what it refuses and
// import under another name than the one given.
QString NameProblem(const BatchOptions& options)
{
    QString them;
    if (options.name) {
        if (options.name->isEmpty())
            return "--name needs a name";
        if (const QString refused = Refused(*options.name, &MainForm::RefusedInDBName, them); !refused.isEmpty())
            return "--name '" + *options.name + "' holds " + refused +
                   ", which the name box refuses: the name also names the new database's folder and file, "
                   "which may not hold \\ / : * + = ? \" ' < > | $, a full stop or a control character. Give the name "
                   "without " + them;
    }
    if (options.fileName) {
        const QString& file = *options.fileName;
        if (file.isEmpty())
            return "--file-name needs a file name, NAME.mdb";
        if (const QString refused = Refused(file, &MainForm::RefusedInFileName, them); !refused.isEmpty())
            return "--file-name '" + file + "' holds " + refused +
                   ", which the file name box refuses: a file name may not hold a blank, \\ / : * + = ? \" ' < > | $ "
                   "or a control character (the folder is given with --target-dir). Give the file name without " + them;
        if (!file.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive))
            return "--file-name '" + file + "' must end in .mdb: the new database is an Access-style .mdb file "
                   "(for example --file-name " + QString(file).section('.', 0, 0) + ".mdb)";
        if (file.size() == 4)
            return "--file-name '" + file + "' needs a name before .mdb";
        if (file.count(QLatin1Char('.')) > 1)
            return "--file-name '" + file + "' may hold one full stop only, the one before mdb";
    }
    return {};
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
    try {
        CheckSourceFile(options.source);
    } catch (const dao::DaoError& e) {
        return QString("--source: error %1: %2").arg(e.Number).arg(e.Description);
    }
    options.targetDir = parsed.value("--target-dir");
    if (options.targetDir)
        for (const QChar c : *options.targetDir)
            if (c.category() == QChar::Other_Control)
                return QString("--target-dir holds a control character (code %1); no directory's name may")
                    .arg(c.unicode());
    options.fileName = parsed.value("--file-name");
    options.name = parsed.value("--name");
    if (const QString problem = NameProblem(options); !problem.isEmpty())
        return problem;

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
        const qsizetype eq = rename.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return QString("--rename needs OLD=NEW, not '%1'").arg(rename);
        for (const QChar c : rename)
            if (c.category() == QChar::Other_Control)
                return QString("--rename '%1' holds a control character (code %2)").arg(rename).arg(c.unicode());
        // Held to the change-value dialog's rules here, as a --renames line is.
        const ChangeValueCheck check = CheckChangeValue(rename.mid(eq + 1), 1, kMaxEqNum);
        if (!check.accepted)
            return QString("--rename '%1': the new value is refused: %2").arg(rename, check.message);
        options.renames << rename;
    }
    options.renamesFile = parsed.value("--renames");
    if (options.renamesFile && options.renamesFile->isEmpty())
        return "--renames needs a file";
    options.yes = parsed.has("--yes");
    options.checkOnly = parsed.has("--check-only");
    options.quiet = parsed.has("--quiet");
    options.report = parsed.value("--report");
    if (options.report && !options.ReportToStandardOutput()) {
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

// The summary at the end of the run: the result, the files, the time, the account and what to do next.
void PrintSummary(QTextStream& out, const RunSummary& s, const QString& advice)
{
    out << "Summary: " << ResultHeadline(s) << "\n";
    if (s.error)
        out << ErrorHeading(s) << ": " << ErrorText(RunError{0, s.error->description, QString()}) << "\n";
    if (!advice.isEmpty())
        out << advice << "\n";
    out << "Source: " << s.source << "\n";
    out << "New database: " << DatabaseLine(s) << "\n";
    out << "Log: " << (s.log.isEmpty() ? QString("(not written)") : s.log) << "\n";
    out << QString("Elapsed time: %1 (%2 s)").arg(ElapsedText(s.seconds)).arg(s.seconds, 0, 'f', 1) << "\n";
    if (!s.account.Sources().empty() || !s.account.Targets().empty())
        for (const QString& line : AccountTable(s.account))
            out << line << "\n";
    out << "Warnings: " << s.warnings.size() << "\n";
    for (const QString& warning : s.warnings)
        out << "  " << QString(warning).replace(QChar(13), QLatin1Char(' ')) << "\n";
    out.flush();
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
std::optional<QString> WriteRenamesList(RunState& run, BatchOperator& op, const SubstringsRecord& substrings)
{
    const QString list = run.files.path(RunFile::RenamesList);
    const QStringList& numbers = op.unrenamed();
    std::optional<QByteArray> bytes = RenamesListCsv(numbers, substrings);
    QString left;  // why the list at its name is left as it was
    try {
        if (QFileInfo::exists(list)) {
            try {
                bytes = MergedRenamesList(dao::ReadInputFile(list, "the list of numbers to rename"), numbers, list,
                                          substrings);
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

// The substrings the run applies, as the pre-parse screen gets them: none, the defaults or the file's
// pairs. Raises what reading the file raises.
std::vector<std::pair<QString, QString>> SubstringPairs(const BatchOptions& options)
{
    std::vector<std::pair<QString, QString>> pairs;
    if (options.substrings == QLatin1String("none"))
        return pairs;
    if (options.substrings == QLatin1String("default")) {
        for (const SubstringPair& p : DefaultSubstrings())
            pairs.emplace_back(p.mp2, p.vx);
        return pairs;
    }
    for (const SubstringPair& p : ReadSubstringCsv(options.substrings))
        pairs.emplace_back(p.mp2, p.vx);
    return pairs;
}

// What --substrings names, for the messages and the list: none, default, or the file as an absolute path.
QString SubstringsName(const BatchOptions& options)
{
    if (options.substrings == QLatin1String("none") || options.substrings == QLatin1String("default"))
        return options.substrings;
    return Absolute(options.substrings);
}

// The file at the new database's name is a database the product lists.
bool TargetRegistered(RunState& run)
{
    const QString target = (run.txtTargetDir.endsWith(QLatin1Char('/')) ? run.txtTargetDir : run.txtTargetDir + "/") +
                           run.txtFileName;
    if (run.txtTargetDir.isEmpty() || run.txtFileName.isEmpty() || !QFileInfo::exists(target))
        return false;
    try {
        for (const ProtectedFile& f : ProtectedFiles(run))
            if (f.what == QLatin1String("a database registered in the product's list") && dao::SameFile(f.path, target))
                return true;
    } catch (const dao::DaoError&) {
        // The list cannot be read now: the advice speaks of the file alone.
    }
    return false;
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
        answers.renames.push_back({rename.left(eq), CheckChangeValue(rename.mid(eq + 1), 1, kMaxEqNum).value,
                                   "--rename " + rename});
    }
    std::optional<SubstringsRecord> listed;  // the substrings of the check that wrote the --renames list
    if (options.renamesFile) {
        try {
            const RenamesList list = ReadRenamesFile(*options.renamesFile);
            const auto from = [&](int line) { return QString("'%1' line %2").arg(*options.renamesFile).arg(line); };
            for (const RenameLine& r : list.answered)
                answers.renames.push_back({r.old, r.value, from(r.line)});
            for (const RenameLine& r : list.blank)
                answers.unanswered.push_back({r.old, QString(), from(r.line)});
            listed = list.substrings;
        } catch (const dao::DaoError& e) {
            err << "crew-import: --renames: error " << e.Number << ": " << e.Description << "\n" << kBatchUsage;
            return 2;
        }
    }
    std::vector<std::pair<QString, QString>> pairs;
    try {
        pairs = SubstringPairs(options);
    } catch (const dao::DaoError& e) {
        err << "crew-import: --substrings: error " << e.Number << ": " << e.Description << "\n" << kBatchUsage;
        return 2;
    }
    answers.substrings = options.substrings == QLatin1String("none")      ? BatchAnswers::Substrings::None
                         : options.substrings == QLatin1String("default") ? BatchAnswers::Substrings::Default
                                                                          : BatchAnswers::Substrings::Pairs;
    if (answers.substrings == BatchAnswers::Substrings::Pairs)
        answers.substringPairs = pairs;
    // The list holds each number as the substrings of its check left it: other substrings would meet
    // other numbers.
    const SubstringsRecord substrings = SubstringsUsed(SubstringsName(options), pairs);
    if (listed && listed->digest != substrings.digest) {
        err << "crew-import: --substrings " << substrings.what << " differ from the substrings of the check that "
            << "listed the numbers in '" << *options.renamesFile << "' (" << listed->what << "): the list holds each "
            << "number as those substrings left it. Give --substrings " << listed->what << ", as the check had, or "
            << "check again with --substrings " << substrings.what << " and without --renames, for a new list.\n";
        return 2;
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
    // Standard output holds the report alone with --report -: what is shown goes to standard error.
    QTextStream& shown = options.ReportToStandardOutput() ? err : out;
    std::optional<ProgressLine> progress;
    if (ProgressLine::Wanted())
        progress.emplace();
    BatchOperator op(answers, options.quiet ? nullptr : &shown, progress ? &*progress : nullptr);
    RunState run(op);
    run.checkOnly = options.checkOnly;
    run.files.SetRenamesList(options.checkOnly);
    run.files.SetInputs(InputFiles(options));
    const bool reportFile = options.report && !options.ReportToStandardOutput();
    if (reportFile)
        run.files.SetReport(Absolute(*options.report));
    int status = 1;
    bool reportChecked = false;  // the report was held against the run's files before the run started
    AdviceFacts facts;
    facts.password = options.passwordFrom;
    facts.targetDirGiven = options.targetDir.has_value();
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
            progress.reset();
            CloseAll(run, err);
            return 2;
        }

        op.Note("Import");
        const ImportCheck check = form.btnImport_Click();
        facts.focus = check.focus;
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
            // The new numbers are held against the source before the first conversion: an import needs
            // one for every number too long, a check only that those it was given fit.
            std::vector<ConversionStep> steps;
            if (!run.checkOnly || !answers.renames.empty())
                steps.push_back({"Checking the new equipment numbers against the source", [&](RunState& r) {
                                     if (const auto reason = RenamesDoNotFit(*r.DBin, op.answers(), substrings.what,
                                                                             r.checkOnly))
                                         op.Stop(*reason);
                                 }});
            for (const ConversionStep& step : StandardConversions())
                steps.push_back(step);
            BeginImport(run, steps);
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
    progress.reset();  // the run has ended: the line goes before anything else is said
    if (status != 0)
        RecordEnding(run, RunResult::Failed);  // when no trap said why
    CompleteSummary(run);
    // A run that ended before its report was held against its files (a failure while the form loaded):
    // held now, as the run's places stand, while the database list is still open.
    std::optional<dao::DaoError> reportRefused;
    if (reportFile && !reportChecked) {
        try {
            run.files.CheckReport(PlannedPlaces(run));
        } catch (const dao::DaoError& e) {
            reportRefused = e;
        }
    }
    facts.targetRegistered = TargetRegistered(run);
    CloseAll(run, err);
    int exit = status;
    QString ending;  // what standard error says last, before the exit status
    QString advice;  // what to do next, in the summary and on standard error
    if (!op.stuck().isEmpty()) {
        exit = BatchOperator::kStuckStatus;
        ending = run.checkOnly ? "the check did not complete" : "the import did not complete";
        advice = "Give the options what the message above asks for, then import again.";
    } else if (!op.unrenamed().empty() && run.files.fixed()) {
        // A check that met numbers no option renames lists them, for --renames; only one that reached
        // its end knows them all.
        if (run.summary.result != RunResult::Checked) {
            ending = "the list of numbers to rename was not written: the check did not reach its end";
        } else if (const std::optional<QString> problem = WriteRenamesList(run, op, substrings); problem) {
            ending = "the list of numbers to rename was not written: " + *problem;
            exit = 1;
        } else {
            const QString list = run.files.path(RunFile::RenamesList);
            ending = (op.unrenamed().size() == 1
                          ? QString("1 equipment number needs a new value: fill in '%2' and give it to --renames "
                                    "with the same --substrings")
                          : QString("%1 equipment numbers need a new value: fill in '%2' and give it to --renames "
                                    "with the same --substrings")
                                .arg(op.unrenamed().size()))
                         .arg(list);
            advice = "Fill in the new values (the second column) of '" + list + "', then run the same command "
                     "without --check-only and with --renames " + list + ".";
            exit = BatchOperator::kStuckStatus;
        }
    }
    if (advice.isEmpty())
        advice = UnattendedAdvice(run.summary, facts);
    PrintSummary(shown, run.summary, advice);
    if (!op.stuck().isEmpty()) {
        err << op.stuck() << "\n";
    } else if (exit != 0 && exit != BatchOperator::kStuckStatus && run.summary.error) {
        // Why the run did not go through, and what to change, where a script or the operator reads it.
        err << "crew-import: " << ResultLine(run.summary) << "\n";
        if (!advice.isEmpty())
            err << "crew-import: " << advice << "\n";
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
    // Where the log of a run that did not go through was left: it says how far the run came.
    if (exit != 0 && !run.summary.log.isEmpty() && !ending.isEmpty())
        ending += "; its log is '" + run.summary.log + "'";

    if (options.report) {
        try {
            if (reportRefused)
                throw *reportRefused;
            const QByteArray json = ReportJson(run.summary);
            if (reportFile) {
                run.files.WriteReport(json);
            } else {
                out << QString::fromUtf8(json);
                out.flush();
                if (out.status() != QTextStream::Ok)
                    throw dao::DaoError(75, "Path/File access error: the report could not be written to standard "
                                            "output");
            }
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
