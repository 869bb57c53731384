#include "jobs/Job.h"

#include <gtest/gtest.h>

using namespace orvex::jobs;

namespace {

class StepJob : public Job
{
public:
    QString title() const override { return QStringLiteral("steps"); }
    JobOutcome run(const JobContext&, const ProgressFn&) override { return {}; }
    using Job::takeStopRequest;
};

TEST(JobProgress, aBatchKeepsTheLatestValuesAndEveryAddition)
{
    JobProgress batch;
    batch.counters[QStringLiteral("lblnew")] = 1;
    batch.rowsAdded.push_back({QStringLiteral("lsvNewCode"), QStringLiteral("A00 - x"), QString()});
    batch.logLines << QStringLiteral("one");

    JobProgress later;
    later.linesDone = 2;
    later.counters[QStringLiteral("lblCount")] = 2;
    later.labels[QStringLiteral("lblHeader")] = QStringLiteral("G");
    later.rowsAdded.push_back({QStringLiteral("lsvNewCode"), QStringLiteral("A01 - y"), QString()});
    later.logLines << QStringLiteral("two");
    batch.merge(std::move(later));
    EXPECT_EQ(batch.linesDone, 2);
    EXPECT_EQ(batch.counters.value(QStringLiteral("lblnew")), 1);
    EXPECT_EQ(batch.counters.value(QStringLiteral("lblCount")), 2);
    EXPECT_EQ(batch.labels.value(QStringLiteral("lblHeader")), QStringLiteral("G"));
    EXPECT_EQ(batch.rowsAdded.size(), 2u);
    EXPECT_EQ(batch.logLines, (QStringList{"one", "two"}));

    // A step that starts the views over drops what came before it, not the log.
    JobProgress restart;
    restart.clearViews = true;
    restart.counters[QStringLiteral("lblNewPH")] = 0;
    batch.merge(std::move(restart));
    EXPECT_TRUE(batch.clearViews);
    EXPECT_TRUE(batch.rowsAdded.empty());
    EXPECT_EQ(batch.counters.keys(), QStringList{"lblNewPH"});
    EXPECT_EQ(batch.logLines.size(), 2);
}

TEST(Job, aStopCanBeTakenBackButAClosingWindowCannot)
{
    StepJob job;
    EXPECT_FALSE(job.takeStopRequest());
    job.requestStop();
    EXPECT_EQ(job.stopRequest(), StopRequest::Stop);
    EXPECT_TRUE(job.takeStopRequest());
    EXPECT_EQ(job.stopRequest(), StopRequest::None);
    job.requestWindowClosing();
    job.requestStop();
    EXPECT_FALSE(job.takeStopRequest());
    EXPECT_EQ(job.stopRequest(), StopRequest::WindowClosing);
}

} // namespace
