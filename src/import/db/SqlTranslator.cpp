#include "import/db/SqlTranslator.h"

#include "import/db/DaoError.h"
#include "import/db/FieldType.h"
#include "import/db/JetDate.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSet>
#include <vector>

namespace dao {

namespace {

struct Token {
    enum Type { Word, Name, String, Number, Date, Symbol } type;
    QString text;  // Word: as written; Name: the bare name; String: the value; Date: ISO; others: as written
    QString upper() const { return text.toUpper(); }
};

QDateTime parseJetDateLiteral(const QString& raw)
{
    const QString t = raw.trimmed();
    QDateTime d = dateFromIso(t);
    if (d.isValid())
        return d;
    // Jet reads #...# literals as month/day/year, with an optional time.
    static const QRegularExpression us(
        R"(^(\d{1,2})/(\d{1,2})/(\d{2,4})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2}))?\s*([AaPp][Mm])?)?$)");
    const auto m = us.match(t);
    if (!m.hasMatch())
        return {};
    int year = m.captured(3).toInt();
    if (m.captured(3).size() <= 2)
        year += year < 30 ? 2000 : 1900;
    const QDate day(year, m.captured(1).toInt(), m.captured(2).toInt());
    int hour = m.captured(4).isEmpty() ? 0 : m.captured(4).toInt();
    const int minute = m.captured(5).isEmpty() ? 0 : m.captured(5).toInt();
    const int second = m.captured(6).isEmpty() ? 0 : m.captured(6).toInt();
    const QString ampm = m.captured(7).toUpper();
    if (ampm == "PM" && hour < 12)
        hour += 12;
    if (ampm == "AM" && hour == 12)
        hour = 0;
    const QTime time(hour, minute, second);
    if (!day.isValid() || !time.isValid())
        return {};
    return QDateTime(day, time, Qt::UTC);
}

std::vector<Token> tokenize(const QString& sql)
{
    std::vector<Token> out;
    const int n = static_cast<int>(sql.size());
    int i = 0;
    auto fail = [&](const QString& why) { throw JetError::SyntaxError(sql + " (" + why + ")"); };
    while (i < n) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == '\'' || c == '"') {
            QString value;
            ++i;
            bool closed = false;
            while (i < n) {
                if (sql[i] == c) {
                    if (i + 1 < n && sql[i + 1] == c) {
                        value += c;
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                value += sql[i++];
            }
            if (!closed)
                fail("a text literal is not closed");
            out.push_back({Token::String, value});
        } else if (c == '[') {
            const int end = sql.indexOf(']', i + 1);
            if (end < 0)
                fail("a bracketed name is not closed");
            out.push_back({Token::Name, sql.mid(i + 1, end - i - 1)});
            i = end + 1;
        } else if (c == '#') {
            const int end = sql.indexOf('#', i + 1);
            if (end < 0)
                fail("a date literal is not closed");
            const QDateTime d = parseJetDateLiteral(sql.mid(i + 1, end - i - 1));
            if (!d.isValid())
                fail("'" + sql.mid(i, end - i + 1) + "' is not a date");
            out.push_back({Token::Date, isoFromDate(d)});
            i = end + 1;
        } else if (c.isDigit() || (c == '.' && i + 1 < n && sql[i + 1].isDigit())) {
            int j = i;
            while (j < n && (sql[j].isDigit() || sql[j] == '.'))
                ++j;
            if (j < n && (sql[j] == 'e' || sql[j] == 'E') && j + 1 < n &&
                (sql[j + 1].isDigit() || ((sql[j + 1] == '-' || sql[j + 1] == '+') && j + 2 < n && sql[j + 2].isDigit()))) {
                j += 2;
                while (j < n && sql[j].isDigit())
                    ++j;
            }
            out.push_back({Token::Number, sql.mid(i, j - i)});
            i = j;
        } else if (c.isLetter() || c == '_') {
            int j = i;
            while (j < n && (sql[j].isLetterOrNumber() || sql[j] == '_'))
                ++j;
            out.push_back({Token::Word, sql.mid(i, j - i)});
            i = j;
        } else {
            static const QStringList twoChar = {"<>", "<=", ">="};
            const QString two = sql.mid(i, 2);
            if (twoChar.contains(two)) {
                out.push_back({Token::Symbol, two});
                i += 2;
            } else if (QString("=<>(),*+-/&.;").contains(c)) {
                out.push_back({Token::Symbol, QString(c)});
                ++i;
            } else {
                fail(QString("the character '%1' is not understood").arg(c));
            }
        }
    }
    while (!out.empty() && out.back().type == Token::Symbol && out.back().text == ";")
        out.pop_back();
    return out;
}

const QSet<QString>& keywords()
{
    static const QSet<QString> k = {"SELECT", "DISTINCT", "FROM", "WHERE", "AND", "OR", "NOT", "ORDER", "BY",
                                    "ASC", "DESC", "UPDATE", "SET", "DELETE", "INSERT", "INTO", "VALUES",
                                    "AS", "IS", "NULL", "LIKE", "IN", "BETWEEN", "GROUP", "HAVING", "INNER",
                                    "JOIN", "ON", "LEFT", "OUTER"};
    return k;
}

const QSet<QString>& functions()
{
    static const QSet<QString> f = {"SUM", "COUNT", "MIN", "MAX", "AVG"};
    return f;
}

QString sqlString(const QString& v)
{
    QString q = v;
    q.replace('\'', "''");
    return '\'' + q + '\'';
}

// Jet's Like wildcards (* ? #) to SQLite's (% _), with SQLite's own wildcards escaped.
QString likePattern(const QString& v)
{
    QString out;
    for (const QChar c : v) {
        if (c == '*')
            out += '%';
        else if (c == '?')
            out += '_';
        else if (c == '%' || c == '_' || c == '\\')
            out += QString("\\") + c;
        else
            out += c;
    }
    return out;
}

class Translator {
public:
    explicit Translator(const QString& sql) : source_(sql), t_(tokenize(sql)) {}

