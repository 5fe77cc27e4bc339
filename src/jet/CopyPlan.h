#pragma once
// What a copy of an Access source holds: every table whole (the tools' copy), or only the tables and
// columns a reader of the copy asks for (the import's working copy, which holds what the conversions
// and the account read).
//
// A planned table keeps the columns named for it, plus the columns of its primary key and unique
// indexes (so that a rewrite of its rows meets the same keys as in the source), in the source's
// order; a table of which no column is named keeps its first column, so that its rows are there to be
// counted. A table the plan does not name is not copied.
#include <QMap>
#include <QString>
#include <QStringList>

namespace dao {

class CopyPlan {
public:
    bool whole() const { return tables_.isEmpty(); }
    // Plans the table (names compare without regard to case) with the columns whose values are read.
    void Table(const QString& table, const QStringList& columns);
    bool holds(const QString& table) const { return whole() || tables_.contains(table.toUpper()); }
    // Is the column of a planned table one of those named for it (always, for a whole copy)?
    bool names(const QString& table, const QString& column) const;
    QStringList Tables() const { return tables_.keys(); }               // upper case
    QStringList Columns(const QString& table) const { return tables_.value(table.toUpper()); }  // upper case

    // One argument of the reader's command line, and back: a line per table, its name and then its
    // columns separated by tabs (names hold neither).
    QString toArgument() const;
    static CopyPlan fromArgument(const QString& argument);

private:
    QMap<QString, QStringList> tables_;  // by upper-case name: the columns, upper case
};

}  // namespace dao
