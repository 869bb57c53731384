#include "Error.h"
#include "ratelist/RateLine.h"
#include "ratelist/SourceFile.h"
#include "ratelist/UpdateResource.h"
#include "support/TestPaths.h"

#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvex::ratelist;
using namespace orvex::test;

namespace {
const QString kRealList = QStringLiteral("data/philhealth-caserates-2024/ICD PH 2024.txt");
}

TEST(UpdateResource, splitKeepsGetWordCuts)
{
    EXPECT_EQ(splitUpdateResource("A\r\nB\r\n"), (QStringList{"A", "B"}));
    EXPECT_EQ(splitUpdateResource("A\r\n\r\nB"), (QStringList{"A", "", "B"}));
    // Only CR LF as a whole separates: lone CR and lone LF stay inside the item.
    EXPECT_EQ(splitUpdateResource("A\rB\nC\r\n"), QStringList{"A\rB\nC"});
    EXPECT_EQ(splitUpdateResource("A\r\r\nB"), (QStringList{"A\r", "B"}));
    EXPECT_TRUE(splitUpdateResource(QByteArray()).isEmpty());
}

TEST(UpdateResource, trailingNulBecomesOneEmptyItem)
{
    EXPECT_EQ(splitUpdateResource(QByteArray("A\r\nB\r\n\0", 7)), (QStringList{"A", "B", ""}));
    // The list keeps an item's text up to its first NUL.
    EXPECT_EQ(splitUpdateResource(QByteArray("AB\0CD\r\n\0\0", 9)), (QStringList{"AB", ""}));
}

TEST(UpdateResource, decodesWindows1252)
{
    EXPECT_EQ(splitUpdateResource("Sch\xF6nlein \x92s\r\n"),
              QStringList{QString::fromUtf16(u"Sch\u00F6nlein \u2019s")});
}

TEST(UpdateResource, builtInResourceIsDerivedFromThe2024List)
{
    const QByteArray bytes = builtinUpdateResourceBytes();
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_TRUE(bytes.endsWith(QByteArray("\r\n\0", 3)));
    EXPECT_EQ(bytes.count('\0'), 1);

    const QStringList items = loadBuiltinUpdateResource();
    ASSERT_EQ(items.size(), 9221);
    EXPECT_EQ(items.first(), "|CHOLERA DUE TO VIBRIO CHOLERAE 01, BIOVAR CHOLERAE|||");
    EXPECT_EQ(items.at(1),
              "A00.0|CHOLERA DUE TO VIBRIO CHOLERAE 01, BIOVAR CHOLERAE|11,700.00|3,510.00|8,190.00");
    EXPECT_TRUE(items.last().isEmpty());

    // Line by line against the rate file: a header named by the description, then the code
    // line with the rate file's fields 4 and 5 swapped.
    const QStringList source = readSourceFile(sourcePath(kRealList));
    ASSERT_EQ(source.size() * 2 + 1, items.size());
    for (qsizetype i = 0; i < source.size(); ++i) {
        const QStringList f = source.at(i).split(QLatin1Char('|'));
        ASSERT_EQ(f.size(), 5);
        EXPECT_EQ(items.at(2 * i), "|" + f[1] + "|||");
        EXPECT_EQ(items.at(2 * i + 1), QStringList({f[0], f[1], f[2], f[4], f[3]}).join(QLatin1Char('|')));
        EXPECT_EQ(items.at(2 * i + 1).count(QLatin1Char('|')), 4);
    }
}

TEST(UpdateResource, builtInResourceAsTheScanSplitsIt)
{
    const QStringList items = loadBuiltinUpdateResource();
    int headers = 0;
    int codes = 0;
    QSet<QString> distinct;
    QString group;
    for (qsizetype i = 0; i + 1 < items.size(); ++i) {
        const ScanLine s = splitScanLine(items.at(i), true);
        if (s.kind == ScanLine::Kind::GroupHeader) {
            ++headers;
            group = s.groupName;
            continue;
        }
        ++codes;
        distinct.insert(s.code);
        EXPECT_EQ(group, s.description) << "line " << i + 1;
        EXPECT_FALSE(s.amount.contains(QLatin1Char(','))) << "line " << i + 1;
    }
    EXPECT_EQ(headers, 4610);
    EXPECT_EQ(codes, 4610);
    EXPECT_EQ(distinct.size(), 4610);
    // The empty last item is an empty code line for the scan.
    const ScanLine last = splitScanLine(items.last(), true);
    EXPECT_EQ(last.kind, ScanLine::Kind::Code);
    EXPECT_TRUE(last.code.isEmpty());

    const auto d690 =
        std::find_if(items.begin(), items.end(), [](const QString& l) { return l.startsWith("D69.0|"); });
    ASSERT_NE(d690, items.end());
    EXPECT_TRUE(d690->contains(QString::fromUtf16(u"HENOCH(-SCH\u00F6NLEIN)")));
}

TEST(UpdateResource, loadingTwiceGivesTheSameList)
{
    EXPECT_EQ(loadBuiltinUpdateResource(), loadBuiltinUpdateResource());
}

TEST(UpdateResource, fileFormSplitsTheSameWay)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("update.bin"));
    writeBytes(path, builtinUpdateResourceBytes());
    EXPECT_EQ(loadUpdateResourceFile(path), loadBuiltinUpdateResource());

    const QString missing = dir.filePath(QStringLiteral("missing.bin"));
    try {
        loadUpdateResourceFile(missing);
        FAIL() << "no error for a missing file";
    } catch (const orvex::Error& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("missing.bin"))) << e.message().toStdString();
    }
}
