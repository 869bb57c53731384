#include "apply/ApplyPreflight.h"

#include "Error.h"
#include "apply/ApplyRun.h"
#include "apply/RunParams.h"
#include "apply/StoredRows.h"
#include "apply/TypedChanges.h"
#include "db/ActivityLog.h"
#include "db/CiAsCollation.h"
#include "db/Connection.h"
#include "db/Queries.h"
#include "platform/OutputFile.h"
#include "review/ChangeClass.h"
#include "text/QuotedText.h"
#include "tools/DuplicateCodes.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QSqlQuery>

namespace orvex::apply {

using jobs::Finding;
using review::ChangeClass;

namespace {

// Codes a refusal names before it counts the rest.
constexpr int kNamedCodes = 20;

QString notReadText(const review::RunRecord& record)
{
    return record.completeness.notRead.join(QStringLiteral("; "));
}

int countOf(const review::RunRecord& record, ChangeClass c)
{
    return int(std::count_if(record.changes.begin(), record.changes.end(),
                             [c](const Finding& f) { return review::classOf(f) == c; }));
}

// "tbMedPackage_TEST, tbMed_MedicalCaseRates_TEST and tbMed_Procedures_TEST": the copies an
// update run on test copies changes, in a fixed order.
QString testCopiesChanged(const review::RunRecord& record)
{
    QSet<QString> tables;
    for (const Finding& f : record.changes) {
        const std::optional<ChangeClass> c = review::classOf(f);
        if (c == ChangeClass::NewCode || c == ChangeClass::RateChange)
            tables.insert(QStringLiteral("tbMedPackage"));
        if (c == ChangeClass::NewCode || (c == ChangeClass::DescriptionChange && record.updateDescriptions))
            tables.insert(f.table->contains(QLatin1String("tbMed_Procedures"), Qt::CaseInsensitive)
                              ? QStringLiteral("tbMed_Procedures")
                              : QStringLiteral("tbMed_MedicalCaseRates"));
    }
    QStringList names;
    for (const char* table : {"tbMedPackage", "tbMed_MedicalCaseRates", "tbMed_Procedures"}) {
        if (tables.contains(QLatin1String(table)))
            names << QLatin1String(table) + record.testSuffix;
    }
    if (names.size() < 2)
        return names.join(QString());
    const QString last = names.takeLast();
    return names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

QString plural(int count, const char* one, const char* many)
{
    return QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? one : many);
}

} // namespace

QStringList applyNotes(db::Connection& connection, const review::RunRecord& record, const QDateTime& now)
{
    QStringList notes;
    if (record.completeness.completion == review::RunCompletion::Stopped)
        notes << QStringLiteral("The run was stopped before its end and did not read %1. Only the changes "
                                "of the lines it read are applied.")
                     .arg(notReadText(record));
    if (!record.testSuffix.isEmpty())
        notes << QStringLiteral("The run aimed at the test copies (\"Test Table\", suffix %1): the apply "
                                "changes %2, not the live tables.")
                     .arg(record.testSuffix, testCopiesChanged(record));
    if (record.verB) {
        const int rows = countOf(record, ChangeClass::NewStyleRow);
        const int rates = countOf(record, ChangeClass::NewStyleRates);
        notes << QStringLiteral("The run kept tbMedPackage_NEW in step (\"Philhealth Ver B.\"): the apply "
                                "changes tbMedPackage_NEW too (%1, %2).")
                     .arg(plural(rows, "new row", "new rows"),
                          plural(rates, "row of rates", "rows of rates"));
    }
    if (record.is(review::kUpdateRun) && !record.updateDescriptions) {
        if (const int left = countOf(record, ChangeClass::DescriptionChange); left > 0)
            notes << QStringLiteral("%1 left out: the run was made without \"Update Descriptions\" (the "
                                    "review page marks them as not applied).")
                         .arg(plural(left, "description change is", "description changes are"));
    }
    // Step 1 copies the package and case-rate tables; an ICD scan changes tbICDdiagMain only.
    if (!record.is(review::kScanRun)) {
        const QString last = db::ActivityLog(connection).lastBackup();
        if (!last.startsWith(now.date().toString(QStringLiteral("yyyy-MM-dd"))))
            notes << QStringLiteral("No backup was made today with \"Step1. Create table copies on\" (%1).")
                         .arg(last.isEmpty() ? QStringLiteral("the activity log holds none")
                                             : QStringLiteral("the last one on ") + last);
    }
    return notes;
}

QString refusal(const review::RunRecord& record)
{
    return QStringLiteral("The run %1 was not applied, and nothing was changed: ").arg(record.runId);
}

QString runAgain(const review::RunRecord& record)
{
    if (record.is(review::kPackageRatesRun))
        return QStringLiteral("Write the package rate script again.");
    if (record.is(review::kUpdateRun))
        return QStringLiteral("Run the update again.");
    return QStringLiteral("Run the %1 again.").arg(review::runKindTitle(record.kind));
}

void refuseWhenNotTheLastRun(db::Connection& connection, const review::RunRecord& record)
{
    const QString last = db::ActivityLog(connection).lastApplyOrUndo();
    if (!last.isEmpty() && last > db::ActivityLog::timestampText(record.when))
        throw Error(refusal(record) +
                    QStringLiteral("the database was changed by an apply or an undo on %1, after the run "
                                   "of %2. ")
                        .arg(last, db::ActivityLog::timestampText(record.when)) +
                    runAgain(record));
}

void refuseDuplicateIcdCodes(db::Connection& connection, const review::RunRecord& record)
{
    QSet<QString> changed; // CI_AS keys of the codes whose description the run changes
    for (const Finding& f : record.changes) {
        if (review::classOf(f) == ChangeClass::IcdDescriptionChange)
            changed.insert(db::ciAsKey(f.key));
    }
    if (changed.isEmpty())
        return;
    QStringList codes;
    QSet<QString> seen;
    RowReads reads(connection, RowReads::Mode::Direct);
    for (const tools::SurplusIcdRow& row : tools::findDuplicateIcdRows(connection)) {
        const QString code = storedText(row.code);
        const QString key = db::ciAsKey(code);
        if (!changed.contains(key) || seen.contains(key))
            continue;
        seen.insert(key);
        // Rows that all hold one description are changed alike, and the undo puts it back.
        const std::vector<QVariantMap> rows = icdRows(reads, code);
        for (const QVariantMap& r : rows) {
            if (storedText(r.value(QStringLiteral("Description"))) !=
                storedText(rows.front().value(QStringLiteral("Description")))) {
                codes << text::quotedForMessage(code);
                break;
            }
        }
    }
    if (codes.isEmpty())
        return;
    QString named = codes.mid(0, kNamedCodes).join(QStringLiteral(", "));
    if (codes.size() > kNamedCodes)
        named += QStringLiteral(" and %1 more").arg(codes.size() - kNamedCodes);
    throw Error(refusal(record) +
                QStringLiteral("%1 %2 held by rows of different descriptions in tbICDdiagMain (duplicate "
                               "ICD codes), so the description the run read is not known. Click \"Check "
                               "Duplicates\" on tab \"Tools\" to list them and \"Delete Duplicates\" to "
                               "remove the surplus rows. ")
                    .arg(codes.size() == 1 ? QStringLiteral("the ICD code") : QStringLiteral("the ICD codes"),
                         named + (codes.size() == 1 ? QStringLiteral(" is") : QStringLiteral(" are"))) +
                runAgain(record));
}

namespace {

// The test copies an update run aimed at: each must be there before anything is changed.
void checkTestCopies(db::Connection& connection, const review::RunRecord& record, const QString& refused)
{
    if (record.testSuffix.isEmpty())
        return;
    QStringList missing;
    for (const char* table : {"tbMedPackage", "tbMed_MedicalCaseRates", "tbMed_Procedures"}) {
        const QString copy = QLatin1String(table) + record.testSuffix;
        try {
            connection.exec(db::Query(db::queries::backupRowCount).bindName("table", copy));
        } catch (const Error&) {
            missing << copy;
        }
    }
    if (!missing.isEmpty())
        throw Error(refused +
                    QStringLiteral("it aimed at the test copies %1, which the database lacks. Make them "
                                   "with \"Step1. Create table copies on\" and the suffix %2 first.")
                        .arg(missing.join(QStringLiteral(", ")), record.testSuffix));
}

bool appliedInLog(db::Connection& connection, const QString& runId)
{
    db::ActivityLog activity(connection);
    if (!activity.exists())
        return false;
    // The run id holds no LIKE wildcard: review::readRunRecord checks its form.
    QSqlQuery q =
        connection.exec(db::Query(db::queries::activityLogLinesLike)
                            .bind("pattern", QStringLiteral("Apply of % ") + runId + QStringLiteral(" (%")));
    return q.next() && q.value(0).toLongLong() > 0;
}

} // namespace

change::Changes refuseInapplicable(db::Connection& connection, const review::RunRecord& record,
                                   const QString& outputFolder, bool stoppedConfirmed)
{
    const QString refused = refusal(record);
    const QString database = connection.settings().describe();
    if (record.database != database)
        throw Error(
            refused +
            QStringLiteral("it read %1, but this connection is to %2.").arg(record.database, database));
    const QString marker = appliedMarkerPath(outputFolder, record.runId);
    try {
        refuseLinkedFile(marker);
    } catch (const Error& e) {
        throw Error(refused + e.message());
    }
    if (QFile::exists(marker))
        throw Error(refused +
                    QStringLiteral("it was applied already (%1). ").arg(QDir::toNativeSeparators(marker)) +
                    runAgain(record));
    // The database is the last word: an apply that committed but was ended before it wrote
    // its marker is recorded in the activity log.
    if (appliedInLog(connection, record.runId)) {
        writeUnlinkedFile(marker, QByteArray());
        throw Error(refused + QStringLiteral("the activity log records its apply already. ") +
                    runAgain(record));
    }
    if (record.completeness.completion == review::RunCompletion::Incomplete)
        throw Error(refused +
                    QStringLiteral("the run is incomplete: it did not read %1. Mend what is named. ")
                        .arg(notReadText(record)) +
                    runAgain(record));
    if (record.completeness.completion == review::RunCompletion::Stopped && !stoppedConfirmed)
        throw Error(refused + QStringLiteral("the run was stopped before its end (it did not read %1), and "
                                             "applying a stopped run was not confirmed.")
                                  .arg(notReadText(record)));
    checkTestCopies(connection, record, refused);
    change::Changes changes = appliedChanges(record);
    refuseWhenNotTheLastRun(connection, record);
    refuseDuplicateIcdCodes(connection, record);
    checkRunParams(record);
    return changes;
}

void refuseChangedRecord(const review::RunRecord& record, const QString& digest,
                         const QString& expectedDigest)
{
    if (expectedDigest.isEmpty() || digest.compare(expectedDigest, Qt::CaseInsensitive) == 0)
        return;
    throw Error(refusal(record) +
                QStringLiteral("the run record changed since its review: its SHA-256 is now %1, not %2 as "
                               "reviewed. ")
                    .arg(digest, expectedDigest) +
                runAgain(record) + QStringLiteral(" Review the new run before applying it."));
}

ApplyPlan planApply(db::Connection& connection, const review::RunRecord& record, const QString& outputFolder,
                    const QDateTime& now)
{
    refuseInapplicable(connection, record, outputFolder, true);
    ApplyPlan plan;
    plan.record = record;
    plan.counts = countChanges(record);
    plan.notes = applyNotes(connection, record, now);
    QFile file(QDir(outputFolder).filePath(QString::fromUtf16(review::kRunRecordName)));
    if (file.open(QIODevice::ReadOnly))
        plan.recordDigest = review::runRecordDigest(file.readAll());
    return plan;
}

QString ApplyPlan::question() const
{
    QString text =
        QStringLiteral("Apply the %1 %2 of %3 to the database?\n\nDatabase: %4\nChanges: %5\n\n")
            .arg(review::runKindTitle(record.kind), record.runId,
                 record.when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), record.database, counts.text());
    if (!recordDigest.isEmpty())
        text +=
            QStringLiteral("Run record: SHA-256 %1 (the review page shows the one it was written with)\n\n")
                .arg(recordDigest);
    if (!notes.isEmpty())
        text += QStringLiteral("Note:\n- ") + notes.join(QStringLiteral("\n- ")) + QStringLiteral("\n\n");
    return text + QStringLiteral("All changes are made in one transaction, or none.");
}

} // namespace orvex::apply
