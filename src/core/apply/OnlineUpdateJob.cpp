#include "apply/OnlineUpdateJob.h"

#include "Error.h"
#include "apply/ApplyRun.h"
#include "apply/UndoFileWrite.h"
#include "db/ActivityLog.h"
#include "db/CiAsCollation.h"
#include "db/Connection.h"
#include "db/Queries.h"
#include "db/Transaction.h"
#include "review/RunRecord.h"

#include <QDir>
#include <QHash>
#include <QJsonArray>

namespace orvex::apply {

namespace {

// Progress after every this many changes: often enough for the bar, rare enough to cost nothing.
constexpr int kProgressEvery = 50;

// The undo step of a change, or the change folded into the step of its code that an earlier
// change of this update made: the undo checks each code once, against what the update left.
void addUndoStep(std::vector<UndoStep>& steps, QHash<QString, size_t>& stepOfCode,
                 const tools::OnlineChange& c)
{
    const QString description = QStringLiteral("Description");
    const QString key = db::ciAsKey(c.code);
    if (const auto it = stepOfCode.constFind(key); it != stepOfCode.cend()) {
        steps[*it].after = {{description, c.description}};
        return;
    }
    stepOfCode.insert(key, steps.size());
    if (c.kind == tools::OnlineChange::Kind::Add)
        steps.push_back({UndoStep::Action::Remove,
                         QStringLiteral("tbICDdiagMain"),
                         QStringLiteral("CODE"),
                         c.code,
                         QString(),
                         {},
                         {{description, c.description}}});
    else
        steps.push_back({UndoStep::Action::Restore,
                         QStringLiteral("tbICDdiagMain"),
                         QStringLiteral("CODE"),
                         c.code,
                         QString(),
                         {{description, c.before}},
                         {{description, c.description}}});
}

} // namespace

jobs::JobOutcome OnlineUpdateJob::run(const jobs::JobContext& context, const jobs::ProgressFn& progress)
{
    const QDateTime started = context.now();
    std::unique_ptr<db::Connection> own;
    db::Connection& hospital = context.openConnection(own);
    const quint64 statementsBefore = hospital.statementsSent();
    m_result = applyRows(hospital, context, progress);

    jobs::JobOutcome outcome;
    outcome.ending = m_result.stopped
                         ? (stopRequest() == jobs::StopRequest::Abandon ? jobs::JobEnding::Abandoned
                                                                        : jobs::JobEnding::Stopped)
                         : jobs::JobEnding::Finished;
    if (outcome.ending != jobs::JobEnding::Abandoned)
        outcome.messages << tools::closingMessage(m_result);
    outcome.summary = m_result.changes;
    outcome.summary << tools::closingMessage(m_result);
    if (m_result.skipped > 0)
        outcome.summary
            << QStringLiteral("%1 rows without a code or a description were skipped.").arg(m_result.skipped);
    if (!m_result.undoFile.isEmpty())
        outcome.summary << QStringLiteral("To take it back: orvex-cli undo \"%1\"")
                               .arg(QDir::toNativeSeparators(m_result.undoFile));
    outcome.json.insert(QStringLiteral("added"), m_result.added);
    outcome.json.insert(QStringLiteral("updated"), m_result.updated);
    outcome.json.insert(QStringLiteral("skipped"), m_result.skipped);
    outcome.json.insert(QStringLiteral("stopped"), m_result.stopped);
    outcome.json.insert(QStringLiteral("changes"), QJsonArray::fromStringList(m_result.changes));
    outcome.json.insert(QStringLiteral("runId"), m_result.runId);
    outcome.json.insert(QStringLiteral("undoFile"), m_result.undoFile);
    outcome.statementsSent = hospital.statementsSent() - statementsBefore;
    outcome.elapsedSeconds = double(started.msecsTo(context.now())) / 1000.0;
    return outcome;
}

tools::OnlineUpdateCounts OnlineUpdateJob::applyRows(db::Connection& hospital,
                                                     const jobs::JobContext& context,
                                                     const jobs::ProgressFn& progress) const
{
    tools::OnlineUpdateCounts counts;
    db::Transaction transaction(hospital);
    // Read again inside the transaction: what is changed is what the rows give now.
    const tools::OnlineUpdatePlan plan = *tools::planOnlineUpdate(hospital, m_rows);
    if (m_reviewed && *m_reviewed != plan.changes)
        throw Error(
            QStringLiteral("The online update was not applied, and nothing was changed: tbICDdiagMain "
                           "changed since the question (the update now adds %1 and replaces %2 "
                           "descriptions). Click \"Update DB\" again.")
                .arg(plan.added)
                .arg(plan.updated));
    counts.skipped = plan.skipped;
    db::ActivityLog log(hospital);
    UndoRecord undo;
    QHash<QString, size_t> stepOfCode;
    const int changeCount = int(plan.changes.size());
    for (int i = 0; i < changeCount; ++i) {
        if (!shouldContinue()) {
            tools::OnlineUpdateCounts stopped;
            stopped.stopped = true;
            return stopped; // the transaction rolls back
        }
        const tools::OnlineChange& c = plan.changes[size_t(i)];
        try {
            if (c.kind == tools::OnlineChange::Kind::Add) {
                hospital.exec(db::Query(db::queries::insertIcd)
                                  .bind("code", c.code)
                                  .bind("description", c.description)
                                  .bind("allowAsPrimary", c.allowAsPrimary));
                log.append(m_identity.user, m_identity.workstation, c.logLine(), context.now());
                ++counts.added;
            } else {
                log.append(m_identity.user, m_identity.workstation, c.logLine(), context.now());
                hospital.exec(db::Query(db::queries::updateIcdDescription)
                                  .bind("description", c.description)
                                  .bind("code", c.code));
                ++counts.updated;
            }
        } catch (const Error& e) {
            throw Error(e.kind(),
                        QStringLiteral("Row %1 of the update (code \"%2\") could not be applied, so "
                                       "nothing was changed: %3")
                            .arg(c.row + 1)
                            .arg(c.code, e.message()));
        }
        counts.changes << c.logLine();
        addUndoStep(undo.steps, stepOfCode, c);
        if (progress && ((i + 1) % kProgressEvery == 0 || i + 1 == changeCount)) {
            jobs::JobProgress step;
            step.linesDone = i + 1;
            step.lineCount = changeCount;
            progress(std::move(step));
        }
    }
    try {
        if (!undo.steps.empty()) {
            // The way back is on disk before the changes are committed, as an apply's is.
            const QDateTime when = context.now();
            ApplyCounts applied;
            applied.newIcdCodes = counts.added;
            applied.icdDescriptionChanges = counts.updated;
            undo.runId = review::newRunId(when);
            undo.database = hospital.settings().describe();
            undo.user = m_identity.user;
            undo.appliedAt = when;
            undo.counts = applied.text();
            log.append(m_identity.user, m_identity.workstation,
                       QStringLiteral("Apply of online update %1 from the central server %2: %3")
                           .arg(undo.runId, m_centralServer, undo.counts),
                       when);
            counts.runId = undo.runId;
            counts.undoFile = writeLoggedUndoFile(log, m_identity, undo, context.outputFolder(), when);
        }
        commitWithUndoFile(transaction, counts.undoFile);
    } catch (const Error& e) {
        throw Error(e.kind(),
                    QStringLiteral("The online update could not be saved, so nothing was changed: %1")
                        .arg(e.message()));
    }
    return counts;
}

} // namespace orvex::apply
