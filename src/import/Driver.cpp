#include "import/Driver.h"

#include "import/HostSetUpAdvice.h"
#include "common/Clock.h"
#include "db/TextForm.h"
#include "convert/Conversions.h"
#include "import/SourceReads.h"
#include "run/ConversionTrap.h"
#include "run/RunFiles.h"
#include "run/EndProgram.h"
#include "run/RecordCount.h"
#include "run/RunEnding.h"
#include "run/SummaryText.h"
#include "jet/CopySource.h"
#include "db/Database.h"
#include "db/Interrupt.h"
#include "db/SafeFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <climits>
#include <optional>
#include <unistd.h>

const char* const kUnconvertedTables[6] = {"VENDMANU", "VENDPO", "INVCOMM", "INVSITE", "INVSUB", "INVYDRWG"};

namespace {

const QChar CR(13);

QString WithSlash(const QString& dir)
{
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

// The new database: a copy of the template, made in a private folder of this run and put in place by
// the plan, with a rename that replaces nothing: whatever appeared at the target since the checks is
// never overwritten (nor removed when the run then fails).
void CopyTemplate(RunState& run, const QString& templatePath, const QString& target)
{
    if (!QFileInfo(templatePath).isFile())
        throw dao::DaoError(53, QString("File not found: '%1'").arg(templatePath));
    const QString folder = run.files.MakePrivateDir(QFileInfo(target).absolutePath());
    try {
        const QString made = RunFiles::InPrivateDir(folder, "new");
        QFile file(templatePath);
        if (!file.copy(made))
            throw dao::DaoError(75, QString("Path/File access error: '%1' could not be copied to '%2' (%3)")
                                        .arg(templatePath, target, file.errorString()));
        run.files.PlaceNewDatabase(made, target);
    } catch (...) {
        run.files.RemovePrivateDir(folder);
        throw;
    }
    run.files.RemovePrivateDir(folder);
}

// Only one import at a time may work in a folder: two would share the working copy temp7601.in, or
// write one import log.
void LockFolder(RunState& run, const QString& folder, const QString& what)
{
    if (!run.folderLocks.TryLock(folder))
        throw dao::DaoError(75, QString("Path/File access error: another import is running and is using %1 in the "
                                        "folder '%2'. Wait until it has ended (or start this import from another "
                                        "folder), then import again.")
                                    .arg(what, folder));
}

// The working copy is made in the current folder: it must be a folder this user can write.
void CheckWorkingCopyPlace(const QString& currentDir)
{
    if (::access(QFile::encodeName(currentDir).constData(), W_OK | X_OK) != 0)
        throw dao::DaoError(75, QString("Path/File access error: the working copy temp7601.in is made in the "
                                        "current folder '%1', which cannot be written. Start the import from a "
                                        "folder you can write to.")
                                    .arg(currentDir));
}

// The database list is written only when every conversion has run: that it can be written is
// checked before anything starts.
void CheckDatabaseListWritable(const RunState& run)
{
    if (!run.gVXDBListDb || !run.gVXDBListDb->isOpen())
        return;  // the registration reports it
    const QString list = run.gVXDBListDb->Name();
    const QString folder = QFileInfo(list).absolutePath();
    QString blocked;
    if (::access(QFile::encodeName(list).constData(), W_OK) != 0)
        blocked = "the file is read-only for you";
    else if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
        blocked = "its folder '" + folder + "' cannot be written, and the list needs room there for its journal";
    if (!blocked.isEmpty())
        throw dao::DaoError(75, QString("Path/File access error: the product's database list '%1' cannot be written "
                                        "(%2), so the new database could not be registered when the import ends. "
                                        "%3")
                                    .arg(list, blocked, QString::fromLatin1(kHostSetUpAdvice)));
}

// What registration needs, checked before anything is made, so that a run never converts a whole
// site only to throw the database away at the last step: the list is open, its table DB has the
// fields the new row is written to, and it can be written.
void CheckRegistrationPossible(const RunState& run)
{
    if (!run.gVXDBListDb || !run.gVXDBListDb->isOpen())
        throw dao::DaoError(91, "Object variable or With block variable not set (the product's database list is "
                                "not open)");
    dao::Database& list = *run.gVXDBListDb;
    const QString where = CR + QString("(the product's database list '%1', where the new database is registered "
                                       "when the import ends; have the product repair its list, then import again)")
                                   .arg(list.Name());
    try {
        const dao::TableDef& table = list.Table("DB");
        for (const char* field : {"Name", "Path", "FileName", "IsDefault"})
            if (table.fieldIndex(QString::fromLatin1(field)) < 0)
                throw dao::DaoError(3265,
                                    QString("Item not found in this collection. (field '%1' of table 'DB')").arg(field));
    } catch (const dao::DaoError& e) {
        throw dao::DaoError(e.Number, e.Description + where);
    }
    CheckDatabaseListWritable(run);
}

// The working copy holds the source's data (readable by any SQLite tool, whatever password the source
// had) and nothing the operator needs once the run has ended: every run removes it at its end, with its
// journal, whether the run went through or not.
void RemoveWorkingCopy(RunState& run)
{
    if (run.DBin && run.DBin->isOpen()) {
        run.DBin->Rollback();
        run.DBin->Close();
    }
    run.files.Remove(RunFile::WorkingCopy);
}

// The working copy: the source read into a private folder of this run, then put in place of an
// earlier run's working copy.
QStringList MakeWorkingCopy(RunState& run, const QString& currentDir)
{
    const QString folder = run.files.MakePrivateDir(currentDir);
    QStringList warnings;
    try {
        const QString made = RunFiles::InPrivateDir(folder, "temp7601.in");
        dao::CopySourceOptions options;
        options.plan = SourceReads();  // what the conversions and the account read, no more
        warnings = dao::CopySource(run.SourcePath, made, options);
        run.files.PlaceWorkingCopy(made);
    } catch (...) {
        run.files.RemovePrivateDir(folder);
        throw;
    }
    run.files.RemovePrivateDir(folder);
    return warnings;
}

// The password dialogue: asked until the answer is Y or N (in either case), then DBin is opened.
void OpenSourceCopy(RunState& run)
{
    for (;;) {
        run.op.SetBusy(false);
        const QString answer = run.op
                                   .InputBox("Does this database have a password? " + QString(CR) +
                                                 "enter either Y or N " + CR,
                                             "Does this database have a password?", "N")
                                   .value_or(QString());
        if (answer.toUpper() == QLatin1String("Y")) {
            const QString password =
                run.op.InputBox("Enter password" + QString(CR), "Enter password", QString(), true).value_or(QString());
            run.DBin = dao::Database::OpenDatabase(run.TempPath, true, false, "MS Access;PWD=" + password);
            run.DBin->SetPrivateToThisRun();
            return;
        }
        if (answer.toUpper() == QLatin1String("N")) {
            run.DBin = dao::Database::OpenDatabase(run.TempPath);
            run.DBin->SetPrivateToThisRun();
            return;
        }
        run.op.MsgBox(answer.isEmpty() ? "This is not a valid option." : "Invalid response.");
    }
}

void RemoveRelations(dao::Database& db)
{
    dao::Relations& relations = db.GetRelations();
    while (relations.Count() != 0) {
        const int before = relations.Count();
        QStringList names;
        for (int i = 0; i < before; ++i)
            names << relations.Name(i);
        for (const QString& name : names)
            relations.Delete(name);
        if (relations.Count() >= before)
            throw dao::JetError::Engine("the relationships of the source copy could not be removed");
    }
}

// Every MP2 table the account lists, in the order the import reads them, with the rows it holds: a run
// that stops early still lists those it never came to, every row not reached. A table missing here is
// told by the conversion that reads it.
void ExpectSourceTables(RunState& run)
{
    QStringList tables{"FACILITY", "EQUIP", "EMP", "TASK", "TASKEQ", "WOE", "METER", "VENDOR", "INVY", "WOP"};
    for (const char* name : kUnconvertedTables)
        tables << QString::fromLatin1(name);
    for (const QString& table : tables) {
        if (!run.DBin->HasTable(table))
            continue;
        run.summary.account.Expect(table, run.DBin->RowCount(table));
    }
}

// Why the rows of the tables no conversion reads are in the account as skipped.
const QString kNotConverted = QStringLiteral("Table not converted");

void ReportUnconvertedTables(RunState& run)
{
    for (const char* name : kUnconvertedTables) {
        const QString table = QString::fromLatin1(name);
        const long count = static_cast<long>(run.DBin->RowCount(table));
        QString message;
        if (count > 0) {
            message = "MP2 " + table + " table has " + QString::number(count) + " records." + CR +
                      "If there are more than a dozen records have a programmer check table to see if " + CR +
                      "further programming is needed.";
            if (table == QLatin1String("INVCOMM"))
                message += QString(CR) + CR + "Even if the INVCOMM table has 100's of records you can " + CR +
                           "ignore it if the Invy table has about" + CR + "the same number of records";
        } else {
            message = "MP2 " + table + " table has " + QString::number(0) + " records." + CR +
                      "No need to check table.";
        }
        run.summary.account.Read(table, count);
        run.summary.account.Skipped(table, kNotConverted, count);
        run.op.MsgBox(message);
        run.Log(message);
        run.Log(QString());
    }
}

bool ListHolds(dao::Database& list, const QString& field, const QString& value)
{
    auto rs = list.OpenRecordset("Select * From DB Where [" + field + "] = '" + QString(value).replace("'", "''") +
                                     "'",
                                 dao::dbOpenDynaset);
    const bool found = !(rs->BOF() && rs->EOF_());
    rs->Close();
    return found;
}

// The Import button checked that the file name and the name are new to the list; another import may
// have registered either since. The check and the new row are one transaction that holds the list's
// write lock, so two imports can never both register one name.
void RegisterNewDatabase(RunState& run)
{
    if (!run.gVXDBListDb || !run.gVXDBListDb->isOpen())
        throw dao::DaoError(91, "Object variable or With block variable not set");
    dao::Database& list = *run.gVXDBListDb;
    try {
        list.BeginTrans();
        if (ListHolds(list, "FileName", run.TargetFileName))
            throw dao::DaoError(3022, "This FileName '" + run.TargetFileName + "' " + CR +
                                          "is already being used in the program, it has to be unique. " + CR +
                                          "Another import registered it while this one ran.");
        if (ListHolds(list, "Name", run.gDBName))
            throw dao::DaoError(3022, "This Name '" + run.gDBName + "' " + CR +
                                          "is already being used in the program, it has to be unique. " + CR +
                                          "Another import registered it while this one ran.");
        auto rs = list.OpenRecordset("DB", dao::dbOpenDynaset);
        rs->AddNew();
        rs->Fields("Name") = run.gDBName;
        rs->Fields("Path") = WithSlash(run.txtTargetDir);
        rs->Fields("FileName") = run.TargetFileName;
        rs->Fields("IsDefault") = false;
        rs->Update();
        rs->SetBookmark(rs->LastModified());
        list.CommitTrans();
        dao::Idle(dao::dbRefreshCache);
        rs->Close();
    } catch (const dao::DaoError& e) {
        list.Rollback();
        if (e.Number == 3022)
            throw;
        throw dao::DaoError(e.Number, e.Description + CR + "(writing the product's database list '" + list.Name() +
                                          "')");
    } catch (...) {
        list.Rollback();
        throw;
    }
}

// Shows a failure of the clean-up after the first error; the clean-up itself never raises.
void ShowCleanupFailure(RunState& run, const QString& label, const dao::DaoError& e) noexcept
{
    try {
        run.op.MsgBox(label + QString::number(e.Number) + CR + e.Description);
    } catch (...) {
        // The operator can no longer be told (the script ran out, the screen is gone): the first
        // error has been shown already.
    }
}

// What a run that ends early removes: the new database when this run has started to make it, and the
// working copy.
struct Made {
    bool started = false; // the plan held and the log is on disk: the import has begun
    bool target = false;  // this attempt made the new database (the plan knows whether it is still there)
    QString privateDir;   // a check-only run's folder for its new database
};

// The working copy goes at the end of every run. A removal that fails is shown, and stays a warning of
// the run: the copy holds the operator's data.
void RemoveWorkingCopyAtEnd(RunState& run, const QString& label) noexcept
{
    try {
        RemoveWorkingCopy(run);
    } catch (const dao::DaoError& removal) {
        ShowCleanupFailure(run, label, removal);
        try {
            run.summary.warnings << "The working copy of the source could not be removed: error " +
                                        QString::number(removal.Number) + ": " + removal.Description +
                                        ". It holds the MP2 data: remove it.";
        } catch (...) {
            // Out of memory: the box has told it.
        }
    }
}

void CleanUp(RunState& run, const Made& made, const QString& label) noexcept
{
    try {
        RemoveNewDatabase(run);
    } catch (const dao::DaoError& removal) {
        ShowCleanupFailure(run, label, removal);
    }
    RemoveWorkingCopyAtEnd(run, label);
    if (!made.privateDir.isEmpty())
        run.files.RemovePrivateDir(made.privateDir);  // where a check made its new database
}

// What a run that did not go through leaves: said at the end of its log line.
QString LeftBehind(const RunState& run, const Made& made)
{
    if (!made.target)
        return "Nothing was registered.";
    if (run.files.made(RunFile::NewDatabase))
        return "The new database '" + run.TargetPath + "' could not be removed; nothing was registered.";
    return "The new database '" + run.TargetPath + "' was removed; nothing was registered.";
}

// The account and the warnings at the end of the log (of a run that stopped early, under its last line).
void LogAccount(RunState& run)
{
    run.Log(run.summary.account.TotalNotReached() > 0
                ? "The account of every MP2 row (read = converted + merged + skipped + not reached), and the records made:"
                : "The account of every MP2 row (read = converted + merged + skipped), and the records made:");
    for (const QString& line : AccountTable(run.summary.account))
        run.Log(line);
    run.Log("Warnings: " + QString::number(run.summary.warnings.size()));
    // The boxes of traps the run went on past, each on a line of its own.
    if (!run.summary.errorBoxes.isEmpty()) {
        run.Log("Error boxes: " + QString::number(run.summary.errorBoxes.size()));
        for (const QString& box : run.summary.errorBoxes)
            run.Log("  " + OneLine(box));
    }
    run.Log(QString());
}

// The log's last line for a run that did not go through, after its clean-up: what ended it and why,
// and what it left. The summary is completed first, so that it is whole even when the log cannot be
// written (the disk that filled may be why the run failed).
void LogEnding(RunState& run, const QString& line) noexcept
{
    CompleteSummary(run);
    try {
        run.Log(line);
        run.Log(QString());
        if (!run.summary.account.Sources().empty())
            LogAccount(run);
    } catch (const dao::DaoError&) {
        // The operator has been told in a box; the summary says it too.
    }
}

QString Ended(const RunState& run, const char* how, const QString& why, const Made& made)
{
    return QString("The %1 %2%3 and did not complete. ")
               .arg(run.checkOnly ? "check" : "import", QLatin1String(how), why.isEmpty() ? QString() : " (" + why + ")") +
           LeftBehind(run, made);
}

// The way out of a trap that ended the program (a conversion's, Cancel Import, a missing template):
// the trap has recorded why and removed the new database.
void EndedByTrap(RunState& run, const Made& made)
{
    CleanUp(run, made, "Error: In sub DoImport ");
    RecordEnding(run, RunResult::Failed);  // when the trap did not say why
    const RunSummary& s = run.summary;
    const QString why = s.error ? ErrorText(*s.error) : QString();
    LogEnding(run, Ended(run, s.result == RunResult::Cancelled ? "was cancelled" : "failed", why, made));
}

// The driver's trap. The new database is removed only once this run has started to make it: a file
// at TargetPath before that is not this run's.
[[noreturn]] void DriverTrap(RunState& run, const dao::DaoError& e, const Made& made)
{
    run.op.SetBusy(false);
    // Refused before anything was written (the plan of its files or what registration needs).
    RecordEnding(run, made.started ? RunResult::Failed : RunResult::Refused, RunError{e.Number, e.Description, "DoImport"});
    const QString number = QString::number(e.Number);
    if (e.Number != 70) {
        run.op.MsgBox("Error: In sub DoImport " + number + CR + e.Description + CR + "Import Utility will close.");
    } else {
        run.op.MsgBox("Error: In sub DoImport, Error# " + number + CR + e.Description + CR + "This is most likely " +
                      "because someone is currently using the MP2 database " + CR + "'" + run.SourcePath +
                      "' that you are " + "trying to import. " + CR + "The Import Utility will close." + CR +
                      "Have everyone exit Mendly, reboot your computer " + "and try the import again.");
    }
    CleanUp(run, made, "Error: In sub DoImport ");
    LogEnding(run, Ended(run, "failed", ErrorText(*run.summary.error), made));
    throw EndProgram(1);
}

// SIGINT or SIGTERM: the run ends as Cancel Import ends it, and the log says why.
[[noreturn]] void InterruptTrap(RunState& run, int signal, const Made& made)
{
    run.op.SetBusy(false);
    // Basic's error 18, "User interrupt occurred", with the signal that asked for it.
    RecordEnding(run, RunResult::Interrupted,
                 RunError{18, QString("User interrupt occurred (%1)").arg(dao::SignalName(signal)), "DoImport"});
    CleanUp(run, made, "Error: In sub DoImport ");
    LogEnding(run, Ended(run, "was interrupted", dao::SignalName(signal), made));
    throw EndProgram(128 + signal);
}

}  // namespace

void MakeDirIfMissing(const QString& dir)
{
    const QFileInfo info(dir);
    if (info.isDir())
        return;
    if (!QFileInfo(info.absolutePath()).isDir())
        throw dao::DaoError(76, QString("Path not found: '%1'").arg(dir));
    if (!QDir().mkdir(dir))
        throw dao::DaoError(75, QString("Path/File access error: the directory '%1' could not be created").arg(dir));
}

namespace {

QString LogFolderText(const QString& targetDirText)
{
    QString dir = targetDirText;
    if (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    return dir;
}

// Raises what making the log would raise, without making anything.
void CheckLogCanBeMade(const QString& folder, const QString& path)
{
    const QFileInfo dir(folder);
    const auto writable = [](const QString& p) { return ::access(QFile::encodeName(p).constData(), W_OK | X_OK) == 0; };
    if (dir.isDir()) {
        dao::RefuseSymLink(path, "the import log");
        const QFileInfo log(path);
        if (!writable(folder) || (log.exists() && ::access(QFile::encodeName(path).constData(), W_OK) != 0))
            throw dao::DaoError(70, QString("Permission denied: '%1'").arg(path));
        return;
    }
    const QString parent = dir.absolutePath();
    if (!QFileInfo(parent).isDir())
        throw dao::DaoError(76, QString("Path not found: '%1'").arg(folder));
    if (!writable(parent))
        throw dao::DaoError(75, QString("Path/File access error: the directory '%1' could not be created").arg(folder));
}

}  // namespace

void OpenImportLog(RunState& run)
{
    // Every attempt names the log's place anew: the log goes beside the database of the attempt that
    // goes ahead, never into the folder of an earlier one that the checks refused.
    const QString path = run.txtTargetDir + "/MP2ImportLog.txt";
    if (!run.log.gLogOpen() || run.log.pending()) {
        // A check is told about the log it writes (the file it makes is MP2ImportCheck.txt).
        CheckLogCanBeMade(LogFolderText(run.txtTargetDir), run.txtTargetDir + "/" + LogFileName(run));
        if (run.log.gLogOpen())
            run.log.MovePending(path);
        else
            run.log.OpenPending(path);
    }
    if (!run.requested.isValid())
        run.requested.start();
    const QDateTime now = Clock::Now();
    run.gStartDate = now.date();
    run.gStartTime = now.time();
    run.Log("In Main frm, btnImport - Start: " + TimeText(run.gStartTime) + ", " + ShortDateText(run.gStartDate));
    run.Log(QString());
}

void ClaimImportFolders(RunState& run)
{
    // The run's two folders: the current one (the working copy) and the target (the log, the new
    // database). A target folder still to be made is made, and claimed, when the import begins.
    LockFolder(run, QDir::currentPath(), "the working copy temp7601.in");
    const QString folder = QFileInfo(run.log.gLogPath()).absolutePath();
    if (QFileInfo(folder).isDir())
        LockFolder(run, folder, "the import log " + LogFileName(run));
}

QString LogFileName(const RunState& run) { return run.checkOnly ? "MP2ImportCheck.txt" : "MP2ImportLog.txt"; }

QString ImportLogPath(const RunState& run)
{
    const QString path = run.log.gLogPath();
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1) + LogFileName(run);
}

void CommitImportLog(RunState& run)
{
    if (!run.log.pending())
        return;
    LockFolder(run, QDir::currentPath(), "the working copy temp7601.in");
    const QString path = ImportLogPath(run);
    const QString folder = QFileInfo(path).absolutePath();
    MakeDirIfMissing(folder);
    LockFolder(run, folder, "the import log " + LogFileName(run));
    run.log.MovePending(path);
    run.log.Commit(run.files.CreateLog(path));
}

std::vector<ProtectedFile> ProtectedFiles(RunState& run)
{
    std::vector<ProtectedFile> files;
    const QString source = run.SourcePath.isEmpty() ? run.txtSourceDB : run.SourcePath;
    if (!source.isEmpty())
        files.push_back({source, "the MP2 database"});
    const QString list = run.gVXDBListDb && run.gVXDBListDb->isOpen() ? run.gVXDBListDb->Name()
                                                                      : run.gVXDBListDir + "/VXDB97.mdb";
    files.push_back({list, "the product's database list"});
    files.push_back({run.gVXDBListDir + "/BlnkVtrx.vdb", "the product's template"});
    if (!run.gVXDBListDb || !run.gVXDBListDb->isOpen() || !run.gVXDBListDb->HasTable("DB"))
        return files;  // the check of what registration needs says what is wrong
    const dao::TableDef& table = run.gVXDBListDb->Table("DB");
    if (table.fieldIndex("Path") < 0 || table.fieldIndex("FileName") < 0)
        return files;
    auto rs = run.gVXDBListDb->OpenRecordset("Select * From DB", dao::dbOpenSnapshot);
    for (; !rs->EOF_(); rs->MoveNext()) {
        const dao::Variant folder = rs->Fields("Path").Value();
        const dao::Variant name = rs->Fields("FileName").Value();
        if (folder.isNull() || name.isNull() || name.toText().isEmpty())
            continue;
        const QString path = WithSlash(folder.toText()) + name.toText();
        files.push_back({path, "a database registered in the product's list"});
    }
    rs->Close();
    return files;
}

RunPlaces PlannedPlaces(RunState& run)
{
    RunPlaces places;
    places.source = run.SourcePath.isEmpty() ? run.txtSourceDB : run.SourcePath;
    places.workingCopy = QDir::currentPath() + "/temp7601.in";
    places.newDatabase = WithSlash(run.txtTargetDir) + run.txtFileName;
    places.log = run.txtTargetDir + "/" + LogFileName(run);
    places.checkOnly = run.checkOnly;
    places.protectedFiles = ProtectedFiles(run);
    return places;
}

void CheckTargetPathLength(const QString& targetPath)
{
    // The nearest folder that exists tells the file system's limits.
    QString existing = QFileInfo(targetPath).absolutePath();
    while (!QFileInfo(existing).isDir() && existing != QLatin1String("/"))
        existing = QFileInfo(existing).absolutePath();
    long nameMax = ::pathconf(QFile::encodeName(existing).constData(), _PC_NAME_MAX);
    if (nameMax <= 0)
        nameMax = NAME_MAX;
    const qsizetype journal = qsizetype(sizeof("-journal") - 1);
    const QByteArray path = QFile::encodeName(QFileInfo(targetPath).absoluteFilePath());
    const QList<QByteArray> parts = path.split('/');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const qsizetype room = i == parts.size() - 1 ? nameMax - journal : nameMax;
        if (parts[i].size() > room)
            throw dao::DaoError(75, QString("Path/File access error: the name '%1' in the path of the new database "
                                            "'%2' is too long for the file system (%3 bytes; at most %4 here). "
                                            "Choose a shorter %5.")
                                        .arg(QFile::decodeName(parts[i]), targetPath)
                                        .arg(parts[i].size())
                                        .arg(room)
                                        .arg(i == parts.size() - 1 ? "File Name" : "Name or directory"));
    }
    if (path.size() + journal >= PATH_MAX)
        throw dao::DaoError(75, QString("Path/File access error: the path of the new database '%1' is too long for "
                                        "the file system (%2 bytes; at most %3). Choose a shorter directory or File "
                                        "Name.")
                                    .arg(targetPath)
                                    .arg(path.size())
                                    .arg(PATH_MAX - 1 - journal));
}

