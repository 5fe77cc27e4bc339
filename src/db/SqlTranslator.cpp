#include "db/SqlTranslator.h"

#include "db/DaoError.h"
#include "db/FieldType.h"
#include "db/JetDate.h"
#include "db/TextCase.h"

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
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

// How a text literal compared with = or <> is compared. Through NOCASE (and its indexes) when the
// text has no letter beyond ASCII; otherwise through the fold collation, and, when the text begins
// with ASCII characters, also within the range of texts that begin with those in any case, so that
// an index still narrows the rows down. Statements of one shape share the class of every literal.
enum class TextClass { Plain, FoldRanged, FoldBare };

TextClass textClass(const QString& v)
{
    if (!NeedsFold(v))
        return TextClass::Plain;
    return v.at(0).unicode() < 0x80 ? TextClass::FoldRanged : TextClass::FoldBare;
}

// The range of the texts that begin with v's leading ASCII characters in any letter case, as NOCASE
// orders texts: from those characters in lower case up to, not including, the same with the last one
// moved to the next character.
QString foldRangeLow(const QString& v)
{
    qsizetype n = 0;
    while (n < v.size() && v[n].unicode() < 0x80)
        ++n;
    return v.left(n).toLower();
}

QString foldRangeHigh(const QString& v)
{
    QString high = foldRangeLow(v);
    high.back() = QChar(static_cast<char16_t>(high.back().unicode() + 1));
    return high;
}

// Where a parameter's value comes from: the literal-th text or date literal of the statement
// (-1: a number, which is part of the statement's shape), and what is made of it.
struct ParamOrigin {
    enum class Use { Value, Like, FoldLow, FoldHigh };
    int literal = -1;
    Use use = Use::Value;
};

QString parameterText(ParamOrigin::Use use, const QString& literal)
{
    switch (use) {
    case ParamOrigin::Use::Like: return likePattern(literal);
    case ParamOrigin::Use::FoldLow: return foldRangeLow(literal);
    case ParamOrigin::Use::FoldHigh: return foldRangeHigh(literal);
    case ParamOrigin::Use::Value: break;
    }
    return literal;
}

class Translator {
public:
    explicit Translator(const QString& sql) : source_(sql), t_(tokenize(sql))
    {
        int n = 0;
        for (const Token& tk : t_)
            literalIndex_.push_back(tk.type == Token::String || tk.type == Token::Date ? n++ : -1);
    }

