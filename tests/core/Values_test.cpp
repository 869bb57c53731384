#include "jobs/Values.h"

#include <gtest/gtest.h>

using orvex::jobs::Values;

TEST(Values, keepsOneValuePerNameInTheOrderOfTheNames)
{
    Values v{{"PF", "1"}, {"Amount", "2"}, {"PF", "3"}};
    EXPECT_EQ(v.keys(), (QStringList{"Amount", "PF"}));
    EXPECT_EQ(v.value("PF"), "3");
    EXPECT_EQ(v.value("Package", "none"), "none");
    EXPECT_FALSE(v.contains("Package"));

    Values copy = v;
    copy.insert("MedRoomBoard", "4");
    copy.insert("Amount", "5");
    EXPECT_EQ(copy.keys(), (QStringList{"Amount", "MedRoomBoard", "PF"}));
    EXPECT_EQ(v.value("Amount"), "2"); // a copy is its own
    EXPECT_NE(copy, v);
    copy.remove("MedRoomBoard");
    copy.insert("Amount", "2");
    EXPECT_EQ(copy, v);

    QStringList walked;
    for (auto it = v.cbegin(); it != v.cend(); ++it)
        walked << it.key() + "=" + it.value();
    EXPECT_EQ(walked, (QStringList{"Amount=2", "PF=3"}));

    Values moved = std::move(copy);
    EXPECT_EQ(moved, v);
    moved = moved; // NOLINT(clang-diagnostic-self-assign-overloaded): assigning itself keeps it
    EXPECT_EQ(moved.size(), 2);
    moved.clear();
    EXPECT_TRUE(moved.isEmpty());
    EXPECT_EQ(moved, Values());
}
