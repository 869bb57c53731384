#pragma once

#include "apply/ApplyPreflight.h"
#include "apply/ApplyRun.h"
#include "apply/UndoApply.h"
#include "db/LogIdentity.h"
#include "jobs/Job.h"

namespace orvex::apply {

// What an apply of the recorded run would do, checked on the job's own connection before
// the window asks: refusals are thrown (orvex::Error), the question is in result().
class ApplyPlanJob final : public jobs::JobWithResult<ApplyPlan>
{
public:
    explicit ApplyPlanJob(review::RunRecord record) : m_record(std::move(record)) {}
    QString title() const override { return QStringLiteral("apply"); }
    // Summary: a "Note: " line for each note, then the record's SHA-256.
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;

private:
    review::RunRecord m_record;
};

// The apply as a job of the window's runner: the last update run recorded in the context's
// output folder, applied on the job's own connection with the context's clock.
class ApplyJob final : public jobs::JobWithResult<ApplyResult>
{
public:
    // `expectedRunId`: the run the user confirmed; when the record names another run (a run
    // made meanwhile), nothing is applied. Empty: whatever the record names.
    // `stoppedConfirmed`: the user was asked about a stopped run and said yes.
    // `expectedDigest`: the record's SHA-256 as the question showed it; a record changed since
    // is not applied. Empty: not checked. `expectedKind`: as applyRun takes it.
    ApplyJob(db::LogIdentity log, QString expectedRunId = {}, bool stoppedConfirmed = false,
             QString expectedDigest = {}, QString expectedKind = {})
        : m_log(std::move(log)), m_expectedRunId(std::move(expectedRunId)),
          m_stoppedConfirmed(stoppedConfirmed), m_expectedDigest(std::move(expectedDigest)),
          m_expectedKind(std::move(expectedKind))
    {
    }
    QString title() const override { return QStringLiteral("apply"); }
    bool changesIcdTables() const override { return true; } // an ICD scan's run
    // "Applied run <id> in one transaction: <counts>." Throws orvex::Error, nothing changed,
    // for every refusal and failure of applyRun. The summary adds the time taken and how
    // the command line takes the apply back.
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;

private:
    db::LogIdentity m_log;
    QString m_expectedRunId;
    bool m_stoppedConfirmed = false;
    QString m_expectedDigest;
    QString m_expectedKind;
};

// "Undo last apply": an undo file written by an apply, run on the job's own connection in
// one transaction.
class UndoJob final : public jobs::JobWithResult<UndoResult>
{
public:
    UndoJob(QString undoFile, db::LogIdentity log) : m_undoFile(std::move(undoFile)), m_log(std::move(log)) {}
    QString title() const override { return QStringLiteral("undo"); }
    bool changesIcdTables() const override { return true; }
    // "Undone: run <id>, <n> rows restored, <m> rows removed." Throws orvex::Error, nothing
    // changed, for every refusal and failure of undoApply.
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;

private:
    QString m_undoFile;
    db::LogIdentity m_log;
};

} // namespace orvex::apply
