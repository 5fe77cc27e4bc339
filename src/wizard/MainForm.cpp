#include "wizard/MainForm.h"

#include "common/Lookups.h"
#include "common/Trim.h"
#include "import/Driver.h"
#include "run/EndProgram.h"
#include "run/RunEnding.h"
#include "jet/CopySource.h"
#include "db/Database.h"
#include "jet/JetHeader.h"
#include "wizard/FileRights.h"
#include "wizard/HostAccess.h"
#include "wizard/HostProduct.h"
#include "wizard/HostSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <unistd.h>

namespace {

const QChar CR(13);
constexpr int kBackspace = 8;

// The characters neither a name nor a file name may hold.
const QString kRefused = QStringLiteral("\\/:*+=?\"'<>|$");

// A control character (tab, line breaks, NUL, ...) would end up in a directory's or a file's name.
// It is named by its code: shown as it is, it would break the message's line or vanish from it.
std::optional<QString> RefusedControl(QChar key)
{
    if (key.category() == QChar::Other_Control)
        return "Error:  control character (code " + QString::number(key.unicode()) + ")  not allowed.";
    return std::nullopt;
}

QString WithSlash(const QString& dir)
{
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

// A file search for `path`: the file's name as the directory holds it, or empty when there is no
// such file (a directory is not a file).
QString FileSearch(const QString& path)
{
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    return info.isFile() ? info.fileName() : QString();
}

// The entry of `dir` whose name is `name` in any letter case, or empty.
QString FindInAnyCase(const QString& dir, const QString& name)
{
    const QDir d(dir);
    if (dir.isEmpty() || !d.exists())
        return {};
    const QStringList entries = d.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries)
        if (entry.toLower() == name)
            return d.filePath(entry);
    return {};
}

// Where start-up looked for the product's settings and what it did not find there, and how the
// product is set up: said beside the box that tells the product is not installed.
QString NotInstalledDetail()
{
    const QString key = QString::fromLatin1(kHostSettingsKey);
    const auto file = [](const QString& path) {
        return "'" + path + "'" + (QFileInfo::exists(path) ? QString() : QString(" (no such file)"));
    };
    const QStringList missing = MissingHostSettings();
    return "The product's settings VXUDir and VXDBListDir are read from " +
           file(SettingsFile(HKeyLocalMachine, key)) + CR + "and, for a value missing there, from " +
           file(SettingsFile(HKeyCurrentUser, key)) + "." + CR +
           (missing.isEmpty() ? QString("One of them could not be read.")
                              : missing.join(" and ") + (missing.size() == 1 ? " is" : " are") + " in neither.") +
           CR + CR + "Set the product up with crew-host-setup, as root:" + CR +
           "    crew-host-setup --db-list-dir DIR --user-dir DIR --group GROUP" + CR +
           "(see man crew-host-setup), then start the import again.";
}

}  // namespace

const char* MainFieldName(MainField field)
{
    switch (field) {
    case MainField::None: return "";
    case MainField::txtSourceDB: return "txtSourceDB";
    case MainField::txtTargetDir: return "txtTargetDir";
    case MainField::txtRecommendDirectory: return "txtRecommendDirectory";
    case MainField::txtFileName: return "txtFileName";
    case MainField::txtDBName: return "txtDBName";
    }
    return "";
}

QStringList OldDatabasePlaces(const RunState& run)
{
    QStringList places;
    if (!run.gVXDBListDir.isEmpty())
        places << run.gVXDBListDir;
    if (!run.gVXUDir.isEmpty() && run.gVXUDir != run.gVXDBListDir)
        places << run.gVXUDir;
    return places;
}

MainForm::MainForm(RunState& run)
    : run(run), txtSourceDB(run.txtSourceDB), txtTargetDir(run.txtTargetDir), txtFileName(run.txtFileName),
      txtDBName(run.txtDBName)
{
}

// ---- Start-up ----

