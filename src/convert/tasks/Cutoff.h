#pragma once
// The overdue-schedule cutoff: how many days in the past a schedule's next due date may lie before
// the schedule is restarted from today. The operator's answer is taken when it is a number (as
// Basic's IsNumeric reads it) from 10 to 366.
#include <QString>
#include <optional>

// The message the cutoff question shows for an answer it does not take, or nullopt when it takes it.
std::optional<QString> CutoffRefusal(const QString& answer);

// The days a taken answer stands for: Basic's Val of it ("45 " is 45, "1e2" is 100).
double CutoffDays(const QString& answer);
