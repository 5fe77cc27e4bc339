#pragma once
// How every program of the project reads its command line, so that all of them answer alike:
//
// - the arguments must be UTF-8 text: a name or path with other bytes is refused, never turned into
//   U+FFFD (which would name another file or directory);
// - "--help" or "-h" where an option may stand prints the usage on standard output and exits 0; the
//   same text as an option's value is that value ("--password -h"); "--version" prints the program's
//   name and version the same way;
// - an option that takes one value may be given once; a second time is refused;
// - "--option VALUE" and "--option=VALUE" are the same; "--" ends the options;
// - a problem is printed with the usage on standard error, and the program exits 2.
#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <vector>

namespace cli {

struct Option {
    enum Kind { Flag, Value, Values };  // Values: a value each time, given as often as wanted
    QString name;                       // "--out"
    Kind kind = Value;
};

struct Syntax {
    QString program;              // the name that starts every message
    QString usage;                // for --help and after a problem
    std::vector<Option> options;
    int positionals = 0;          // how many arguments may stand without an option
};

struct Parsed {
    bool help = false;
    bool version = false;
    QStringList positional;
    std::map<QString, QStringList> values;  // option -> its values in order (a flag: an empty list)

    bool has(const QString& option) const { return values.count(option) > 0; }
    // The option's value; nullopt when it was not given.
    std::optional<QString> value(const QString& option) const;
    QStringList all(const QString& option) const;
};

// argv[1] .. argv[argc - 1] as text into `args`; the problem when one of them is not UTF-8.
QString Decode(int argc, char** argv, QStringList& args);

// Reads `args` by `syntax` into `parsed`; the problem, or empty. A request for help stops the reading.
QString Parse(const QStringList& args, const Syntax& syntax, Parsed& parsed);

// Decode and Parse for a program's main(). Returns the exit status when the program ends here: 0
// after the usage was printed for --help, 2 after a problem was printed with the usage; nullopt when
// the program goes on with `parsed`.
std::optional<int> Read(int argc, char** argv, const Syntax& syntax, Parsed& parsed);

// Prints "<program>: <problem>" and the usage on standard error; returns 2, the status of bad options.
int Refuse(const Syntax& syntax, const QString& problem);
// Prints the usage on standard output; returns 0.
int Help(const Syntax& syntax);
// Prints "<program> <version>" on standard output; returns 0.
int Version(const Syntax& syntax);

}  // namespace cli
