#pragma once
// The equipment numbers to rename, as a CSV file (UTF-8, RFC 4180 quoting, so that a number may hold
// commas, quotes and '='): one line "old,new" per number; a third column and a first line
// "old,new,length" are what an unattended check writes (MP2ImportRenames.csv) and are read past.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

// Reads `path`. Every new value is held to the change-value dialog's rules (trimmed, 1 to 30
// characters) with its messages. Raises dao::DaoError 53 (the file cannot be read) or 5 naming the
// file, the line and what is wrong with it.
std::vector<std::pair<QString, QString>> ReadRenamesFile(const QString& path);

// The list an unattended check writes: the header, then one line per number with an empty new value
// and its length.
QByteArray RenamesListCsv(const QStringList& numbers);
