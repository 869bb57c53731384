// The fuzz target's checks over its seed corpus, so that every build runs them without clang.
#include "fuzz/RateListFuzzEntry.h"
#include "support/TestPaths.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace orvex::test;

TEST(RateListFuzzSeeds, everySeedPassesTheChecks)
{
    const QDir seeds(fixturePath(QStringLiteral("fuzz-seeds")));
    const QStringList names = seeds.entryList(QDir::Files, QDir::Name);
    ASSERT_GE(names.size(), 8);
    qsizetype largest = 0;
    for (const QString& name : names) {
        const QByteArray bytes = readBytes(seeds.filePath(name));
        largest = qMax(largest, bytes.size());
        EXPECT_EQ(orvex::fuzz::checkRateListBytes(bytes).toStdString(), "") << name.toStdString();
    }
    EXPECT_GE(largest, 100000); // the long-line seed is there
}

TEST(RateListFuzzSeeds, realListsPassTheChecks)
{
    for (const QString name : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"}) {
        const QByteArray bytes = readBytes(sourcePath("data/philhealth-caserates-2024/" + name));
        EXPECT_EQ(orvex::fuzz::checkRateListBytes(bytes).toStdString(), "") << name.toStdString();
    }
    EXPECT_EQ(orvex::fuzz::checkRateListBytes(orvex::ratelist::builtinUpdateResourceBytes()).toStdString(),
              "");
}

TEST(RateListFuzzSeeds, checksCatchADifference)
{
    // The reference comparison is not vacuous: a line split differently is noticed.
    const auto reference = orvex::fuzz::detail::referenceSplit(QStringLiteral(" A |b|1,0"), true);
    EXPECT_EQ(reference.code, "A");
    EXPECT_EQ(reference.amount, "10");
    auto other = reference;
    other.amount = QStringLiteral("1,0");
    EXPECT_FALSE(orvex::fuzz::detail::sameSplit(reference, other));
}
