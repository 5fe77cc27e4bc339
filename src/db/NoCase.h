#pragma once
// SQLite's NOCASE collation as SQLite itself compares two texts (UTF-8 bytes): ASCII letters folded
// byte by byte, the shorter text first when one begins the other, and, as SQLite's own, stopping at
// a NUL byte. The layer uses it where it answers a comparison from rows it holds instead of running
// the statement.
#include <QByteArray>
#include <cstddef>
#include <sqlite3.h>

namespace dao {

inline int CompareNoCase(const char* a, size_t na, const char* b, size_t nb)
{
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    const auto* x = reinterpret_cast<const unsigned char*>(a);
    const auto* y = reinterpret_cast<const unsigned char*>(b);
    long n = static_cast<long>(na < nb ? na : nb);
    while (n-- > 0 && *x != 0 && lower(*x) == lower(*y)) {
        ++x;
        ++y;
    }
    const int r = n < 0 ? 0 : lower(*x) - lower(*y);
    return r != 0 ? r : static_cast<int>(na) - static_cast<int>(nb);
}

// The value of a statement's column (in an index's order: Null and numbers before every text, bytes
// after) against a text key, as NOCASE orders them.
inline int CompareColumnNoCase(sqlite3_stmt* st, int column, const QByteArray& key)
{
    switch (sqlite3_column_type(st, column)) {
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
        return CompareNoCase(text, static_cast<size_t>(sqlite3_column_bytes(st, column)), key.constData(),
                             static_cast<size_t>(key.size()));
    }
    case SQLITE_BLOB: return 1;
    default: return -1;
    }
}

}  // namespace dao
