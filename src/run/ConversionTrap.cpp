#include "run/ConversionTrap.h"

#include "run/EndProgram.h"
#include "run/RunEnding.h"

#include <QFileInfo>
#include <optional>

namespace {
const QChar CR(13);
}

void RemoveNewDatabase(RunState& run)
{
    if (!run.files.made(RunFile::NewDatabase))
        return;
    // The file goes whether or not it could be closed; its pending writes are dropped, not committed,
    // and a failure to close is still reported once the file is gone.
    std::optional<dao::DaoError> closeError;
    if (run.gDBoutOpen) {
        try {
            if (run.DBout) {
                run.DBout->Rollback();
                run.DBout->Close();
            }
        } catch (const dao::DaoError& e) {
            closeError = e;
        }
        run.gDBoutOpen = false;
    }
    run.files.Remove(RunFile::NewDatabase);
    if (closeError)
        throw *closeError;
}

void ConversionTrap(RunState& run, const QString& label, const dao::DaoError& error, bool alsoLog,
                    const QString& suffix)
{
    run.op.SetBusy(false);
    const QString message = label + QString::number(error.Number) + CR + error.Description + suffix;
    // The procedure, as its label names it: "CreateEq Error:" is CreateEq's trap.
    QString where = label;
    if (where.endsWith(QLatin1String(" Error:")))
        where.chop(7);
    RecordEnding(run, RunResult::Failed, RunError{error.Number, error.Description + suffix, where});
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
