#include "text/Numbers.h"

#include <gtest/gtest.h>

using namespace orvex::numbers;

TEST(Numbers, leadingNumericPart)
{
    EXPECT_EQ(leadingNumber(u"3 330"), 3330);
    EXPECT_EQ(leadingNumber(u""), 0);
    EXPECT_EQ(leadingNumber(u"-"), 0);
    EXPECT_EQ(leadingNumber(u"  \t12\n5.5x9"), 125.5);
    EXPECT_EQ(leadingNumber(u"-1 234.50"), -1234.5);
    EXPECT_EQ(leadingNumber(u"11700.00"), 11700);
    EXPECT_EQ(leadingNumber(u"abc12"), 0);
    EXPECT_EQ(leadingNumber(u".5"), 0.5);
    EXPECT_EQ(leadingNumber(u"1e3"), 1000);
    EXPECT_EQ(leadingNumber(u"2e"), 2);
    EXPECT_EQ(leadingNumber(u"1,000"), 1); // commas are removed by the callers, not here
}

TEST(Numbers, roundingToTwoDecimals)
{
    EXPECT_EQ(roundTo2(10000.004), 10000);
    EXPECT_EQ(roundTo2(1234.567), 1234.57);
    EXPECT_EQ(roundTo2(-2.345678), -2.35);
}

TEST(Numbers, shortestText)
{
    EXPECT_EQ(shortestText(10000), "10000");
    EXPECT_EQ(shortestText(3600), "3600");
    EXPECT_EQ(shortestText(1234.5), "1234.5");
    EXPECT_EQ(shortestText(0), "0");
    EXPECT_EQ(shortestText(-0.0), "0");
    EXPECT_EQ(shortestText(0.1), "0.1");
}

TEST(Numbers, generalTextHasFifteenDigits)
{
    EXPECT_EQ(generalText(1000 * 1.3), "1300");
    EXPECT_EQ(generalText(1234.5 * 1.3), "1604.85");
    EXPECT_EQ(generalText(0.1 + 0.2), "0.3");
    EXPECT_EQ(generalText(1e20), "1E+20");
}
