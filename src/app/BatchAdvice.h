#pragma once
// What the operator of an unattended run does next, in the words of the options to change: the
// boxes keep the wizard's texts ("Enter a FileName.", "answer Y to the password question", "Delete
// 'PLANT.mdb'"), and this says beside them which option to give or change. Where the summary's own
// advice (run/SummaryText.h) speaks to no front end in particular, it is that advice.
#include "app/BatchMode.h"
#include "run/RunSummary.h"
#include "wizard/MainForm.h"

#include <QString>

// What the advice depends on besides the summary.
struct AdviceFacts {
    PasswordFrom password = PasswordFrom::None;  // how the source's password was given
    bool targetDirGiven = false;                 // --target-dir
    MainField focus = MainField::None;           // where the Import button's check put the focus
    // A file is at the new database's name and it is a database the product lists (an earlier import
    // made it): removing the file alone would only lead to the next refusal.
    bool targetRegistered = false;
};

// Empty when nothing is left to do.
QString UnattendedAdvice(const RunSummary& summary, const AdviceFacts& facts);
