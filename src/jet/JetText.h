#pragma once
// Text as Jet stores it, turned into Unicode from the raw bytes of a value.
//
// Jet 4 keeps text as UTF-16LE, or "compressed": FF FE, then runs of one-byte characters
// (U+0001..U+00FF) and two-byte units, a single 0x00 switching between the two.
// Jet 3 keeps one byte per character in the database's code page.
#include <QString>
#include <cstddef>
#include <string>

namespace jetreader {

QString decodeJet4Text(const unsigned char* bytes, std::size_t length);

// The same text appended to `out` as UTF-8, the bytes decodeJet4Text(...).toUtf8() gives, without the
// QString between. False, with `out` as it was, when the text holds a surrogate (a character beyond
// the BMP, or half of one): that is left to the QString path.
bool appendJet4TextAsUtf8(std::string& out, const unsigned char* bytes, std::size_t length);

// Decodes single-byte (and DBCS) code-page text with iconv. A byte the code page leaves
// undefined becomes the character of the same number, as Windows maps it.
class CodePageText {
public:
    explicit CodePageText(int codePage);
    ~CodePageText();
    CodePageText(const CodePageText&) = delete;
    CodePageText& operator=(const CodePageText&) = delete;

    QString decode(const unsigned char* bytes, std::size_t length);
    const char* charsetName() const { return name_; }

private:
    const char* name_;
    void* cd_;  // iconv_t
};

// The iconv name of a Windows code page, or nullptr when it is not one Jet 3 uses.
const char* charsetOfCodePage(int codePage);

}  // namespace jetreader