void MainForm::MainFormLoad(int major, int minor, int revision)
{
    Caption = QString("Mendly & Vantrix 2.x Import from MP2 database ") + "ver " + QString::number(major) + "." +
              QString::number(minor) + "." + QString::number(revision);
    try {
        run.gDBoutOpen = false;
        run.log.Close();
        txtTargetDir.clear();

        const QString unreadable = UnreadableHostSettingsFile();
        if (!unreadable.isEmpty()) {
            const QString message = "The settings of Mendly 2.x or Vantrix 2.x could not be read from" + QString(CR) +
                                    "'" + unreadable + "'" + CR + "(the file is damaged or cannot be read)." + CR +
                                    CR + "Repair the file or make it readable (or remove it and set the product up " +
                                    "again), then start the import again.";
            RecordEnding(run, RunResult::Failed, RunError{0, message, "ImportLoad"});
            run.op.MsgBox(message);
            throw EndProgram(1);
        }
        if (!GetHostSettings(run)) {
            const QString notInstalled = "Mendly 2.x or Vantrix 2.x is not installed.";
            const QString where = NotInstalledDetail();
            RecordEnding(run, RunResult::Failed, RunError{0, notInstalled + CR + CR + where, "ImportLoad"});
            run.op.MsgBox(notInstalled);
            run.op.MsgBox(where);
            throw EndProgram(1);
        }

        lblTargetHint = run.gProgram == QLatin1String("MENDLY")
                            ? "Select directory where to store new Mendly 2.x databases"
                            : "Select directory where to store new Vantrix 2.x databases";

        CheckHostProductAccess(run.gVXDBListDir);
        run.gVXDBListDb = dao::Database::OpenDatabase(run.gVXDBListDir + "/" + kDatabaseListFileName);

        const QString P = FindOldDatabase();
        if (P != QLatin1String("-1")) {
            txtSourceDB = P;
            if (!FileSearch(P).isEmpty()) {
                QString N, F;
                SetDefaultDBName(P, N, F);
                txtFileName = F;
                txtDBName = N;
            }
        }
        ProposeTarget();
    } catch (const dao::DaoError& e) {
        RecordEnding(run, RunResult::Failed, RunError{e.Number, e.Description, "ImportLoad"});
        run.op.MsgBox("ImportLoad Error:" + QString::number(e.Number) + CR + e.Description + CR +
                      "Import Utility will be closed.");
        throw EndProgram(1);
    }
}

void MainForm::MainFormUnload()
{
    if (run.log.gLogOpen())
        run.log.Close();
}

QString MainForm::FindOldDatabase() const
{
    for (const QString& dir : OldDatabasePlaces(run)) {
        const QString found = FindInAnyCase(dir, "mendly.mdb");
        if (!found.isEmpty())
            return found;
    }
    return "-1";
}

void MainForm::ProposeTarget()
{
    txtTargetDir = run.gVXUDir;
    txtRecommendDirectory = run.gVXUDir + "/";
    if (!txtDBName.isEmpty()) {
        txtRecommendDirectory = txtRecommendDirectory + txtDBName + "/";
        txtTargetDir = txtRecommendDirectory;
    }
    RecDirBase = run.gVXUDir + "/";
    proposedTargetDir_ = txtTargetDir;
}

// ---- Default names ----

std::optional<QString> MainForm::FacilityName(const QString& path)
{
    // The operator's file is only read. An Access file is read through a private copy of it.
    QTemporaryDir copyDir;
    QString readPath = path;
    if (dao::ReadJetHeader(path).isJet()) {
        if (!copyDir.isValid())
            throw dao::DaoError(75, "Path/File access error: no temporary directory for a copy of '" + path + "'");
        readPath = copyDir.filePath("facility.in");
        dao::CopySource(path, readPath);
    }
    auto db = dao::Database::OpenDatabase(readPath, false, true);
    std::optional<QString> name;
    try {
        auto rs = db->OpenRecordset("Select * from Facility", dao::dbOpenDynaset);
        if (!(rs->BOF() && rs->EOF_())) {
            const dao::Variant v = rs->Fields("Name").Value();
            if (!dao::IsNull(v) && !v.toText().isEmpty())
                name = v.toText();
        }
        rs->Close();
    } catch (...) {
        db->Close();
        throw;
    }
    db->Close();
    return name;
}

