#pragma once
// The change-value dialog's rules, shared by every front end: the Qt dialog validates its OK button
// with CheckChangeValue, and AskChangeValue applies the same rules to whatever an operator returns
// (the scripted and unattended operators do not validate on their own).
#include "run/RunState.h"

#include <QString>

// The longest equipment number the product holds; a longer one is asked for anew.
inline constexpr int kMaxEqNum = 30;

struct ChangeValueCheck {
    bool accepted = false;
    QString value;    // the typed text trimmed of blanks; what goes back into the New Value box
    QString message;  // the error box's text when refused, empty when accepted
};

// OK pressed with `typed` in the New Value box: trimmed of blanks, then held against the minimum and
// maximum length.
ChangeValueCheck CheckChangeValue(const QString& typed, int minLength, int maxLength);

// Shows the change-value dialog until it returns an acceptable value, and returns that value; the
// empty text when the operator closed the dialog in another way (the caller asks again). A value
// that breaks the rules is refused with the dialog's own error box and the dialog is shown again.
// "Cancel Import" ends the program (CancelImport).
QString AskChangeValue(RunState& run, const QString& oldValue, int minLength, int maxLength,
                       const QString& message);

// "Cancel Import": the import ends at once. The new database, half built and never registered, is
// removed so that nothing of this run stays behind and the operator can try again under the same
// name; the driver removes the working copy as it ends the run. Never returns.
[[noreturn]] void CancelImport(RunState& run);