    TranslatedSql run()
    {
        TranslatedSql r;
        if (t_.empty())
            throw JetError::SyntaxError(source_);
        const QString first = t_[0].type == Token::Word ? t_[0].upper() : QString();
        if (first == "SELECT") {
            r.kind = TranslatedSql::Kind::Select;
            analyseSelect(r);
        } else if (first == "UPDATE") {
            r.kind = TranslatedSql::Kind::Update;
        } else if (first == "DELETE") {
            r.kind = TranslatedSql::Kind::Delete;
            // "Delete * from" and "Delete T.* from": the column list goes
            size_t from = 1;
            while (from < t_.size() && !(t_[from].type == Token::Word && t_[from].upper() == "FROM"))
                ++from;
            if (from == t_.size())
                throw JetError::SyntaxError(source_ + " (DELETE without FROM)");
            t_.erase(t_.begin() + 1, t_.begin() + static_cast<long>(from));
        } else if (first == "INSERT") {
            r.kind = TranslatedSql::Kind::Insert;
        } else {
            throw JetError::SyntaxError(source_ + " (not a statement this engine knows)");
        }
        r.sql = emit(0, t_.size(), &r.params);
        return r;
    }

private:
    void analyseSelect(TranslatedSql& r)
    {
        // Select * from <name> [where ...] [order by ...]
        if (t_.size() < 4 || !(t_[1].type == Token::Symbol && t_[1].text == "*") ||
            !(t_[2].type == Token::Word && t_[2].upper() == "FROM") ||
            !(t_[3].type == Token::Name || (t_[3].type == Token::Word && !keywords().contains(t_[3].upper()))))
            return;
        size_t i = 4;
        size_t whereStart = 0, whereEnd = 0, orderStart = 0;
        if (i < t_.size() && t_[i].type == Token::Word && t_[i].upper() == "WHERE") {
            whereStart = ++i;
            while (i < t_.size() && !(t_[i].type == Token::Word && t_[i].upper() == "ORDER"))
                ++i;
            whereEnd = i;
        }
        if (i < t_.size()) {
            if (!(t_[i].type == Token::Word && t_[i].upper() == "ORDER" && i + 1 < t_.size() &&
                  t_[i + 1].type == Token::Word && t_[i + 1].upper() == "BY"))
                return;  // a table list, GROUP BY ...: not a single-table selection
            orderStart = i + 2;
        }
        r.singleTableStar = true;
        r.table = t_[3].text;
        if (whereStart)
            r.where = emit(whereStart, whereEnd, &r.whereParams);
        if (orderStart)
            r.orderBy = emit(orderStart, t_.size(), nullptr);
    }