    std::vector<ParamOrigin> paramOrigins;       // one per TranslatedSql::params
    std::vector<ParamOrigin> whereParamOrigins;  // one per TranslatedSql::whereParams

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
            literalIndex_.erase(literalIndex_.begin() + 1, literalIndex_.begin() + static_cast<long>(from));
        } else if (first == "INSERT") {
            r.kind = TranslatedSql::Kind::Insert;
        } else {
            throw JetError::SyntaxError(source_ + " (not a statement this engine knows)");
        }
        r.sql = emit(0, t_.size(), &r.params, &paramOrigins);
        if (r.singleTableStar)
            r.rowsSql = "SELECT rowid, * FROM " + quoteIdentifier(r.table) + (r.where.isEmpty() ? QString() : " WHERE " + r.where) +
                        " ORDER BY " + (r.orderBy.isEmpty() ? QString() : r.orderBy + ", ") + "rowid";
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
        if (whereStart) {
            r.where = emit(whereStart, whereEnd, &r.whereParams, &whereParamOrigins);
            r.equalities = equalities(whereStart, whereEnd);
        }
        if (orderStart)
            r.orderBy = emit(orderStart, t_.size(), nullptr, nullptr);
    }

    // The comparisons of a condition made only of "column = literal" joined by And; empty otherwise.
    std::vector<TranslatedSql::Equality> equalities(size_t from, size_t to) const
    {
        std::vector<TranslatedSql::Equality> out;
        for (size_t k = from;; k += 4) {
            if (k + 3 > to || !isColumnName(k) || !isSymbol(k + 1, "="))
                return {};
            const Token& value = t_[k + 2];
            if (value.type != Token::String && value.type != Token::Date)
                return {};
            TranslatedSql::Equality e;
            e.column = t_[k].text;
            e.date = value.type == Token::Date;
            e.fold = !e.date && textClass(value.text) != TextClass::Plain;
            e.param = -1;
            for (size_t p = 0; p < whereParamOrigins.size(); ++p)
                if (whereParamOrigins[p].literal == literalIndex_[k + 2] && whereParamOrigins[p].use == ParamOrigin::Use::Value)
                    e.param = static_cast<int>(p);
            if (e.param < 0)
                return {};
            out.push_back(e);
            if (k + 3 == to)
                return out;
            if (!(t_[k + 3].type == Token::Word && t_[k + 3].upper() == "AND"))
                return {};
        }
    }

    bool isSymbol(size_t k, const char* text) const
    {
        return k < t_.size() && t_[k].type == Token::Symbol && t_[k].text == QLatin1String(text);
    }
    bool isComparison(size_t k) const { return isSymbol(k, "=") || isSymbol(k, "<>"); }
    // An operator that binds more tightly than a comparison.
    bool isOperator(size_t k) const
    {
        return k < t_.size() && t_[k].type == Token::Symbol && QString("&+-*/.").contains(t_[k].text);
    }
    bool isColumnName(size_t k) const
    {
        if (t_[k].type == Token::Name)
            return true;
        const QString u = t_[k].upper();
        return t_[k].type == Token::Word && !keywords().contains(u) && u != "TRUE" && u != "FALSE" &&
               !isSymbol(k + 1, "(");
    }
    // The first token of the column (T.C or C) that ends at token end and is compared on its own
    // (nothing before it binds to it), or -1.
    long comparedColumn(size_t from, long end) const
    {
        if (end < static_cast<long>(from) || !isColumnName(static_cast<size_t>(end)))
            return -1;
        long first = end;
        if (end - 2 >= static_cast<long>(from) && isSymbol(static_cast<size_t>(end - 1), ".") &&
            isColumnName(static_cast<size_t>(end - 2)))
            first = end - 2;
        if (first == static_cast<long>(from) || isSymbol(static_cast<size_t>(first - 1), "("))
            return first;
        static const QSet<QString> before = {"WHERE", "AND", "OR", "NOT", "ON", "HAVING"};
        const Token& prev = t_[static_cast<size_t>(first - 1)];
        return prev.type == Token::Word && before.contains(prev.upper()) ? first : -1;
    }

    // The tokens from..to as SQLite text. With `params`, literals become numbered parameters whose
    // values are appended to it; numbers in an ORDER BY or GROUP BY list stay literal (there a
    // number names a column).
    QString emit(size_t from, size_t to, std::vector<Variant>* params, std::vector<ParamOrigin>* origins)
    {
        QString out;
        bool afterLike = false;
        bool inOrderList = false;
        bool inSet = false;
        std::vector<qsizetype> startOf(to);  // where each token's text begins in out
        size_t i = from;
        auto parameter = [&](const Variant& value, ParamOrigin::Use use = ParamOrigin::Use::Value) {
            params->push_back(value);
            origins->push_back({literalIndex_[i], use});
            return QString("?%1").arg(params->size());
        };
        // The text literal at i, made into the value `use` asks for.
        auto text = [&](ParamOrigin::Use use) {
            const QString value = parameterText(use, t_[i].text);
            return params ? parameter(value, use) : sqlString(value);
        };
        for (; i < to; ++i) {
            const Token& tk = t_[i];
            if (tk.type == Token::Word) {
                const QString u = tk.upper();
                if (u == "BY" && i > 0 && t_[i - 1].type == Token::Word &&
                    (t_[i - 1].upper() == "ORDER" || t_[i - 1].upper() == "GROUP"))
                    inOrderList = true;
                else if (u == "WHERE" || u == "HAVING" || u == "SET" || u == "VALUES" || u == "FROM" || u == "ON")
                    inOrderList = false;
                if (u == "SET" || u == "WHERE")
                    inSet = u == "SET";
            }
            QString piece;
            QString opening;  // put before the text of an earlier token (see the fold below)
            long openAt = -1;
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
                if (afterLike) {
                    piece = text(ParamOrigin::Use::Like) + " ESCAPE '\\'";
                    break;
                }
                piece = text(ParamOrigin::Use::Value);
                const TextClass cls = textClass(tk.text);
                if (cls == TextClass::Plain || inSet)
                    break;
                const bool right = i > from && isComparison(i - 1) && !isOperator(i + 1);
                const bool left = !right && isComparison(i + 1) && !(i > from && (isOperator(i - 1) || isComparison(i - 1)));
                if (!right && !left)
                    break;
                piece += QStringLiteral(" COLLATE ") + QLatin1String(kFoldCollation);
                const long column = right && isSymbol(i - 1, "=") && cls == TextClass::FoldRanged
                                        ? comparedColumn(from, static_cast<long>(i) - 2)
                                        : -1;
                if (column < 0)
                    break;
                // column = 'text' COLLATE fold, within the index range of its leading ASCII characters
                const auto at = static_cast<size_t>(column);
                const QString name = out.mid(startOf[at], startOf[i - 1] - startOf[at]).trimmed();
                piece += " AND " + name + " >= " + text(ParamOrigin::Use::FoldLow) + " COLLATE NOCASE AND " + name +
                         " < " + text(ParamOrigin::Use::FoldHigh) + " COLLATE NOCASE)";
                opening = "(";
                openAt = column;
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
            if (openAt >= 0)
                out.insert(startOf[static_cast<size_t>(openAt)], opening);
            startOf[i] = out.size();
            out += piece;
        }
        return out;
    }

    QString source_;
    std::vector<Token> t_;
    std::vector<int> literalIndex_;  // per token: its number among the text and date literals, or -1
};

