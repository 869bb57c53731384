#include "tools/DuplicateCodes.h"

#include "Error.h"
#include "db/ActivityLog.h"
#include "db/Queries.h"
#include "db/Transaction.h"

#include <QSqlQuery>

namespace orvex::tools {

namespace {
QString orNull(const QVariant& value)
{
    return value.isNull() ? QStringLiteral("NULL") : QLatin1Char('"') + value.toString() + QLatin1Char('"');
}

QList<DeletedIcdRow> readDeletedRows(QSqlQuery&& q)
{
    QList<DeletedIcdRow> rows;
    while (q.next())
        rows.append({q.value(0), q.value(1), q.value(2)});
    return rows;
}
} // namespace

QString checkLogLine(const SurplusIcdRow& row)
{
    // A NULL field contributes nothing.
    return row.code.toString() + QLatin1Char(' ') + row.description.toString() + QLatin1Char(' ') +
           row.rowNumber.toString();
}

QString deleteLogLine(const DeletedIcdRow& row)
{
    return QStringLiteral("Duplicate ICD row deleted from tbICDdiagMain: code %1, description %2, "
                          "allow as primary %3")
        .arg(orNull(row.code), orNull(row.description), orNull(row.allowAsPrimary));
}

QList<DifferingDuplicate> findDifferingDuplicates(db::Connection& connection)
{
    QList<DifferingDuplicate> codes;
    QSqlQuery q = connection.exec(db::queries::duplicateIcdCodeRows);
    DifferingDuplicate current;
    const auto keepIfDiffering = [&] {
        if (current.otherDescriptionRows > 0)
            codes.append(current);
    };
    while (q.next()) {
        if (q.value(2).toLongLong() == 1) { // the first row of the next code: the one kept
            keepIfDiffering();
            current = {q.value(0).toString(), q.value(1), 1, 0};
            continue;
        }
        ++current.rows;
        if (q.value(1) != current.keptDescription)
            ++current.otherDescriptionRows;
    }
    keepIfDiffering();
    return codes;
}

QString differingDuplicateLine(const DifferingDuplicate& code)
{
    const QString others =
        code.otherDescriptionRows == 1
            ? QStringLiteral("1 row with another description goes")
            : QStringLiteral("%1 rows with another description go").arg(code.otherDescriptionRows);
    return QStringLiteral("%1 (%2 rows) keeps %3; %4")
        .arg(code.code)
        .arg(code.rows)
        .arg(orNull(code.keptDescription), others);
}

QList<SurplusIcdRow> findDuplicateIcdRows(db::Connection& connection)
{
    QList<SurplusIcdRow> rows;
    QSqlQuery q = connection.exec(db::queries::duplicateIcdRows);
    while (q.next())
        rows.append({q.value(0), q.value(1), q.value(2)});
    return rows;
}

QList<SurplusIcdRow> checkDuplicateIcdCodes(db::Connection& connection, const LogIdentity& log,
                                            const QDateTime& when)
{
    QList<SurplusIcdRow> rows = findDuplicateIcdRows(connection);
    if (rows.isEmpty())
        return rows;
    // One statement for the lines, in one transaction: all of them are logged or none.
    QStringList lines;
    for (const SurplusIcdRow& row : rows)
        lines << checkLogLine(row);
    db::Transaction transaction(connection);
    db::ActivityLog(connection).appendAll(log.user, log.workstation, lines, when);
    transaction.commit();
    return rows;
}

QList<DeletedIcdRow> deleteDuplicateIcdCodes(db::Connection& connection, const LogIdentity& log,
                                             const QDateTime& when)
{
    try {
        db::Transaction transaction(connection, db::Transaction::Mode::Write);
        db::ActivityLog activityLog(connection);
        QList<DeletedIcdRow> rows;
        if (connection.sends(db::queries::duplicateIcdRowsToDelete)) {
            rows = readDeletedRows(connection.exec(db::queries::duplicateIcdRowsToDelete));
            const int deleted = connection.exec(db::queries::deleteDuplicateIcdRows).numRowsAffected();
            if (deleted != rows.size())
                throw Error(QStringLiteral("%1 rows were listed for deletion but %2 would have gone.")
                                .arg(rows.size())
                                .arg(deleted));
        } else {
            rows = readDeletedRows(connection.exec(db::queries::deleteDuplicateIcdRows));
        }
        // One statement for the lines, in the transaction of the delete.
        QStringList lines;
        for (const DeletedIcdRow& row : rows)
            lines << deleteLogLine(row);
        activityLog.appendAll(log.user, log.workstation, lines, when);
        transaction.commit();
        return rows;
    } catch (const Error& e) {
        throw Error(e.kind(), QStringLiteral("No duplicate ICD rows were deleted: %1").arg(e.message()));
    }
}

} // namespace orvex::tools
