#include "convert/tasks/RtfWriter.h"

namespace {

const QString kHeader = QStringLiteral(
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Times New Roman;}}\r\n"
    "\\viewkind4\\uc1\\pard\\lang1033\\f0\\fs20 ");
const QString kTrailer = QStringLiteral("\r\n\\par }\r\n");
const QString kParagraph = QStringLiteral("\r\n\\par ");

// Code page 1252 at 0x80..0x9F; 0 where the code page has no character.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// The code page 1252 byte of a character above ASCII, or -1 when the code page lacks it.
int Cp1252Byte(char16_t c)
{
    if (c >= 0xA0 && c <= 0xFF)
        return c;
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] != 0 && kCp1252High[i] == c)
            return 0x80 + i;
    return -1;
}

void AppendHexByte(QString& out, int byte)
{
    static const char digits[] = "0123456789abcdef";
    out += QLatin1String("\\'");
    out += QLatin1Char(digits[(byte >> 4) & 0xF]);
    out += QLatin1Char(digits[byte & 0xF]);
}

}  // namespace

QString TextToRtf(const QString& text)
{
    QString out;
    out.reserve(kHeader.size() + text.size() + text.size() / 8 + kTrailer.size());
    out += kHeader;
    // A control word directly before a character run needs its delimiting blank; \'hh and the
    // escapes do not, and a blank already written as delimiter is never doubled.
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
                ++i;
            out += kParagraph;
        } else if (c == u'\\' || c == u'{' || c == u'}') {
            out += QLatin1Char('\\');
            out += QChar(c);
        } else if (c == u'\t') {
            out += QLatin1String("\\tab ");
        } else if (c < 0x20 || c == 0x7F) {
            AppendHexByte(out, c);
        } else if (c < 0x80) {
            out += QChar(c);
        } else if (const int byte = Cp1252Byte(c); byte >= 0) {
            AppendHexByte(out, byte);
        } else {
            // RTF's \u takes a signed 16-bit number; a character beyond the basic plane goes as its
            // two UTF-16 halves, as rich-text editors write it.
            out += QLatin1String("\\u");
            out += QString::number(static_cast<qint16>(c));
            out += QLatin1Char('?');
        }
    }
    out += kTrailer;
    return out;
}
