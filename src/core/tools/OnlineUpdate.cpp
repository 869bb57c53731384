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
#include <QJsonArray>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>

namespace orvex::tools {

namespace {

// Progress after every this many rows: often enough for the bar, rare enough to cost nothing.
constexpr int kProgressEvery = 50;

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
        throw Error(e.kind(),
                    QStringLiteral("The central update table tbICDdiagMainUpdate cannot be read: %1")
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

jobs::JobOutcome CheckOnlineJob::run(const jobs::JobContext& context, const jobs::ProgressFn&)
{
    const QDateTime started = context.now();
    auto central = db::Connection::openCentral(m_central);
    m_result = readCentralUpdateTable(*central);

    jobs::JobOutcome outcome;
    outcome.json.insert(QStringLiteral("columns"), QJsonArray::fromStringList(m_result.columns));
    QJsonArray rows;
    for (const QStringList& row : m_result.rows)
        rows.append(QJsonArray::fromStringList(row));
    outcome.json.insert(QStringLiteral("rows"), rows);
    outcome.statementsSent = central->statementsSent();
    outcome.elapsedSeconds = double(started.msecsTo(context.now())) / 1000.0;
    return outcome;
}

jobs::JobOutcome OnlineUpdateJob::run(const jobs::JobContext& context, const jobs::ProgressFn& progress)
{
    const QDateTime started = context.now();
    std::unique_ptr<db::Connection> own;
    db::Connection& hospital = context.openConnection(own);
    const quint64 statementsBefore = hospital.statementsSent();
    m_result = applyRows(hospital, context, progress);

    jobs::JobOutcome outcome;
    outcome.ending = m_result.stopped
                         ? (stopRequest() == jobs::StopRequest::Abandon ? jobs::JobEnding::Abandoned
                                                                        : jobs::JobEnding::Stopped)
                         : jobs::JobEnding::Finished;
    if (outcome.ending != jobs::JobEnding::Abandoned)
        outcome.messages << closingMessage(m_result);
    outcome.summary = m_result.changes;
    outcome.summary << closingMessage(m_result);
    if (m_result.skipped > 0)
        outcome.summary
            << QStringLiteral("%1 rows without a code or a description were skipped.").arg(m_result.skipped);
    outcome.json.insert(QStringLiteral("added"), m_result.added);
    outcome.json.insert(QStringLiteral("updated"), m_result.updated);
    outcome.json.insert(QStringLiteral("skipped"), m_result.skipped);
    outcome.json.insert(QStringLiteral("stopped"), m_result.stopped);
    outcome.json.insert(QStringLiteral("changes"), QJsonArray::fromStringList(m_result.changes));
    outcome.statementsSent = hospital.statementsSent() - statementsBefore;
    outcome.elapsedSeconds = double(started.msecsTo(context.now())) / 1000.0;
    return outcome;
}

OnlineUpdateCounts OnlineUpdateJob::applyRows(db::Connection& hospital, const jobs::JobContext& context,
                                              const jobs::ProgressFn& progress) const
{
    OnlineUpdateCounts counts;
    db::Transaction transaction(hospital);
    QStringList codes;
    for (const QStringList& row : m_rows)
        codes << codeOf(row);
    const QHash<QString, LocalRow> found = lookUpCodes(hospital, codes);
    db::ActivityLog log(hospital);
    // Codes the collation takes as one share their state, so a row sees what an earlier
    // row of this run added or changed.
    QHash<QString, LocalRow> state;
    const int rowCount = int(m_rows.size());
    for (int i = 0; i < rowCount; ++i) {
        if (!shouldContinue()) {
            OnlineUpdateCounts stopped;
            stopped.stopped = true;
            return stopped; // the transaction rolls back
        }
        const QStringList& row = m_rows[i];
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
                    log.append(m_identity.user, m_identity.workstation, counts.changes.last(), context.now());
                    *it = {true, description};
                    ++counts.added;
                } else if (!it->description.isNull() && it->description.toString() != description) {
                    counts.changes << QStringLiteral("Updated ") + it->description.toString() +
                                          QStringLiteral(" to ") + description;
                    log.append(m_identity.user, m_identity.workstation, counts.changes.last(), context.now());
                    hospital.exec(db::Query(db::queries::updateFirstIcdDescription)
                                      .bind("description", description)
                                      .bind("code", code));
                    it->description = description;
                    ++counts.updated;
                }
            } catch (const Error& e) {
                throw Error(
                    e.kind(),
                    QStringLiteral("Row %1 of the update (code \"%2\") could not be applied, so nothing "
                                   "was changed: %3")
                        .arg(i + 1)
                        .arg(code, e.message()));
            }
        }
        if (progress && ((i + 1) % kProgressEvery == 0 || i + 1 == rowCount)) {
            jobs::JobProgress step;
            step.linesDone = i + 1;
            step.lineCount = rowCount;
            progress(std::move(step));
        }
    }
    try {
        transaction.commit();
    } catch (const Error& e) {
        throw Error(e.kind(),
                    QStringLiteral("The online update could not be saved, so nothing was changed: %1")
                        .arg(e.message()));
    }
    return counts;
}

} // namespace orvex::tools
