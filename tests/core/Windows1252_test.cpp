#include "text/Windows1252.h"

#include <gtest/gtest.h>

using namespace orvex;

TEST(Windows1252, everyByteSurvivesTheRoundTrip)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = cp1252::decode(all + all); // NUL and all, twice over
    ASSERT_EQ(text.size(), 512);
    for (int i = 0; i < 512; ++i) {
        const int b = i % 256;
        if (b < 0x80 || b >= 0xA0) {
            EXPECT_EQ(text[i].unicode(), b) << i; // as Latin-1 reads it
        }
    }
    EXPECT_EQ(text[0x80], QChar(u'\u20ac'));
    EXPECT_EQ(text[256 + 0x9F], QChar(u'\u0178'));
    EXPECT_EQ(cp1252::encode(text), all + all);
}

TEST(Windows1252, decodesTheTypographicLetters)
{
    EXPECT_EQ(cp1252::decode("SCH\xf6NLEIN \x92 \x80"), QStringLiteral("SCH\u00f6NLEIN \u2019 \u20ac"));
    EXPECT_EQ(cp1252::encode(QStringLiteral("\u00d6\u2019")), QByteArray("\xd6\x92"));
    EXPECT_EQ(cp1252::encode(QStringLiteral("\u4e2d")), QByteArray("?"));
}

TEST(Windows1252, printableCharacters)
{
    EXPECT_TRUE(cp1252::isPrintable(QChar(u'A')));
    EXPECT_TRUE(cp1252::isPrintable(QChar(u'\u00f6')));
    EXPECT_TRUE(cp1252::isPrintable(QChar(u'\u2019')));
    EXPECT_FALSE(cp1252::isPrintable(QChar(u'\t')));
    EXPECT_FALSE(cp1252::isPrintable(QChar(u'\0')));
    EXPECT_FALSE(cp1252::isPrintable(QChar(u'\u0081')));
    EXPECT_FALSE(cp1252::isPrintable(QChar(u'\u4e2d')));
}
