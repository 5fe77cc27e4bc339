#include "support/DumpDatabase.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <charconv>
#include <memory>
#include <sqlite3.h>

namespace testsupport {

namespace {

using Db = std::unique_ptr<sqlite3, decltype(&sqlite3_close)>;
using Stmt = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;

[[noreturn]] void fail(sqlite3* db, const QString& what)
{
    throw dao::DaoError(3000, what + ": " + QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory"));
}

Stmt prepare(sqlite3* db, const QString& sql)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK)
        fail(db, "cannot read the database (" + sql + ")");
    return Stmt(st, &sqlite3_finalize);
}

QString quoted(const QString& name) { return '"' + QString(name).replace('"', "\"\"") + '"'; }

QString real(double v)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);  // shortest form that reads back exactly
    QString s = QString::fromLatin1(buf, int(r.ptr - buf));
    if (!s.contains('.') && !s.contains('e') && !s.contains('n') && !s.contains('i'))
        s += ".0";
    return s;
}

QString text(const QString& v)
{
    QString out;
    out.reserve(v.size() + 2);
    out += '\'';
    for (QChar c : v) {
        switch (c.unicode()) {
        case '\\': out += "\\\\"; break;
        case '\'': out += "\\'"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default: out += c;
        }
    }
    out += '\'';
    return out;
}

QString value(sqlite3_stmt* st, int i)
{
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_NULL:
        return "NULL";
    case SQLITE_INTEGER:
        return QString::number(sqlite3_column_int64(st, i));
    case SQLITE_FLOAT:
        return real(sqlite3_column_double(st, i));
    case SQLITE_BLOB: {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(st, i));
        return "X'" + QString::fromLatin1(QByteArray(p, sqlite3_column_bytes(st, i)).toHex().toUpper()) + "'";
    }
    default:
        return text(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)),
                                      sqlite3_column_bytes(st, i)));
    }
}

}  // namespace

QString DumpDatabase(const QString& path, const DumpOptions& options)
{
    if (!QFile::exists(path))
        throw dao::JetError::FileNotFound(path);
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    Db db(raw, &sqlite3_close);
    if (rc != SQLITE_OK)
        fail(raw, "cannot open " + path);

    struct Table {
        QString name;
        bool withoutRowid;
    };
    std::vector<Table> tables;
    {
        Stmt st = prepare(raw, "SELECT name, sql FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'");
        int step;
        while ((step = sqlite3_step(st.get())) == SQLITE_ROW) {
            const QString name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0)));
            const QString sql = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 1)));
            if (!options.onlyTables.isEmpty() && !options.onlyTables.contains(name, Qt::CaseInsensitive))
                continue;
            tables.push_back({name, sql.contains(QRegularExpression("\\bWITHOUT\\s+ROWID\\b",
                                                                    QRegularExpression::CaseInsensitiveOption))});
        }
        if (step != SQLITE_DONE)
            fail(raw, "cannot list the tables of " + path);
    }
    std::sort(tables.begin(), tables.end(), [](const Table& a, const Table& b) { return a.name.toUtf8() < b.name.toUtf8(); });
    for (const QString& wanted : options.onlyTables)
        if (std::none_of(tables.begin(), tables.end(), [&](const Table& t) { return t.name.compare(wanted, Qt::CaseInsensitive) == 0; }))
            throw dao::JetError::NoSuchTable(wanted);

    QString out;
    for (const Table& t : tables) {
        out += "TABLE " + t.name + '\n';
        {
            Stmt info = prepare(raw, "PRAGMA table_info(" + quoted(t.name) + ")");
            while (sqlite3_step(info.get()) == SQLITE_ROW) {
                out += "  COLUMN " + QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 1)));
                const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 2));
                out += ' ' + QString::fromUtf8(type ? type : "");
                if (sqlite3_column_int(info.get(), 3))
                    out += " NOT NULL";
                if (sqlite3_column_type(info.get(), 4) != SQLITE_NULL)
                    out += " DEFAULT " + QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 4)));
                if (sqlite3_column_int(info.get(), 5))
                    out += " KEY";
                out += '\n';
            }
        }
        const bool sorted = options.sortRows || t.withoutRowid;
        Stmt rows = prepare(raw, "SELECT * FROM " + quoted(t.name) + (t.withoutRowid ? QString() : QString(" ORDER BY rowid")));
        const int n = sqlite3_column_count(rows.get());
        QStringList lines;
        int step;
        while ((step = sqlite3_step(rows.get())) == SQLITE_ROW) {
            QStringList values;
            for (int i = 0; i < n; ++i)
                values << value(rows.get(), i);
            lines << "  " + values.join(" | ");
        }
        if (step != SQLITE_DONE)
            fail(raw, "cannot read table " + t.name);
        if (sorted)
            std::sort(lines.begin(), lines.end(), [](const QString& a, const QString& b) { return a.toUtf8() < b.toUtf8(); });
        for (const QString& line : lines)
            out += line + '\n';
    }

    // The autonumbers' high-water marks: numbers consumed and never reused count as results too.
    Stmt seq = prepare(raw, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'sqlite_sequence'");
    if (sqlite3_step(seq.get()) == SQLITE_ROW && sqlite3_column_int(seq.get(), 0) > 0) {
        Stmt marks = prepare(raw, "SELECT name, seq FROM sqlite_sequence");
        QStringList lines;
        while (sqlite3_step(marks.get()) == SQLITE_ROW) {
            const QString name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(marks.get(), 0)));
            if (std::any_of(tables.begin(), tables.end(), [&](const Table& t) { return t.name == name; }))
                lines << "AUTONUMBER " + name + " " + QString::number(sqlite3_column_int64(marks.get(), 1));
        }
        std::sort(lines.begin(), lines.end(), [](const QString& a, const QString& b) { return a.toUtf8() < b.toUtf8(); });
        for (const QString& line : lines)
            out += line + '\n';
    }
    return out;
}

QString CanonicalLog(const QString& logText)
{
    static const QRegularExpression start("^(In Main frm, btnImport - Start: )[^\\r\\n]*",
                                          QRegularExpression::MultilineOption);
    return QString(logText).replace(start, "\\1<time>");
}

}  // namespace testsupport
