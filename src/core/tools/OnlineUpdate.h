#pragma once

#include "db/Connection.h"
#include "db/LogIdentity.h"
#include "jobs/Job.h"

#include <QList>
#include <QString>
#include <QStringList>

// The online ICD update: the central server's update table is read whole, shown, and
// then applied to the hospital's tbICDdiagMain: missing codes are added, differing
// descriptions replaced, nothing is deleted.
namespace orvex::tools {

// The update table as the grid shows it: the column names, then each row's values as
// text (NULL as empty) in the server's order. Columns are used by position: the first
// is the code, the second the description, the sixth the allow-as-primary flag.
struct CentralUpdateTable
{
    QStringList columns;
    QList<QStringList> rows;
};

// Reads the whole update table. Throws orvex::Error naming the central server.
CentralUpdateTable readCentralUpdateTable(db::Connection& central);

struct OnlineUpdateCounts
{
    int added = 0;
    int updated = 0;
    int skipped = 0;      // rows without a description or without a code
    QStringList changes;  // the activity-log lines written, in order
    bool stopped = false; // a stop request rolled everything back: nothing was changed
};

// "Done." with the numbers added and updated.
QString closingMessage(const OnlineUpdateCounts& counts);

// "Check Online": reads the central server's whole update table; result() then holds it
// for the grid (and the outcome's JSON as columns and rows).
class CheckOnlineJob final : public jobs::JobWithResult<CentralUpdateTable>
{
public:
    explicit CheckOnlineJob(db::ConnectionSettings central) : m_central(std::move(central)) {}
    QString title() const override { return QStringLiteral("check online"); }
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;

private:
    db::ConnectionSettings m_central;
};

// "Update DB": applies `rows` (cells by position, as the grid shows them) to the hospital's
// tbICDdiagMain on the job's connection, in one transaction with its activity-log lines. A
// row without a description, or without a code, is skipped. A code is matched as the
// database's collation says; only the first row of a code is compared and changed, and a
// NULL description is left alone. Throws orvex::Error naming the row that failed, after
// rolling everything back. A stop request, seen before each row, also rolls back and ends
// with counts marked `stopped`. Otherwise the counts are the result once committed.
class OnlineUpdateJob final : public jobs::JobWithResult<OnlineUpdateCounts>
{
public:
    OnlineUpdateJob(QList<QStringList> rows, db::LogIdentity identity)
        : m_rows(std::move(rows)), m_identity(std::move(identity))
    {
    }
    QString title() const override { return QStringLiteral("online update"); }
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;

private:
    OnlineUpdateCounts applyRows(db::Connection& hospital, const jobs::JobContext& context,
                                 const jobs::ProgressFn& progress) const;

    QList<QStringList> m_rows;
    db::LogIdentity m_identity;
};

} // namespace orvex::tools