void MainForm::SetDefaultDBName(const std::optional<QString>& InDirAndPath, QString& N, QString& F)
{
    N.clear();
    F.clear();
    if (!InDirAndPath) {
        run.op.MsgBox("Error: in sub SetDefaultDBName, InDirAndPath is null.");
        return;
    }
    const QString path = *InDirAndPath;
    if (path.isEmpty()) {
        run.op.MsgBox("Error: in sub SetDefaultDBName, InDirAndPath is blank.");
        return;
    }
    try {
        const QString X = FileSearch(path);
        if (X.isEmpty()) {
            run.op.MsgBox("Error: in sub SetDefaultDBName '" + path + "' doesn't exist.");
            return;
        }
        if (X.toUpper() != QLatin1String("MENDLY.MDB") && X.toUpper() != QLatin1String("VANTRIX.MDB")) {
            F = X;
            N = X.size() >= 5 ? X.left(X.size() - 4) : X;
            return;
        }

        if (const auto name = FacilityName(path)) {
            N = *name;
            F = RemoveChar(QLatin1Char(' '), *name + ".mdb");
            return;
        }
        for (qint64 i = 1;; ++i) {
            N = "Plant " + QString::number(i);
            F = RemoveChar(QLatin1Char(' '), N + ".mdb");
            run.gDBName = N;
            if (!DoesRecExist(run, "gVXDBListDb", "DB", "FileName", F, 1, -1, "Id") &&
                !DoesRecExist(run, "gVXDBListDb", "DB", "Name", N, 1, -1, "Id"))
                break;
        }
    } catch (const dao::DaoError& e) {
        SetDefaultDBNameTrap(e, path);
    }
}

void MainForm::SetDefaultDBNameTrap(const dao::DaoError& e, const QString& path)
{
    run.op.SetBusy(false);
    RecordEnding(run, RunResult::Failed, RunError{e.Number, e.Description, "SetDefaultDBName"});
    const QString number = QString::number(e.Number);
    if (e.Number == 70) {
        run.op.MsgBox("Error: In sub SetDefaultDBName, Error# " + number + CR + e.Description + CR +
                      "This is most likely " + "because someone is currently using the " + "Mendly database " + CR +
                      "'" + path + "' that you are " + "trying to import. " + CR + "The Import Utility will close." +
                      CR + "Have everyone exit Mendly, reboot your computer " + "and try the import again.");
    } else if (e.Number == 3051) {
        run.op.MsgBox("Error: In sub SetDefaultDBName, Error# " + number + CR + e.Description + CR + CR +
                      "This is most likely " + "because someone is currently using the " + "Mendly database " + CR +
                      "'" + path + "' that you are " + "trying to import. " + CR +
                      "Or the file is marked as read-only." + CR + CR + "The Import Utility will close." + CR + CR +
                      "Have everyone exit Mendly." + CR + "Make sure the file is not marked " + "as read-only." + CR +
                      "Reboot your computer " + "and try the import again.");
    } else {
        run.op.MsgBox("Error: In sub SetDefaultDBName " + number + CR + e.Description);
    }
    throw EndProgram(1);
}

void MainForm::btnAdd_Click(const std::optional<QString>& chosenFile)
{
    if (!chosenFile)
        return;  // the dialog was cancelled: the source stays as it was
    try {
        txtSourceDB = *chosenFile;
        QString N, F;
        SetDefaultDBName(txtSourceDB, N, F);
        txtFileName = Trim(F);
        txtDBName = Trim(N);
        ProposeTarget();
    } catch (const dao::DaoError& e) {
        run.op.MsgBox(QString::number(e.Number) + " - " + e.Description);
    }
}

// ---- Typing ----

std::optional<QString> MainForm::RefusedInDBName(QChar key)
{
    if (key == QLatin1Char('.') || kRefused.contains(key))
        return "Error:  " + QString(key) + "  not allowed.";
    return RefusedControl(key);
}

std::optional<QString> MainForm::RefusedInFileName(QChar key)
{
    if (const auto control = RefusedControl(key))
        return control;
    if (key == QLatin1Char(' '))
        return QString("Error: No spaces allowed.");
    if (kRefused.contains(key))
        return "Error:  " + QString(key) + "  not allowed.";
    return std::nullopt;
}

QString MainForm::TypedFileName(const QString& name) { return RemoveChar(QLatin1Char(' '), name + ".mdb"); }

QString MainForm::TypedRecommendDirectory(const QString& name) const
{
    // The blanks go from the name only: the product's user directory may hold blanks of its own.
    return RecDirBase + RemoveChar(QLatin1Char(' '), name);
}

