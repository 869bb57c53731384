#pragma once

// "Update DB" of the online ICD update: the rows the central server gave, applied with an
// undo file as the apply of a run is.
#include "db/Connection.h"
#include "db/LogIdentity.h"
#include "jobs/Job.h"
#include "tools/OnlineUpdate.h"

#include <optional>
#include <vector>

namespace orvex::apply {

// The set statements of "Update DB" (db::execForRows): the new codes as rows (CODE,
// Description, ALLOWASPRIMARY), and the replaced descriptions as rows (Description, CODE),
// each given to every row of its code.
QString onlineAddsStatement(db::Product product);
QString onlineDescriptionsStatement(db::Product product);

// "Update DB": applies `rows` as planOnlineUpdate reads them to the hospital's tbICDdiagMain
// on the job's connection, in one transaction with its activity-log lines (one per change,
// then one for the update and one for its undo file), and writes the undo file into the
// context's output folder; nothing changed, no file. The new codes go in one set statement
// and the replaced descriptions in another, so the statements do not grow with the rows.
// Throws orvex::Error, after rolling everything back, for every refusal of planOnlineUpdate
// (naming the row that failed), for a statement that fails, and, with `reviewed` (the changes
// the user was asked about), when the table now gives other changes. A stop request, seen
// between the statements, also rolls back and ends with counts marked `stopped`. Otherwise
// the counts are the result once committed.
class OnlineUpdateJob final : public jobs::JobWithResult<tools::OnlineUpdateCounts>
{
public:
    // `centralServer`: where the rows came from, as the log line names it.
    OnlineUpdateJob(QList<QStringList> rows, db::LogIdentity identity, QString centralServer,
                    std::optional<std::vector<tools::OnlineChange>> reviewed = std::nullopt)
        : m_rows(std::move(rows)), m_identity(std::move(identity)), m_centralServer(std::move(centralServer)),
          m_reviewed(std::move(reviewed))
    {
    }
    QString title() const override { return QStringLiteral("online update"); }
    bool changesIcdTables() const override { return true; }
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;

private:
    tools::OnlineUpdateCounts applyRows(db::Connection& hospital, const jobs::JobContext& context,
                                        const jobs::ProgressFn& progress) const;

    QList<QStringList> m_rows;
    db::LogIdentity m_identity;
    QString m_centralServer;
    std::optional<std::vector<tools::OnlineChange>> m_reviewed;
};

} // namespace orvex::apply
