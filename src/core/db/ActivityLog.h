#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace orvex::db {

class Connection;
class Query;
enum class Product;

struct ActivityLogEntry
{
    QString timestamp; // "yyyy-MM-dd HH:mm:ss", local time of the workstation
    QString user;
    QString workstation;
    QString text;
};

// The tool's activity log: table tbActivityLog in Build_FILE, one row per line, written
// through bound parameters. The table is created by the first line written; reading
// never creates it.
class ActivityLog
{
public:
    explicit ActivityLog(Connection& connection) : m_connection(connection) {}

    // Throws orvex::Error when the row cannot be written.
    void append(const QString& user, const QString& workstation, const QString& text,
                const QDateTime& when = QDateTime::currentDateTime());
    // The statement of appendAll: ? = LogTime, UserID, Workstation, then the lines as a set
    // of rows (line number, text) in "{rows}".
    static QString appendAllStatement(Product product);
    // The lines in one statement (a set of rows), in their order.
    void appendAll(const QString& user, const QString& workstation, const QStringList& texts,
                   const QDateTime& when);

    // The last `count` rows, oldest first; every row when `count` <= 0; none when the
    // table does not exist yet.
    QList<ActivityLogEntry> last(int count);

    // The time of the last apply or undo ("yyyy-MM-dd HH:mm:ss"), or "" when there was none.
    QString lastApplyOrUndo();
    // The time of the last "Step1. Create table copies on" that made a copy, or "".
    QString lastBackup();

    static QString timestampText(const QDateTime& when);

    // Whether the table exists (a database no line was written to has none).
    bool exists() { return m_tableReady || (m_tableReady = tableExists()); }

private:
    bool tableExists();
    // The single time a statement of the log selects, as timestampText writes it, or "".
    QString lastTime(const Query& query);

    Connection& m_connection;
    bool m_tableReady = false;
};

} // namespace orvex::db