    // The tokens from..to as SQLite text. With `params`, literals become numbered parameters whose
    // values are appended to it; numbers in an ORDER BY or GROUP BY list stay literal (there a
    // number names a column).
    QString emit(size_t from, size_t to, std::vector<Variant>* params)
    {
        QString out;
        bool afterLike = false;
        bool inOrderList = false;
        auto parameter = [&](const Variant& value) {
            params->push_back(value);
            return QString("?%1").arg(params->size());
        };
        for (size_t i = from; i < to; ++i) {
            const Token& tk = t_[i];
            if (tk.type == Token::Word) {
                const QString u = tk.upper();
                if (u == "BY" && i > 0 && t_[i - 1].type == Token::Word &&
                    (t_[i - 1].upper() == "ORDER" || t_[i - 1].upper() == "GROUP"))
                    inOrderList = true;
                else if (u == "WHERE" || u == "HAVING" || u == "SET" || u == "VALUES" || u == "FROM" || u == "ON")
                    inOrderList = false;
            }
            QString piece;
            switch (tk.type) {
            case Token::Word: {
                const QString u = tk.upper();
                const bool call = i + 1 < t_.size() && t_[i + 1].type == Token::Symbol && t_[i + 1].text == "(";
                const bool afterInto = i > 0 && t_[i - 1].type == Token::Word && t_[i - 1].upper() == "INTO";
                if (keywords().contains(u)) {
                    piece = u;
                } else if (call && !afterInto) {
                    if (!functions().contains(u))
                        throw DaoError(3085, QString("Undefined function '%1' in expression.").arg(tk.text));
                    piece = u;
                } else if (u == "TRUE") {
                    piece = "1";
                } else if (u == "FALSE") {
                    piece = "0";
                } else {
                    piece = quoteIdentifier(tk.text);
                }
                break;
            }
            case Token::Name: piece = quoteIdentifier(tk.text); break;
            case Token::String: {
                const QString value = afterLike ? likePattern(tk.text) : tk.text;
                piece = params ? parameter(value) : sqlString(value);
                if (afterLike)
                    piece += " ESCAPE '\\'";
                break;
            }
            case Token::Number:
                if (params && !inOrderList) {
                    bool whole = false;
                    const qint64 n = tk.text.toLongLong(&whole);
                    piece = parameter(whole ? Variant(n) : Variant(tk.text.toDouble()));
                } else {
                    piece = tk.text;
                }
                break;
            case Token::Date: piece = params ? parameter(tk.text) : sqlString(tk.text); break;
            case Token::Symbol: piece = tk.text == "&" ? QString("||") : tk.text; break;
            }
            afterLike = tk.type == Token::Word && tk.upper() == "LIKE";
            if (!out.isEmpty() && !(tk.type == Token::Symbol && (tk.text == "," || tk.text == ")" || tk.text == ".")) &&
                !out.endsWith('(') && !out.endsWith('.'))
                out += ' ';
            out += piece;
        }
        return out;
    }

    QString source_;
    std::vector<Token> t_;
};

}  // namespace

TranslatedSql TranslateJetSql(const QString& jetSql) { return Translator(jetSql).run(); }

}  // namespace dao
