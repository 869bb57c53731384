#include "text/SqlComply.h"

#include <gtest/gtest.h>

using orvex::SQLComply;

TEST(SQLComply, doublesQuotesAndStoresBack)
{
    QString s = QStringLiteral("O'Brien");
    EXPECT_EQ(SQLComply(s), "O''Brien");
    EXPECT_EQ(s, "O''Brien");
    EXPECT_EQ(SQLComply(s), "O''Brien"); // already escaped: unchanged
}

TEST(SQLComply, aWellFormedBodyStaysAndAnyOtherGetsEveryQuoteDoubled)
{
    QString paired = QStringLiteral("it''s a ''''quoted'''' toy");
    EXPECT_EQ(SQLComply(paired), "it''s a ''''quoted'''' toy");
    QString mixed = QStringLiteral("it''s a child's toy");
    EXPECT_EQ(SQLComply(mixed), "it''''s a child''s toy");
    QString odd = QStringLiteral("a'''b");
    EXPECT_EQ(SQLComply(odd), "a''''''b");
    QVariant hostile = QStringLiteral("a''b'; DELETE FROM dbo.tbICDdiagMain; --");
    EXPECT_EQ(SQLComply(hostile).toString(), "a''''b''; DELETE FROM dbo.tbICDdiagMain; --");
    EXPECT_EQ(SQLComply(hostile).toString(), "a''''b''; DELETE FROM dbo.tbICDdiagMain; --");
}

TEST(SQLComply, onlyTheAsciiQuoteCounts)
{
    QString s = QStringLiteral("L\u00f6ffler\u2019s 'x'");
    EXPECT_EQ(SQLComply(s), QStringLiteral("L\u00f6ffler\u2019s ''x''"));
}

TEST(SQLComply, emptyNullAndNumbers)
{
    QString empty;
    EXPECT_EQ(SQLComply(empty), "");
    QVariant null{QMetaType::fromType<QString>()};
    EXPECT_TRUE(SQLComply(null).isNull());
    QVariant unset;
    EXPECT_FALSE(SQLComply(unset).isValid());
    QVariant number = 42;
    EXPECT_EQ(SQLComply(number).toString(), "42");
    EXPECT_EQ(number.typeId(), QMetaType::QString); // it now holds text
}

TEST(SqlQuoted, lineBreaksStayInTheValueButStartNoLineOfTheScript)
{
    using orvex::sqlQuoted;
    EXPECT_EQ("Description='" + sqlQuoted("Hepatitis A\nwithout hepatic coma") + "'",
              "Description='Hepatitis A' + NCHAR(10) + 'without hepatic coma'");
    EXPECT_EQ(sqlQuoted("a\r\nb's\rc"), "a' + NCHAR(13) + '' + NCHAR(10) + 'b''s' + NCHAR(13) + 'c");
    EXPECT_EQ(sqlQuoted("x\nGO\nDROP TABLE tbX8\nGO\ny"),
              "x' + NCHAR(10) + 'GO' + NCHAR(10) + 'DROP TABLE tbX8' + NCHAR(10) + 'GO' + NCHAR(10) + 'y");
    EXPECT_EQ(sqlQuoted("O'Brien"), "O''Brien"); // without line breaks as before
    EXPECT_EQ(sqlQuoted(QString()), QString());
}
