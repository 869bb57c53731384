// orvex-cli apply and undo: the last run's changes (an update run, a scan, the package rate
// script) into the connected database, and
// back out again.
#include "cli/CliContext.h"

#include "Error.h"
#include "apply/ApplyPreflight.h"
#include "apply/ApplyRun.h"
#include "apply/UndoApply.h"
#include "platform/ProgramFolder.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>

namespace orvex::cli {

namespace {
// What the apply or the undo sent, as scan --stats prints it.
void printStats(CliContext& ctx, quint64 statements, const QElapsedTimer& timer)
{
    ctx.out.flush();
    ctx.err << "statements: " << statements << "\n"
            << "elapsed: " << QString::number(timer.elapsed() / 1000.0, 'f', 3) << " s\n";
    ctx.err.flush();
}
} // namespace

int runApply(CliContext& ctx, const QStringList& args)
{
    bool confirmed = false;
    bool stoppedConfirmed = false;
    bool stats = false;
    QString kind;   // "": whatever run the record is of
    QString digest; // "": the record as it is, unchecked
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--yes")) {
            confirmed = true;
        } else if (args[i] == QLatin1String("--stats")) {
            stats = true;
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
    ctx.out << "The " << oneField(review::runKindTitle(record.kind)) << " " << oneField(record.runId)
            << " of " << record.when.toString(Qt::ISODate) << " on " << oneField(record.database) << ": "
            << counts.text() << "\n";
    if (counts.total() == 0) {
        ctx.out << "Nothing to apply.\n"; // as the window says it: no transaction, no log entry
        return 0;
    }
    // The refusals and what is unusual, with --yes or without: what the window checks before it asks.
    auto connection = ctx.signIn();
    const apply::ApplyPlan plan = apply::planApply(*connection, record, output, QDateTime::currentDateTime());
    for (const QString& note : plan.notes)
        ctx.out << "Note: " << note << "\n";
    ctx.out << "Run record: SHA-256 " << plan.recordDigest << "\n";
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
    QElapsedTimer timer;
    timer.start();
    const quint64 sentBefore = connection->statementsSent();
    const apply::ApplyResult result =
        apply::applyRun(*connection, output, ctx.logIdentity(), QDateTime::currentDateTime(), kind,
                        record.runId, stoppedConfirmed, digest);
    ctx.out << "Applied run " << result.runId << " in one transaction: " << result.counts.text() << " ("
            << QString::number(timer.elapsed() / 1000.0, 'f', 2) << " s)\n"
            << "To take it back: orvex-cli undo \"" << QDir::toNativeSeparators(result.undoFile) << "\"\n";
    if (stats)
        printStats(ctx, connection->statementsSent() - sentBefore, timer);
    return 0;
}

int runUndo(CliContext& ctx, const QStringList& args)
{
    bool confirmed = false;
    bool stats = false;
    QString file;
    const QString output = ProgramFolder::outputFolder();
    for (const QString& a : args) {
        if (a == QLatin1String("--yes")) {
            confirmed = true;
        } else if (a == QLatin1String("--stats")) {
            stats = true;
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
    ctx.out << "Undo of the apply of run " << oneField(plan.runId) << " on " << oneField(plan.database)
            << ": " << oneField(plan.text()) << "\n";
    if (!confirmed) {
        ctx.out.flush();
        ctx.err << "orvex-cli: undo changes the database: add --yes to run it\n";
        return 1;
    }
    auto connection = ctx.signIn();
    QElapsedTimer timer;
    timer.start();
    const quint64 sentBefore = connection->statementsSent();
    const apply::UndoResult result =
        apply::undoApply(*connection, file, ctx.logIdentity(), QDateTime::currentDateTime());
    ctx.out << "Undone in one transaction: run " << result.runId << ", " << result.restoredRows
            << " rows put back, " << result.removedRows << " rows removed\n";
    if (stats)
        printStats(ctx, connection->statementsSent() - sentBefore, timer);
    return 0;
}

} // namespace orvex::cli
