#pragma once
// A small RTF reader for tests: the text that a rich-text editor shows for a document. It honours
// groups, the destinations an editor does not show (font and colour tables, style sheets, document
// information, pictures, every \* destination), \par and \line, \tab, the escapes \\ \{ \}, \'hh in
// code page 1252, \uN with the fallback count of \ucN, \~ \- \_ and a backslash before a line end.
// Paragraphs are joined by CR LF; the paragraph mark that closes the document's last paragraph
// adds no empty line, as in an editor. Formatting is ignored.
#include <QString>

namespace testsupport {

// Raises std::runtime_error when the text is not an RTF document or its groups do not balance.
QString RtfToText(const QString& rtf);

}  // namespace testsupport
