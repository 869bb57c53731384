#include "tools/OnlineUpdate.h"

#include "Error.h"
#include "db/Connection.h"
#include "db/Queries.h"

#include <QJsonArray>
#include <QSqlQuery>
#include <QSqlRecord>

namespace orvex::tools {

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

jobs::JobOutcome OnlineUpdatePlanJob::run(const jobs::JobContext& context, const jobs::ProgressFn&)
{
    const QDateTime started = context.now();
    std::unique_ptr<db::Connection> own;
    db::Connection& hospital = context.openConnection(own);
    const quint64 statementsBefore = hospital.statementsSent();
    jobs::JobOutcome outcome;
    const std::optional<OnlineUpdatePlan> plan =
        planOnlineUpdate(hospital, m_rows, [this] { return shouldContinue(); });
    if (plan) {
        m_result = *plan;
    } else {
        outcome.ending = stopRequest() == jobs::StopRequest::Abandon ? jobs::JobEnding::Abandoned
                                                                     : jobs::JobEnding::Stopped;
    }
    outcome.json.insert(QStringLiteral("added"), m_result.added);
    outcome.json.insert(QStringLiteral("updated"), m_result.updated);
    outcome.json.insert(QStringLiteral("skipped"), m_result.skipped);
    outcome.statementsSent = hospital.statementsSent() - statementsBefore;
    outcome.elapsedSeconds = double(started.msecsTo(context.now())) / 1000.0;
    return outcome;
}

} // namespace orvex::tools
