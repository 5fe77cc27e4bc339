#pragma once
// Plain text to an RTF document, as the product's rich-text editor stores a task's instructions:
// ANSI, code page 1252, the one font Times New Roman at 10 points, every line break a paragraph
// mark. Any text survives the trip: \, { and } are escaped, characters of code page 1252 above
// ASCII are written as \'hh, every other character as \uN with a ? for readers that lack Unicode,
// and a tab as \tab.
#include <QString>

// The RTF document for `text`. A line break is CR LF, a lone CR or a lone LF; each becomes \par.
// The document always ends with the paragraph mark that closes its last paragraph, so an empty
// text gives one empty paragraph.
QString TextToRtf(const QString& text);
