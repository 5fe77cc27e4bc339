#include "support/RtfText.h"

#include <QSet>
#include <stdexcept>
#include <vector>

namespace testsupport {

namespace {

constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
    0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178,
};

QChar FromCp1252(int byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return QChar(kCp1252High[byte - 0x80]);
    return QChar(static_cast<char16_t>(byte));
}

const QSet<QString>& HiddenDestinations()
{
    static const QSet<QString> names = {
        "fonttbl", "colortbl", "stylesheet", "info",     "pict",      "object",   "header",  "headerl",
        "headerr", "headerf",  "footer",     "footerl",  "footerr",   "footerf",  "listtable", "listoverridetable",
        "rsidtbl", "generator", "xmlnstbl",  "themedata", "colorschememapping", "latentstyles", "datastore",
        "filetbl", "revtbl",   "pgdsctbl",   "fldinst",  "footnote",
    };
    return names;
}

struct GroupState {
    bool hidden = false;
    int uc = 1;  // characters that stand in for the Unicode character of a \u
};

int HexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

}  // namespace

QString RtfToText(const QString& rtf)
{
    if (!rtf.startsWith(QLatin1String("{\\rtf")))
        throw std::runtime_error("not an RTF document");

    QString out;
    bool parPending = false;  // a \par whose line end is written once more text follows
    int skip = 0;             // fallback characters of a \u still to be skipped
    std::vector<GroupState> groups;
    bool groupStart = false;  // the next control word is the first of its group
    bool closed = false;

    auto emit = [&](QChar c) {
        if (groups.back().hidden)
            return;
        if (skip > 0) {
            --skip;
            return;
        }
        if (parPending) {
            out += QLatin1String("\r\n");
            parPending = false;
        }
        out += c;
    };
    auto paragraph = [&] {
        if (groups.back().hidden)
            return;
        skip = 0;
        if (parPending)
            out += QLatin1String("\r\n");
        parPending = true;
    };

    const qsizetype n = rtf.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = rtf[i];
        if (closed) {
            if (!c.isSpace() && c != QChar(0))
                throw std::runtime_error("text after the end of the document");
            ++i;
            continue;
        }
        if (c == '{') {
            groups.push_back(groups.empty() ? GroupState{} : groups.back());
            groupStart = true;
            ++i;
            continue;
        }
        if (c == '}') {
            if (groups.empty())
                throw std::runtime_error("a group is closed that was never opened");
            groups.pop_back();
            closed = groups.empty();
            groupStart = false;
            ++i;
            continue;
        }
        if (groups.empty())
            throw std::runtime_error("text outside the document's group");
        if (c == '\r' || c == '\n') {  // line ends in the RTF text itself are not text
            ++i;
            continue;
        }
        if (c != '\\') {
            groupStart = false;
            emit(c);
            ++i;
            continue;
        }

        // A control symbol or a control word.
        if (i + 1 >= n)
            throw std::runtime_error("a backslash ends the document");
        const QChar s = rtf[i + 1];
        if (!s.isLetter() || s.unicode() > 0x7F) {
            const bool first = groupStart;
            groupStart = false;
            i += 2;
            if (s == '\\' || s == '{' || s == '}') {
                emit(s);
            } else if (s == '\'') {
                const int hi = i < n ? HexValue(rtf[i]) : -1;
                const int lo = i + 1 < n ? HexValue(rtf[i + 1]) : -1;
                if (hi < 0 || lo < 0)
                    throw std::runtime_error("\\' without two hex digits");
                i += 2;
                emit(FromCp1252(hi * 16 + lo));
            } else if (s == '~') {
                emit(QChar(0x00A0));
            } else if (s == '_') {
                emit(QChar(0x2011));
            } else if (s == '-') {
                // an optional hyphen shows nothing
            } else if (s == '\r' || s == '\n') {
                paragraph();
            } else if (s == '*' && first) {
                groups.back().hidden = true;
            }
            continue;
        }
        qsizetype j = i + 1;
        while (j < n && rtf[j].unicode() < 0x80 && rtf[j].isLetter())
            ++j;
        const QString word = rtf.mid(i + 1, j - i - 1);
        bool hasParam = false;
        int param = 0;
        qsizetype k = j;
        if (k < n && (rtf[k] == '-' || rtf[k].isDigit())) {
            qsizetype d = k + (rtf[k] == '-' ? 1 : 0);
            while (d < n && rtf[d].isDigit())
                ++d;
            bool ok = false;
            param = rtf.mid(k, d - k).toInt(&ok);
            hasParam = ok;
            k = d;
        }
        if (k < n && rtf[k] == ' ')
            ++k;  // the blank that ends a control word belongs to it
        i = k;

        const bool first = groupStart;
        groupStart = false;
        if (first && HiddenDestinations().contains(word)) {
            groups.back().hidden = true;
        } else if (word == QLatin1String("par")) {
            paragraph();
        } else if (word == QLatin1String("line")) {
            emit(QChar('\r'));
            emit(QChar('\n'));
        } else if (word == QLatin1String("tab")) {
            emit(QChar('\t'));
        } else if (word == QLatin1String("uc") && hasParam) {
            groups.back().uc = param;
        } else if (word == QLatin1String("u") && hasParam) {
            const char16_t unit = static_cast<char16_t>(param < 0 ? param + 65536 : param);
            skip = 0;
            emit(QChar(unit));
            skip = groups.back().hidden ? 0 : groups.back().uc;
        } else if (word == QLatin1String("bin") && hasParam) {
            i += param;  // binary data is never text
        }
        // every other control word formats and shows nothing
    }
    if (!groups.empty())
        throw std::runtime_error("a group is not closed");
    return out;
}

}  // namespace testsupport
