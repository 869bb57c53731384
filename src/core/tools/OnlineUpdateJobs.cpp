#include "tools/OnlineUpdateJobs.h"

#include <QElapsedTimer>
#include <QJsonArray>

namespace orvex::tools {

namespace {
// Progress after every this many rows: often enough for the bar, rare enough to cost nothing.
constexpr int kProgressEvery = 50;
} // namespace

jobs::JobOutcome CheckOnlineJob::run(const jobs::JobContext&, const jobs::ProgressFn&)
{
    QElapsedTimer clock;
    clock.start();
    auto central = db::Connection::openCentral(m_central);
    m_result = readCentralUpdateTable(*central);

    jobs::JobOutcome outcome;
    outcome.summary
        << QStringLiteral("%1 rows read from the central update table.").arg(m_result.rows.size());
    outcome.json.insert(QStringLiteral("columns"), QJsonArray::fromStringList(m_result.columns));
    QJsonArray rows;
    for (const QStringList& row : m_result.rows)
        rows.append(QJsonArray::fromStringList(row));
    outcome.json.insert(QStringLiteral("rows"), rows);
    outcome.statementsSent = central->statementsSent();
    outcome.elapsedSeconds = clock.nsecsElapsed() / 1e9;
    return outcome;
}

jobs::JobOutcome OnlineUpdateJob::run(const jobs::JobContext& context, const jobs::ProgressFn& progress)
{
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<db::Connection> own;
    db::Connection& hospital = context.openConnection(own);
    const quint64 statementsBefore = hospital.statementsSent();

    OnlineUpdateHooks hooks;
    hooks.stopRequested = [this] { return !shouldContinue(); };
    hooks.progress = [&progress](int done, int count) {
        if (progress && (done % kProgressEvery == 0 || done == count)) {
            jobs::JobProgress p;
            p.linesDone = done;
            p.lineCount = count;
            progress(std::move(p));
        }
    };
    const OnlineUpdateCounts counts = applyOnlineUpdate(hospital, m_rows, m_identity, hooks);

    jobs::JobOutcome outcome;
    outcome.ending = counts.stopped
                         ? (stopRequest() == jobs::StopRequest::Abandon ? jobs::JobEnding::Abandoned
                                                                        : jobs::JobEnding::Stopped)
                         : jobs::JobEnding::Finished;
    if (outcome.ending != jobs::JobEnding::Abandoned)
        outcome.messages << closingMessage(counts);
    outcome.summary = counts.changes;
    outcome.summary << closingMessage(counts);
    if (counts.skipped > 0)
        outcome.summary
            << QStringLiteral("%1 rows without a code or a description were skipped.").arg(counts.skipped);
    outcome.json.insert(QStringLiteral("added"), counts.added);
    outcome.json.insert(QStringLiteral("updated"), counts.updated);
    outcome.json.insert(QStringLiteral("skipped"), counts.skipped);
    outcome.json.insert(QStringLiteral("stopped"), counts.stopped);
    outcome.json.insert(QStringLiteral("changes"), QJsonArray::fromStringList(counts.changes));
    outcome.statementsSent = hospital.statementsSent() - statementsBefore;
    outcome.elapsedSeconds = clock.nsecsElapsed() / 1e9;
    return outcome;
}

} // namespace orvex::tools
