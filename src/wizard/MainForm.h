#pragma once
// The wizard's main form without its widgets: the text boxes, the start-up, the derivation of the
// target's names, the rules for what may be typed, and the checks of the Import button. The Qt form
// is a thin view over this class; the unattended mode drives it directly. Every exchange with the
// operator goes through the run's Operator.
//
// The four boxes the driver reads (txtSourceDB, txtTargetDir, txtFileName, txtDBName) live in the
// RunState; the form refers to them under their own names.
//
// Paths are written with '/': the recommended directory is RecDirBase & name & "/", the target path
// is the directory, a '/' when it does not end in one, and the file name.
#include "run/RunState.h"
#include "db/DaoError.h"

#include <QChar>
#include <QString>
#include <optional>

// The fields of the form that a check may put the focus on.
enum class MainField { None, txtSourceDB, txtTargetDir, txtRecommendDirectory, txtFileName, txtDBName };
const char* MainFieldName(MainField field);

// What the Import button decided: start the import (show the import form), or stay on the form
// with the focus where the check put it (None: where it was).
struct ImportCheck {
    bool startImport = false;
    MainField focus = MainField::None;
};

// Where an older product database is looked for, in this order: "mendly.mdb" in the directory of
// the database list, then in the product's user directory. The name matches in any letter case.
QStringList OldDatabasePlaces(const RunState& run);

// What the form's boxes show, kept from one program run of the wizard to the next (after a check the
// wizard starts anew, everything still filled in).
struct FormTexts {
    QString txtSourceDB, txtTargetDir, txtRecommendDirectory, txtFileName, txtDBName;
    QString proposedTargetDir;  // the selected directory the wizard last proposed
};

class MainForm {
public:
    explicit MainForm(RunState& run);
    MainForm(const MainForm&) = delete;
    MainForm& operator=(const MainForm&) = delete;

    RunState& run;

    // Text boxes: four shared with the driver, the recommended directory of the form's own.
    QString& txtSourceDB;
    QString& txtTargetDir;
    QString& txtFileName;
    QString& txtDBName;
    QString txtRecommendDirectory;
    QString RecDirBase;  // gVXUDir & "/"

    QString Caption;       // the window's caption
    QString lblTargetHint; // the edition's line above the target fields

    // Start-up. Reads the product's settings, opens the database list for the whole run, looks for
    // an older product database and proposes the names. Ends the program (EndProgram) when the
    // product is not installed or anything fails.
    void MainFormLoad(int major = CREW_VERSION_MAJOR, int minor = CREW_VERSION_MINOR,
                      int revision = CREW_VERSION_PATCH);
    // Unload: closes the import log when it is open.
    void MainFormUnload();

    // The path of an older product database at one of OldDatabasePlaces, or "-1".
    QString FindOldDatabase() const;

    // The default display name N and file name F for the source InDirAndPath (nullopt: Null). A
    // database of the product itself gives its facility's name, or the first free "Plant " & i.
    // Shows its refusals and returns with both empty; its trap ends the program.
    void SetDefaultDBName(const std::optional<QString>& InDirAndPath, QString& N, QString& F);

    // "Change Database", after the file dialog: the chosen file, or nullopt when it was cancelled
    // (nothing changes then).
    void btnAdd_Click(const std::optional<QString>& chosenFile);

    // Typing in txtDBName. KeyPress comes before the key reaches the box: `key` is the character,
    // `proposed` the box's text as it would be with the key inserted. False: the key is refused and
    // must not be inserted (the operator has been told and has heard the beep). KeyUp comes after the
    // box's text (txtDBName) has changed; keyCode 8 is Backspace.
    bool txtDBName_KeyPress(QChar key, const QString& proposed);
    void txtDBName_KeyUp(int keyCode);
    // Typing in txtFileName: false when the key is refused (told, beeped, not to be inserted).
    bool txtFileName_KeyPress(QChar key);

    // The text each box would show for a display name: the file name and the recommended directory
    // while the operator types (the name's blanks removed, no trailing '/').
    static QString TypedFileName(const QString& name);
    QString TypedRecommendDirectory(const QString& name) const;
    // The refusal shown for a key typed into the name box or the file-name box; nullopt: accepted.
    // Control characters (tab, line breaks, NUL, ...) are refused in both, named by their code.
    static std::optional<QString> RefusedInDBName(QChar key);
    static std::optional<QString> RefusedInFileName(QChar key);

    // "Make Recommended Directory the Selected Directory".
    void btnRecToSelect_Click();
    // "Advanced Options".
    void btnOpt_Click();
    // "Cancel": ends the program.
    [[noreturn]] void Command1_Click();

    // "Import": the checks in their order. On success the import log is open with a new start line,
    // gDBName is set, and the caller shows the import form (BeginImport).
    ImportCheck btnImport_Click();

    // The boxes as they stand, and the same put back after the start-up of a new run.
    FormTexts Texts() const;
    void Restore(const FormTexts& texts);

    // The target path the checks and the driver use.
    QString TargetPathText() const;

    // The selected directory is the one the wizard last proposed (at start-up, for a chosen source, or
    // the recommended directory made the selected one), not one the operator typed or chose.
    bool TargetDirProposed() const { return !txtTargetDir.isEmpty() && txtTargetDir == proposedTargetDir_; }

private:
    void ProposeTarget();
    // Said after a refusal of a target below the product's user directory when this operator may not
    // write there: the set-up did not name them.
    QString UserDirAdvice() const;
    void SetDefaultDBNameTrap(const dao::DaoError& e, const QString& path);
    std::optional<QString> FacilityName(const QString& path);

    QString proposedTargetDir_;
};