const std::vector<ConversionStep>& StandardConversions()
{
    static const std::vector<ConversionStep> steps = {
        {"Creating Facility table", CreateFacility},
        {"Creating Equipment table", CreateEq},
        {"Creating Employee table", CreateEmployee},
        {"Creating Task table", CreateTask},
        {"Creating TaskEq table", CreateTaskEq},
        {"Creating WoHist table", CreateWoHist},
        {"Creating WoLaborHist table", CreateWoLaborHist},
        {"Creating Meter table", CreateMeter},
        {"Creating Vendor table", CreateVendor},
        {"Creating Invy table", CreateInvy},
        {"Creating WoItemsHist table", CreateWoItemsHist},
    };
    return steps;
}

void BeginImport(RunState& run, const std::vector<ConversionStep>& conversions)
{
    run.op.SetStatus("Import in progress ... Please stand by");
    DoImport(run, conversions);
}

void DoImport(RunState& run) { DoImport(run, StandardConversions()); }

void DoImport(RunState& run, const std::vector<ConversionStep>& conversions)
{
    Made made;
    try {
        // Where everything goes.
        run.SourcePath = run.txtSourceDB;
        run.TargetFileName = run.txtFileName;
        run.TargetPath = WithSlash(run.txtTargetDir) + run.TargetFileName;
        run.TargetDir = run.txtTargetDir;
        run.gDBName = run.txtDBName;
        CheckTargetPathLength(run.TargetPath);

        // A current directory that was removed has no path: the working copy would land at the root.
        const QString currentDir = QDir::currentPath();
        if (currentDir.isEmpty() || !QFileInfo(currentDir).isDir())
            throw dao::DaoError(76, QString("Path not found: the current directory '%1' no longer exists, so the "
                                            "working copy temp7601.in cannot be made")
                                        .arg(currentDir));
        run.TempPath = currentDir + "/temp7601.in";
        LockFolder(run, currentDir, "the working copy temp7601.in");
        run.TargetDir = WithSlash(run.TargetDir);
        CheckWorkingCopyPlace(currentDir);
        CheckRegistrationPossible(run);

        // The plan of this attempt's files, held against what no run may touch before anything is
        // written.
        RunPlaces places = PlannedPlaces(run);
        places.log = ImportLogPath(run);
        run.files.Fix(places);

        MakeDirIfMissing(run.TargetDir.size() > 1 ? run.TargetDir.chopped(1) : run.TargetDir);
        LockFolder(run, run.TargetDir, "the import log " + LogFileName(run));
        CommitImportLog(run);
        made.started = true;
        // What runs killed outright left in these folders.
        RunFiles::RemoveStalePrivateDirs(currentDir);
        RunFiles::RemoveStalePrivateDirs(run.TargetDir);

        run.op.SetBusy(true);
        for (const QString& warning : MakeWorkingCopy(run, currentDir)) {
            run.Log(warning);  // damage the copy made good (an unreadable index), for the operator
            run.Log(QString());
            run.summary.warnings << warning;
        }

        // The new database, from the template.
        const QString templatePath = run.gVXDBListDir + "/BlnkVtrx.vdb";
        if (!QFileInfo(templatePath).isFile()) {
            const QString missing = "Error: File '" + templatePath + "' not found. Import aborted.";
            RecordEnding(run, RunResult::Failed, RunError{53, missing, "DoImport"});
            run.op.MsgBox(missing);
            run.op.SetBusy(false);
            throw EndProgram(1);
        }
        // A check makes it in a private folder beside the target: the target's name stays free.
        if (run.checkOnly) {
            made.privateDir = run.files.MakePrivateDir(QFileInfo(run.TargetPath).absolutePath());
            run.TargetPath = RunFiles::InPrivateDir(made.privateDir, run.TargetFileName);
        }
        CopyTemplate(run, templatePath, run.TargetPath);
        made.target = true;

        OpenSourceCopy(run);

        run.op.SetBusy(true);
        RemoveRelations(*run.DBin);

        run.TotalRecords = CountTotalRecords(run);
        run.progress.InitProgress(run.TotalRecords, run.op);
        ExpectSourceTables(run);

        run.op.ShowSourceAndTarget(run.SourcePath, run.TargetPath);
        run.op.SetStatus("Importing database ");

        run.DBout = dao::Database::OpenDatabase(run.TargetPath);
        run.DBout->SetPrivateToThisRun();
        run.gDBoutOpen = true;

        for (const ConversionStep& step : conversions) {
            dao::ThrowIfInterrupted();
            run.op.SetStatus(step.status);
            step.procedure(run);
            dao::Idle(dao::dbRefreshCache);
        }

        run.op.SetBusy(false);
        ReportUnconvertedTables(run);

        run.DBin->Close();
        run.DBout->Close();
        run.gDBoutOpen = false;

        dao::ThrowIfInterrupted();
        QString done;
        if (run.checkOnly) {
            // The check went through: its database goes, and nothing is registered.
            RemoveNewDatabase(run);
            run.files.RemovePrivateDir(made.privateDir);
            made.privateDir.clear();
            // Every error box the check showed is one the import would show, and go on past, as the
            // check did.
            const qsizetype boxes = run.summary.errorBoxes.size();
            RecordEnding(run, RunResult::Checked);
            done = "The check of '" + run.SourcePath + "' is complete." + CR +
                   "Nothing was registered and no database was kept." + CR;
            if (boxes > 0)
                done += QString("The check showed %1 error %2; the import would show %3 too and go on.")
                            .arg(boxes)
                            .arg(boxes == 1 ? "box" : "boxes")
                            .arg(boxes == 1 ? "it" : "them") +
                        CR;
            done += QString(CR) + "The check log file is located at " + CR + "'" + run.log.gLogPath() + "'";
        } else {
            RegisterNewDatabase(run);
            run.files.Keep(RunFile::NewDatabase);  // registered: the database is the operator's now, whatever follows
            RecordEnding(run, RunResult::Imported);
            done = "The import of '" + run.SourcePath + "' was imported to " + CR + "'" + run.TargetPath + "' " + CR +
                   CR + "The import log file is located at " + CR + "'" + run.log.gLogPath() + "'";
        }
        const dao::DeferInterrupts complete;  // and the run is complete: a stop asked for now changes nothing
        RemoveWorkingCopyAtEnd(run, "Error: In sub DoImport ");

        run.UpProg();
        run.progress.Finish(run.op);

        CompleteSummary(run);
        run.op.MsgBox(done);
        run.Log(done);
        run.Log(QString());
        LogAccount(run);
    } catch (const EndProgram&) {
        // A trap has shown its message and removed the new database; the working copy of a run that
        // ends before its conversions start goes too, and the log says why the run ended.
        EndedByTrap(run, made);
        throw;
    } catch (const dao::Interrupted& stop) {
        InterruptTrap(run, stop.signal, made);
    } catch (const dao::DaoError& e) {
        DriverTrap(run, e, made);
    } catch (const std::exception& e) {
        // Not an error of the database layer (out of memory, a failure of the toolkit): reported and
        // cleaned up like any other, under the number of an internal error.
        DriverTrap(run, dao::DaoError(51, QString("Internal error: %1").arg(QString::fromLocal8Bit(e.what()))), made);
    }
    if (run.gVXDBListDb) {
        try {
            run.gVXDBListDb->Close();
        } catch (const dao::DaoError& e) {
            // Registered and committed already: the database is whole; the operator is told all the same.
            ShowCleanupFailure(run, "Error: In sub DoImport ", e);
        }
    }
    throw EndProgram(run.summary.result == RunResult::Imported || run.summary.result == RunResult::Checked ? 0 : 1);
}