// ---- Statements of the same shape --------------------------------------------------------------
//
// The conversions issue the same few statements once per row with other values in their literals.
// A statement's shape is its text with every text and date literal replaced by a mark; the
// translation of a shape is made once, and later statements of that shape only put their own
// literal values into its parameters.

struct Literal {
    bool date = false;
    QString text;  // a text literal's value; a date literal's text between the #s
};

constexpr QChar kDateMark = QChar(1);
// A text literal's mark tells its class (see TextClass): one shape, one translation.
constexpr QChar kTextMarks[3] = {QChar(2), QChar(3), QChar(4)};

// The shape of sql and its literals, in the order the tokenizer meets them; false when the text is
// not one the shapes can stand for (an unclosed literal, a mark character of its own), which the
// full translation then handles or rejects.
bool shapeOf(const QString& sql, QString& shape, std::vector<Literal>& literals)
{
    const qsizetype n = sql.size();
    const QChar* s = sql.constData();
    shape.resize(n);  // a shape is never longer than its statement
    QChar* out = shape.data();
    qsizetype length = 0;
    for (qsizetype i = 0; i < n;) {
        const QChar c = s[i];
        if (c == '\'' || c == '"') {
            // The value runs to the closing quote; a doubled quote inside stands for one.
            Literal lit;
            qsizetype start = ++i;
            for (;;) {
                if (i >= n)
                    return false;
                if (s[i] == c) {
                    lit.text += QStringView(s + start, i - start);
                    if (i + 1 < n && s[i + 1] == c) {
                        lit.text += c;
                        i += 2;
                        start = i;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            out[length++] = kTextMarks[static_cast<int>(textClass(lit.text))];
            literals.push_back(std::move(lit));
        } else if (c == '#') {
            const qsizetype end = sql.indexOf('#', i + 1);
            if (end < 0)
                return false;
            literals.push_back({true, sql.mid(i + 1, end - i - 1)});
            out[length++] = kDateMark;
            i = end + 1;
        } else if (c == '[') {
            const qsizetype end = sql.indexOf(']', i + 1);
            if (end < 0)
                return false;
            for (; i <= end; ++i)
                out[length++] = s[i];
        } else {
            if (c.unicode() >= kDateMark.unicode() && c.unicode() <= kTextMarks[2].unicode())
                return false;
            out[length++] = c;
            ++i;
        }
    }
    shape.truncate(length);
    return true;
}

struct Shape {
    TranslatedSql translated;  // of the first statement of this shape
    std::vector<ParamOrigin> paramOrigins;
    std::vector<ParamOrigin> whereParamOrigins;
};

// Puts a statement's literal values into a translation of its shape; false when a date literal is
// no date (the full translation then raises the error).
bool fillParameters(std::vector<Variant>& params, const std::vector<ParamOrigin>& origins,
                    const std::vector<Literal>& literals)
{
    for (size_t k = 0; k < origins.size(); ++k) {
        const ParamOrigin& o = origins[k];
        if (o.literal < 0)
            continue;  // a number: the same in every statement of the shape
        const Literal& lit = literals[static_cast<size_t>(o.literal)];
        if (lit.date) {
            const QDateTime d = parseJetDateLiteral(lit.text);
            if (!d.isValid())
                return false;
            params[k] = Variant(isoFromDate(d));
        } else {
            params[k] = Variant(parameterText(o.use, lit.text));
        }
    }
    return true;
}

constexpr int kShapeCacheSize = 1024;

}  // namespace

TranslatedSql TranslateJetSql(const QString& jetSql)
{
    thread_local QHash<QString, Shape> shapes;
    QString shape;
    std::vector<Literal> literals;
    if (!shapeOf(jetSql, shape, literals))
        return Translator(jetSql).run();
    auto it = shapes.constFind(shape);
    if (it != shapes.constEnd()) {
        TranslatedSql r = it->translated;
        if (fillParameters(r.params, it->paramOrigins, literals) &&
            fillParameters(r.whereParams, it->whereParamOrigins, literals))
            return r;
        return Translator(jetSql).run();
    }
    Translator translator(jetSql);
    TranslatedSql r = translator.run();
    // Only a shape whose every literal became a parameter stands for other statements (a literal
    // in an order list is written into the text). A literal's value is one parameter; a range
    // made from it comes with it.
    const auto& origins = r.singleTableStar ? translator.whereParamOrigins : translator.paramOrigins;
    const auto fromLiteral = [](const ParamOrigin& o) {
        return o.literal >= 0 && (o.use == ParamOrigin::Use::Value || o.use == ParamOrigin::Use::Like);
    };
    if (std::count_if(origins.begin(), origins.end(), fromLiteral) != static_cast<long>(literals.size()))
        return r;
    if (shapes.size() >= kShapeCacheSize)
        shapes.clear();
    shapes.insert(shape, Shape{r, translator.paramOrigins, translator.whereParamOrigins});
    return r;
}

}  // namespace dao
