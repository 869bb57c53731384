#include "apply/RunRederive.h"

#include "Error.h"
#include "apply/ApplyPreflight.h"
#include "apply/RunParams.h"
#include "db/Connection.h"
#include "review/ChangeClass.h"
#include "tools/ToolJobs.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <optional>

namespace orvex::apply {

using jobs::Finding;

namespace {

// Changes a refusal names before it counts the rest.
constexpr int kNamedChanges = 5;

bool stopped(const review::RunRecord& record)
{
    return record.completeness.completion == review::RunCompletion::Stopped;
}

// The update run as it ran: a stopped pass ends after the lines the record says it read.
// Its record is kept in memory, and no review files are written.
review::RunRecord rerunUpdate(const jobs::JobContext& context, const review::RunRecord& record,
                              UpdateRunAgain again)
{
    again.params.recordOnly = true;
    caserates::UpdateRunJob job(again.params);
    int pass = -1;
    jobs::ProgressFn progress;
    if (stopped(record)) {
        progress = [&](jobs::JobProgress&& step) {
            if (step.clearViews) // a pass starts
                ++pass;
            if (pass < 0 || pass >= int(again.linesRead.size()))
                return;
            if (step.linesDone >= again.linesRead[size_t(pass)] && step.linesDone < step.lineCount)
                job.requestStop();
        };
    }
    const jobs::JobOutcome outcome = job.run(context, progress);
    if (!outcome.failures.isEmpty())
        throw Error(outcome.failures.front());
    return job.result().record;
}

void rerunScan(const jobs::JobContext& context, const review::RunRecord& record, ScanAgain again)
{
    again.params.lines = reconcile::readScanList(again.params.list, again.params.listFile);
    reconcile::ScanJob job(std::move(again.params));
    reconcile::ScanJob::ProgressFn progress;
    if (stopped(record)) {
        if (again.linesRead == 0)
            job.requestStop();
        progress = [&](const reconcile::ScanProgress& step) {
            if (step.linesDone >= again.linesRead && step.linesDone < step.lineCount)
                job.requestStop();
        };
    }
    job.scan(context, progress);
}

void rerunPackageRates(const jobs::JobContext& context, const tools::PackageRateParams& params)
{
    tools::PackageRateJob job(params);
    job.run(context, {});
}

QString valuesText(const jobs::Values& values)
{
    QStringList parts;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        parts << QStringLiteral("%1 \"%2\"").arg(it.key(), it.value());
    return parts.isEmpty() ? QStringLiteral("nothing") : parts.join(QStringLiteral(", "));
}

// The values of `held` and of `given` that the other holds otherwise, as valuesText.
std::pair<QString, QString> differingValues(const jobs::Values& held, const jobs::Values& given)
{
    jobs::Values heldOnly, givenOnly;
    for (auto it = held.cbegin(); it != held.cend(); ++it)
        if (!given.contains(it.key()) || given.value(it.key()) != it.value())
            heldOnly.insert(it.key(), it.value());
    for (auto it = given.cbegin(); it != given.cend(); ++it)
        if (!held.contains(it.key()) || held.value(it.key()) != it.value())
            givenOnly.insert(it.key(), it.value());
    return {valuesText(heldOnly), valuesText(givenOnly)};
}

// "code "10080", line 3 of "ICD PH 2024_PROCEDURE.txt"": where the list gives the change.
QString placeText(const Finding& f)
{
    QString place = QStringLiteral("code \"%1\"").arg(f.code);
    if (f.sourceLine > 0)
        place += QStringLiteral(", line %1").arg(f.sourceLine);
    if (!f.sourceFile.isEmpty())
        place += QStringLiteral(" of \"%1\"").arg(QFileInfo(f.sourceFile).fileName());
    return place;
}

// "rate-change of [Medicare].[dbo].[tbMedPackage] PackageID "30"".
QString rowText(const Finding& f)
{
    const std::optional<review::ChangeClass> c = review::classOf(f);
    return QStringLiteral("%1 of %2 %3 \"%4\"")
        .arg(c ? review::className(*c) : QStringLiteral("no change"), f.table, f.keyColumn, f.key);
}

QString changeText(const Finding& f)
{
    return QStringLiteral("%1 (%2), read %3, proposed %4")
        .arg(rowText(f), placeText(f), valuesText(f.read), valuesText(f.proposed));
}

bool sameRow(const Finding& a, const Finding& b)
{
    return a.kind == b.kind && a.table == b.table && a.keyColumn == b.keyColumn && a.key == b.key &&
           a.code == b.code && a.sourceLine == b.sourceLine && a.sourceFile == b.sourceFile;
}

// Change `index` (0-based) of `count` in the record, which differs from `now`.
QString changeDifference(const Finding& inRecord, const Finding& now, size_t index, size_t count)
{
    const QString which = QStringLiteral("change %1 of %2").arg(index + 1).arg(count);
    if (!sameRow(inRecord, now))
        return QStringLiteral("%1: the record says %2; the lists and the database give %3")
            .arg(which, changeText(inRecord), changeText(now));
    QStringList values;
    if (inRecord.read != now.read) {
        const auto [held, given] = differingValues(inRecord.read, now.read);
        values << QStringLiteral("the record read %1, the database holds %2").arg(held, given);
    }
    if (inRecord.proposed != now.proposed) {
        const auto [held, given] = differingValues(inRecord.proposed, now.proposed);
        values << QStringLiteral("the record proposes %1, the lists give %2").arg(held, given);
    }
    return QStringLiteral("%1 (%2, %3): %4")
        .arg(which, placeText(now), rowText(now), values.join(QStringLiteral("; ")));
}

QString completenessText(const review::RunCompleteness& c)
{
    if (c.isComplete())
        return QStringLiteral("complete");
    return QStringLiteral("%1 (not read: %2)")
        .arg(review::completionName(c.completion), c.notRead.join(QStringLiteral("; ")));
}

QString flagText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// The apply refuses a record it cannot check: what the run made again met is the reason.
Error notMadeAgain(const review::RunRecord& record, const QString& reason)
{
    return Error(refusal(record) +
                 QStringLiteral("the run could not be made again to check its record against the lists "
                                "and the database: %1")
                     .arg(reason));
}

} // namespace

review::RunRecord rederiveRun(db::Connection& connection, const review::RunRecord& record,
                              const QString& programFolder)
{
    QTemporaryDir reports;
    if (!reports.isValid())
        throw Error(Error::Kind::File,
                    QStringLiteral("no temporary folder could be made for the run made again (%1)")
                        .arg(reports.errorString()));
    jobs::JobContext context;
    context.programFolder = programFolder;
    context.otherOutputFolder = reports.path();
    context.existingConnection = &connection;
    context.clock = [when = record.when] { return when; };

    // The record's options first: a record that lacks them is refused as what it is.
    std::optional<UpdateRunAgain> update;
    std::optional<ScanAgain> scan;
    std::optional<tools::PackageRateParams> packageRates;
    if (record.is(review::kUpdateRun))
        update = updateRunAgain(record);
    else if (record.is(review::kScanRun) || record.is(review::kPhScanRun))
        scan = scanAgain(record);
    else if (record.is(review::kPackageRatesRun))
        packageRates = packageRatesAgain(record);
    else
        throw notMadeAgain(record,
                           QStringLiteral("a run of kind \"%1\" cannot be made again").arg(record.kind));

    const quint64 failedBefore = connection.statementsFailed();
    try {
        std::optional<review::RunRecord> kept; // the update run's, which it does not write
        if (update)
            kept = rerunUpdate(context, record, std::move(*update));
        else if (scan)
            rerunScan(context, record, std::move(*scan));
        else
            rerunPackageRates(context, *packageRates);
        if (connection.statementsFailed() != failedBefore)
            throw Error(Error::Kind::Database, connection.lastFailure());
        if (kept)
            return std::move(*kept);
        return review::readRunRecord(
            QDir(reports.path()).filePath(QString::fromUtf16(review::kRunRecordName)));
    } catch (const Error& e) {
        throw notMadeAgain(record, e.message());
    }
}

QStringList recordDifferences(const review::RunRecord& record, const review::RunRecord& again)
{
    QStringList differences;
    if (record.verB != again.verB)
        differences << QStringLiteral("the record says \"verB\" %1, the run made again %2")
                           .arg(flagText(record.verB), flagText(again.verB));
    if (record.updateDescriptions != again.updateDescriptions)
        differences << QStringLiteral("the record says \"updateDescriptions\" %1, the run made again %2")
                           .arg(flagText(record.updateDescriptions), flagText(again.updateDescriptions));
    if (record.testSuffix != again.testSuffix)
        differences << QStringLiteral(
                           "the record says the test copies' suffix \"%1\", the run made again \"%2\"")
                           .arg(record.testSuffix, again.testSuffix);
    if (record.params != again.params)
        differences << QStringLiteral("the record says the run was made with %1, the run made again with %2")
                           .arg(
                               QString::fromUtf8(QJsonDocument(record.params).toJson(QJsonDocument::Compact)),
                               QString::fromUtf8(QJsonDocument(again.params).toJson(QJsonDocument::Compact)));
    if (record.completeness != again.completeness)
        differences << QStringLiteral("the record says the run was %1, the run made again is %2")
                           .arg(completenessText(record.completeness), completenessText(again.completeness));

    const jobs::Findings& held = record.changes;
    const jobs::Findings& now = again.changes;
    if (held.size() != now.size())
        differences << QStringLiteral("the record holds %1 changes, the lists and the database give %2")
                           .arg(held.size())
                           .arg(now.size());
    int named = 0;
    size_t differing = 0;
    for (size_t i = 0; i < std::max(held.size(), now.size()); ++i) {
        QString difference;
        if (i >= now.size())
            difference = QStringLiteral("change %1 of %2: the record says %3, which the lists and the "
                                        "database do not give")
                             .arg(i + 1)
                             .arg(held.size())
                             .arg(changeText(held[i]));
        else if (i >= held.size())
            difference = QStringLiteral("the lists and the database give %1 as change %2, which the record "
                                        "lacks")
                             .arg(changeText(now[i]))
                             .arg(i + 1);
        else if (!(held[i] == now[i]))
            difference = changeDifference(held[i], now[i], i, held.size());
        if (difference.isEmpty())
            continue;
        ++differing;
        if (named < kNamedChanges) {
            differences << difference;
            ++named;
        }
    }
    if (differing > size_t(named))
        differences << QStringLiteral("and %1 more changes differ").arg(differing - size_t(named));
    return differences;
}

void refuseUnlessRederived(db::Connection& connection, const review::RunRecord& record,
                           const QString& outputFolder)
{
    const QString programFolder = QFileInfo(QDir::cleanPath(outputFolder)).path();
    const QStringList differences = recordDifferences(record, rederiveRun(connection, record, programFolder));
    if (differences.isEmpty())
        return;
    throw Error(refusal(record) +
                QStringLiteral("the record no longer holds what the run gives now over its lists and the "
                               "database, so it is not what its review showed:\n- ") +
                differences.join(QStringLiteral("\n- ")) + QLatin1Char('\n') + runAgain(record) +
                QStringLiteral(" Review the new run before applying it."));
}

} // namespace orvex::apply
