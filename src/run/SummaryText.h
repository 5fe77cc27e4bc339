#pragma once
// The summary of a run as text: the result in one line, and the account as a table of fixed-width
// columns. The log's last lines and the unattended mode's closing print use them.
#include "run/RunSummary.h"

#include <QString>
#include <QStringList>

// Why a run did not go through, on one line: "CreateEq error 3022: <description>" (no number when the
// error has none).
QString ErrorText(const RunError& error);

// "Imported", "Failed: CreateEq error 3022: ...", ...: the result and, when the run did not go
// through, why (the error's number, where it was raised and its text, on one line).
QString ResultLine(const RunSummary& summary);

// The account: one line per MP2 table (read, converted, merged, skipped), each reason for skipping
// under its table, then one line per table of the new database (created, invented).
QStringList AccountTable(const RunAccount& account);
