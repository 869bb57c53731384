#include "tools/ToolJobs.h"

#include "db/CurrentUser.h"
#include "jobs/NetChanges.h"
#include "platform/ProgramFolder.h"
#include "review/ReviewRun.h"
#include "review/RunRecord.h"

#include "Error.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>

namespace orvex::tools {

namespace {

// What the run record keeps of the options, for an apply to make the same script again.
QJsonObject packageRateParamsJson(const PackageRateParams& params)
{
    return QJsonObject{{"percent", params.percentText}, {"year", params.yearText}};
}
// A package rate change's proposed values without the package's name, as its read values hold them.
jobs::Values amountsOnly(jobs::Values values)
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
    const quint64 statementsBefore = connection.statementsSent();
    m_result = clonePackage(connection, m_params, context.now());
    outcome.statementsSent = connection.statementsSent() - statementsBefore;
    const bool done = m_result.outcome == CloneResult::Outcome::Done;
    outcome.messages = {cloneMessage(m_params, m_result)};
    if (done)
        outcome.summary = {
            QStringLiteral("%1 %2: new package %3 copied from package %4")
                .arg(codeKind(m_params.table), m_params.code, m_result.newPackageId, m_result.oldPackageId),
            outcome.messages.first()};
    outcome.json = QJsonObject{{"table", caseRateTableName(m_params.table)},
                               {"code", m_params.code},
                               {"found", done},
                               {"oldPackageId", m_result.oldPackageId},
                               {"newPackageId", m_result.newPackageId}};
    return outcome;
}

jobs::JobOutcome PackageRateJob::run(const jobs::JobContext& context, const jobs::ProgressFn&)
{
    // The boxes are checked before the database is touched.
    rateFactor(m_params.percentText);
    checkYearText(m_params.yearText);
    std::unique_ptr<db::Connection> own;
    db::Connection& connection = context.openConnection(own);
    const quint64 statementsBefore = connection.statementsSent();
    PackageRateParams params = m_params;
    if (params.outputPath.isEmpty()) {
        ProgramFolder::ensureFolder(context.outputFolder());
        params.outputPath = context.outputFolder() + QStringLiteral("/UpdatePackageRates.txt");
    }
    review::removeReviewFiles(context.outputFolder());
    review::removeRunRecord(context.outputFolder());
    const QDateTime started = context.now();
    m_result = writePackageRateScript(connection, params, this);
    jobs::JobOutcome outcome;
    if (m_result.stopped) {
        outcome.ending = stopRequest() == jobs::StopRequest::Abandon ? jobs::JobEnding::Abandoned
                                                                     : jobs::JobEnding::Stopped;
        // A stopped script would raise some packages only: none is written, and no run is left to apply.
        if (outcome.ending == jobs::JobEnding::Stopped)
            outcome.messages = {QStringLiteral("Stopped after %1 packages: %2 was not written, and there is "
                                               "no run to apply.")
                                    .arg(m_result.packages)
                                    .arg(QDir::toNativeSeparators(m_result.path))};
        outcome.summary = outcome.messages;
        return outcome;
    }
    review::ReviewRun run;
    run.title =
        QStringLiteral("Package rates raised by %1").arg(rateFactorCaption(params.percentText).mid(2));
    run.when = started;
    run.user = db::CurrentUser::systemUserName();
    run.database = connection.settings().describe();
    run.changes = m_result.changes;
    run.classes = review::kPackageRateClasses;
    run.amountColumns = review::kPackageAmountColumns;

    review::RunRecord record =
        review::newRunRecord(QString::fromUtf16(review::kPackageRatesRun), started, run.user, run.database);
    // A PackageID held by two rows gets two lines, the last of which holds; a factor of 0
    // leaves the amounts as they are.
    jobs::NetChanges net;
    for (jobs::Finding f : m_result.changes) {
        if (f.read == amountsOnly(f.proposed))
            f.kind = jobs::Finding::Kind::SameRow;
        net.add(std::move(f));
    }
    record.changes = net.take();
    record.params = packageRateParamsJson(params);
    run.recordDigest = review::writeRunRecord(record, context.outputFolder());
    review::writeReviewFiles(run, context.outputFolder());

    outcome.statementsSent = connection.statementsSent() - statementsBefore;
    outcome.messages = {QStringLiteral("Done.")};
    outcome.filesToOpen = {m_result.path};
    outcome.summary = {
        QStringLiteral("%1 active packages raised by %2 in %3")
            .arg(m_result.packages)
            .arg(rateFactorCaption(params.percentText).mid(2), QDir::toNativeSeparators(m_result.path)),
        QStringLiteral("Review page: ") +
            QDir::toNativeSeparators(review::reviewPagePath(context.outputFolder())),
        QStringLiteral("Change list: ") +
            QDir::toNativeSeparators(review::changeListPath(context.outputFolder())),
        outcome.messages.first()};
    outcome.json = QJsonObject{{"packages", m_result.packages},
                               {"script", m_result.path},
                               {"reviewPage", review::reviewPagePath(context.outputFolder())},
                               {"changeList", review::changeListPath(context.outputFolder())},
                               {"recordDigest", run.recordDigest}};
    return outcome;
}

jobs::JobOutcome DuplicateCodesJob::run(const jobs::JobContext& context, const jobs::ProgressFn&)
{
    std::unique_ptr<db::Connection> own;
    db::Connection& connection = context.openConnection(own);
    const quint64 statementsBefore = connection.statementsSent();
    jobs::JobOutcome outcome;
    QJsonArray rowsJson;
    if (m_mode == Mode::Delete) {
        const QList<DeletedIcdRow> rows = deleteDuplicateIcdCodes(connection, m_log, context.now());
        m_result.rowCount = rows.size();
        for (const DeletedIcdRow& row : rows) {
            outcome.summary.append(deleteLogLine(row));
            rowsJson.append(QJsonObject{{"code", QJsonValue::fromVariant(row.code)},
                                        {"description", QJsonValue::fromVariant(row.description)},
                                        {"allowAsPrimary", QJsonValue::fromVariant(row.allowAsPrimary)}});
        }
        outcome.messages = {QStringLiteral("Done. %1 duplicate ICD rows deleted.").arg(rows.size())};
    } else {
        const QList<SurplusIcdRow> rows = m_mode == Mode::Check
                                              ? checkDuplicateIcdCodes(connection, m_log, context.now())
                                              : findDuplicateIcdRows(connection);
        m_result.rowCount = rows.size();
        if (m_mode == Mode::Count)
            m_result.differing = findDifferingDuplicates(connection);
        for (const SurplusIcdRow& row : rows) {
            outcome.summary.append(checkLogLine(row));
            rowsJson.append(QJsonObject{{"code", QJsonValue::fromVariant(row.code)},
                                        {"description", QJsonValue::fromVariant(row.description)},
                                        {"rowNumber", QJsonValue::fromVariant(row.rowNumber)}});
        }
        if (m_mode == Mode::Check)
            outcome.messages = {rows.isEmpty() ? QStringLiteral("No Duplicates.")
                                               : QStringLiteral("Check log.")};
    }
    outcome.summary += outcome.messages;
    outcome.statementsSent = connection.statementsSent() - statementsBefore;
    outcome.json = QJsonObject{{m_mode == Mode::Delete ? "deleted" : "duplicates", rowsJson},
                               {"messages", QJsonArray::fromStringList(outcome.messages)}};
    return outcome;
}

} // namespace orvex::tools
