#include "db/TextCase.h"

#include <sqlite3.h>

namespace dao {

namespace {

// The character at i (a surrogate pair as one), i moved past it.
char32_t next(QStringView s, qsizetype& i)
{
    const QChar c = s[i++];
    if (c.isHighSurrogate() && i < s.size() && s[i].isLowSurrogate())
        return QChar::surrogateToUcs4(c, s[i++]);
    return c.unicode();
}

char32_t foldOne(char32_t c)
{
    if (c < 0x80)
        return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
    const char32_t folded = QChar::toCaseFolded(c);
    return folded < 0x80 ? c : folded;
}

// The upper case of c, when it folds as c does (so that the upper-case text still equals the text).
char32_t upperOne(char32_t c)
{
    const char32_t upper = QChar::toUpper(c);
    return foldOne(upper) == foldOne(c) ? upper : c;
}

void append(QString& out, char32_t c)
{
    if (QChar::requiresSurrogates(c)) {
        out += QChar(QChar::highSurrogate(c));
        out += QChar(QChar::lowSurrogate(c));
    } else {
        out += QChar(static_cast<char16_t>(c));
    }
}

template <typename Map>
QString mapped(QStringView text, Map map)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();)
        append(out, map(next(text, i)));
    return out;
}

// The collation: texts compared character by character after folding.
int compareFolded(void*, int bytesA, const void* a, int bytesB, const void* b)
{
    const QStringView x(static_cast<const char16_t*>(a), bytesA / 2);
    const QStringView y(static_cast<const char16_t*>(b), bytesB / 2);
    qsizetype i = 0, j = 0;
    while (i < x.size() && j < y.size()) {
        const char32_t p = foldOne(next(x, i));
        const char32_t q = foldOne(next(y, j));
        if (p != q)
            return p < q ? -1 : 1;
    }
    return (i < x.size() ? 1 : 0) - (j < y.size() ? 1 : 0);
}

}  // namespace

QString FoldCase(QStringView text) { return mapped(text, foldOne); }

QString UpperCase(QStringView text) { return mapped(text, upperOne); }

bool NeedsFold(QStringView text)
{
    for (qsizetype i = 0; i < text.size();) {
        if (text[i].unicode() < 0x80) {
            ++i;
            continue;
        }
        const char32_t c = next(text, i);
        const QChar::Category category = QChar::category(c);
        // A cased letter (ß has no other case of its own, but ẞ folds to it), or any character that
        // changes with its case (circled letters, Roman numerals).
        if (category == QChar::Letter_Uppercase || category == QChar::Letter_Lowercase ||
            category == QChar::Letter_Titlecase || QChar::toCaseFolded(c) != c || QChar::toUpper(c) != c)
            return true;
    }
    return false;
}

bool RegisterFoldCollation(sqlite3* db)
{
    return sqlite3_create_collation_v2(db, kFoldCollation, SQLITE_UTF16, nullptr, compareFolded, nullptr) ==
           SQLITE_OK;
}

}  // namespace dao
