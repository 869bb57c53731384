#include "text/SqlComply.h"

#include <gtest/gtest.h>

using orvex::escapeSqlQuotes;

TEST(escapeSqlQuotes, doublesQuotesAndStoresBack)
{
    QString s = QStringLiteral("O'Brien");
    EXPECT_EQ(escapeSqlQuotes(s), "O''Brien");
    EXPECT_EQ(s, "O''Brien");
    EXPECT_EQ(escapeSqlQuotes(s), "O''Brien"); // already escaped: unchanged
}

TEST(escapeSqlQuotes, aWellFormedBodyStaysAndAnyOtherGetsEveryQuoteDoubled)
{
    QString paired = QStringLiteral("it''s a ''''quoted'''' toy");
    EXPECT_EQ(escapeSqlQuotes(paired), "it''s a ''''quoted'''' toy");
    QString mixed = QStringLiteral("it''s a child's toy");
    EXPECT_EQ(escapeSqlQuotes(mixed), "it''''s a child''s toy");
    QString odd = QStringLiteral("a'''b");
    EXPECT_EQ(escapeSqlQuotes(odd), "a''''''b");
    QVariant hostile = QStringLiteral("a''b'; DELETE FROM dbo.tbICDdiagMain; --");
    EXPECT_EQ(escapeSqlQuotes(hostile).toString(), "a''''b''; DELETE FROM dbo.tbICDdiagMain; --");
    EXPECT_EQ(escapeSqlQuotes(hostile).toString(), "a''''b''; DELETE FROM dbo.tbICDdiagMain; --");
}

TEST(escapeSqlQuotes, onlyTheAsciiQuoteCounts)
{
    QString s = QStringLiteral("L\u00f6ffler\u2019s 'x'");
    EXPECT_EQ(escapeSqlQuotes(s), QStringLiteral("L\u00f6ffler\u2019s ''x''"));
}

TEST(escapeSqlQuotes, emptyNullAndNumbers)
{
    QString empty;
    EXPECT_EQ(escapeSqlQuotes(empty), "");
    QVariant null{QMetaType::fromType<QString>()};
    EXPECT_TRUE(escapeSqlQuotes(null).isNull());
    QVariant unset;
    EXPECT_FALSE(escapeSqlQuotes(unset).isValid());
    QVariant number = 42;
    EXPECT_EQ(escapeSqlQuotes(number).toString(), "42");
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
