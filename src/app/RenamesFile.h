#pragma once
// The equipment numbers to rename, as a CSV file (UTF-8, RFC 4180 quoting, so that a number may hold
// commas, quotes and '='): one line "old,new" per number; a third column and a first line
// "old,new,length" are what an unattended check writes (MP2ImportRenames.csv) and are read past. A
// line whose new value is empty (or blanks) is a number not answered yet: the operator is still to
// fill it in.
//
// The list holds each number as the substrings of the check left it, so the first line also names
// those substrings in a fourth field, "substrings: default [0123456789abcdef]": what was given
// (none, default or the file) and a digest of the pairs themselves. A run given the list with other
// substrings is told at once (SubstringsRecord).
//
// The list is the operator's work: a check that finds one at its name keeps every line as it stands
// and adds below them the numbers it does not list yet (MergedRenamesList).
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

// The substrings a run applies to the equipment numbers: what was given for them ("none", "default"
// or the file's path) and a digest of the pairs as the pre-parse applies them (MP2 text upper-cased,
// rows without one left out). Two runs that shorten every number alike have the same digest.
struct SubstringsRecord {
    QString what;
    QString digest;  // 16 hexadecimal digits
};
SubstringsRecord SubstringsUsed(const QString& what, const std::vector<std::pair<QString, QString>>& pairs);

// One line of the list (or one --rename OLD=NEW): the number as the substrings leave it, its new value
// (empty: not answered yet) and the line it is on (0 for an option).
struct RenameLine {
    QString old;
    QString value;
    int line = 0;
};

struct RenamesList {
    std::vector<RenameLine> answered;  // lines with a new value, in file order
    std::vector<RenameLine> blank;     // lines whose new value is still to be filled in
    std::optional<SubstringsRecord> substrings;  // named by the first line, when it does
};

// Reads `path` (db/InputFile.h: a regular file of limited size). Every new value is held to the
// change-value dialog's rules (trimmed, at most 30 characters) with its messages. Raises dao::DaoError
// 53, 70 or 75 (the file cannot be read) or 5 naming the file, the line and what is wrong with it.
RenamesList ReadRenamesFile(const QString& path);

// The list as a check writes it: the first line (naming `substrings`), then one line per number with
// its new value (empty for a check) and its length.
QByteArray RenamesListCsv(const std::vector<std::pair<QString, QString>>& renames, const SubstringsRecord& substrings);
QByteArray RenamesListCsv(const QStringList& numbers, const SubstringsRecord& substrings);

// The list a check writes over `existing` (the bytes of the list at its name, `path`): every line of it
// as it stands, then a line for each of `numbers` it does not list yet (letter case ignored, as the
// answers are matched). Nothing when it lists them all. Raises 5 as ReadRenamesFile when `existing` is
// no list (not UTF-8 text, broken quoting).
std::optional<QByteArray> MergedRenamesList(const QByteArray& existing, const QStringList& numbers,
                                            const QString& path, const SubstringsRecord& substrings);
