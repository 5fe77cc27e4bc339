#pragma once
// Jet SQL, as the conversions write it, translated for SQLite:
//   Select * from T Where ... Order by a, b     joins as a table list with the condition in Where
//   Delete * from T where ...                   Update T Set ... Where ...     Insert Into ... Values
//   'text' and "text" literals                  #date# literals (ISO, or Jet's US m/d/yyyy form)
//   [bracketed names] and plain names           Sum(), Count(), Min(), Max(), Avg() with AS
//   & for text concatenation, True/False        Like with * and ? wildcards, Is Null, In, Between
// A construct the translator does not know raises an error; it never guesses.
#include <QString>
#include <QStringList>

namespace dao {

struct TranslatedSql {
    enum class Kind { Select, Update, Delete, Insert };
    Kind kind = Kind::Select;
    QString sql;  // the statement for SQLite

    // For "Select * from <one table> [Where ...] [Order by ...]": the parts, so that the layer can
    // open an updatable recordset over the rows' rowids.
    bool singleTableStar = false;
    QString table;
    QString where;    // translated condition, without the keyword; empty when none
    QString orderBy;  // translated order list, without the keywords; empty when none
};

TranslatedSql TranslateJetSql(const QString& jetSql);

}  // namespace dao
