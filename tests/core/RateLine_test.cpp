#include "ratelist/RateLine.h"

#include <gtest/gtest.h>

using orvex::ratelist::fixFormatLine;
using orvex::ratelist::isBlankLine;
using orvex::ratelist::ScanLine;
using orvex::ratelist::splitScanLine;

namespace {
void expectCode(const ScanLine& s, const QString& code, const QString& description,
                const QString& amount = {}, const QString& pf = {}, const QString& hci = {})
{
    EXPECT_EQ(s.kind, ScanLine::Kind::Code);
    EXPECT_EQ(s.code, code);
    EXPECT_EQ(s.description, description);
    EXPECT_EQ(s.amount, amount);
    EXPECT_EQ(s.pf, pf);
    EXPECT_EQ(s.hci, hci);
    EXPECT_TRUE(s.groupName.isEmpty());
}
} // namespace

TEST(RateLine, groupHeaderGivesItsName)
{
    const ScanLine s = splitScanLine(QStringLiteral("|ACUTE GASTROENTERITIS|||"), true);
    EXPECT_EQ(s.kind, ScanLine::Kind::GroupHeader);
    EXPECT_EQ(s.groupName, "ACUTE GASTROENTERITIS");
    EXPECT_TRUE(s.code.isEmpty());
    EXPECT_TRUE(s.amount.isEmpty());
}

TEST(RateLine, groupHeaderWithBlankFirstFieldAndPaddedName)
{
    const ScanLine s = splitScanLine(QStringLiteral("   |  MISCARRIAGE  |1|2|3"), false);
    EXPECT_EQ(s.kind, ScanLine::Kind::GroupHeader);
    EXPECT_EQ(s.groupName, "MISCARRIAGE");

    const ScanLine bare = splitScanLine(QStringLiteral("|"), true);
    EXPECT_EQ(bare.kind, ScanLine::Kind::GroupHeader);
    EXPECT_EQ(bare.groupName, "");
}

TEST(RateLine, groupNameKeepsTabsAndNothingElseIsRead)
{
    // Only code lines lose their TABs; a TAB is not trimmed either.
    const ScanLine s = splitScanLine(QStringLiteral("|\tA,B\t|x"), true);
    EXPECT_EQ(s.groupName, "\tA,B\t");
}

TEST(RateLine, codeLineWithAmounts)
{
    expectCode(splitScanLine(QStringLiteral("A00.9|Cholera, unspecified|6,000|1,800|4,200"), true), "A00.9",
               "Cholera, unspecified", "6000", "1800", "4200");
}

TEST(RateLine, amountsAreReadOnlyWhenAsked)
{
    expectCode(splitScanLine(QStringLiteral("A00.9|Cholera, unspecified|6,000|1,800|4,200"), false), "A00.9",
               "Cholera, unspecified");
}

TEST(RateLine, blanksAroundFieldsAndBeforeCommas)
{
    // Only commas are removed from amounts: "3 ,330" keeps its blank.
    expectCode(
        splitScanLine(QStringLiteral("E85.8 |Other amyloidosis; Localized amyloidosis |11,100|3 ,330|7,770"),
                      true),
        "E85.8", "Other amyloidosis; Localized amyloidosis", "11100", "3 330", "7770");
    // Trimming comes first: blanks outside the commas go, a blank after a leading comma stays.
    expectCode(splitScanLine(QStringLiteral(" X1 |  d  | 1,000 |, 5|5,"), true), "X1", "d", "1000", " 5",
               "5");
    expectCode(splitScanLine(QStringLiteral("Y2|e|1,234,567.00|,,|a,,b"), true), "Y2", "e", "1234567.00", "",
               "ab");
}

TEST(RateLine, missingFieldsReadEmptyAndExtraFieldsAreIgnored)
{
    expectCode(splitScanLine(QStringLiteral("A00.0|Cholera"), true), "A00.0", "Cholera");
    expectCode(splitScanLine(QStringLiteral("A00.0|"), true), "A00.0", "");
    expectCode(splitScanLine(QStringLiteral("A00.0|Cholera|1|2|3|4|5"), true), "A00.0", "Cholera", "1", "2",
               "3");
    expectCode(splitScanLine(QStringLiteral("A00.0|Cholera|1||3"), true), "A00.0", "Cholera", "1", "", "3");
}

TEST(RateLine, blankFormSplitsAtTheFirstBlank)
{
    expectCode(splitScanLine(QStringLiteral("A00.0 Cholera"), true), "A00.0", "Cholera");
    expectCode(splitScanLine(QStringLiteral("A00.0   Cholera due to  Vibrio  "), true), "A00.0",
               "Cholera due to  Vibrio");
    expectCode(splitScanLine(QStringLiteral("A00.0"), true), "A00.0", "");
    // A leading blank makes the code empty; the rest is the description.
    expectCode(splitScanLine(QStringLiteral(" A00.0 Cholera"), false), "", "A00.0 Cholera");
}

TEST(RateLine, emptyLineIsAnEmptyCodeLine)
{
    expectCode(splitScanLine(QString(), true), "", "");
    expectCode(splitScanLine(QStringLiteral("   "), true), "", "");
}

TEST(RateLine, tabsLeaveCodeAndDescriptionAfterTrimming)
{
    // A TAB inside a description joins the words on either side.
    expectCode(splitScanLine(QStringLiteral("A00.0|Chol\tera"), false), "A00.0", "Cholera");
    // Trimming happens before the TABs go, so blanks between a TAB and the text remain.
    expectCode(splitScanLine(QStringLiteral("\t A01\t|\t Typhoid \t"), false), " A01", " Typhoid ");
    expectCode(splitScanLine(QStringLiteral("A01\t Typhoid"), false), "A01", "Typhoid");
    // Amounts keep their TABs: only commas are removed from them.
    expectCode(splitScanLine(QStringLiteral("A|B|1\t,0"), true), "A", "B", "1\t0");
}

TEST(RateLine, lineFeedAndOtherCharactersStayAsWritten)
{
    expectCode(splitScanLine(QStringLiteral("g30.9+F00.9*|Alzheimer\ndisease|1"), true), "g30.9+F00.9*",
               "Alzheimer\ndisease", "1");
    expectCode(splitScanLine(QStringLiteral("I25.8_|O'Brien – ö|"), true), "I25.8_", "O'Brien – ö");
}

TEST(RateLine, fixFormatRewrite)
{
    EXPECT_EQ(fixFormatLine(QStringLiteral("A000|Cholera")), "A00.0|Cholera");
    EXPECT_EQ(fixFormatLine(QStringLiteral("|ACUTE GASTROENTERITIS|||")), "|AC.UTE GASTROENTERITIS|||");
    EXPECT_EQ(fixFormatLine(QStringLiteral("AB")), "AB.");
    EXPECT_EQ(fixFormatLine(QStringLiteral("ABC")), "ABC.");
    EXPECT_EQ(fixFormatLine(QString()), ".");
}

TEST(RateLine, blankLinesHoldOnlyBlanksAndTabs)
{
    EXPECT_TRUE(isBlankLine(""));
    EXPECT_TRUE(isBlankLine(" \t  \t"));
    EXPECT_FALSE(isBlankLine(" x "));
    EXPECT_FALSE(isBlankLine("\t|"));
    EXPECT_FALSE(isBlankLine(" \n"));
}
