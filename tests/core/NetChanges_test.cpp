#include "jobs/NetChanges.h"

#include <gtest/gtest.h>

using namespace orvex;
using jobs::Finding;

namespace {

Finding change(Finding::Kind kind, const QString& key, int line, const QString& description = "D")
{
    Finding f;
    f.kind = kind;
    f.table = "[Build_FILE].[dbo].[tbICDdiagMain]";
    f.keyColumn = "CODE";
    f.key = key;
    f.code = key;
    f.sourceLine = line;
    f.proposed = {{"Description", description}};
    return f;
}

std::vector<int> linesOf(const jobs::Findings& findings)
{
    std::vector<int> lines;
    for (const Finding& f : findings)
        lines.push_back(f.sourceLine);
    return lines;
}

} // namespace

TEST(NetChanges, keepsEachRowsLastChangeAndTheOverriddenInTheOrderOfTheLinesThatDid)
{
    using K = Finding::Kind;
    jobs::NetChanges net;
    net.reserve(8);
    net.add(change(K::ChangedValues, "A00.0", 1));
    net.add(change(K::NewRow, "B00", 2));
    net.add(change(K::ChangedValues, "C00", 3));
    net.add(change(K::ChangedValues, "c00 ", 4, "E")); // the same row as the tables compare keys
    Finding note = change(K::ZeroAmount, "A00.0", 5);
    net.add(note);
    net.add(change(K::SameRow, "a00.0", 6)); // the row as listed: line 1's change is void
    net.add(change(K::NewRow, "b00", 7));
    Finding amounts = change(K::ChangedValues, "B00", 8);
    amounts.proposed = {{"Amount", "1"}}; // another value of the row: both stand
    net.add(amounts);

    const jobs::Findings live = net.take();
    EXPECT_EQ(linesOf(live), (std::vector<int>{4, 5, 7, 8}));
    EXPECT_EQ(live[0].proposed.value("Description"), "E");
    EXPECT_EQ(live[1], note);
    EXPECT_EQ(linesOf(net.takeOverridden()), (std::vector<int>{3, 1, 2}));
    EXPECT_TRUE(net.take().empty());
}
