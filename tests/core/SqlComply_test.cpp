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
