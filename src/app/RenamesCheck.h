#pragma once
// The unattended run's new equipment numbers, held against the working copy of the source before the
// first conversion, so that a run never converts half a site to stop at a number its options got
// wrong. The numbers are taken as the substrings will leave them (as the pre-parse screen's update
// makes them), and every problem is found at once:
// - a number given a new value that the source does not hold (misspelt, or given as MP2 holds it
//   while the substrings change it), or that is not too long and so never asked for;
// - a new value that another piece of equipment already has, or that is given to two numbers;
// - for an import (not a check), each number too long for the product that no option answers.
#include "app/BatchOperator.h"

#include <QString>
#include <optional>

namespace dao {
class Database;
}

// Why the run cannot go on with the new equipment numbers of its options (every problem on a line of
// its own, in the options' words, and what to change), or nullopt when they fit the source. `substrings`
// names the option's value, for the messages.
std::optional<QString> RenamesDoNotFit(dao::Database& source, const BatchAnswers& answers, const QString& substrings,
                                       bool checkOnly);
