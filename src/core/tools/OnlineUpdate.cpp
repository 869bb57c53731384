#include "tools/OnlineUpdate.h"

#include "Error.h"
#include "db/ActivityLog.h"
#include "db/CiAsCollation.h"
#include "db/Connection.h"
#include "db/Dialect.h"
#include "db/Queries.h"
#include "db/Transaction.h"
#include "text/Blanks.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>

namespace orvex::tools {

namespace {

constexpr int kCodeColumn = 0;
constexpr int kDescriptionColumn = 1;
constexpr int kAllowAsPrimaryColumn = 5;

// The first local row of a code, as the lookup found it or as this run left it.
struct LocalRow
{
    bool exists = false;
    QVariant description; // NULL stays NULL
};

// The first row of every distinct code, keyed by the code as sent: a few statements for
// the whole update instead of one per row.
QHash<QString, LocalRow> lookUpCodes(db::Connection& hospital, const QStringList& codes)
{
    QHash<QString, LocalRow> found;
    QStringList wanted;
    QSet<QString> seen;
    for (const QString& code : codes) {
        if (!seen.contains(code)) {
            seen.insert(code);
            wanted << code;
        }
    }
    for (qsizetype start = 0; start < wanted.size(); start += db::Dialect::kMaxParameters) {
        const QStringList chunk = wanted.mid(start, db::Dialect::kMaxParameters);
        QSqlQuery query = hospital.exec(db::Query(db::queries::icdByCodeBatch).bindList("codes", chunk));
        const int description = query.record().indexOf(QStringLiteral("Description"));
        while (query.next()) {
            LocalRow& row = found[query.value(0).toString()];
            if (row.exists)
                continue; // only the first row of a code counts
            row.exists = true;
            row.description = query.value(description);
        }
    }
    return found;
}

QString cell(const QStringList& row, int column)
{
    return row.value(column);
}

// The code as the hospital table keys it: blanks around it are no part of it (a leading one
// would make a known code look new).
QString codeOf(const QStringList& row)
{
    return trimBlanks(cell(row, kCodeColumn)).toString();
}

// The flag as its integer column holds it: a whole number, or the "true"/"false" a bit column
// of SQL Server reads as; empty is NULL. Throws orvex::Error for anything else.
QVariant allowAsPrimary(const QString& text)
{
    const QString flag = trimBlanks(text).toString();
    if (flag.isEmpty())
        return QVariant();
    bool ok = false;
    const int value = flag.toInt(&ok);
    if (ok)
        return value;
    if (flag.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return 1;
    if (flag.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return 0;
    throw Error(
        QStringLiteral("its ALLOWASPRIMARY \"%1\" is not a whole number (0 or 1).").arg(text.left(60)));
}

} // namespace

CentralUpdateTable readCentralUpdateTable(db::Connection& central)
{
    CentralUpdateTable table;
    QSqlQuery query;
    try {
        query = central.exec(db::queries::centralUpdateRows);
    } catch (const Error& e) {
        throw Error(QStringLiteral("The central update table tbICDdiagMainUpdate cannot be read: %1")
                        .arg(e.message()));
    }
    const QSqlRecord record = query.record();
    for (int c = 0; c < record.count(); ++c)
        table.columns << record.fieldName(c);
    while (query.next()) {
        QStringList row;
        row.reserve(record.count());
        for (int c = 0; c < record.count(); ++c)
            row << query.value(c).toString();
        table.rows.append(row);
    }
    return table;
}

QString closingMessage(const OnlineUpdateCounts& counts)
{
    if (counts.stopped)
        return QStringLiteral("Stopped: nothing was changed.");
    return QStringLiteral("Done. %1 added, %2 updated.").arg(counts.added).arg(counts.updated);
}

OnlineUpdateCounts applyOnlineUpdate(db::Connection& hospital, const QList<QStringList>& rows,
                                     const db::LogIdentity& identity, const OnlineUpdateHooks& hooks)
{
    OnlineUpdateCounts counts;
    db::Transaction transaction(hospital);
    QStringList codes;
    for (const QStringList& row : rows)
        codes << codeOf(row);
    const QHash<QString, LocalRow> found = lookUpCodes(hospital, codes);
    db::ActivityLog log(hospital);
    // Codes the collation takes as one share their state, so a row sees what an earlier
    // row of this run added or changed.
    QHash<QString, LocalRow> state;
    const int rowCount = int(rows.size());
    for (int i = 0; i < rowCount; ++i) {
        if (hooks.stopRequested && hooks.stopRequested()) {
            OnlineUpdateCounts stopped;
            stopped.stopped = true;
            return stopped; // the transaction rolls back
        }
        const QStringList& row = rows[i];
        const QString code = codeOf(row);
        const QString description = cell(row, kDescriptionColumn);
        if (description.isEmpty() || code.isEmpty()) {
            ++counts.skipped;
        } else {
            const QString key = db::ciAsKey(code);
            auto it = state.find(key);
            if (it == state.end())
                it = state.insert(key, found.value(code));
            try {
                if (!it->exists) {
                    hospital.exec(
                        db::Query(db::queries::insertIcd)
                            .bind("code", code)
                            .bind("description", description)
                            .bind("allowAsPrimary", allowAsPrimary(cell(row, kAllowAsPrimaryColumn))));
                    counts.changes << QStringLiteral("Added ") + code;
                    log.append(identity.user, identity.workstation, counts.changes.last());
                    *it = {true, description};
                    ++counts.added;
                } else if (!it->description.isNull() && it->description.toString() != description) {
                    counts.changes << QStringLiteral("Updated ") + it->description.toString() +
                                          QStringLiteral(" to ") + description;
                    log.append(identity.user, identity.workstation, counts.changes.last());
                    hospital.exec(db::Query(db::queries::updateFirstIcdDescription)
                                      .bind("description", description)
                                      .bind("code", code));
                    it->description = description;
                    ++counts.updated;
                }
            } catch (const Error& e) {
                throw Error(
                    QStringLiteral("Row %1 of the update (code \"%2\") could not be applied, so nothing "
                                   "was changed: %3")
                        .arg(i + 1)
                        .arg(code, e.message()));
            }
        }
        if (hooks.progress)
            hooks.progress(i + 1, rowCount);
    }
    try {
        transaction.commit();
    } catch (const Error& e) {
        throw Error(QStringLiteral("The online update could not be saved, so nothing was changed: %1")
                        .arg(e.message()));
    }
    return counts;
}

} // namespace orvex::tools
