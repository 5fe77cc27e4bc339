#pragma once
// The summary of a run as text, in the words every front end uses: the log's last lines, the
// unattended mode's closing print and the wizard's summary window. The result in one line, the error
// that ended the run and what to do next, the time taken, and the account as a table of fixed-width
// columns.
#include "run/RunSummary.h"

#include <QString>
#include <QStringList>

// The sentence that ends the advice after a run that did not go through.
extern const char* const kSourceUnchanged;

// A text on one line: its line breaks (CR, LF or both) become blanks.
QString OneLine(const QString& text);

// Why a run did not go through, on one line: "CreateEq error 3022: <description>" (no number when the
// error has none).
QString ErrorText(const RunError& error);

// "Imported", "Failed: CreateEq error 3022: ...", ...: the result and, when the run did not go
// through, why (the error's number, where it was raised and its text, on one line).
QString ResultLine(const RunSummary& summary);

// The account: one line per MP2 table (read, converted, merged, skipped), each reason for skipping
// under its table, then one line per table of the new database (created, invented).
QStringList AccountTable(const RunAccount& account);

// The headline of a run: "Imported. 3,412 MP2 rows read, 3,300 converted, 98 merged, 14 skipped.",
// "Imported, with 1 error box: CreateOneEmployee Error:3163 ... . 3,412 MP2 rows read, ...",
// "Failed: error 3022 in CreateEq.", ... (the error's text is told beneath it, see ErrorHeading).
QString ResultHeadline(const RunSummary& summary);

// The error that ended the run as its box told it: "Error 3022 in CreateEq" (empty without an error).
QString ErrorHeading(const RunSummary& summary);

// The steps whose words depend on the front end: how the database is made after a check, and how the
// source's password is given. The wizard's by default.
struct NextSteps {
    QString makeDatabase = "start the import again and press \"Begin Import\" to make the database";
    QString password = "Start the import again and answer Y to the password question with the database's password.";
};

// What the operator does next, in a sentence or two; empty when nothing is left to do.
QString WhatToDoNext(const RunSummary& summary, const NextSteps& steps = NextSteps());

// The new database and what became of it: "PATH (registered)", "PATH (removed)", "PATH (not made)",
// "PATH (left on disk, not registered)"; for a check the place the import would make it.
QString DatabaseLine(const RunSummary& summary);

// "0:07", "12:34", "1:02:03": minutes and seconds, hours in front from the first hour on.
QString ElapsedText(double seconds);
