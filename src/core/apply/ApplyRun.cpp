#include "apply/ApplyRun.h"

#include "Error.h"
#include "apply/ApplyChange.h"
#include "apply/ApplyPreflight.h"
#include "apply/NotApplied.h"
#include "apply/RunRederive.h"
#include "apply/StoredRows.h"
#include "apply/TypedChanges.h"
#include "apply/UndoFile.h"
#include "apply/UndoFileWrite.h"
#include "db/ActivityLog.h"
#include "db/Connection.h"
#include "db/Transaction.h"
#include "platform/OutputFile.h"
#include "review/ChangeClass.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <span>

namespace orvex::apply {

using jobs::Finding;
using review::ChangeClass;

namespace {

// "an update run", "a PH scan".
QString withArticle(const QString& title)
{
    const bool vowel = !title.isEmpty() && QStringLiteral("aeiouAEIOU").contains(title[0]);
    return (vowel ? QStringLiteral("an ") : QStringLiteral("a ")) + title;
}

} // namespace

namespace {

void applyInTransaction(db::Connection& connection, const review::RunRecord& record,
                        const change::Changes& changes, const QString& outputFolder,
                        const db::LogIdentity& log, const QDateTime& when, ApplyResult& result)
{
    const QString refused = refusal(record);
    db::Transaction transaction(connection, db::Transaction::Mode::Write);
    refuseWhenNotTheLastRun(connection, record);
    refuseDuplicateIcdCodes(connection, record);
    // Every row the changes touch is read in a few statements: a first pass asks for the
    // keys, the next finds them.
    RowReads reads(connection);
    ChangedRows drifted;
    std::vector<Overwritten> before; // per applied change, in order
    reads.complete([&] {
        drifted = ChangedRows();
        before.assign(changes.size(), {});
        for (size_t i = 0; i < changes.size(); ++i)
            drifted.add(drift(reads, changes[i], before[i]));
    });
    if (drifted.count() > 0)
        throw Error(refused +
                    QStringLiteral("%1 rows changed since the run read them:\n").arg(drifted.count()) +
                    drifted.text() + QLatin1Char('\n') + runAgain(record));
    refuseUnlessRederived(connection, record, outputFolder);

    db::ActivityLog activity(connection);
    activity.append(log.user, log.workstation,
                    QStringLiteral("Apply of %1 %2 (run by %3 on %4): %5; run record SHA-256 %6")
                        .arg(review::runKindTitle(record.kind), record.runId, record.user,
                             record.when.toString(Qt::ISODate), result.counts.text(), result.recordDigest),
                    when);
    UndoRecord undo{record.runId, record.database, log.user, when, result.counts.text(), {}};
    ChangeWriter writer(connection);
    QStringList lines;
    for (size_t i = 0; i < changes.size(); ++i) {
        try {
            lines << QStringLiteral("Apply %1: ").arg(record.runId) +
                         writer.add(changes[i], before[i], undo.steps);
        } catch (const Error& e) {
            throw stepFailed(refused,
                             QStringLiteral("change %1 of %2 (%3) failed: ")
                                 .arg(i + 1)
                                 .arg(changes.size())
                                 .arg(where(changes[i])),
                             e);
        }
    }
    try {
        writer.send();
    } catch (const Error& e) {
        throw stepFailed(refused, QString(), e);
    }
    result.newPackageIds = writer.newPackageIds();
    activity.appendAll(log.user, log.workstation, lines, when);
    // The way back is on disk before the changes are: an apply without it is not made. Its
    // digest is logged with the changes, so that an undo runs only the file as written, and
    // only when this transaction committed.
    try {
        result.undoFile = writeLoggedUndoFile(activity, log, undo, outputFolder, when);
    } catch (const Error& e) {
        throw stepFailed(refused, QString(), e); // a link planted in its place is refused
    }
    commitWithUndoFile(transaction, result.undoFile);
}

} // namespace

namespace {

// Each class an apply counts: its counter, its words in text() and its name in json(), in
// the order text() lists them.
struct CountedClass
{
    ChangeClass changeClass;
    int ApplyCounts::*count;
    const char* one;
    const char* many;
    const char* jsonName;
};
constexpr CountedClass kCounted[] = {
    {ChangeClass::NewIcdCode, &ApplyCounts::newIcdCodes, "new ICD-10 code", "new ICD-10 codes",
     "newIcdCodes"},
    {ChangeClass::IcdDescriptionChange, &ApplyCounts::icdDescriptionChanges, "ICD-10 description change",
     "ICD-10 description changes", "icdDescriptionChanges"},
    {ChangeClass::NewPackage, &ApplyCounts::newPackages, "new package", "new packages", "newPackages"},
    {ChangeClass::NewCode, &ApplyCounts::newCodes, "new code", "new codes", "newCodes"},
    {ChangeClass::NewCaseRate, &ApplyCounts::newCaseRates, "new case rate", "new case rates", "newCaseRates"},
    {ChangeClass::RateChange, &ApplyCounts::rateChanges, "rate change", "rate changes", "rateChanges"},
    {ChangeClass::DescriptionChange, &ApplyCounts::descriptionChanges, "description change",
     "description changes", "descriptionChanges"},
    {ChangeClass::NewStyleRow, &ApplyCounts::newStyleRows, "new row of tbMedPackage_NEW",
     "new rows of tbMedPackage_NEW", "newStyleRows"},
    {ChangeClass::NewStyleRates, &ApplyCounts::newStyleRates, "rate of tbMedPackage_NEW written",
     "rates of tbMedPackage_NEW written", "newStyleRates"},
};

} // namespace

QString ApplyCounts::text() const
{
    QStringList parts;
    for (const CountedClass& c : kCounted) {
        const int count = this->*c.count;
        if (count > 0)
            parts << QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? c.one : c.many);
    }
    return parts.isEmpty() ? QStringLiteral("no changes") : parts.join(QStringLiteral(", "));
}

