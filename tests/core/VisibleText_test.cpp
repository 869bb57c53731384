#include "text/VisibleText.h"

#include <gtest/gtest.h>

using orvex::text::visibleLines;
using orvex::text::visibleText;

TEST(VisibleText, writesOutEveryCharacterThatCouldSteerOrBreakTheShownLine)
{
    EXPECT_EQ(visibleText(u"Cholera\x1b[1A\x1b[2K\r\n\tdue\x7f\x9b"),
              QStringLiteral("Cholera\\x1b[1A\\x1b[2K\\r\\n\\tdue\\x7f\\x9b"));
    EXPECT_EQ(visibleText(u"left\u202eright\u2028next\u2066"),
              QStringLiteral("left\\u202eright\\u2028next\\u2066"));
    // Ordinary text, a backslash and letters beyond ASCII too, stays as it is.
    EXPECT_EQ(visibleText(u"C:\\db \u00f6\u00e9 A01.0"), QStringLiteral("C:\\db \u00f6\u00e9 A01.0"));
    EXPECT_EQ(visibleLines(u"first\nsecond\r\x1b"), QStringLiteral("first\nsecond\\r\\x1b"));
}