bool MainForm::txtDBName_KeyPress(QChar key, const QString& proposed)
{
    if (const auto refusal = RefusedInDBName(key)) {
        run.op.MsgBox(*refusal);
        run.op.Beep();
        return false;
    }
    const ushort c = key.unicode();
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        txtFileName = TypedFileName(proposed);
        txtRecommendDirectory = TypedRecommendDirectory(proposed);
    }
    return true;
}

void MainForm::txtDBName_KeyUp(int keyCode)
{
    if (keyCode == kBackspace && txtDBName.isEmpty())
        return;
    txtFileName = TypedFileName(txtDBName);
    txtRecommendDirectory = TypedRecommendDirectory(txtDBName);
}

bool MainForm::txtFileName_KeyPress(QChar key)
{
    if (const auto refusal = RefusedInFileName(key)) {
        run.op.MsgBox(*refusal);
        run.op.Beep();
        return false;
    }
    return true;
}

// ---- Buttons ----

void MainForm::btnRecToSelect_Click()
{
    if (!txtRecommendDirectory.isEmpty())
        proposedTargetDir_ = txtTargetDir = txtRecommendDirectory;
    else
        run.op.MsgBox("The Recommended Directory field is empty.");
}

void MainForm::btnOpt_Click() { run.op.MsgBox("This isn't implemented for MP2 yet."); }

void MainForm::Command1_Click() { throw EndProgram(1); }

FormTexts MainForm::Texts() const
{
    return {txtSourceDB, txtTargetDir, txtRecommendDirectory, txtFileName, txtDBName, proposedTargetDir_};
}

void MainForm::Restore(const FormTexts& texts)
{
    txtSourceDB = texts.txtSourceDB;
    txtTargetDir = texts.txtTargetDir;
    txtRecommendDirectory = texts.txtRecommendDirectory;
    txtFileName = texts.txtFileName;
    txtDBName = texts.txtDBName;
    proposedTargetDir_ = texts.proposedTargetDir;
}

QString MainForm::UserDirAdvice() const
{
    // Below the product's user directory, where the wizard proposes every target: a folder the
    // set-up did not open to this operator.
    const QString userDir = run.gVXUDir;
    if (userDir.isEmpty() || !QDir::cleanPath(txtTargetDir).startsWith(QDir::cleanPath(userDir)) ||
        ::access(QFile::encodeName(userDir).constData(), W_OK | X_OK) == 0)
        return {};
    return QString(CR) + CR + "The product's user directory '" + userDir + "' (" + OwnerGroupMode(userDir) +
           ") is not open to you (" + UserName(::getuid()) + ") for writing." + CR +
           QString::fromLatin1(kHostSetUpAdvice);
}

QString MainForm::TargetPathText() const { return WithSlash(txtTargetDir) + txtFileName; }

