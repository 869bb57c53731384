#include "apply/UndoApply.h"

#include "Error.h"
#include "apply/StoredRows.h"
#include "apply/UndoFile.h"
#include "db/ActivityLog.h"
#include "db/Connection.h"
#include "db/Statements.h"
#include "db/Transaction.h"
#include "platform/OutputFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace orvex::apply {

namespace {

bool isPackage(const UndoStep& step)
{
    return step.table == QLatin1String("tbMedPackage");
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
    return step.table == QLatin1String("tbMed_Procedures");
}

QString rowName(const UndoStep& step)
{
    QString name = QStringLiteral("%1 %2 %3").arg(step.table, step.keyColumn, step.key);
    if (!step.packageId.isEmpty())
        name += QStringLiteral(" (package %1)").arg(step.packageId);
    return name;
}

// The row as it is now. An ICD-10 code's rows must agree: the apply inserted one row of a
// new code, and changed every row of a known one.
std::optional<QVariantMap> rowNow(db::Connection& connection, const UndoStep& step, QString& problem)
{
    if (isIcd(step)) {
        const std::vector<QVariantMap> rows = icdRows(connection, step.key);
        if (rows.empty())
            return std::nullopt;
        const bool inserted = step.action == UndoStep::Action::Remove;
        if ((inserted && rows.size() > 1) ||
            std::any_of(rows.begin(), rows.end(), [&](const QVariantMap& r) { return !holds(r, rows[0]); }))
            problem = QStringLiteral("%1 now has %2 rows").arg(rowName(step)).arg(rows.size());
        return rows[0];
    }
    if (allAmounts(step))
        return packageAmounts(connection, step.table, step.key);
    if (isPackage(step))
        return packageRow(connection, step.key);
    return caseRateRow(connection, isProcedures(step), step.key, step.packageId);
}

// Empty when the row still holds what the apply left; else what it holds now.
QString changedSinceApply(db::Connection& connection, const UndoStep& step)
{
    QString problem;
    const std::optional<QVariantMap> row = rowNow(connection, step, problem);
    if (!row)
        return QStringLiteral("%1 is gone").arg(rowName(step));
    if (!problem.isEmpty())
        return problem;
    if (holds(*row, step.after))
        return {};
    QVariantMap now;
    for (auto it = step.after.cbegin(); it != step.after.cend(); ++it)
        now.insert(it.key(), row->value(it.key()));
    return QStringLiteral("%1 now holds %2; the apply left %3")
        .arg(rowName(step), shownValues(now), shownValues(step.after));
}

QString undoOne(db::Connection& connection, const UndoStep& step)
{
    const db::Statements& sql = connection.statements();
    if (step.action == UndoStep::Action::Remove) {
        if (isIcd(step))
            connection.exec(sql.undoDeleteIcdCode(), {step.key});
        else if (isPackage(step))
            connection.exec(sql.undoDeletePackage(), {step.key});
        else
            connection.exec(sql.undoDeleteCaseRate(isProcedures(step)), {step.key, step.packageId});
        return QStringLiteral("removed %1").arg(rowName(step));
    }
    if (allAmounts(step)) {
        QVariantList values;
        for (const QString& c : kPackageAmountColumns) {
            if (!step.before.contains(c))
                throw Error(QStringLiteral("the undo data of %1 lacks its %2").arg(rowName(step), c));
            values << step.before.value(c);
        }
        connection.exec(sql.applyUpdatePackageAmounts(step.table), values << step.key);
    } else if (isPackage(step)) {
        const QStringList columns = {QStringLiteral("Amount"), QStringLiteral("PF"),
                                     QStringLiteral("MedRoomBoard")};
        for (const QString& c : columns) {
            if (!step.before.contains(c))
                throw Error(QStringLiteral("the undo data of %1 lacks its %2").arg(rowName(step), c));
        }
        connection.exec(sql.applyUpdatePackageRates(),
                        {step.before.value(columns[0]), step.before.value(columns[1]),
                         step.before.value(columns[2]), step.key});
    } else {
        if (!step.before.contains(QStringLiteral("Description")))
            throw Error(QStringLiteral("the undo data of %1 lacks its Description").arg(rowName(step)));
        connection.exec(isIcd(step) ? sql.applyUpdateIcdDescription()
                                    : sql.applyUpdateDescription(isProcedures(step)),
                        {step.before.value(QStringLiteral("Description")), step.key});
    }
    return QStringLiteral("put back %1: %2").arg(rowName(step), shownValues(step.before));
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
        ChangedRows changed;
        for (const UndoStep& step : record.steps)
            changed.add(changedSinceApply(connection, step));
        if (changed.count() > 0)
            throw Error(refused + QStringLiteral("%1 rows changed since the apply:\n").arg(changed.count()) +
                        changed.text());
        db::ActivityLog activity(connection);
        activity.append(log.user, log.workstation,
                        QStringLiteral("Undo of apply of run %1 (%2): %3 rows put back, %4 rows removed")
                            .arg(record.runId, QFileInfo(undoFile).fileName())
                            .arg(result.restoredRows)
                            .arg(result.removedRows),
                        when);
        int number = 0;
        for (auto it = record.steps.crbegin(); it != record.steps.crend(); ++it) {
            ++number;
            QString line;
            try {
                line = undoOne(connection, *it);
            } catch (const Error& e) {
                throw Error(refused + QStringLiteral("step %1 of %2 (%3) failed: %4")
                                          .arg(number)
                                          .arg(record.steps.size())
                                          .arg(rowName(*it), e.message()));
            }
            activity.append(log.user, log.workstation, QStringLiteral("Undo %1: ").arg(record.runId) + line,
                            when);
        }
        transaction.commit();
    } catch (const Error& e) {
        if (e.message().startsWith(refused))
            throw;
        throw Error(refused + e.message()); // a lost connection or a failed commit: rolled back
    }

    if (const QString failed = writeUnlinkedFile(marker, when.toString(Qt::ISODate).toUtf8());
        !failed.isEmpty())
        throw Error(
            QStringLiteral("The apply of run %1 was undone, but the marker \"%2\" could not be written "
                           "(%3): do not run this undo file again.")
                .arg(record.runId, QDir::toNativeSeparators(marker), failed));
    return result;
}

} // namespace orvex::apply
