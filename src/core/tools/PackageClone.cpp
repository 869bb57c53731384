#include "tools/PackageClone.h"

#include "Error.h"
#include "db/ActivityLog.h"
#include "db/Queries.h"
#include "db/Transaction.h"

#include <limits>

namespace orvex::tools {

namespace {

// A statement over the case-rate table of the clone: $table, its code column $key.
db::Query onCaseRates(const db::QueryText& text, db::CaseRateTable table)
{
    return db::Query(text)
        .bindName("table", caseRateTableName(table))
        .bindName("key", table == db::CaseRateTable::Medical ? QStringLiteral("ICDCode")
                                                             : QStringLiteral("RVSCode"));
}

qint64 nextPackageId(db::Connection& connection)
{
    QSqlQuery q = connection.exec(
        db::Query(db::queries::largestPackageId).bindName("table", QStringLiteral("tbMedPackage")));
    if (!q.next() || q.value(0).isNull())
        return 1; // an empty package table: the first package
    if (!q.value(1).isNull())
        throw Error(
            QStringLiteral("tbMedPackage holds the PackageID %1, which is not a whole number, so no new "
                           "identifier can be taken. Correct that row first.")
                .arg(quotedForMessage(q.value(1).toString())));
    bool ok = false;
    const qint64 largest = q.value(0).toLongLong(&ok);
    if (!ok || largest == std::numeric_limits<qint64>::max())
        throw Error(QStringLiteral("the largest PackageID (%1) leaves no room for a new identifier.")
                        .arg(q.value(0).toString()));
    return largest + 1;
}

// The package of the code's first case rate; empty when the code has none.
std::optional<QVariant> casePackage(db::Connection& connection, const CloneParams& params)
{
    QSqlQuery q =
        connection.exec(onCaseRates(db::queries::caseRatePackage, params.table).bind("code", params.code));
    if (!q.next())
        return std::nullopt;
    return q.value(0);
}

bool packageExists(db::Connection& connection, const QString& packageId)
{
    QSqlQuery q = connection.exec(db::Query(db::queries::packageRowCount).bind("id", packageId));
    return q.next() && q.value(0).toLongLong() > 0;
}

qint64 caseRatesOfPackage(db::Connection& connection, const QString& packageId)
{
    QSqlQuery q = connection.exec(db::Query(db::queries::packageCaseRateCount).bind("id", packageId));
    return q.next() ? q.value(0).toLongLong() : 0;
}

CloneResult cloneInTransaction(db::Connection& connection, const CloneParams& params, const QDateTime& when)
{
    db::Transaction transaction(connection, db::Transaction::Mode::Write);
    const QString newId = QString::number(nextPackageId(connection));

    const std::optional<QVariant> old = casePackage(connection, params);
    if (!old)
        return {CloneResult::Outcome::NotFound, {}, {}};
    const QString oldId = old->isNull() ? QString() : old->toString();
    if (oldId.isEmpty())
        throw Error(QStringLiteral("its case rate in %1 names no package (PackageID is empty).")
                        .arg(caseRateTableName(params.table)));
    if (!packageExists(connection, oldId))
        throw Error(QStringLiteral("its case rate uses package %1, which does not exist in tbMedPackage.")
                        .arg(quotedForMessage(oldId)));
    // A package no other case rate shares would be left behind unused by a copy.
    if (caseRatesOfPackage(connection, oldId) <= 1)
        throw Error(QStringLiteral("its case rate has package %1 of its own already; no other case rate uses "
                                   "it.")
                        .arg(quotedForMessage(oldId)));

    const int moved = connection
                          .exec(onCaseRates(db::queries::moveCaseRate, params.table)
                                    .bind("newId", newId)
                                    .bind("code", params.code)
                                    .bind("oldId", oldId))
                          .numRowsAffected();
    if (moved != 1)
        throw Error(QStringLiteral("the case rate could not be moved to package %1 (%2 rows changed).")
                        .arg(newId)
                        .arg(moved));
    const int copied =
        connection.exec(db::Query(db::queries::copyPackage).bind("newId", newId).bind("oldId", oldId))
            .numRowsAffected();
    if (copied < 1)
        throw Error(QStringLiteral("package %1 could not be copied.").arg(quotedForMessage(oldId)));

    db::ActivityLog(connection)
        .append(params.log.user, params.log.workstation,
                QStringLiteral("New package %1 for %2 code %3 in %4, copied from package %5")
                    .arg(newId, codeKind(params.table), params.code, caseRateTableName(params.table), oldId),
                when);
    transaction.commit();
    return {CloneResult::Outcome::Done, oldId, newId};
}

} // namespace

QString cloneMessage(const CloneParams& params, const CloneResult& result)
{
    switch (result.outcome) {
    case CloneResult::Outcome::NothingToDo:
        break;
    case CloneResult::Outcome::NotFound:
        return QStringLiteral("Not Found. %1 holds no case rate for the %2 code %3.")
            .arg(caseRateTableName(params.table), codeKind(params.table), quotedForMessage(params.code));
    case CloneResult::Outcome::Done:
        return QStringLiteral("Done. The %1 code %2 has the new package %3, a copy of package %4.")
            .arg(codeKind(params.table), quotedForMessage(params.code), result.newPackageId,
                 result.oldPackageId);
    }
    return {};
}

QString caseRateTableName(db::CaseRateTable table)
{
    return table == db::CaseRateTable::Medical ? QStringLiteral("tbMed_MedicalCaseRates")
                                               : QStringLiteral("tbMed_Procedures");
}

QString codeKind(db::CaseRateTable table)
{
    return table == db::CaseRateTable::Medical ? QStringLiteral("ICD") : QStringLiteral("RVS");
}

CloneResult clonePackage(db::Connection& connection, const CloneParams& params, const QDateTime& when)
{
    if (params.code.isEmpty())
        return {};
    try {
        return cloneInTransaction(connection, params, when);
    } catch (const Error& e) {
        throw Error(e.kind(),
                    QStringLiteral("No new package was made for %1 code %2, and nothing was changed: %3")
                        .arg(codeKind(params.table), quotedForMessage(params.code), e.message()));
    }
}

} // namespace orvex::tools
