#include "Error.h"
#include "ratelist/ListLines.h"
#include "ratelist/RateLine.h"
#include "ratelist/SourceFile.h"
#include "support/TestPaths.h"
#include "text/Windows1252.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using orvex::ratelist::readSourceFile;
using orvex::ratelist::splitSourceBytes;
using namespace orvex::test;

namespace {
const QString kRealList = QStringLiteral("data/philhealth-caserates-2024/ICD PH 2024.txt");
}

TEST(SourceFile, lineBreaks)
{
    EXPECT_EQ(splitSourceBytes("A\r\nB\r\n"), (QStringList{"A", "B"}));
    EXPECT_EQ(splitSourceBytes("A\rB\r"), (QStringList{"A", "B"}));
    EXPECT_EQ(splitSourceBytes("A\r\nB"), (QStringList{"A", "B"}));
    EXPECT_EQ(splitSourceBytes("A\r\n\r\nB\r\n"), (QStringList{"A", "", "B"}));
    EXPECT_EQ(splitSourceBytes("\r\n"), QStringList{""});
    EXPECT_EQ(splitSourceBytes("\r\r"), (QStringList{"", ""}));
    EXPECT_TRUE(splitSourceBytes(QByteArray()).isEmpty());
}

TEST(SourceFile, loneLineFeedStaysInsideTheLine)
{
    EXPECT_EQ(splitSourceBytes("A\nB\nC\n"), QStringList{"A\nB\nC\n"});
    EXPECT_EQ(splitSourceBytes("A\r\n\nB"), (QStringList{"A", "\nB"}));
    EXPECT_EQ(splitSourceBytes("A\n\rB"), (QStringList{"A\n", "B"}));
}

TEST(SourceFile, lineFeedsInsideLinesAreCountedAndNamed)
{
    const auto source = orvex::ratelist::splitSource("A|a\nB|b\r\nC|c\nD|d\n");
    EXPECT_EQ(source.lines, (QStringList{"A|a\nB|b", "C|c\nD|d\n"}));
    EXPECT_EQ(source.notes.lineFeedsInsideLines, 3);
    const QStringList warnings = orvex::ratelist::sourceWarnings(source.notes, "list.txt");
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings.first().startsWith("list.txt holds 3 line feed(s)"))
        << warnings.first().toStdString();
    EXPECT_TRUE(orvex::ratelist::sourceWarnings(orvex::ratelist::splitSource("A\r\n").notes, "x").isEmpty());
}

TEST(SourceFile, utf8ByteOrderMarkIsDroppedAndTheTextReadAsUtf8)
{
    const auto source = orvex::ratelist::splitSource("\xEF\xBB\xBF"
                                                     "A00.0|L\xC3\xB6"
                                                     "ffler \xE2\x80\x94 \xE2\x88\x9A\r\n");
    EXPECT_EQ(source.lines, QStringList{QString::fromUtf8("A00.0|L\u00f6ffler \u2014 \u221a")});
    EXPECT_TRUE(source.notes.utf8ByteOrderMark);
    EXPECT_EQ(orvex::cp1252::encode(source.lines.first()), "A00.0|L\xF6"
                                                           "ffler \x97 ?");
    const QStringList warnings = orvex::ratelist::sourceWarnings(source.notes, "list.txt");
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings.first().contains("UTF-8 byte-order mark")) << warnings.first().toStdString();
}

TEST(SourceFile, everyByteIsKept)
{
    const QByteArray bytes("A\0B\x81\xF6\x92\r\n", 8);
    const QStringList lines = splitSourceBytes(bytes);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines.first(), QString::fromUtf16(u"A\0B\u0081\u00F6\u2019", 6));
}

TEST(SourceFile, readsAFileAsTheDoubleClickDoes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Sample List.txt"));
    writeBytes(path, "|MISCARRIAGE|||\r\nO03.9|Miscarriage \xF6|1,000|300|700\nx\r\nlast");
    EXPECT_EQ(readSourceFile(path),
              (QStringList{"|MISCARRIAGE|||",
                           QString::fromUtf16(u"O03.9|Miscarriage \u00F6|1,000|300|700\nx"), "last"}));

    const QString empty = dir.filePath(QStringLiteral("empty.txt"));
    writeBytes(empty, QByteArray());
    EXPECT_TRUE(readSourceFile(empty).isEmpty());
}

