#include "convert/equipment/ChangeValue.h"

#include "common/Trim.h"
#include "run/ConversionTrap.h"
#include "run/EndProgram.h"
#include "run/RunEnding.h"

ChangeValueCheck CheckChangeValue(const QString& typed, int minLength, int maxLength)
{
    ChangeValueCheck check;
    check.value = Trim(typed);
    const int length = static_cast<int>(check.value.size());
    if (length < minLength)
        check.message = "Error: The new value must be at least '" + QString::number(minLength) + "' characters long.";
    else if (length > maxLength)
        check.message = "Error: The new value can't be longer than '" + QString::number(maxLength) +
                        "' characters. It has a length of " + QString::number(length) + ".";
    else
        check.accepted = true;
    return check;
}

QString AskChangeValue(RunState& run, const QString& oldValue, int minLength, int maxLength,
                       const QString& message)
{
    for (;;) {
        const std::optional<QString> answer = run.op.ChangeValue(oldValue, minLength, maxLength, message);
        if (!answer)
            CancelImport(run);
        if (answer->isEmpty())
            return QString();  // closed without OK
        const ChangeValueCheck check = CheckChangeValue(*answer, minLength, maxLength);
        if (check.accepted)
            return check.value;
        run.op.MsgBox(check.message);
    }
}

void CancelImport(RunState& run)
{
    run.op.SetBusy(false);
    RecordEnding(run, RunResult::Cancelled, RunError{0, "\"Cancel Import\" was pressed", "frmChangeValue"});
    try {
        RemoveNewDatabase(run);
    } catch (const dao::DaoError& e) {
        run.op.MsgBox("Error: " + QString::number(e.Number) + " - " + e.Description);
    }
    throw EndProgram(1);
}
