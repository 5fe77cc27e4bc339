#pragma once
// The import form's progress bar: sized from the progress budget before the first conversion and
// advanced one step per unit of work, never beyond its maximum.
class Operator;

struct Progress {
    float Min = 0;
    float Max = 100;
    float Value = 0;

    void InitProgress(long totalRecords, Operator& op);  // Max = max(100, total) + 3, Value 0, repaint
    void UpProg(Operator& op);                            // one step, never past Max
    void Finish(Operator& op);                            // Value = Max, repaint
};