TEST(SourceFile, unreadableFileNamesPathAndReason)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("gone.txt"));
    try {
        readSourceFile(missing);
        FAIL() << "no error for a missing file";
    } catch (const orvex::Error& e) {
        EXPECT_TRUE(e.message().contains(QDir::toNativeSeparators(missing))) << e.message().toStdString();
        // The system's own reason, in one sentence (Windows' texts end in a full stop).
        QFile probe(missing);
        ASSERT_FALSE(probe.open(QIODevice::ReadOnly));
        EXPECT_TRUE(e.message().contains(probe.errorString())) << e.message().toStdString();
        EXPECT_TRUE(e.message().endsWith(QLatin1Char('.'))) << e.message().toStdString();
        EXPECT_FALSE(e.message().endsWith(QLatin1String(".."))) << e.message().toStdString();
    }
    try {
        readSourceFile(dir.path());
        FAIL() << "no error for a folder";
    } catch (const orvex::Error& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("folder"))) << e.message().toStdString();
    }
}

TEST(SourceFile, realList2024EndToEnd)
{
    const QStringList lines = readSourceFile(sourcePath(kRealList));
    ASSERT_EQ(lines.size(), 4610);

    int codeLines = 0;
    int nonAscii = 0;
    for (const QString& line : lines) {
        const auto split = orvex::ratelist::splitScanLine(line, true);
        if (split.kind == orvex::ratelist::ScanLine::Kind::Code && !split.code.isEmpty())
            ++codeLines;
        EXPECT_FALSE(line.contains(QLatin1Char('\r')) || line.contains(QLatin1Char('\n')));
        if (std::any_of(line.begin(), line.end(), [](QChar c) { return c.unicode() > 0x7F; }))
            ++nonAscii;
    }
    EXPECT_EQ(codeLines, 4610);
    EXPECT_EQ(nonAscii, 27);

    const auto d690 =
        std::find_if(lines.begin(), lines.end(), [](const QString& l) { return l.startsWith("D69.0|"); });
    ASSERT_NE(d690, lines.end());
    EXPECT_TRUE(d690->contains(QString::fromUtf16(u"HENOCH(-SCH\u00F6NLEIN)")));
    const auto split = orvex::ratelist::splitScanLine(*d690, true);
    EXPECT_EQ(split.amount, "24960.00");
    EXPECT_EQ(split.pf, "17472.00");
    EXPECT_EQ(split.hci, "7488.00");

    // Decoding is lossless: the lines written back give the file byte for byte.
    EXPECT_EQ(orvex::cp1252::encode(QString(lines.join("\r\n") + "\r\n")), readBytes(sourcePath(kRealList)));
    EXPECT_EQ(lines.first(),
              "A00.0|CHOLERA DUE TO VIBRIO CHOLERAE 01, BIOVAR CHOLERAE|11,700.00|8,190.00|3,510.00");
}

// A scan reads a source file as its bytes, a line decoded when asked for: the same lines
// and notes as the whole text split at once.
TEST(SourceFile, linesHeldAsBytesReadAsTheSplitText)
{
    const QByteArray inputs[] = {
        QByteArray(),
        QByteArray("\r\n"),
        QByteArray("A00.0|Cholera\r\nA00.1|Eltor"),
        QByteArray("one\rtwo\r\nthree\n\nfour\r\r\n\n"),
        QByteArray("\x80\x81\x8d\x8f\x90\x9d\x9f\xa0\xff|undefined and high bytes\r\n"),
        QByteArray("nul\0inside\r\n", 12),
        QByteArray("\xEF\xBB\xBF"
                   "caf\xC3\xA9|UTF-8\r\n\xE2\x82\xAC broken \xC3\r\nlast\n"),
        readBytes(sourcePath(kRealList)),
    };
    for (const QByteArray& bytes : inputs) {
        const orvex::ratelist::SourceText whole = orvex::ratelist::splitSource(bytes);
        orvex::ratelist::SourceNotes notes;
        const auto held = orvex::ratelist::ListLines::fromSourceBytes(bytes, &notes);
        EXPECT_EQ(held.toStringList(), whole.lines) << bytes.left(40).toHex().toStdString();
        EXPECT_EQ(notes.lineFeedsInsideLines, whole.notes.lineFeedsInsideLines);
        EXPECT_EQ(notes.utf8ByteOrderMark, whole.notes.utf8ByteOrderMark);
    }
}