ImportCheck MainForm::btnImport_Click()
{
    // Every attempt has a summary of its own; a refused one says why (the error's number when an
    // error refused it, else 0).
    StartSummary(run);
    const auto refuse = [this](const QString& message, MainField focus, int number = 0) {
        RecordEnding(run, RunResult::Refused, RunError{number, message, "btnImport_Click"});
        CompleteSummary(run);
        run.op.MsgBox(message);
        return ImportCheck{false, focus};
    };
    const auto answeredNo = [this](const QString& question) {
        RecordEnding(run, RunResult::Refused, RunError{0, "Answered No: " + question, "btnImport_Click"});
        CompleteSummary(run);
        return ImportCheck{};
    };
    const QString invalid = "Error: Invalid file name. Operation cancelled.";

    if (txtSourceDB.isEmpty())
        return refuse("Enter a Source database.", MainField::txtSourceDB);
    if (txtTargetDir.isEmpty())
        return refuse("Enter a Target directory.", MainField::txtTargetDir);
    if (txtFileName.isEmpty())
        return refuse("Enter a FileName.", MainField::txtFileName);
    if (txtDBName.isEmpty())
        return refuse("Enter a Name.", MainField::txtDBName);

    const QString name = txtDBName.toUpper();
    const QString file = txtFileName.toUpper();
    if (name == QLatin1String("MENDLY") || name == QLatin1String("VANTRIX") || file == QLatin1String("MENDLY.MDB") ||
        file == QLatin1String("VANTRIX.MDB")) {
        const QString question = QString("It is NOT recommended to use mendly or vantrix ") + CR +
                                 "as the Name of the new database. " + CR +
                                 "It is also NOT recommended to use mendly.mdb or vantrix.mdb " + CR +
                                 "as the File Name of the new database. " + CR +
                                 "Do you want to continue with your selection?";
        if (!run.op.AskYesNo(question))
            return answeredNo(question);
    }

    if (!IsValidFileName(run.op, txtDBName))
        return refuse(invalid, MainField::txtDBName);
    if (!txtFileName.contains(QLatin1Char('.')))
        return refuse(invalid, MainField::txtFileName);
    if (!IsValidFileName(run.op, txtFileName, QString("mdb")))
        return refuse(invalid, MainField::txtFileName);

    if (txtRecommendDirectory != txtTargetDir) {
        const QString question = QString("The recommended directory is not the directory you selected.") + CR +
                                 "Do you want to continue with your selection?";
        if (!run.op.AskYesNo(question))
            return answeredNo(question);
    }

    // A path the file system cannot hold would pass every check below and fail mid-import.
    try {
        CheckTargetPathLength(TargetPathText());
    } catch (const dao::DaoError& e) {
        return refuse("Error# " + QString::number(e.Number) + CR + e.Description + CR + CR +
                          "The import was not started.",
                      MainField::txtFileName, e.Number);
    }

    // The log goes beside the new database. When it cannot be opened nothing is started. It reaches
    // the disk only when the import goes ahead: an attempt refused below leaves the folder as it was.
    const auto logRefusal = [&](const dao::DaoError& e) {
        return refuse(QString(run.checkOnly ? "The check log '" : "The import log '") + WithSlash(txtTargetDir) +
                          LogFileName(run) + "' could not be opened." + CR +
                          "Error# " + QString::number(e.Number) + CR + e.Description + CR + CR +
                          "Choose a target directory that can be written. The import was not started." +
                          UserDirAdvice(),
                      MainField::txtTargetDir, e.Number);
    };
    try {
        OpenImportLog(run);
    } catch (const dao::DaoError& e) {
        return logRefusal(e);
    }

    if (FileSearch(txtSourceDB).isEmpty())
        return refuse(txtSourceDB + " does not exit." + CR + "Select a different source database." + CR +
                          "Click OK to continue.",
                      MainField::None);

    const QString targetPath = TargetPathText();
    run.gDBName = txtDBName;
    if (QFileInfo::exists(targetPath))
        return refuse("This FileName '" + txtFileName + "' " + CR + "already exists in '" + txtTargetDir + "' " + CR +
                          CR + "You have 2 choices: " + CR + "1. Change the FileName." + CR + "2. Delete '" +
                          txtFileName + "' " + CR + "   From '" + txtTargetDir + "' ",
                      MainField::None);

    if (DoesRecExist(run, "gVXDBListDb", "DB", "FileName", txtFileName, 1, -1, "Id"))
        return refuse("This FileName '" + txtFileName + "' " + CR + "is already being used in the program, " +
                          "it has to be unique. " + CR + CR + "Change the FileName or enter Vantrix/Mendly " + CR +
                          "and goto Utilities/Database Setup and " + CR +
                          "delete the record that points to this database.",
                      MainField::None);
    if (DoesRecExist(run, "gVXDBListDb", "DB", "Name", run.gDBName, 1, -1, "Id"))
        return refuse("This Name '" + run.gDBName + "' " + CR + "is already being used in the program, " +
                          "it has to be unique. " + CR + "Change the Name.",
                      MainField::None);

    // The folders are this run's from here; the log reaches the disk when the import begins, as
    // MP2ImportCheck.txt for a check only. Another import holding one of them is told as it is: the
    // working copy or the log it is using, and in which folder.
    try {
        ClaimImportFolders(run);
    } catch (const dao::DaoError& e) {
        return refuse("Error# " + QString::number(e.Number) + CR + e.Description + CR + CR +
                          "The import was not started.",
                      MainField::None, e.Number);
    }
    return ImportCheck{true, MainField::None};
}
