#pragma once
// The equipment numbers to rename, as a CSV file (UTF-8, RFC 4180 quoting, so that a number may hold
// commas, quotes and '='): one line "old,new" per number; a third column and a first line
// "old,new,length" are what an unattended check writes (MP2ImportRenames.csv) and are read past. A
// line whose new value is empty (or blanks) is a number not answered yet: the operator is still to
// fill it in.
//
// The list is the operator's work: a check that finds one at its name keeps every line as it stands
// and adds below them the numbers it does not list yet (MergedRenamesList).
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

// Reads `path` (db/InputFile.h: a regular file of limited size) and returns the answered lines. Every
// new value is held to the change-value dialog's rules (trimmed, at most 30 characters) with its
// messages. Raises dao::DaoError 53, 70 or 75 (the file cannot be read) or 5 naming the file, the line
// and what is wrong with it.
std::vector<std::pair<QString, QString>> ReadRenamesFile(const QString& path);

// The list an unattended check writes: the header, then one line per number with an empty new value
// and its length.
QByteArray RenamesListCsv(const QStringList& numbers);

// The list a check writes over `existing` (the bytes of the list at its name, `path`): every line of it
// as it stands, then a line for each of `numbers` it does not list yet (letter case ignored, as the
// answers are matched). Nothing when it lists them all. Raises 5 as ReadRenamesFile when `existing` is
// no list (not UTF-8 text, broken quoting).
std::optional<QByteArray> MergedRenamesList(const QByteArray& existing, const QStringList& numbers,
                                            const QString& path);
