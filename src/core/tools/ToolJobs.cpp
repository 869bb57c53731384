#include "tools/ToolJobs.h"

#include "db/CurrentUser.h"
#include "jobs/NetChanges.h"
#include "platform/ProgramFolder.h"
#include "review/ReviewRun.h"
#include "review/RunRecord.h"

#include "Error.h"

#include <QDir>
#include <QJsonArray>

namespace orvex::tools {

namespace {

// What the run record keeps of the options, for an apply to make the same script again.
QJsonObject packageRateParamsJson(const PackageRateParams& params)
{
    return QJsonObject{{"percent", params.percentText}, {"year", params.yearText}};
}
// A package rate change's proposed values without the package's name, as its read values hold them.
QMap<QString, QString> amountsOnly(QMap<QString, QString> values)
{
    values.remove(QStringLiteral("Package"));
    return values;
}
} // namespace

jobs::JobOutcome PackageCloneJob::run(const jobs::JobContext& context, const jobs::ProgressFn&)
{
    jobs::JobOutcome outcome;
    if (m_params.code.isEmpty())
        return outcome; // nothing read, nothing written, nothing said
    std::unique_ptr<db::Connection> own;
    db::Connection& connection = context.openConnection(own);
    m_result = clonePackage(connection, m_params);
    if (m_result.outcome == CloneResult::Outcome::NotFound) {
        outcome.messages = {QStringLiteral("Not Found.")};
    } else {
        outcome.messages = {QStringLiteral("Done.")};
        outcome.summary = {
            QStringLiteral("%1 %2: new package %3 copied from package %4")
                .arg(codeKind(m_params.table), m_params.code, m_result.newPackageId, m_result.oldPackageId)};
    }
    return outcome;
}

jobs::JobOutcome PackageRateJob::run(const jobs::JobContext& context, const jobs::ProgressFn&)
{
    // The boxes are checked before the database is touched.
    rateFactor(m_params.percentText);
    checkYearText(m_params.yearText);
    std::unique_ptr<db::Connection> own;
    db::Connection& connection = context.openConnection(own);
    PackageRateParams params = m_params;
    if (params.outputPath.isEmpty()) {
        ProgramFolder::ensureFolder(context.outputFolder());
        params.outputPath = context.outputFolder() + QStringLiteral("/UpdatePackageRates.txt");
    }
    review::removeReviewFiles(context.outputFolder());
    review::removeRunRecord(context.outputFolder());
    m_changes.clear();
    const QDateTime started = context.now();
    const PackageRateResult result = writePackageRateScript(
        connection, params, [this] { return !shouldContinue(); }, &m_changes);
    jobs::JobOutcome outcome;
    if (result.stopped) {
        m_changes.clear();
        outcome.ending = stopRequest() == jobs::StopRequest::Abandon ? jobs::JobEnding::Abandoned
                                                                     : jobs::JobEnding::Stopped;
        // A stopped script would raise some packages only: none is written, and no run is left to apply.
        if (outcome.ending == jobs::JobEnding::Stopped)
            outcome.messages = {QStringLiteral("Stopped after %1 packages: %2 was not written, and there is "
                                               "no run to apply.")
                                    .arg(result.packages)
                                    .arg(QDir::toNativeSeparators(result.path))};
        return outcome;
    }
    review::ReviewRun run;
    run.title =
        QStringLiteral("Package rates raised by %1").arg(rateFactorCaption(params.percentText).mid(2));
    run.when = started;
    run.user = db::CurrentUser::systemUserName();
    run.database = connection.settings().describe();
    run.changes = m_changes;
    run.classes = review::kPackageRateClasses;
    run.amountColumns = review::kPackageAmountColumns;

    review::RunRecord record =
        review::newRunRecord(QString::fromUtf16(review::kPackageRatesRun), started, run.user, run.database);
    // A PackageID held by two rows gets two lines, the last of which holds; a factor of 0
    // leaves the amounts as they are.
    jobs::NetChanges net;
    for (jobs::Finding f : m_changes) {
        if (f.read == amountsOnly(f.proposed))
            f.kind = jobs::Finding::Kind::SameRow;
        net.add(std::move(f));
    }
    record.changes = net.take();
    record.params = packageRateParamsJson(params);
    run.recordDigest = review::writeRunRecord(record, context.outputFolder());
    review::writeReviewFiles(run, context.outputFolder());

    outcome.messages = {QStringLiteral("Done.")};
    outcome.filesToOpen = {result.path};
    outcome.summary = {
        QStringLiteral("%1 active packages raised by %2 in %3")
            .arg(result.packages)
            .arg(rateFactorCaption(params.percentText).mid(2), QDir::toNativeSeparators(result.path)),
        QStringLiteral("Review page: ") +
            QDir::toNativeSeparators(review::reviewPagePath(context.outputFolder())),
        QStringLiteral("Change list: ") +
            QDir::toNativeSeparators(review::changeListPath(context.outputFolder()))};
    return outcome;
}

jobs::JobOutcome DuplicateCodesJob::run(const jobs::JobContext& context, const jobs::ProgressFn&)
{
    std::unique_ptr<db::Connection> own;
    db::Connection& connection = context.openConnection(own);
    jobs::JobOutcome outcome;
    if (m_mode == Mode::Delete) {
        const QList<DeletedIcdRow> rows = deleteDuplicateIcdCodes(connection, m_log);
        m_result = rows.size();
        for (const DeletedIcdRow& row : rows)
            outcome.summary.append(deleteLogLine(row));
        outcome.messages = {QStringLiteral("Done. %1 duplicate ICD rows deleted.").arg(rows.size())};
        return outcome;
    }
    const QList<SurplusIcdRow> rows =
        m_mode == Mode::Check ? checkDuplicateIcdCodes(connection, m_log) : findDuplicateIcdRows(connection);
    m_result = rows.size();
    for (const SurplusIcdRow& row : rows)
        outcome.summary.append(checkLogLine(row));
    if (m_mode == Mode::Check)
        outcome.messages = {rows.isEmpty() ? QStringLiteral("No Duplicates.") : QStringLiteral("Check log.")};
    return outcome;
}

jobs::JobOutcome TableBackupJob::run(const jobs::JobContext& context, const jobs::ProgressFn& progress)
{
    if (const QString problem = copySuffixProblem(m_params.suffix); !problem.isEmpty())
        throw Error(problem); // before the database is touched
    std::unique_ptr<db::Connection> own;
    db::Connection& connection = context.openConnection(own);
    const quint64 statementsBefore = connection.statementsSent();
    TableBackupHooks hooks;
    hooks.stopRequested = [this] { return !shouldContinue(); };
    hooks.now = [&context] { return context.now(); };
    if (progress)
        hooks.stepDone = [&progress](int done, int total) {
            jobs::JobProgress step;
            step.linesDone = done;
            step.lineCount = total;
            progress(std::move(step));
        };
    m_result = backupTables(connection, m_params, hooks);

    jobs::JobOutcome outcome;
    outcome.statementsSent = connection.statementsSent() - statementsBefore;
    outcome.failures = m_result.notMade;
    outcome.summary = m_result.added;
    QJsonArray copies;
    for (const TableCopy& c : std::as_const(m_result.copies)) {
        outcome.summary.append(QStringLiteral("Copy %1: %2 rows").arg(c.copy).arg(c.rows));
        copies.append(QJsonObject{{"table", c.table}, {"copy", c.copy}, {"rows", c.rows}});
    }
    if (m_result.stopped) {
        outcome.ending = stopRequest() == jobs::StopRequest::Abandon ? jobs::JobEnding::Abandoned
                                                                     : jobs::JobEnding::Stopped;
    } else {
        outcome.messages = {m_result.notMade.isEmpty() ? QStringLiteral("Done.")
                                                       : QStringLiteral("Done, but these were not made:\n") +
                                                             m_result.notMade.join(QLatin1Char('\n'))};
        if (m_result.notMade.isEmpty())
            outcome.summary.append(outcome.messages);
    }
    outcome.json = QJsonObject{{"suffix", m_params.suffix},
                               {"copies", copies},
                               {"added", QJsonArray::fromStringList(m_result.added)},
                               {"notMade", QJsonArray::fromStringList(m_result.notMade)},
                               {"passedOver", QJsonArray::fromStringList(m_result.passedOver)},
                               {"messages", QJsonArray::fromStringList(outcome.messages)}};
    return outcome;
}

} // namespace orvex::tools
