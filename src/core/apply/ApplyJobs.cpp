#include "apply/ApplyJobs.h"

#include "Error.h"
#include "review/RunRecord.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>

namespace orvex::apply {

namespace {
// Runs `change` on the job's own connection; the outcome it returns gets the statements
// sent and the time taken.
template <class Change> jobs::JobOutcome timedOnOwnConnection(const jobs::JobContext& context, Change change)
{
    const QDateTime started = context.now();
    std::unique_ptr<db::Connection> own;
    db::Connection& connection = context.openConnection(own);
    const quint64 statementsBefore = connection.statementsSent();
    jobs::JobOutcome outcome = change(connection, started);
    outcome.statementsSent = connection.statementsSent() - statementsBefore;
    outcome.elapsedSeconds = double(started.msecsTo(context.now())) / 1000.0;
    return outcome;
}
} // namespace

jobs::JobOutcome ApplyPlanJob::run(const jobs::JobContext& context, const jobs::ProgressFn&)
{
    return timedOnOwnConnection(context, [&](db::Connection& connection, const QDateTime& started) {
        m_result = planApply(connection, m_record, context.outputFolder(), started);
        jobs::JobOutcome outcome;
        for (const QString& note : m_result.notes)
            outcome.summary << QStringLiteral("Note: ") + note;
        outcome.summary << QStringLiteral("Run record: SHA-256 ") + m_result.recordDigest;
        outcome.json = QJsonObject{{"runId", m_result.record.runId},
                                   {"counts", m_result.counts.json()},
                                   {"notes", QJsonArray::fromStringList(m_result.notes)},
                                   {"recordDigest", m_result.recordDigest},
                                   {"stopped", m_result.stopped()}};
        return outcome;
    });
}

jobs::JobOutcome ApplyJob::run(const jobs::JobContext& context, const jobs::ProgressFn&)
{
    return timedOnOwnConnection(context, [&](db::Connection& connection, const QDateTime& started) {
        m_result = applyRun(connection, context.outputFolder(), m_log, started, m_expectedKind,
                            m_expectedRunId, m_stoppedConfirmed, m_expectedDigest);
        jobs::JobOutcome outcome;
        outcome.messages = {QStringLiteral("Applied run %1 in one transaction: %2.")
                                .arg(m_result.runId, m_result.counts.text())};
        outcome.summary = {QStringLiteral("Applied run %1 in one transaction: %2 (%3 s)")
                               .arg(m_result.runId, m_result.counts.text(),
                                    QString::number(double(started.msecsTo(context.now())) / 1000.0, 'f', 2)),
                           QStringLiteral("To take it back: orvex-cli undo \"%1\"")
                               .arg(QDir::toNativeSeparators(m_result.undoFile))};
        outcome.json = QJsonObject{{"runId", m_result.runId},
                                   {"counts", m_result.counts.json()},
                                   {"newPackageIds", QJsonArray::fromStringList(m_result.newPackageIds)},
                                   {"undoFile", m_result.undoFile}};
        return outcome;
    });
}

jobs::JobOutcome UndoJob::run(const jobs::JobContext& context, const jobs::ProgressFn&)
{
    return timedOnOwnConnection(context, [&](db::Connection& connection, const QDateTime& started) {
        m_result = undoApply(connection, m_undoFile, m_log, started);
        jobs::JobOutcome outcome;
        outcome.messages = {QStringLiteral("Undone: run %1, %2 rows restored, %3 rows removed.")
                                .arg(m_result.runId)
                                .arg(m_result.restoredRows)
                                .arg(m_result.removedRows)};
        outcome.summary = {
            QStringLiteral("Undone in one transaction: run %1, %2 rows put back, %3 rows removed")
                .arg(m_result.runId)
                .arg(m_result.restoredRows)
                .arg(m_result.removedRows)};
        outcome.json = QJsonObject{{"runId", m_result.runId},
                                   {"undoFile", m_result.undoFile},
                                   {"restoredRows", m_result.restoredRows},
                                   {"removedRows", m_result.removedRows}};
        return outcome;
    });
}

} // namespace orvex::apply
