#pragma once
// Jet SQL, as the conversions write it, translated for SQLite:
//   Select * from T Where ... Order by a, b     joins as a table list with the condition in Where
//   Delete * from T where ...                   Update T Set ... Where ...     Insert Into ... Values
//   'text' and "text" literals                  #date# literals (ISO, or Jet's US m/d/yyyy form)
//   [bracketed names] and plain names           Sum(), Count(), Min(), Max(), Avg() with AS
//   & for text concatenation, True/False        Like with * and ? wildcards, Is Null, In, Between
// A construct the translator does not know raises an error; it never guesses.
//
// Literals become parameters (?1, ?2, ...) with their values beside the text, so that statements of
// the same shape share one prepared statement whatever values a row puts into them.
#include "db/Variant.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace dao {

struct TranslatedSql {
    enum class Kind { Select, Update, Delete, Insert };
    Kind kind = Kind::Select;
    QString sql;  // the statement for SQLite
    std::vector<Variant> params;  // the values of its parameters, ?1 first

    // For "Select * from <one table> [Where ...] [Order by ...]": the parts, so that the layer can
    // open an updatable recordset over the rows' rowids.
    bool singleTableStar = false;
    QString table;
    QString where;    // translated condition, without the keyword; empty when none
    std::vector<Variant> whereParams;  // the values of the condition's parameters, ?1 first
    QString orderBy;  // translated order list, without the keywords; empty when none
    // "SELECT rowid, * FROM <table> [WHERE ...] ORDER BY [...,] rowid", with whereParams
    QString rowsSql;

    // When the condition is nothing but comparisons "column = 'text'" and "column = #date#" joined by
    // And: one entry per comparison, so that the layer can also make the selection on rows it holds.
    struct Equality {
        QString column;
        int param = 0;      // the compared value: whereParams[param]
        bool date = false;  // a #date# literal (ISO text)
        bool fold = false;  // a text with a letter beyond ASCII, compared through the fold collation
    };
    std::vector<Equality> equalities;
};

TranslatedSql TranslateJetSql(const QString& jetSql);

}  // namespace dao
