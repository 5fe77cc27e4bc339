#include "CsvTable.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>

namespace csvtable {

CsvError::CsvError(const QString& file_, int line_, int column_, const QString& columnName_, const QString& message_)
    : std::runtime_error([&] {
          QString s = file_ + ":" + QString::number(line_) + ": ";
          if (column_ > 0)
              s += "column " + QString::number(column_) + (columnName_.isEmpty() ? "" : " (" + columnName_ + ")") + ": ";
          return (s + message_).toStdString();
      }()),
      file(file_), line(line_), column(column_), columnName(columnName_), message(message_)
{
}

std::vector<Record> parseCsv(const QString& textIn, const QString& fileName)
{
    QString text = textIn;
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    std::vector<Record> records;
    Record current;
    Field field;
    int line = 1;
    current.line = 1;
    bool fieldStarted = false;  // something (even an empty quoted field) was read for this field
    const int n = int(text.size());
    int i = 0;
    auto endField = [&] {
        current.fields.push_back(field);
        field = Field();
        fieldStarted = false;
    };
    auto endRecord = [&] {
        endField();
        records.push_back(current);
        current = Record();
    };
    while (i < n) {
        const QChar c = text[i];
        if (c == '"' && !fieldStarted && field.text.isEmpty()) {
            const int startLine = line;
            field.quoted = true;
            fieldStarted = true;
            ++i;
            bool closed = false;
            while (i < n) {
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        field.text += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                if (text[i] == '\n')
                    ++line;
                field.text += text[i++];
            }
            if (!closed)
                throw CsvError(fileName, startLine, int(current.fields.size()) + 1, {},
                               "the quoted field is not closed");
            if (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n')
                throw CsvError(fileName, line, int(current.fields.size()) + 1, {},
                               "text after the closing quote of a quoted field");
            continue;
        }
        if (c == ',') {
            endField();
            ++i;
            continue;
        }
        if (c == '\r' || c == '\n') {
            i += (c == '\r' && i + 1 < n && text[i + 1] == '\n') ? 2 : 1;
            endRecord();
            current.line = ++line;
            continue;
        }
        if (c == '"')
            throw CsvError(fileName, line, int(current.fields.size()) + 1, {}, "a quote inside an unquoted field");
        field.text += c;
        fieldStarted = true;
        ++i;
    }
    // The last record, unless the text ended with a line break.
    if (!current.fields.empty() || fieldStarted || !field.text.isEmpty())
        endRecord();
    // Blank lines at the end of the file are no records.
    while (!records.empty() && records.back().fields.size() == 1 && records.back().fields[0].text.isEmpty() &&
           !records.back().fields[0].quoted)
        records.pop_back();
    return records;
}

jetwriter::Column parseColumnHeader(const QString& header, const QString& fileName, int column)
{
    const QStringList parts = header.split(':');
    jetwriter::Column col;
    QString type;
    if (parts.size() >= 3 && parts[parts.size() - 2].compare("Text", Qt::CaseInsensitive) == 0) {
        bool ok = false;
        col.size = parts.last().toInt(&ok);
        if (!ok || col.size < 1 || col.size > 255)
            throw CsvError(fileName, 1, column, {}, "text size \"" + parts.last() + "\" is not 1 to 255");
        col.name = parts.mid(0, parts.size() - 2).join(':');
        type = "Text";
    } else if (parts.size() >= 2) {
        col.name = parts.mid(0, parts.size() - 1).join(':');
        type = parts.last();
    } else {
        throw CsvError(fileName, 1, column, {}, "\"" + header + "\" is not NAME:TYPE");
    }
    col.name = col.name.trimmed();
    if (col.name.isEmpty())
        throw CsvError(fileName, 1, column, {}, "the column has no name");
    using F = dao::FieldType;
    static const std::pair<const char*, F> types[] = {
        {"Text", F::Text},     {"Memo", F::Memo},         {"Byte", F::Byte},         {"Integer", F::Integer},
        {"Long", F::Long},     {"Single", F::Single},     {"Double", F::Double},     {"Currency", F::Currency},
        {"DateTime", F::Date}, {"YesNo", F::Boolean}};
    for (const auto& [name, t] : types)
        if (type.trimmed().compare(name, Qt::CaseInsensitive) == 0) {
            col.type = t;
            return col;
        }
    throw CsvError(fileName, 1, column, col.name,
                   "unknown type \"" + type + "\" (Text, Memo, Byte, Integer, Long, Single, Double, Currency, "
                                              "DateTime, YesNo)");
}

namespace {

// The value of one field for its column; throws a message when it does not fit.
dao::Variant fieldValue(const Field& f, const jetwriter::Column& col)
{
    using F = dao::FieldType;
    if (f.text.isEmpty() && !f.quoted)
        return {};
    const QString& s = f.text;
    switch (col.type) {
    case F::Text:
        if (s.size() > col.size)
            throw QString("%1 characters do not fit Text(%2)").arg(s.size()).arg(col.size);
        return s;
    case F::Memo: return s;
    case F::Byte:
    case F::Integer:
    case F::Long: {
        static const QRegularExpression whole("^[+-]?[0-9]+$");
        bool ok = false;
        const qint64 v = s.toLongLong(&ok);
        const qint64 lo = col.type == F::Byte ? 0 : col.type == F::Integer ? -32768 : -2147483648LL;
        const qint64 hi = col.type == F::Byte ? 255 : col.type == F::Integer ? 32767 : 2147483647LL;
        if (!whole.match(s).hasMatch() || !ok || v < lo || v > hi)
            throw QString("\"%1\" is not a whole number from %2 to %3").arg(s).arg(lo).arg(hi);
        return static_cast<long long>(v);
    }
    case F::Single:
    case F::Double: {
        static const QRegularExpression number("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?$");
        bool ok = false;
        const double v = s.toDouble(&ok);
        if (!number.match(s).hasMatch() || !ok || !std::isfinite(v))
            throw QString("\"%1\" is not a number").arg(s);
        return v;
    }
    case F::Currency: {
        static const QRegularExpression money("^[+-]?[0-9]+(\\.[0-9]{1,4})?$");
        if (!money.match(s).hasMatch())
            throw QString("\"%1\" is not a Currency amount (digits, at most 4 decimals)").arg(s);
        return s;  // the writer keeps it exact
    }
    case F::Date: {
        QDate d;
        QTime t(0, 0);
        static const QRegularExpression date("^[0-9]{4}-[0-9]{2}-[0-9]{2}( [0-9]{2}:[0-9]{2}:[0-9]{2})?$");
        if (date.match(s).hasMatch()) {
            d = QDate::fromString(s.left(10), "yyyy-MM-dd");
            if (s.size() > 10)
                t = QTime::fromString(s.mid(11), "HH:mm:ss");
        }
        if (!d.isValid() || !t.isValid())
            throw QString("\"%1\" is not a date YYYY-MM-DD or YYYY-MM-DD HH:MM:SS").arg(s);
        if (d.year() < 100)
            throw QString("\"%1\" is before the year 100").arg(s);
        return QDateTime(d, t, Qt::UTC);
    }
    case F::Boolean:
        if (s == "true")
            return true;
        if (s == "false")
            return false;
        throw QString("\"%1\" is not true or false").arg(s);
    default: throw QString("unsupported column type");
    }
}

}  // namespace

jetwriter::Table readTable(const QString& path, std::vector<int>* rowLines)
{
    const QString fileName = QFileInfo(path).fileName();
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        throw CsvError(fileName, 0, 0, {}, "cannot read: " + in.errorString());
    const QByteArray bytes = in.readAll();
    const QString text = QString::fromUtf8(bytes);
    if (text.contains(QChar::ReplacementCharacter) && !bytes.contains("\xEF\xBF\xBD"))
        throw CsvError(fileName, 1, 0, {}, "the file is not UTF-8 text");
    const std::vector<Record> records = parseCsv(text, fileName);
    if (records.empty())
        throw CsvError(fileName, 1, 0, {}, "no header row naming the columns");

    jetwriter::Table table;
    table.name = QFileInfo(path).completeBaseName();
    const Record& header = records.front();
    for (size_t c = 0; c < header.fields.size(); ++c) {
        jetwriter::Column col = parseColumnHeader(header.fields[c].text, fileName, int(c + 1));
        for (const jetwriter::Column& other : table.columns)
            if (other.name.compare(col.name, Qt::CaseInsensitive) == 0)
                throw CsvError(fileName, 1, int(c + 1), col.name, "the column name is used twice");
        table.columns.push_back(col);
    }
    for (size_t r = 1; r < records.size(); ++r) {
        const Record& rec = records[r];
        if (rec.fields.size() != table.columns.size())
            throw CsvError(fileName, rec.line, 0, {},
                           QString("%1 fields where the header has %2").arg(rec.fields.size()).arg(table.columns.size()));
        std::vector<dao::Variant> row;
        row.reserve(rec.fields.size());
        for (size_t c = 0; c < rec.fields.size(); ++c) {
            try {
                row.push_back(fieldValue(rec.fields[c], table.columns[c]));
            } catch (const QString& message) {
                throw CsvError(fileName, rec.line, int(c + 1), table.columns[c].name, message);
            }
        }
        table.rows.push_back(std::move(row));
        if (rowLines)
            rowLines->push_back(rec.line);
    }
    return table;
}

}  // namespace csvtable
