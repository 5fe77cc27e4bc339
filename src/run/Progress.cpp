#include "run/Progress.h"

#include "run/Operator.h"
#include "db/Interrupt.h"

void Progress::InitProgress(long totalRecords, Operator& op)
{
    Min = 0;
    Max = totalRecords < 101 ? 100.0f : static_cast<float>(totalRecords);
    Max = Max + 3;
    Value = 0;
    op.SetProgress(Value, Max);
}

void Progress::UpProg(Operator& op)
{
    dao::ThrowIfInterrupted();  // every conversion steps here: where a request to stop is seen
    if (Max > Value) {
        Value = Value + 1;
        op.SetProgress(Value, Max);
    }
}

void Progress::Finish(Operator& op)
{
    Value = Max;
    op.SetProgress(Value, Max);
}
