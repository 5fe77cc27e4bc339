#include "run/RecordWarning.h"

void RecordWarning(RunState& run, const QString& text, WarningLogged logged)
{
    if (!run.warningsToLogOnly) {
        run.op.MsgBox(text);
        return;
    }
    if (logged == WarningLogged::Here)
        run.Log(text);
    run.summary.warnings << text;
}
