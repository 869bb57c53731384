// The scan's phases: each counts its own items, and a stop ends any of them.
#include "reconcile/ScanJob.h"
#include "review/RunRecord.h"

#include "support/SmallDatabases.h"
#include "support/TestPaths.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::reconcile;
using orvex::test::SmallDatabases;
using orvex::test::TempProgramFolder;

namespace {

const QStringList kLines = {"A1|a", "A2|b", "A3|c", "A4|d"};

struct Step
{
    ScanPhase phase;
    int done;
    int count;
    bool operator==(const Step&) const = default;
};

struct PhasedScan
{
    SmallDatabases dbs;
    TempProgramFolder folder;

    jobs::JobContext context() const
    {
        jobs::JobContext c;
        c.programFolder = folder.path();
        c.connection = dbs.settings();
        return c;
    }

    ScanParams params() const
    {
        ScanParams p;
        p.lines = kLines;
        return p;
    }

    bool exists(const char* name) const { return QFile::exists(folder.outputFile(name)); }
    QByteArray file(const char* name) const { return test::readBytes(folder.outputFile(name)); }
};

} // namespace

TEST(ScanPhases, eachPhaseCountsItsOwnItemsInOrderAndNamesItself)
{
    PhasedScan scan;
    ScanJob job(scan.params());
    std::vector<Step> steps;
    QStringList captions;
    job.scan(scan.context(), [&](const ScanProgress& p) {
        steps.push_back({p.phase, p.linesDone, p.lineCount});
        const QString caption = ScanJob::toJobProgress(p).text;
        if (captions.isEmpty() || captions.back() != caption)
            captions << caption;
    });
    const std::vector<Step> expected = {{ScanPhase::Reading, 4, 4},        {ScanPhase::Comparing, 1, 4},
                                        {ScanPhase::Comparing, 2, 4},      {ScanPhase::Comparing, 3, 4},
                                        {ScanPhase::Comparing, 4, 4},      {ScanPhase::WritingReports, 1, 4},
                                        {ScanPhase::WritingReports, 2, 4}, {ScanPhase::WritingReports, 3, 4},
                                        {ScanPhase::WritingReports, 4, 4}};
    EXPECT_EQ(steps, expected);
    EXPECT_EQ(captions,
              (QStringList{"Reading the list", "Comparing with the database", "Writing the reports"}));
}

TEST(ScanPhases, aStopWhileReadingComparesNoLineAndLeavesAStoppedRun)
{
    PhasedScan scan;
    ScanJob job(scan.params());
    const jobs::JobOutcome outcome = job.run(scan.context(), [&](jobs::JobProgress&& p) {
        if (p.text == phaseCaption(ScanPhase::Reading, false))
            job.requestStop();
    });
    EXPECT_EQ(outcome.ending, jobs::JobEnding::Stopped);
    EXPECT_EQ(job.result().counters.linesRead, 0);
    EXPECT_TRUE(job.result().reviewWritten);
    EXPECT_EQ(review::readRunRecord(scan.folder.outputFile("changes.json")).completeness.completion,
              review::RunCompletion::Stopped);
    ASSERT_EQ(outcome.messages.size(), 1);
    EXPECT_TRUE(outcome.messages[0].startsWith("Stopped before the end"))
        << outcome.messages[0].toStdString();
}

// A stop after each file of the writing: the scripts are whole, and neither the review page,
// nor the change list, nor the run record stands beside them.
class ScanStoppedWriting : public testing::TestWithParam<int>
{
};

TEST_P(ScanStoppedWriting, leavesNoReviewOrRunRecordAndSaysSo)
{
    PhasedScan scan;
    ScanJob job(scan.params());
    const jobs::JobOutcome outcome = job.run(scan.context(), [&](jobs::JobProgress&& p) {
        if (p.text == phaseCaption(ScanPhase::WritingReports, false) && p.linesDone == GetParam())
            job.requestStop();
    });
    EXPECT_EQ(outcome.ending, jobs::JobEnding::Stopped);
    EXPECT_EQ(job.result().counters.linesRead, 4);
    EXPECT_TRUE(job.result().stoppedWritingReports);
    EXPECT_FALSE(job.result().reviewWritten);
    for (const char* name : {"report.html", "changes.csv", "changes.json"})
        EXPECT_FALSE(scan.exists(name)) << name;
    EXPECT_TRUE(scan.file("script.txt").contains("VALUES('A4','d');"));
    EXPECT_TRUE(
        scan.file("ICD Parser Log.txt").contains("*** The scan was stopped while it wrote its reports"));
    ASSERT_EQ(outcome.messages.size(), 1);
    EXPECT_TRUE(outcome.messages[0].startsWith("Stopped while the reports were written"))
        << outcome.messages[0].toStdString();
    EXPECT_FALSE(outcome.summary.join('\n').contains("Review page")) << "the summary names no review";
}

INSTANTIATE_TEST_SUITE_P(AfterEachFile, ScanStoppedWriting, testing::Values(1, 2, 3));

TEST(ScanPhases, aStopAfterTheLastFileIsAWholeRun)
{
    PhasedScan scan;
    ScanJob job(scan.params());
    const jobs::JobOutcome outcome = job.run(scan.context(), [&](jobs::JobProgress&& p) {
        if (p.text == phaseCaption(ScanPhase::WritingReports, false) && p.linesDone == 4)
            job.requestStop();
    });
    EXPECT_EQ(outcome.ending, jobs::JobEnding::Finished) << "the stop came after the last file";
    EXPECT_TRUE(job.result().reviewWritten);
    EXPECT_FALSE(job.result().stoppedWritingReports);
    EXPECT_TRUE(scan.exists("report.html"));
    EXPECT_TRUE(outcome.messages.value(0).startsWith("Done.")) << "every file was written";
}
