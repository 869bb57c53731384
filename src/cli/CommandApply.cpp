// orvex-cli apply and undo: the last run's changes (an update run, a scan, the package rate
// script) into the connected database, and
// back out again.
#include "cli/CliContext.h"
#include "cli/CommandLine.h"
#include "cli/JobCommand.h"

#include "Error.h"
#include "apply/ApplyJobs.h"
#include "platform/ProgramFolder.h"

#include <QDir>

namespace orvex::cli {

int runApply(CliContext& ctx, const QStringList& args)
{
    CommandLine line(QStringLiteral("apply"));
    line.addValue(QStringLiteral("run"), QStringLiteral("update|scan|ph-scan|package-rates"),
                  QStringLiteral("refuse a last run of another kind"));
    line.addValue(QStringLiteral("digest"), QStringLiteral("SHA256"),
                  QStringLiteral("refuse a record whose SHA-256 is not this one (its review page names it)"));
    line.addFlag(QStringLiteral("stopped"), QStringLiteral("apply a run that was stopped before its end"));
    line.addFlag(QStringLiteral("yes"), QStringLiteral("apply; without it only the counts, the notes, the "
                                                       "record's SHA-256 and the refusals"));
    line.addRunOptions(QStringLiteral("what was checked and done as JSON objects"));
    if (!line.parse(ctx, args))
        return 0;
    if (!line.arguments().isEmpty())
        throw UsageError(QStringLiteral("apply: unknown option \"%1\"").arg(line.arguments().first()));
    const bool confirmed = line.isSet(QStringLiteral("yes"));
    const bool stoppedConfirmed = line.isSet(QStringLiteral("stopped"));
    const JobRunOptions run = line.runOptions();
    const QString kind = line.value(QStringLiteral("run"));      // "": whatever run the record is of
    const QString digest = line.value(QStringLiteral("digest")); // "": the record as it is, unchecked
    if (line.isSet(QStringLiteral("run")) && !review::isRunKind(kind))
        throw UsageError(
            QStringLiteral("apply: --run takes update, scan, ph-scan or package-rates, not \"%1\"")
                .arg(kind));
    const QString output = ProgramFolder::outputFolder();
    const review::RunRecord record =
        review::readRunRecord(QDir(output).filePath(QString::fromUtf16(review::kRunRecordName)));
    apply::checkRunKind(record, kind);
    const apply::ApplyCounts counts = apply::countChanges(record);
    if (!run.json)
        ctx.out << "The " << oneField(review::runKindTitle(record.kind)) << " " << oneField(record.runId)
                << " of " << record.when.toString(Qt::ISODate) << " on " << oneField(record.database) << ": "
                << counts.text() << "\n";
    if (counts.total() == 0) {
        if (!run.json)
            ctx.out << "Nothing to apply.\n"; // as the window says it: no transaction, no log entry
        return 0;
    }
    // The refusals and what is unusual, with --yes or without: what the window checks before it asks.
    auto connection = ctx.signIn();
    const jobs::JobContext context = jobContext(connection.get());
    apply::ApplyPlanJob planJob(record);
    runJob(ctx, planJob, context, {run.json, false, true});
    const apply::ApplyPlan& plan = planJob.result();
    // The record the user reviewed, named by its digest: one changed since is not applied.
    apply::refuseChangedRecord(record, plan.recordDigest, digest);
    if (plan.stopped() && !stoppedConfirmed) {
        ctx.out.flush();
        ctx.err << "orvex-cli: " << apply::refusal(record)
                << "the run was stopped before its end: add --stopped to apply what it read\n";
        return 1;
    }
    if (!confirmed) {
        ctx.out.flush();
        ctx.err << "orvex-cli: apply changes the database: add --yes to apply these changes\n";
        return 1;
    }
    apply::ApplyJob job(ctx.logIdentity(), record.runId, stoppedConfirmed, digest, kind);
    return runJob(ctx, job, context, run);
}

int runUndo(CliContext& ctx, const QStringList& args)
{
    CommandLine line(QStringLiteral("undo"));
    line.addArgument(QStringLiteral("FILE"), QStringLiteral("the undo file of an apply"));
    line.addFlag(QStringLiteral("last"),
                 QStringLiteral("the newest undo file of the output folder not run yet"));
    line.addFlag(QStringLiteral("yes"), QStringLiteral("run it; without it only what it would do"));
    line.addRunOptions(QStringLiteral("what was checked and done as JSON objects"));
    if (!line.parse(ctx, args))
        return 0;
    const bool confirmed = line.isSet(QStringLiteral("yes"));
    const JobRunOptions run = line.runOptions();
    const bool last = line.isSet(QStringLiteral("last"));
    const QStringList files = line.arguments();
    if (files.size() > 1 || (last && !files.isEmpty()))
        throw UsageError(
            QStringLiteral("undo takes one undo file or --last, not also \"%1\"").arg(files.last()));
    if (!last && files.isEmpty())
        throw UsageError(QStringLiteral("undo needs an undo file or --last"));
    const QString output = ProgramFolder::outputFolder();
    QString file = files.value(0);
    if (last) {
        file = apply::lastUndoFile(output);
        if (file.isEmpty())
            throw Error(QStringLiteral("undo: \"%1\" holds no undo file that was not run yet.")
                            .arg(QDir::toNativeSeparators(output)));
    }
    const apply::UndoPlan plan = apply::readUndoPlan(file);
    if (!run.json)
        ctx.out << "Undo of the apply of run " << oneField(plan.runId) << " on " << oneField(plan.database)
                << ": " << oneField(plan.text()) << "\n";
    if (!confirmed) {
        ctx.out.flush();
        ctx.err << "orvex-cli: undo changes the database: add --yes to run it\n";
        return 1;
    }
    auto connection = ctx.signIn();
    apply::UndoJob job(file, ctx.logIdentity());
    return runJob(ctx, job, jobContext(connection.get()), run);
}

} // namespace orvex::cli
