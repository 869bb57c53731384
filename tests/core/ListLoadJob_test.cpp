#include "ratelist/ListLoadJob.h"

#include "Error.h"

#include "support/TestPaths.h"

#include <gtest/gtest.h>

using namespace orvex;

TEST(ListLoadJob, readsTheFileWithItsNotesAndNamesItsLongestLines)
{
    test::TempProgramFolder folder;
    const QString path = folder.path() + "/icd list.txt";
    test::writeBytes(path, "A00|Cholera\r\nA01.0|Typhoid fever\r\nB|x\nstill B\r\nA02|Other\r\n");
    ratelist::ListLoadJob job({path});
    job.run({}, {});
    EXPECT_EQ(job.result().text.lines,
              (QStringList{"A00|Cholera", "A01.0|Typhoid fever", "B|x\nstill B", "A02|Other"}));
    EXPECT_EQ(job.result().text.notes.lineFeedsInsideLines, 1);
    // Longest first; of two as long, the earlier line first.
    EXPECT_EQ(ratelist::longestLines(job.result().text.lines, 3), (std::vector<int>{1, 0, 2}));
    EXPECT_EQ(ratelist::longestLines({"a", "bb"}, 64), (std::vector<int>{1, 0}));
}

TEST(ListLoadJob, aFileThatCannotBeReadIsNamed)
{
    test::TempProgramFolder folder;
    const QString path = folder.path() + "/gone.txt";
    ratelist::ListLoadJob job({path});
    try {
        job.run({}, {});
        ADD_FAILURE() << "read a missing file";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("gone.txt")) << e.message().toStdString();
    }
}