QJsonObject ApplyCounts::json() const
{
    QJsonObject o;
    for (const CountedClass& c : kCounted)
        o.insert(QLatin1String(c.jsonName), this->*c.count);
    return o;
}

ApplyCounts countChanges(const review::RunRecord& record)
{
    ApplyCounts counts;
    for (const Finding& f : record.changes) {
        const std::optional<ChangeClass> c = appliedClass(record, f);
        for (const CountedClass& counted : kCounted) {
            if (c == counted.changeClass)
                ++(counts.*counted.count);
        }
    }
    return counts;
}

void checkRunKind(const review::RunRecord& record, const QString& expectedKind)
{
    const QString refused = refusal(record);
    if (!review::isRunKind(record.kind))
        throw Error(
            refused +
            QStringLiteral("it is a run of kind \"%1\", which this version cannot apply.").arg(record.kind));
    if (!expectedKind.isEmpty() && record.kind != expectedKind)
        throw Error(refused + QStringLiteral("the last run in the output folder is %1 of %2, not %3.")
                                  .arg(withArticle(review::runKindTitle(record.kind)),
                                       record.when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                       withArticle(review::runKindTitle(expectedKind))));
}

QString appliedMarkerPath(const QString& outputFolder, const QString& runId)
{
    return QDir(outputFolder).filePath(QStringLiteral("applied ") + runId);
}

ApplyResult applyRun(db::Connection& connection, const QString& outputFolder, const db::LogIdentity& log,
                     const QDateTime& when, const QString& expectedKind, const QString& expectedRunId,
                     bool stoppedConfirmed, const QString& expectedDigest)
{
    const QString recordPath = QDir(outputFolder).filePath(QString::fromUtf16(review::kRunRecordName));
    QString digest;
    const review::RunRecord record = review::readRunRecord(recordPath, &digest);
    if (!expectedRunId.isEmpty() && record.runId != expectedRunId)
        throw Error(QStringLiteral("The run %1 was not applied, and nothing was changed: %2 now records "
                                   "the run %3. Review that run before applying it.")
                        .arg(expectedRunId, QDir::toNativeSeparators(recordPath), record.runId));
    const QString refused = refusal(record);
    checkRunKind(record, expectedKind);
    refuseChangedRecord(record, digest, expectedDigest);
    const QString marker = appliedMarkerPath(outputFolder, record.runId);

    ApplyResult result;
    result.runId = record.runId;
    result.counts = countChanges(record);
    result.recordDigest = digest;

    try {
        const change::Changes changes =
            refuseInapplicable(connection, record, outputFolder, stoppedConfirmed);
        applyInTransaction(connection, record, changes, outputFolder, log, when, result);
    } catch (const Error& e) {
        // A lost connection or a failed commit: the transaction, if begun, rolled back.
        throw notApplied(refused, e);
    }

    if (const QString failed = writeUnlinkedFile(marker, when.toString(Qt::ISODate).toUtf8());
        !failed.isEmpty())
        throw Error(Error::Kind::File,
                    QStringLiteral("The run %1 was applied, but the marker \"%2\" could not be written (%3): "
                                   "do not apply this run again.")
                        .arg(record.runId, QDir::toNativeSeparators(marker), failed));
    return result;
}

} // namespace orvex::apply
