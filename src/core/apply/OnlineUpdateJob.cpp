#include "apply/OnlineUpdateJob.h"

#include "Error.h"
#include "apply/ApplyRun.h"
#include "apply/UndoFileWrite.h"
#include "db/ActivityLog.h"
#include "db/CiAsCollation.h"
#include "db/Connection.h"
#include "db/RowSets.h"
#include "db/Transaction.h"
#include "review/RunRecord.h"

#include <QDir>
#include <QHash>
#include <QJsonArray>

namespace orvex::apply {

namespace {

const QString kIcdTable = QStringLiteral("tbICDdiagMain");

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
                         kIcdTable,
                         QStringLiteral("CODE"),
                         c.code,
                         QString(),
                         {},
                         {{description, c.description}}});
    else
        steps.push_back({UndoStep::Action::Restore,
                         kIcdTable,
                         QStringLiteral("CODE"),
                         c.code,
                         QString(),
                         {{description, c.before}},
                         {{description, c.description}}});
}

// What the changes write, in two set statements, with their log lines and undo steps.
struct OnlineWrites
{
    db::RowSet adds{3, {}};         // code, description, flag
    db::RowSet descriptions{2, {}}; // description, code: the last one of each code
    QStringList logLines;           // one per change, in order
    std::vector<UndoStep> undoSteps;
};

OnlineWrites gatherWrites(const std::vector<tools::OnlineChange>& changes)
{
    OnlineWrites writes;
    QHash<QString, size_t> stepOfCode;
    QHash<QString, size_t> descriptionOfCode;
    for (const tools::OnlineChange& c : changes) {
        writes.logLines << c.logLine();
        addUndoStep(writes.undoSteps, stepOfCode, c);
        if (c.kind == tools::OnlineChange::Kind::Add) {
            // A code is added once: a later row of it is an update.
            writes.adds.add({c.code, c.description, c.allowAsPrimary});
            continue;
        }
        // Each change of a code replaces the one before it, and one statement sets a code
        // once: its last description is what the rows of changes one by one would hold. The
        // update follows the inserts, so a code added by an earlier row gets it too.
        const QString key = db::ciAsKey(c.code);
        if (const auto it = descriptionOfCode.constFind(key); it != descriptionOfCode.cend()) {
            writes.descriptions.rows[*it] = {c.description, c.code};
            continue;
        }
        descriptionOfCode.insert(key, writes.descriptions.rows.size());
        writes.descriptions.add({c.description, c.code});
    }
    return writes;
}

// What a set statement writes, for its messages: "1 new code", "2 replaced descriptions".
struct Written
{
    const char* one;
    const char* many;
    bool exactlyOneRowEach; // a new code is one row; a description is given to every row of its code

    QString of(qsizetype count) const
    {
        return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
    }
};
constexpr Written kNewCodes{"new code", "new codes", true};
constexpr Written kDescriptions{"replaced description", "replaced descriptions", false};

// Sends `rows` through `statement` and checks the rows it changed.
void send(db::Connection& hospital, const QString& statement, const db::RowSet& rows, const Written& what)
{
    if (rows.empty())
        return;
    const qsizetype expected = qsizetype(rows.rows.size());
    int changed = 0;
    try {
        changed = db::execForRows(hospital, statement, {}, rows);
    } catch (const Error& e) {
        throw Error(e.kind(),
                    QStringLiteral("the %1 could not be written: %2").arg(what.of(expected), e.message()));
    }
    if (changed >= 0 && (what.exactlyOneRowEach ? changed != expected : changed < expected))
        throw Error(
            QStringLiteral("the %1 changed %2 rows of tbICDdiagMain.").arg(what.of(expected)).arg(changed));
}

tools::OnlineUpdateCounts stoppedCounts()
{
    tools::OnlineUpdateCounts counts;
    counts.stopped = true;
    return counts;
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

QString onlineAddsStatement(db::Product product)
{
    return db::sets::insert(
        product, db::tableIn(product, QStringLiteral("Build_FILE"), kIcdTable),
        {QStringLiteral("CODE"), QStringLiteral("Description"), QStringLiteral("ALLOWASPRIMARY")});
}

QString onlineDescriptionsStatement(db::Product product)
{
    return db::sets::update(product, db::tableIn(product, QStringLiteral("Build_FILE"), kIcdTable),
                            {QStringLiteral("Description")}, {QStringLiteral("CODE")});
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
    const OnlineWrites writes = gatherWrites(plan.changes);
    // A stop request is seen between the statements; the transaction then rolls back.
    if (!shouldContinue())
        return stoppedCounts();
    const QDateTime when = context.now();
    db::ActivityLog log(hospital);
    UndoRecord undo;
    undo.steps = writes.undoSteps;
    try {
        send(hospital, onlineAddsStatement(hospital.product()), writes.adds, kNewCodes);
        if (!shouldContinue())
            return stoppedCounts();
        send(hospital, onlineDescriptionsStatement(hospital.product()), writes.descriptions, kDescriptions);
        if (!shouldContinue())
            return stoppedCounts();
        counts.added = plan.added;
        counts.updated = plan.updated;
        counts.changes = writes.logLines;
        if (!undo.steps.empty()) {
            // The way back is on disk before the changes are committed, as an apply's is.
            ApplyCounts applied;
            applied.newIcdCodes = counts.added;
            applied.icdDescriptionChanges = counts.updated;
            undo.runId = review::newRunId(when);
            undo.database = hospital.settings().describe();
            undo.user = m_identity.user;
            undo.appliedAt = when;
            undo.counts = applied.text();
            QStringList lines = counts.changes;
            lines << QStringLiteral("Apply of online update %1 from the central server %2: %3")
                         .arg(undo.runId, m_centralServer, undo.counts);
            log.appendAll(m_identity.user, m_identity.workstation, lines, when);
            counts.runId = undo.runId;
            counts.undoFile = writeLoggedUndoFile(log, m_identity, undo, context.outputFolder(), when);
        }
        if (progress) {
            jobs::JobProgress step;
            step.linesDone = int(plan.changes.size());
            step.lineCount = int(plan.changes.size());
            progress(std::move(step));
        }
        commitWithUndoFile(transaction, counts.undoFile);
    } catch (const Error& e) {
        throw Error(e.kind(),
                    QStringLiteral("The online update could not be applied, so nothing was changed: %1")
                        .arg(e.message()));
    }
    return counts;
}

} // namespace orvex::apply
