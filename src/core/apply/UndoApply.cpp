#include "apply/UndoApply.h"

#include "Error.h"
#include "apply/NotApplied.h"
#include "apply/StoredRows.h"
#include "apply/UndoFile.h"
#include "apply/UndoWriter.h"
#include "db/ActivityLog.h"
#include "db/CiAsCollation.h"
#include "db/Connection.h"
#include "db/Queries.h"
#include "db/Transaction.h"
#include "platform/OutputFile.h"
#include "text/Blanks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlQuery>

#include <algorithm>

namespace orvex::apply {

namespace {

// tbMedPackage, a test copy or a year's copy of it.
bool isPackage(const UndoStep& step)
{
    return step.keyColumn == QLatin1String("PackageID");
}

// tbMedPackage_NEW, whose rows the apply finds by Code.
bool isNewStyle(const UndoStep& step)
{
    return step.keyColumn == QLatin1String("Code");
}

bool isIcd(const UndoStep& step)
{
    return step.table == QLatin1String("tbICDdiagMain");
}

// A package rate script's step: all six amounts, in tbMedPackage or a year's copy.
bool allAmounts(const UndoStep& step)
{
    return step.before.contains(QStringLiteral("MedDrugs"));
}

bool isProcedures(const UndoStep& step)
{
    return step.table.startsWith(QLatin1String("tbMed_Procedures"));
}

// The row as it is now. An ICD-10 code's rows must agree: the apply inserted one row of a
// new code, and changed every row of a known one.
std::optional<QVariantMap> rowNow(RowReads& reads, const UndoStep& step, QString& problem)
{
    if (isIcd(step)) {
        const std::vector<QVariantMap> rows = icdRows(reads, step.key);
        if (rows.empty())
            return std::nullopt;
        const bool inserted = step.action == UndoStep::Action::Remove;
        if ((inserted && rows.size() > 1) ||
            std::any_of(rows.begin(), rows.end(), [&](const QVariantMap& r) { return !holds(r, rows[0]); }))
            problem = QStringLiteral("%1 now has %2 rows").arg(undoRowName(step)).arg(rows.size());
        return rows[0];
    }
    if (allAmounts(step))
        return packageAmounts(reads, step.table, step.key);
    if (isPackage(step))
        return packageRow(reads, step.table, step.key);
    if (isNewStyle(step)) {
        for (const KeyRow& row : newStyleRows(reads, step.key)) {
            if (trimBlanks(row.identity.toString()) == trimBlanks(step.packageId))
                return row.values;
        }
        return std::nullopt;
    }
    return caseRateRow(reads, step.table, step.key, step.packageId);
}

// Every row of a restored key as it is now, told apart as the apply recorded them.
std::vector<KeyRow> rowsNow(RowReads& reads, const UndoStep& step)
{
    if (allAmounts(step))
        return packageAmountRows(reads, step.table, step.key);
    if (isPackage(step))
        return packageRows(reads, step.table, step.key);
    if (isNewStyle(step))
        return newStyleRows(reads, step.key);
    return caseRateRows(reads, step.table, step.key);
}

// A key whose rows the apply recorded one by one: each must still hold what the apply left,
// and the key must have the rows it had, no more and no fewer.
QString rowsChangedSinceApply(RowReads& reads, const UndoStep& step)
{
    const std::vector<KeyRow> rows = rowsNow(reads, step);
    QHash<QString, int> left; // identity: rows the apply left
    for (const RowImage& image : step.rows)
        left[QString::number(image.identity.isNull()) + identityKey(image.identity)] += image.count;
    for (const KeyRow& row : rows) {
        const QString identity = QString::number(row.identity.isNull()) + identityKey(row.identity);
        if (--left[identity] < 0)
            return QStringLiteral("%1 now has a row the apply did not change (%2 %3)")
                .arg(undoRowName(step), identityColumn(step),
                     row.identity.isNull() ? QStringLiteral("NULL") : row.identity.toString());
        if (!holds(row.values, step.after))
            return QStringLiteral("%1 now holds %2; the apply left %3")
                .arg(undoRowName(step), shownValues(row.values), shownValues(step.after));
    }
    for (auto it = left.cbegin(); it != left.cend(); ++it) {
        if (it.value() > 0)
            return QStringLiteral("%1 has lost %2 of the rows the apply changed")
                .arg(undoRowName(step))
                .arg(it.value());
    }
    return {};
}

// Empty when the row still holds what the apply left; else what it holds now.
QString changedSinceApply(RowReads& reads, const UndoStep& step)
{
    if (!step.rows.empty())
        return rowsChangedSinceApply(reads, step);
    if (step.action == UndoStep::Action::Remove && isPackage(step)) {
        // The apply inserted one row with its new PackageID.
        const std::vector<KeyRow> rows = packageRows(reads, step.table, step.key);
        if (rows.size() > 1)
            return QStringLiteral("%1 now has %2 rows").arg(undoRowName(step)).arg(rows.size());
    }
    QString problem;
    const std::optional<QVariantMap> row = rowNow(reads, step, problem);
    if (!row)
        return QStringLiteral("%1 is gone").arg(undoRowName(step));
    if (!problem.isEmpty())
        return problem;
    if (holds(*row, step.after))
        return {};
    QVariantMap now;
    for (auto it = step.after.cbegin(); it != step.after.cend(); ++it)
        now.insert(it.key(), row->value(it.key()));
    return QStringLiteral("%1 now holds %2; the apply left %3")
        .arg(undoRowName(step), shownValues(now), shownValues(step.after));
}

// The codes of case rates in the package a step removes that this undo does not remove: a
// case rate added since the apply would be left without its package.
QStringList caseRatesKept(RowReads& reads, const UndoStep& package, const QSet<QString>& removed)
{
    QStringList kept;
    // The case-rate tables beside the package table: tbMedPackage_TEST's are the _TEST copies.
    const QString suffix = package.table.mid(qsizetype(qstrlen("tbMedPackage")));
    for (const bool procedures : {false, true}) {
        const QString table =
            (procedures ? QStringLiteral("tbMed_Procedures") : QStringLiteral("tbMed_MedicalCaseRates")) +
            suffix;
        for (const QString& code : caseRateCodesOfPackage(reads, table, package.key)) {
            if (!removed.contains(QString::number(procedures) + db::ciAsKey(code)))
                kept << (procedures ? QStringLiteral("RVS ") : QStringLiteral("ICD ")) + code;
        }
    }
    return kept;
}

QString packageStillUsed(RowReads& reads, const UndoRecord& record)
{
    QHash<QString, QSet<QString>> removed; // PackageID: the case rates this undo removes
    for (const UndoStep& step : record.steps) {
        if (step.action == UndoStep::Action::Remove && !isPackage(step) && !isIcd(step) && !isNewStyle(step))
            removed[trimBlanks(step.packageId).toString()].insert(QString::number(isProcedures(step)) +
                                                                  db::ciAsKey(step.key));
    }
    ChangedRows used;
    for (const UndoStep& step : record.steps) {
        if (step.action != UndoStep::Action::Remove || !isPackage(step))
            continue;
        const QStringList kept = caseRatesKept(reads, step, removed.value(trimBlanks(step.key).toString()));
        if (!kept.isEmpty())
            used.add(QStringLiteral("package %1 is used by %2, added since the apply")
                         .arg(step.key, kept.join(QStringLiteral(", "))));
    }
    if (used.count() == 0)
        return {};
    return QStringLiteral("%1 packages the apply inserted are in use by case rates it did not add; remove "
                          "or move those case rates first:\n")
               .arg(used.count()) +
           used.text();
}

// Whether an apply logged this file: it committed, and the file is as it wrote it.
bool loggedByApply(db::Connection& connection, const UndoRecord& record, const QString& digest)
{
    const QString pattern = record.version > 1
                                ? undoFileLogPattern(record.runId, digest)
                                : QStringLiteral("Apply of %") + record.runId + QLatin1Char('%');
    QSqlQuery q = connection.exec(db::Query(db::queries::activityLogLinesLike).bind("pattern", pattern));
    return q.next() && q.value(0).toLongLong() > 0;
}

} // namespace

QString UndoPlan::text() const
{
    return QStringLiteral("puts back %1 rows and removes %2 rows").arg(restoredRows).arg(removedRows);
}

UndoPlan readUndoPlan(const QString& undoFile)
{
    const UndoRecord record = readUndoFile(undoFile);
    return {record.runId, record.database, record.restoredRows(), record.removedRows()};
}

QString lastUndoFile(const QString& outputFolder)
{
    QFileInfoList files =
        QDir(outputFolder).entryInfoList({QStringLiteral("undo *.sql")}, QDir::Files, QDir::NoSort);
    // By name without ".sql": "undo <date time>" sorts before its " (2)" of the same second.
    std::sort(files.begin(), files.end(), [](const QFileInfo& a, const QFileInfo& b) {
        return a.completeBaseName() < b.completeBaseName();
    });
    for (auto it = files.crbegin(); it != files.crend(); ++it) {
        if (!QFileInfo::exists(undoneMarkerPath(it->filePath())))
            return it->filePath();
    }
    return {};
}

UndoResult undoApply(db::Connection& connection, const QString& undoFile, const db::LogIdentity& log,
                     const QDateTime& when)
{
    const UndoRecord record = readUndoFile(undoFile);
    QFile bytes(undoFile);
    if (!bytes.open(QIODevice::ReadOnly))
        throw Error(Error::Kind::File, QStringLiteral("The undo file \"%1\" could not be read (%2).")
                                           .arg(QDir::toNativeSeparators(undoFile), bytes.errorString()));
    const QString digest = undoFileDigest(bytes.readAll());
    const QString shownFile = QDir::toNativeSeparators(undoFile);
    const QString refused =
        QStringLiteral("The undo file \"%1\" was not run, and nothing was changed: ").arg(shownFile);
    const QString marker = undoneMarkerPath(undoFile);
    try {
        refuseLinkedFile(marker); // before anything changes
    } catch (const Error& e) {
        throw Error(refused + e.message());
    }
    if (QFileInfo::exists(marker))
        throw Error(refused +
                    QStringLiteral("it was run already (%1).").arg(QDir::toNativeSeparators(marker)));
    const QString database = connection.settings().describe();
    if (record.database != database)
        throw Error(refused + QStringLiteral("the apply it undoes changed %1, but this connection is to %2.")
                                  .arg(record.database, database));

    UndoResult result{record.runId, undoFile, record.restoredRows(), record.removedRows()};
    try {
        db::Transaction transaction(connection, db::Transaction::Mode::Write);
        if (!db::ActivityLog(connection).exists() || !loggedByApply(connection, record, digest))
            throw Error(refused +
                        QStringLiteral("no apply in the activity log wrote this file. Either it was "
                                       "changed since the apply, or its apply never committed "
                                       "(then the database holds nothing to undo)."));
        // Every row the steps touch is read in a few statements: a first pass asks for the
        // keys, the next finds them.
        RowReads reads(connection);
        ChangedRows changed;
        QString used;
        reads.complete([&] {
            changed = ChangedRows();
            for (const UndoStep& step : record.steps)
                changed.add(changedSinceApply(reads, step));
            used = packageStillUsed(reads, record);
        });
        if (changed.count() > 0)
            throw Error(refused + QStringLiteral("%1 rows changed since the apply:\n").arg(changed.count()) +
                        changed.text());
        if (!used.isEmpty())
            throw Error(refused + used);
        db::ActivityLog activity(connection);
        activity.append(log.user, log.workstation,
                        QStringLiteral("Undo of apply of run %1 (%2): %3 rows put back, %4 rows removed")
                            .arg(record.runId, QFileInfo(undoFile).fileName())
                            .arg(result.restoredRows)
                            .arg(result.removedRows),
                        when);
        UndoWriter writer(connection);
        QStringList lines;
        int number = 0;
        for (auto it = record.steps.crbegin(); it != record.steps.crend(); ++it) {
            ++number;
            try {
                lines << QStringLiteral("Undo %1: ").arg(record.runId) + writer.add(*it);
            } catch (const Error& e) {
                throw stepFailed(refused,
                                 QStringLiteral("step %1 of %2 (%3) failed: ")
                                     .arg(number)
                                     .arg(record.steps.size())
                                     .arg(undoRowName(*it)),
                                 e);
            }
        }
        try {
            writer.finish();
        } catch (const Error& e) {
            throw stepFailed(refused, QString(), e);
        }
        activity.appendAll(log.user, log.workstation, lines, when);
        transaction.commit();
    } catch (const Error& e) {
        throw notApplied(refused, e); // a lost connection or a failed commit: rolled back
    }

    if (const QString failed = writeUnlinkedFile(marker, when.toString(Qt::ISODate).toUtf8());
        !failed.isEmpty())
        throw Error(
            Error::Kind::File,
            QStringLiteral("The apply of run %1 was undone, but the marker \"%2\" could not be written "
                           "(%3): do not run this undo file again.")
                .arg(record.runId, QDir::toNativeSeparators(marker), failed));
    return result;
}

} // namespace orvex::apply
