// Task instructions as RTF: the document's header, and that a rich-text reader shows every text as
// it was written: line breaks, RTF's own special characters, code page 1252 and beyond.
#include "convert/tasks/RtfWriter.h"
#include "support/RtfText.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using testsupport::RtfToText;

namespace {

const QString kHeader = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Times New Roman;}}\r\n"
                        "\\viewkind4\\uc1\\pard\\lang1033\\f0\\fs20 ";

TEST(TaskRtf, DocumentHasTheEditorsHeaderAndClosingParagraph)
{
    // The rich-text control's own initial content, with its text in place.
    EXPECT_EQ(TextToRtf("rtfInstructionsInvisible"), kHeader + "rtfInstructionsInvisible\r\n\\par }\r\n");
    EXPECT_EQ(TextToRtf("A\r\n\r\nB"), kHeader + "A\r\n\\par \r\n\\par B\r\n\\par }\r\n");
    EXPECT_EQ(TextToRtf(""), kHeader + "\r\n\\par }\r\n");
}

TEST(TaskRtf, ReaderShowsEveryTextAsItWas)
{
    const QString texts[] = {
        "",
        "Grease bearings\r\n\r\n",
        "Instructions: \r\nA\r\n\r\nB\r\n\r\n",
        "C:\\oil\\par {braces} }{ \\\\ \\'e9 \\u8364?",   // RTF syntax inside the text stays text
        "Caf\u00e9 \u2013 5 \u20ac, \u00bd \u2018quoted\u2019 \u0178",  // code page 1252 above ASCII
        "\u03a9\u03bc\u03ad\u03b3\u03b1 \u65e5\u672c \U0001F642 \u0100",   // outside the code page, and beyond 16 bits
        "col1\tcol2",
        "\r\n leading blank after a break\r\n123 digits after a break\r\n",
        QString("bell") + QChar(7) + "and" + QChar(0x7F),
    };
    for (const QString& text : texts) {
        const QString rtf = TextToRtf(text);
        EXPECT_TRUE(rtf.startsWith(kHeader));
        EXPECT_EQ(RtfToText(rtf), text) << rtf.toStdString();
        for (const QChar c : rtf)  // RTF is 7-bit text; everything else goes through escapes
            ASSERT_LT(c.unicode(), 0x80) << rtf.toStdString();
    }
}

TEST(TaskRtf, LoneCarriageReturnsAndLineFeedsAreLineBreaksToo)
{
    EXPECT_EQ(RtfToText(TextToRtf("a\nb\rc\r\n\nd")), "a\r\nb\r\nc\r\n\r\nd");
}

// The reader must not simply mirror the writer: a document as another editor writes it.
TEST(TaskRtf, ReaderHonoursGroupsDestinationsAndUnicodeFallbacks)
{
    const QString rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Times New Roman;}}"
                        "{\\colortbl ;\\red255\\green0\\blue0;}{\\*\\generator Riched20 10.0;}"
                        "\\viewkind4\\uc1\\pard\\lang1033\\f0\\fs20 Caf\\'e9 \\'80\\u937?\\par\n"
                        "{\\b bold}\\tab x\\line y\\par{\\uc2\\u20320\\'3f\\'3fz}\\u20320?\\~\\-\\{\\}\\\\\\par }";
    EXPECT_EQ(RtfToText(rtf), QString("Caf\u00e9 \u20ac\u03a9\r\nbold\tx\r\ny\r\n\u4f60z\u4f60\u00a0{}\\"));
    EXPECT_THROW(RtfToText("plain text"), std::runtime_error);
    EXPECT_THROW(RtfToText("{\\rtf1 {unclosed}"), std::runtime_error);
}

// The HTML that unrtf writes, back to plain text: <br> as a line break, entities decoded.
QString HtmlBodyText(QString html)
{
    const qsizetype body = html.indexOf("<body>");
    html = html.mid(body < 0 ? 0 : body + 6);
    html.remove('\n');
    html.replace(QRegularExpression("<br\\s*/?>"), "\r\n");
    html.remove(QRegularExpression("<[^>]*>"));
    static const QList<QPair<QString, QString>> named = {
        {"&eacute;", "\u00e9"}, {"&euro;", "\u20ac"}, {"&Omega;", "\u03a9"}, {"&lt;", "<"},
        {"&gt;", ">"},          {"&quot;", "\""},     {"&nbsp;", "\u00a0"},  {"&amp;", "&"}};
    for (const auto& [entity, text] : named)
        html.replace(entity, text);
    return html;
}

TEST(TaskRtf, AnotherRtfReaderShowsTheTaskText)
{
    const QString unrtf = QStandardPaths::findExecutable("unrtf");
    if (unrtf.isEmpty())
        GTEST_SKIP() << "unrtf is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString text = "Grease {bearings} at C:\\oil, caf\u00e9 5 \u20ac, \u03a9 rated\r\n\r\n"
                         "Instructions: \r\nStop the pump\r\n\r\nCheck the seals\r\n\r\n";
    QFile file(dir.filePath("task.rtf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(TextToRtf(text).toLatin1());
    file.close();

    QProcess process;
    process.start(unrtf, {"--html", file.fileName()});
    ASSERT_TRUE(process.waitForFinished(30000));
    ASSERT_EQ(process.exitCode(), 0);
    const QString shown = HtmlBodyText(QString::fromUtf8(process.readAllStandardOutput()));
    // unrtf ends the last paragraph with a line break of its own.
    EXPECT_EQ(shown, text + "\r\n");
}

}  // namespace
