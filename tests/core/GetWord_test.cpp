#include "text/GetWord.h"

#include <QStringList>
#include <gtest/gtest.h>

using orvex::cutWord;
using orvex::WordCursor;

namespace {
QStringList allWords(QString text, const QString& sep)
{
    QStringList words;
    while (!text.isEmpty())
        words << cutWord(text, sep);
    return words;
}
} // namespace

TEST(GetWord, cutsFieldsInTurn)
{
    QString s = QStringLiteral("A|B|C");
    EXPECT_EQ(cutWord(s, "|"), "A");
    EXPECT_EQ(s, "B|C");
    EXPECT_EQ(cutWord(s, "|"), "B");
    EXPECT_EQ(s, "C");
    EXPECT_EQ(cutWord(s, "|"), "C");
    EXPECT_TRUE(s.isEmpty());
    EXPECT_EQ(cutWord(s, "|"), "");
    EXPECT_TRUE(s.isEmpty());
}

TEST(GetWord, trailingSeparatorsAndHeaders)
{
    EXPECT_EQ(allWords("A|", "|"), QStringList{"A"});
    EXPECT_EQ(allWords("A||", "|"), (QStringList{"A", ""}));
    EXPECT_EQ(allWords("|NAME|||", "|"), (QStringList{"", "NAME", "", ""}));
    QString s = QStringLiteral("|x");
    EXPECT_EQ(cutWord(s, "|"), "");
    EXPECT_EQ(s, "x");
}

TEST(GetWord, multiCharacterSeparatorAndNoTrimming)
{
    QString s = QStringLiteral(" a\nb \r\nc\r\n");
    EXPECT_EQ(cutWord(s, "\r\n"), " a\nb ");
    EXPECT_EQ(cutWord(s, "\r\n"), "c");
    EXPECT_TRUE(s.isEmpty());
}

TEST(GetWord, emptySeparatorLeavesTextAlone)
{
    QString s = QStringLiteral("abc");
    EXPECT_EQ(cutWord(s, ""), "");
    EXPECT_EQ(s, "abc");
    QString empty;
    EXPECT_EQ(cutWord(empty, "|"), "");
    EXPECT_TRUE(empty.isEmpty());
}

TEST(GetWord, farSeparatorsWork)
{
    QString s = QString(100000, QLatin1Char('x')) + "|y";
    EXPECT_EQ(cutWord(s, "|").size(), 100000);
    EXPECT_EQ(s, "y");
}

TEST(WordCursor, givesTheSameCutsAsGetWord)
{
    // A two-character separator too: a first character alone is no cut.
    const QStringList samples = {"A|B|C", "A|",       "A||",    "|NAME|||", "",         "|",          "||",
                                 "abc",   " a | b |", "a\r\nb", "a\rb\r\n", "\r\r\n\r", "\n\r\n\r\n", "\r"};
    for (const QString& separator : {QStringLiteral("|"), QStringLiteral("\r\n")}) {
        for (const QString& sample : samples) {
            QString rest = sample;
            WordCursor cursor(sample);
            while (!rest.isEmpty()) {
                ASSERT_FALSE(cursor.atEnd()) << sample.toStdString();
                EXPECT_EQ(cursor.next(separator).toString(), cutWord(rest, separator));
                EXPECT_EQ(cursor.rest().toString(), rest);
            }
            EXPECT_TRUE(cursor.atEnd()) << sample.toStdString();
        }
    }
}
