#pragma once
// crew-import --batch: the main form's start-up and Import checks and the import, with the
// operator's answers given on the command line and every exchange printed.
//
//   crew-import --batch --source FILE [--target-dir DIR] [--file-name NAME.mdb] [--name NAME]
//               [--password-file FILE | --password - | --password PW] [--cutoff DAYS]
//               [--substrings none|default|FILE.csv] [--rename OLD=NEW]... [--renames FILE.csv]
//               [--yes] [--check-only] [--quiet] [--report FILE.json | --report -]
//
// The options act on the form as the operator would: --source is chosen with "Change Database"
// (which derives the file name, the name and the recommended directory), --name and --file-name are
// typed into their boxes key by key, --target-dir is the selected directory; without it "Make
// Recommended Directory the Selected Directory" is pressed. A name the boxes would change (a character
// they refuse) is refused with the options, as is a source that is no file.
//
// --check-only makes the whole import into a private place and keeps nothing but its log
// (MP2ImportCheck.txt). Every exchange is printed on standard output (--quiet: none); on a terminal a
// progress line is drawn on standard error. At the end the run's summary is printed (its result,
// files, time, the account of every source row and what to do next, in the options' words) and, with
// --report, written as JSON (app/RunReport.h) whatever the result: to standard output with --report -,
// the transcript and the summary then going to standard error. A run refused for bad options writes
// none. A run that did not go through says on standard error why (the error's number, where and its
// text), what to change and where its log is.
//
// Exit status: 0 after a completed import or check; 1 when a check refused the import, the operator's
// answer stopped it or the import failed; 2 for bad options; 3 when a question could not be answered
// from the options, or the new equipment numbers do not fit the source (found before the first
// conversion; for a check: when it listed equipment numbers to rename); 4 when the run ended with 0 or
// 1 but its --report could not be written (said on standard error).
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <optional>

struct BatchAnswers;

// Where the source's password comes from: none (the answer is N), the command line (which every
// user of the machine can read in the process list), a file's first line, or standard input.
enum class PasswordFrom { None, Argument, File, StandardInput };

struct BatchOptions {
    bool help = false;  // --help: print kBatchUsage, nothing else
    bool version = false;  // --version: print the version, nothing else
    QString source;
    std::optional<QString> targetDir;
    std::optional<QString> fileName;
    std::optional<QString> name;
    PasswordFrom passwordFrom = PasswordFrom::None;
    QString passwordFile;              // PasswordFrom::File
    std::optional<QString> password;   // given (Argument), or read from its place when the run starts
    QString cutoff = "30";
    QString substrings = "none";  // none, default, or the path of a CSV of mp2,vx pairs
    QStringList renames;          // OLD=NEW
    std::optional<QString> renamesFile;  // --renames FILE.csv
    bool yes = false;
    bool checkOnly = false;        // --check-only
    bool quiet = false;            // --quiet: the summary and the errors only
    std::optional<QString> report;  // --report FILE.json, or "-" for standard output
    bool ReportToStandardOutput() const { return report == QLatin1String("-"); }
};

extern const char kBatchUsage[];

// Parses the arguments that follow --batch. Returns the problem, or empty when they are good (which
// includes a request for help). Every value is checked here, before anything starts: the cutoff by
// the question's own rule, the names by the rules of their boxes, the source as a file to read.
QString ParseBatchOptions(const QStringList& args, BatchOptions& options);

// Runs the unattended import; returns the exit status. `programPath` decides the edition (GetEdition).
// The substrings file and the password are read first; a failure there is a bad option (2).
int RunBatch(BatchOptions options, const QString& programPath, QTextStream& out, QTextStream& err);
