#include "jobs/SharedName.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <thread>
#include <vector>

using orvex::jobs::SharedName;

TEST(SharedName, equalTextsShareOnePlaceAndABorrowedBufferIsCopied)
{
    const SharedName table = QStringLiteral("[Medicare].[dbo].[tbMedPackage]");
    const SharedName same = QString(QStringLiteral("[Medicare].[dbo].")) + QStringLiteral("[tbMedPackage]");
    const SharedName other = QStringLiteral("[Medicare].[dbo].[tbmedpackage]"); // case tells them apart
    EXPECT_EQ(&table.text(), &same.text());
    EXPECT_EQ(table, same);
    EXPECT_FALSE(table == other);
    EXPECT_EQ(table, QStringLiteral("[Medicare].[dbo].[tbMedPackage]"));
    EXPECT_TRUE(SharedName().isEmpty());
    EXPECT_EQ(SharedName(), SharedName(QString()));
    EXPECT_EQ(SharedName(), SharedName(QStringLiteral(""))); // null and empty read alike

    // A text on a buffer the caller owns: the name keeps a copy of its own.
    QChar buffer[] = {u'P', u'F'};
    SharedName borrowed = QString::fromRawData(buffer, 2);
    buffer[0] = u'X';
    EXPECT_EQ(borrowed.text(), QStringLiteral("PF"));
    borrowed = QStringLiteral("Amount");
    EXPECT_EQ(borrowed, QLatin1String("Amount"));
}

TEST(SharedName, threadsNamingAtOnceGetTheSamePlaces)
{
    QStringList texts;
    for (int i = 0; i < 200; ++i)
        texts << QStringLiteral("list %1.txt").arg(i);
    std::vector<std::vector<const QString*>> places(4);
    std::vector<std::thread> threads;
    for (auto& mine : places) {
        threads.emplace_back([&texts, &mine] {
            for (const QString& text : texts)
                mine.push_back(&SharedName(text).text());
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (const auto& mine : places)
        EXPECT_EQ(mine, places.front());
}
