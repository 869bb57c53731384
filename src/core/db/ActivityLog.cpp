#include "db/ActivityLog.h"

#include "db/Connection.h"
#include "db/Queries.h"
#include "db/RowSets.h"

#include <limits>

namespace orvex::db {

QString ActivityLog::timestampText(const QDateTime& when)
{
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

bool ActivityLog::tableExists()
{
    QSqlQuery q = m_connection.exec(queries::activityLogExists);
    return q.next() && q.value(0).toInt() != 0;
}

void ActivityLog::append(const QString& user, const QString& workstation, const QString& text,
                         const QDateTime& when)
{
    if (!m_tableReady) {
        if (!tableExists())
            m_connection.exec(queries::createActivityLog);
        m_tableReady = true;
    }
    m_connection.execPrepared(Query(queries::insertActivityLog)
                                  .bind("time", timestampText(when))
                                  .bind("user", user)
                                  .bind("workstation", workstation)
                                  .bind("text", text));
}

QString ActivityLog::appendAllStatement(Product product)
{
    // Ordered by the line's number, so that the log's identity numbers them as given.
    return QStringLiteral(
               "INSERT INTO %1 (LogTime, UserID, Workstation, LogText) SELECT ?, ?, ?, r.c1 FROM {rows} "
               "ORDER BY CAST(r.c0 AS INTEGER)")
        .arg(tableIn(product, QStringLiteral("Build_FILE"), QStringLiteral("tbActivityLog")));
}

void ActivityLog::appendAll(const QString& user, const QString& workstation, const QStringList& texts,
                            const QDateTime& when)
{
    if (texts.isEmpty())
        return;
    if (!m_tableReady) {
        if (!tableExists())
            m_connection.exec(queries::createActivityLog);
        m_tableReady = true;
    }
    RowSet lines{2, {}};
    for (qsizetype i = 0; i < texts.size(); ++i)
        lines.add({QString::number(i), texts[i]});
    execForRows(m_connection, appendAllStatement(m_connection.product()),
                {timestampText(when), user, workstation}, lines);
}

QList<ActivityLogEntry> ActivityLog::last(int count)
{
    QList<ActivityLogEntry> entries;
    if (!m_tableReady && !tableExists())
        return entries;
    m_tableReady = true;
    const int limit = count > 0 ? count : std::numeric_limits<int>::max();
    QSqlQuery q = m_connection.exec(Query(queries::lastActivityLog).bind("count", limit));
    while (q.next()) {
        const QVariant time = q.value(0);
        ActivityLogEntry e;
        // SQL Server hands back a date-time, SQLite the text that was written.
        e.timestamp =
            time.typeId() == QMetaType::QDateTime ? timestampText(time.toDateTime()) : time.toString();
        e.user = q.value(1).toString();
        e.workstation = q.value(2).toString();
        e.text = q.value(3).toString();
        entries.append(e);
    }
    return entries;
}

QString ActivityLog::lastApplyOrUndo()
{
    return lastTime(Query(queries::lastApplyOrUndo)
                        .bind("first", QStringLiteral("Apply of %"))
                        .bind("second", QStringLiteral("Undo of %")));
}

QString ActivityLog::lastBackup()
{
    // The line tools::backupLogLine writes; one whose copies all failed is no backup.
    return lastTime(Query(queries::lastBackup)
                        .bind("made", QStringLiteral("Table backup with suffix %"))
                        .bind("notMade", QStringLiteral("%: no copy made%")));
}

QString ActivityLog::lastTime(const Query& query)
{
    if (!m_tableReady && !tableExists())
        return {};
    m_tableReady = true;
    QSqlQuery q = m_connection.exec(query);
    if (!q.next() || q.value(0).isNull())
        return {};
    const QVariant time = q.value(0);
    return time.typeId() == QMetaType::QDateTime ? timestampText(time.toDateTime()) : time.toString();
}

} // namespace orvex::db
