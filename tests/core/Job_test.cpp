#include "jobs/Job.h"

#include <QRegularExpression>
#include <QSet>
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
    batch.counters[Counter::NewCode] = 1;
    batch.rowsAdded.push_back({ResultList::NewCode, QStringLiteral("A00 - x"), QString()});
    batch.logLines << QStringLiteral("one");

    JobProgress later;
    later.linesDone = 2;
    later.counters[Counter::LinesRead] = 2;
    later.captions[Caption::GroupName] = QStringLiteral("G");
    later.rowsAdded.push_back({ResultList::NewCode, QStringLiteral("A01 - y"), QString()});
    later.logLines << QStringLiteral("two");
    batch.merge(std::move(later));
    EXPECT_EQ(batch.linesDone, 2);
    EXPECT_EQ(batch.counters.value(Counter::NewCode), 1);
    EXPECT_EQ(batch.counters.value(Counter::LinesRead), 2);
    EXPECT_EQ(batch.captions.value(Caption::GroupName), QStringLiteral("G"));
    EXPECT_EQ(batch.rowsAdded.size(), 2u);
    EXPECT_EQ(batch.logLines, (QStringList{"one", "two"}));

    // A step that starts the views over drops what came before it, not the log.
    JobProgress restart;
    restart.clearViews = true;
    restart.counters[Counter::PhNewCode] = 0;
    batch.merge(std::move(restart));
    EXPECT_TRUE(batch.clearViews);
    EXPECT_TRUE(batch.rowsAdded.empty());
    EXPECT_EQ(batch.counters.keys(), QList<Counter>{Counter::PhNewCode});
    EXPECT_EQ(batch.logLines.size(), 2);
}

TEST(Job, aStopCanBeTakenBackButAnAbandonCannot)
{
    StepJob job;
    EXPECT_FALSE(job.takeStopRequest());
    job.requestStop();
    EXPECT_EQ(job.stopRequest(), StopRequest::Stop);
    EXPECT_TRUE(job.takeStopRequest());
    EXPECT_EQ(job.stopRequest(), StopRequest::None);
    job.requestAbandon();
    job.requestStop();
    EXPECT_FALSE(job.takeStopRequest());
    EXPECT_EQ(job.stopRequest(), StopRequest::Abandon);
}

// The command line prints the words and keys its JSON by the keys: each once, the keys in
// camelCase.
template <typename Value, size_t N> void expectDistinctNames(const std::array<Value, N>& values)
{
    QSet<QString> allWords, keys;
    for (const Value value : values) {
        const QString key = jsonKey(value);
        SCOPED_TRACE(key.toStdString());
        EXPECT_FALSE(words(value).isEmpty());
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^[a-z][A-Za-z]*$")).match(key).hasMatch());
        allWords.insert(words(value));
        keys.insert(key);
    }
    EXPECT_EQ(allWords.size(), qsizetype(N));
    EXPECT_EQ(keys.size(), qsizetype(N));
}

TEST(Vocabulary, everyCounterCaptionAndListHasItsOwnWordsAndKey)
{
    expectDistinctNames(kCounters);
    expectDistinctNames(kCaptions);
    expectDistinctNames(kResultLists);
    EXPECT_EQ(summaryLine(Counter::LinesRead, 12), QString(33, ' ') + QStringLiteral("Lines read : 12"));
    EXPECT_EQ(summaryLine(Counter::PhSameCodeDifferentDescription, 0),
              QStringLiteral(" Philhealth Same Code different Description : 0"));
}

TEST(JobWithResult, theCallerReadsTheResultTheRunFilled)
{
    class CountingJob : public JobWithResult<int>
    {
    public:
        QString title() const override { return QStringLiteral("count"); }
        JobOutcome run(const JobContext&, const ProgressFn&) override
        {
            m_result = 3;
            return {};
        }
    };
    const auto job = std::make_shared<CountingJob>();
    EXPECT_EQ(job->result(), 0);
    job->run({}, {});
    EXPECT_EQ(job->result(), 3);
}

} // namespace
