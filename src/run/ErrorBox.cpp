#include "run/ErrorBox.h"

void ShowErrorBox(RunState& run, const QString& text)
{
    run.summary.errorBoxes << text;
    run.op.MsgBox(text);
}
