#include "import/Driver.h"

#include "common/Clock.h"
#include "common/TextForm.h"
#include "convert/Conversions.h"
#include "import/EndProgram.h"
#include "import/RecordCount.h"
#include "import/db/CopySource.h"
#include "import/db/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>

const char* const kUnconvertedTables[6] = {"VENDMANU", "VENDPO", "INVCOMM", "INVSITE", "INVSUB", "INVYDRWG"};

namespace {

const QChar CR(13);

QString WithSlash(const QString& dir)
{
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

void DeleteFile(const QString& path)
{
    QFile file(path);
    if (!file.remove())
        throw dao::DaoError(75, QString("Path/File access error: '%1' could not be deleted (%2)")
                                    .arg(path, file.errorString()));
}

// A plain file copy that replaces the target, as the template is copied to the new database.
void CopyFileOver(const QString& source, const QString& target)
{
    if (!QFileInfo(source).isFile())
        throw dao::DaoError(53, QString("File not found: '%1'").arg(source));
    if (QFileInfo::exists(target))
        DeleteFile(target);
    QFile file(source);
    if (!file.copy(target))
        throw dao::DaoError(75, QString("Path/File access error: '%1' could not be copied to '%2' (%3)")
                                    .arg(source, target, file.errorString()));
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

void ReportUnconvertedTables(RunState& run)
{
    for (const char* name : kUnconvertedTables) {
        const QString table = QString::fromLatin1(name);
        auto rs = run.DBin->OpenRecordset(table, dao::dbOpenTable);
        QString message;
        if (!rs->BOF() || !rs->EOF_()) {
            rs->MoveLast();
            const long count = rs->RecordCount();
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
        rs->Close();
        run.op.MsgBox(message);
        run.Log(message);
        run.Log(QString());
    }
}

void RegisterNewDatabase(RunState& run)
{
    if (!run.gVXDBListDb || !run.gVXDBListDb->isOpen())
        throw dao::DaoError(91, "Object variable or With block variable not set");
    auto rs = run.gVXDBListDb->OpenRecordset("DB", dao::dbOpenDynaset);
    rs->AddNew();
    rs->Fields("Name") = run.gDBName;
    rs->Fields("Path") = WithSlash(run.txtTargetDir);
    rs->Fields("FileName") = run.TargetFileName;
    rs->Fields("IsDefault") = false;
    rs->Update();
    rs->SetBookmark(rs->LastModified());
    dao::Idle(dao::dbRefreshCache);
    rs->Close();
}

// The driver's trap. The new database is removed only once this run has started to make it: a file
// at TargetPath before that is not this run's.
[[noreturn]] void DriverTrap(RunState& run, const dao::DaoError& e, bool targetMade)
{
    run.op.SetBusy(false);
    const QString number = QString::number(e.Number);
    if (e.Number != 70) {
        run.op.MsgBox("Error: In sub DoImport " + number + CR + e.Description + CR + "Import Utility will close.");
    } else {
        run.op.MsgBox("Error: In sub DoImport, Error# " + number + CR + e.Description + CR + "This is most likely " +
                      "because someone is currently using the MP2 database " + CR + "'" + run.SourcePath +
                      "' that you are " + "trying to import. " + CR + "The Import Utility will close." + CR +
                      "Have everyone exit Mendly, reboot your computer " + "and try the import again.");
    }
    if (targetMade) {
        try {
            RemoveNewDatabase(run);
        } catch (const dao::DaoError& removal) {
            run.op.MsgBox("Error: In sub DoImport " + QString::number(removal.Number) + CR + removal.Description);
        }
    }
    throw EndProgram(1);
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

void OpenImportLog(RunState& run)
{
    if (!run.log.gLogOpen()) {
        QString dir = run.txtTargetDir;
        const QString path = dir + "/MP2ImportLog.txt";
        if (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
            dir.chop(1);
        MakeDirIfMissing(dir);
        run.log.Open(path);
    }
    const QDateTime now = Clock::Now();
    run.gStartDate = now.date();
    run.gStartTime = now.time();
    run.Log("In Main frm, btnImport - Start: " + TimeText(run.gStartTime) + ", " + ShortDateText(run.gStartDate));
    run.Log(QString());
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

void BeginImport(RunState& run)
{
    run.op.SetStatus("Import in progress ... Please stand by");
    DoImport(run);
}

void DoImport(RunState& run) { DoImport(run, StandardConversions()); }

void DoImport(RunState& run, const std::vector<ConversionStep>& conversions)
{
    bool targetMade = false;
    try {
        // Where everything goes.
        run.SourcePath = run.txtSourceDB;
        run.TargetFileName = run.txtFileName;
        run.TargetPath = WithSlash(run.txtTargetDir) + run.TargetFileName;
        run.TargetDir = run.txtTargetDir;
        run.gDBName = run.txtDBName;

        // A current directory that was removed has no path: the working copy would land at the root.
        const QString currentDir = QDir::currentPath();
        if (currentDir.isEmpty() || !QFileInfo(currentDir).isDir())
            throw dao::DaoError(76, QString("Path not found: the current directory '%1' no longer exists, so the "
                                            "working copy temp7601.in cannot be made")
                                        .arg(currentDir));
        run.TempPath = currentDir + "/temp7601.in";
        run.TargetDir = WithSlash(run.TargetDir);
        MakeDirIfMissing(run.TargetDir.size() > 1 ? run.TargetDir.chopped(1) : run.TargetDir);

        // The working copy of the source. A source that is itself the working copy's file would be
        // deleted before it is read: that is refused.
        if (QFileInfo(run.TempPath).isFile() &&
            QFileInfo(run.SourcePath).canonicalFilePath() == QFileInfo(run.TempPath).canonicalFilePath())
            throw dao::DaoError(75, QString("Path/File access error: the source '%1' is the working copy's own "
                                            "file and cannot be copied onto itself")
                                        .arg(run.SourcePath));
        if (QFileInfo(run.TempPath).isFile())
            DeleteFile(run.TempPath);
        run.op.SetBusy(true);
        for (const QString& warning : dao::CopySource(run.SourcePath, run.TempPath)) {
            run.Log(warning);  // damage the copy made good (an unreadable index), for the operator
            run.Log(QString());
        }

        // The new database, from the template.
        const QString templatePath = run.gVXDBListDir + "/BlnkVtrx.vdb";
        if (!QFileInfo(templatePath).isFile()) {
            run.op.MsgBox("Error: File '" + templatePath + "' not found. Import aborted.");
            run.op.SetBusy(false);
            throw EndProgram(1);
        }
        targetMade = true;
        CopyFileOver(templatePath, run.TargetPath);

        OpenSourceCopy(run);

        run.op.SetBusy(true);
        RemoveRelations(*run.DBin);

        run.TotalRecords = CountTotalRecords(run);
        run.progress.InitProgress(run.TotalRecords, run.op);

        run.op.ShowSourceAndTarget(run.SourcePath, run.TargetPath);
        run.op.SetStatus("Importing database ");

        run.DBout = dao::Database::OpenDatabase(run.TargetPath);
        run.DBout->SetPrivateToThisRun();
        run.gDBoutOpen = true;

        for (const ConversionStep& step : conversions) {
            run.op.SetStatus(step.status);
            step.procedure(run);
            dao::Idle(dao::dbRefreshCache);
        }

        run.op.SetBusy(false);
        ReportUnconvertedTables(run);

        run.DBin->Close();
        run.DBout->Close();
        run.gDBoutOpen = false;

        RegisterNewDatabase(run);

        run.UpProg();
        run.progress.Finish(run.op);

        const QString done = "The import of '" + run.SourcePath + "' was imported to " + CR + "'" + run.TargetPath +
                             "' " + CR + CR + "The import log file is located at " + CR + "'" +
                             run.log.gLogPath() + "'";
        run.op.MsgBox(done);
        run.Log(done);
        run.Log(QString());
    } catch (const EndProgram&) {
        throw;
    } catch (const dao::DaoError& e) {
        DriverTrap(run, e, targetMade);
    } catch (const std::exception& e) {
        // Not an error of the database layer (out of memory, a failure of the toolkit): reported and
        // cleaned up like any other, under the number of an internal error.
        DriverTrap(run, dao::DaoError(51, QString("Internal error: %1").arg(QString::fromLocal8Bit(e.what()))),
                   targetMade);
    }
    if (run.gVXDBListDb)
        run.gVXDBListDb->Close();
    throw EndProgram(0);
}

void RemoveNewDatabase(RunState& run)
{
    if (run.TargetPath.isEmpty() || !QFileInfo::exists(run.TargetPath))
        return;
    // The file goes whether or not its last writes could be committed; a failure to close is still
    // reported once the file is gone.
    std::optional<dao::DaoError> closeError;
    if (run.gDBoutOpen) {
        try {
            if (run.DBout)
                run.DBout->Close();
        } catch (const dao::DaoError& e) {
            closeError = e;
        }
        run.gDBoutOpen = false;
    }
    DeleteFile(run.TargetPath);
    if (closeError)
        throw *closeError;
}

void ConversionTrap(RunState& run, const QString& label, const dao::DaoError& error, bool alsoLog,
                    const QString& suffix)
{
    run.op.SetBusy(false);
    const QString message = label + QString::number(error.Number) + CR + error.Description + suffix;
    run.op.MsgBox(message);
    try {
        if (alsoLog) {
            run.Log(message);
            run.Log(QString());
        }
    } catch (const dao::DaoError& logFailure) {
        run.op.MsgBox(label + QString::number(logFailure.Number) + CR + logFailure.Description);
    }
    try {
        RemoveNewDatabase(run);
    } catch (const dao::DaoError& removal) {
        run.op.MsgBox(label + QString::number(removal.Number) + CR + removal.Description);
    }
    throw EndProgram(1);
}
