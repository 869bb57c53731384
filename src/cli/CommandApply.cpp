// orvex-cli apply and undo: the last run's changes (an update run, a scan, the package rate
// script) into the connected database, and
// back out again.
#include "cli/CliContext.h"
#include "cli/JobCommand.h"

#include "Error.h"
#include "apply/ApplyJobs.h"
#include "platform/ProgramFolder.h"

#include <QDir>

namespace orvex::cli {

int runApply(CliContext& ctx, const QStringList& args)
{
    bool confirmed = false;
    bool stoppedConfirmed = false;
    JobRunOptions run;
    QString kind;   // "": whatever run the record is of
    QString digest; // "": the record as it is, unchecked
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (takeRunOption(args[i], run))
            continue;
        if (args[i] == QLatin1String("--yes")) {
            confirmed = true;
        } else if (args[i] == QLatin1String("--stopped")) {
            stoppedConfirmed = true;
        } else if (args[i] == QLatin1String("--digest") && i + 1 < args.size()) {
            digest = args[++i];
        } else if (args[i] == QLatin1String("--run") && i + 1 < args.size()) {
            kind = args[++i];
            if (!review::isRunKind(kind))
                throw UsageError(
                    QStringLiteral("apply: --run takes update, scan, ph-scan or package-rates, not \"%1\"")
                        .arg(kind));
        } else {
            throw UsageError(QStringLiteral("apply: unknown option \"%1\"").arg(args[i]));
        }
    }
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
    bool confirmed = false;
    JobRunOptions run;
    QString file;
    const QString output = ProgramFolder::outputFolder();
    for (const QString& a : args) {
        if (takeRunOption(a, run))
            continue;
        if (a == QLatin1String("--yes")) {
            confirmed = true;
        } else if (a == QLatin1String("--last")) {
            file = apply::lastUndoFile(output);
            if (file.isEmpty())
                throw Error(QStringLiteral("undo: \"%1\" holds no undo file that was not run yet.")
                                .arg(QDir::toNativeSeparators(output)));
        } else if (a.startsWith(QLatin1String("--")) || !file.isEmpty()) {
            throw UsageError(QStringLiteral("undo: unknown option \"%1\"").arg(a));
        } else {
            file = a;
        }
    }
    if (file.isEmpty())
        throw UsageError(QStringLiteral("undo needs an undo file or --last"));
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
