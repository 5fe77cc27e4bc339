#pragma once
// CSV files as tables for the Jet writer.
//
// Text is UTF-8 (a leading byte-order mark is ignored) in RFC 4180 form: fields separated by
// commas, records by CR LF or LF; a quoted field may hold commas, doubled quotes and line breaks.
// The first record names the columns as NAME:TYPE or NAME:Text:SIZE, TYPE one of Text, Memo,
// Byte, Integer, Long, Single, Double, Currency, DateTime, YesNo (NAME:Text is Text(50)).
// In the rows an unquoted empty field is Null and "" the empty text; dates are YYYY-MM-DD or
// YYYY-MM-DD HH:MM:SS, Yes/No is true or false, numbers are in the C locale.
#include "JetWriter.h"

#include <QString>
#include <stdexcept>
#include <vector>

namespace csvtable {

struct Field {
    QString text;
    bool quoted = false;
};

struct Record {
    std::vector<Field> fields;
    int line = 0;  // where the record starts, from 1
};

// Bad input, with the place: "people.csv:4: column 2 (Name): 51 characters do not fit Text(50)".
class CsvError : public std::runtime_error {
public:
    CsvError(const QString& file, int line, int column, const QString& columnName, const QString& message);
    QString file;
    int line = 0;
    int column = 0;  // from 1; 0 when the error is not about one column
    QString columnName;
    QString message;
};

// Splits text into records. Throws CsvError for an unclosed quote or a quote in the wrong place.
std::vector<Record> parseCsv(const QString& text, const QString& fileName);

// The column a header field names; throws CsvError (with line 1) when it is not NAME:TYPE[:SIZE].
jetwriter::Column parseColumnHeader(const QString& header, const QString& fileName, int column);

// Reads one file as a table named after the file (without .csv). rowLines, when given, receives
// the line on which each row starts.
jetwriter::Table readTable(const QString& path, std::vector<int>* rowLines = nullptr);

}  // namespace csvtable
