#include "text/ScriptText.h"

#include <gtest/gtest.h>

using orvex::text::blockCommentText;
using orvex::text::lineCommentText;

TEST(ScriptText, lineCommentTextKeepsEverythingOnOneLine)
{
    EXPECT_EQ(lineCommentText("A00.0 - Cholera"), "A00.0 - Cholera");
    EXPECT_EQ(lineCommentText("x\nDROP TABLE t\r\n--"), "x DROP TABLE t  --");
    EXPECT_EQ(lineCommentText("a\rb"), "a b");
}

TEST(ScriptText, blockCommentTextCannotCloseOrOpenAComment)
{
    EXPECT_EQ(blockCommentText("a/b*c"), "a/b*c");
    EXPECT_EQ(blockCommentText("x */ DELETE FROM t /* y"), "x * / DELETE FROM t / * y");
    EXPECT_EQ(blockCommentText("/*/"), "/ * /");
    EXPECT_EQ(blockCommentText("*/*"), "* / *");
    EXPECT_EQ(blockCommentText("**//"), "** //");
    // A line of its own would be read as a batch end ("GO") even inside the comment.
    EXPECT_EQ(blockCommentText("old\r\nGO\r\nDROP TABLE tbX8\nGO\ry"), "old  GO  DROP TABLE tbX8 GO y");
    EXPECT_EQ(blockCommentText("*\n/"), "* /");
}
