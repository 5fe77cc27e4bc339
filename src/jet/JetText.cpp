#include "jet/JetText.h"

#include <cerrno>
#include <iconv.h>

namespace jetreader {

namespace {

void appendUtf16(QString& out, const unsigned char* p, std::size_t length)
{
    for (std::size_t i = 0; i + 1 < length; i += 2)
        out += QChar(static_cast<char16_t>(p[i] | (p[i + 1] << 8)));
}

// One UTF-16 unit that is no surrogate, as UTF-8; false for a surrogate.
inline bool appendUnit(std::string& out, char16_t u)
{
    if (u < 0x80) {
        out.push_back(static_cast<char>(u));
    } else if (u < 0x800) {
        const char two[2] = {static_cast<char>(0xC0 | (u >> 6)), static_cast<char>(0x80 | (u & 0x3F))};
        out.append(two, 2);
    } else if (u >= 0xD800 && u <= 0xDFFF) {
        return false;
    } else {
        const char three[3] = {static_cast<char>(0xE0 | (u >> 12)), static_cast<char>(0x80 | ((u >> 6) & 0x3F)),
                               static_cast<char>(0x80 | (u & 0x3F))};
        out.append(three, 3);
    }
    return true;
}

bool appendUtf16AsUtf8(std::string& out, const unsigned char* p, std::size_t length)
{
    for (std::size_t i = 0; i + 1 < length; i += 2)
        if (!appendUnit(out, static_cast<char16_t>(p[i] | (p[i + 1] << 8))))
            return false;
    return true;
}

bool appendBytesAsUtf8(std::string& out, const unsigned char* p, std::size_t length)
{
    std::size_t i = 0;
    while (i < length) {
        std::size_t ascii = i;
        while (ascii < length && p[ascii] < 0x80)
            ++ascii;
        out.append(reinterpret_cast<const char*>(p + i), ascii - i);
        for (i = ascii; i < length && p[i] >= 0x80; ++i)
            appendUnit(out, p[i]);
    }
    return true;
}

}  // namespace

bool appendJet4TextAsUtf8(std::string& out, const unsigned char* bytes, std::size_t length)
{
    const std::size_t start = out.size();
    bool whole = true;
    if (length >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        // Runs as decodeJet4Text reads them.
        bool oneByte = true;
        std::size_t runStart = 2;
        for (std::size_t i = 2; i <= length && whole; ++i) {
            if (i < length && bytes[i] != 0x00)
                continue;
            whole = oneByte ? appendBytesAsUtf8(out, bytes + runStart, i - runStart)
                            : appendUtf16AsUtf8(out, bytes + runStart, i - runStart);
            oneByte = !oneByte;
            runStart = i + 1;
        }
    } else {
        whole = appendUtf16AsUtf8(out, bytes, length);
    }
    if (!whole)
        out.resize(start);
    return whole;
}

QString decodeJet4Text(const unsigned char* bytes, std::size_t length)
{
    QString out;
    if (length >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        // Compressed: a 0x00 byte switches between one-byte and two-byte runs. A unit with a zero
        // byte never appears in compressed text, so the scan for 0x00 needs no alignment.
        out.reserve(static_cast<qsizetype>(length));
        bool oneByte = true;
        std::size_t runStart = 2;
        for (std::size_t i = 2; i <= length; ++i) {
            if (i < length && bytes[i] != 0x00)
                continue;
            if (oneByte) {
                for (std::size_t k = runStart; k < i; ++k)
                    out += QChar(static_cast<char16_t>(bytes[k]));
            } else {
                appendUtf16(out, bytes + runStart, i - runStart);
            }
            oneByte = !oneByte;
            runStart = i + 1;
        }
        return out;
    }
    out.reserve(static_cast<qsizetype>(length / 2));
    appendUtf16(out, bytes, length);
    return out;
}

const char* charsetOfCodePage(int codePage)
{
    switch (codePage) {
    case 437: return "IBM437";
    case 850: return "IBM850";
    case 852: return "IBM852";
    case 855: return "IBM855";
    case 857: return "IBM857";
    case 860: return "IBM860";
    case 861: return "IBM861";
    case 862: return "IBM862";
    case 863: return "IBM863";
    case 865: return "IBM865";
    case 866: return "IBM866";
    case 869: return "IBM869";
    case 874: return "WINDOWS-874";
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    case 1250: return "WINDOWS-1250";
    case 1251: return "WINDOWS-1251";
    case 1252: return "WINDOWS-1252";
    case 1253: return "WINDOWS-1253";
    case 1254: return "WINDOWS-1254";
    case 1255: return "WINDOWS-1255";
    case 1256: return "WINDOWS-1256";
    case 1257: return "WINDOWS-1257";
    case 1258: return "WINDOWS-1258";
    default: return nullptr;
    }
}

CodePageText::CodePageText(int codePage)
{
    // Access 97 files carry 1252 in practice; an unknown number reads as Western European.
    name_ = charsetOfCodePage(codePage);
    if (!name_)
        name_ = "WINDOWS-1252";
    iconv_t cd = iconv_open("UTF-16LE", name_);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        name_ = "WINDOWS-1252";
        cd = iconv_open("UTF-16LE", name_);
    }
    cd_ = cd == reinterpret_cast<iconv_t>(-1) ? nullptr : cd;
}

CodePageText::~CodePageText()
{
    if (cd_)
        iconv_close(static_cast<iconv_t>(cd_));
}

QString CodePageText::decode(const unsigned char* bytes, std::size_t length)
{
    QString out;
    if (!cd_) {
        out.reserve(static_cast<qsizetype>(length));
        for (std::size_t i = 0; i < length; ++i)
            out += QChar(static_cast<char16_t>(bytes[i]));
        return out;
    }
    auto cd = static_cast<iconv_t>(cd_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    QByteArray buffer(static_cast<qsizetype>(length * 4 + 16), Qt::Uninitialized);
    char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes));
    std::size_t inLeft = length;
    char* outPtr = buffer.data();
    std::size_t outLeft = static_cast<std::size_t>(buffer.size());
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1))
            break;
        if (errno == EILSEQ || errno == EINVAL) {
            // An undefined byte (or a cut double-byte character): keep its number as the character.
            const auto c = static_cast<unsigned char>(*in);
            *outPtr++ = static_cast<char>(c);
            *outPtr++ = 0;
            outLeft -= 2;
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        } else {
            break;  // E2BIG cannot happen: four output bytes per input byte is always enough
        }
    }
    const auto produced = static_cast<std::size_t>(outPtr - buffer.data());
    appendUtf16(out, reinterpret_cast<const unsigned char*>(buffer.constData()), produced);
    return out;
}

}  // namespace jetreader
