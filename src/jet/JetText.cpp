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

bool compressed(const unsigned char* bytes, std::size_t length)
{
    return length >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
}

// Hands the runs of a Jet 4 text in order to oneByte(p, n) and twoByte(p, n) (plain text is one
// two-byte run) while they return true. Compressed text: FF FE, then a 0x00 byte switches between
// one-byte and two-byte runs. A unit with a zero byte never appears in compressed text, so the scan
// for 0x00 needs no alignment.
template <typename OneByte, typename TwoByte>
bool forEachRun(const unsigned char* bytes, std::size_t length, OneByte&& oneByte, TwoByte&& twoByte)
{
    if (!compressed(bytes, length))
        return twoByte(bytes, length);
    bool single = true;
    std::size_t runStart = 2;
    for (std::size_t i = 2; i <= length; ++i) {
        if (i < length && bytes[i] != 0x00)
            continue;
        if (!(single ? oneByte(bytes + runStart, i - runStart) : twoByte(bytes + runStart, i - runStart)))
            return false;
        single = !single;
        runStart = i + 1;
    }
    return true;
}

// One UTF-16 unit that is no surrogate, as UTF-8; false for a surrogate.
bool appendUnit(std::string& out, char16_t u)
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

}  // namespace

bool appendJet4TextAsUtf8(std::string& out, const unsigned char* bytes, std::size_t length)
{
    const std::size_t start = out.size();
    const bool whole = forEachRun(
        bytes, length,
        [&](const unsigned char* p, std::size_t n) {
            for (std::size_t k = 0; k < n; ++k)
                appendUnit(out, p[k]);  // U+0001..U+00FF: never a surrogate
            return true;
        },
        [&](const unsigned char* p, std::size_t n) {
            for (std::size_t i = 0; i + 1 < n; i += 2)
                if (!appendUnit(out, static_cast<char16_t>(p[i] | (p[i + 1] << 8))))
                    return false;
            return true;
        });
    if (!whole)
        out.resize(start);
    return whole;
}

QString decodeJet4Text(const unsigned char* bytes, std::size_t length)
{
    QString out;
    out.reserve(static_cast<qsizetype>(compressed(bytes, length) ? length : length / 2));
    forEachRun(
        bytes, length,
        [&](const unsigned char* p, std::size_t n) {
            for (std::size_t k = 0; k < n; ++k)
                out += QChar(static_cast<char16_t>(p[k]));
            return true;
        },
        [&](const unsigned char* p, std::size_t n) {
            appendUtf16(out, p, n);
            return true;
        });
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
