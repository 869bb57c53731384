#pragma once

#include "db/Connection.h"
#include "db/LogIdentity.h"
#include "jobs/Job.h"
#include "tools/OnlineUpdate.h"

namespace orvex::tools {

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

// "Update DB": applies the rows the grid shows to the hospital's tbICDdiagMain in one
// transaction (see applyOnlineUpdate). A stop between rows rolls everything back.
class OnlineUpdateJob final : public jobs::Job
{
public:
    OnlineUpdateJob(QList<QStringList> rows, db::LogIdentity identity)
        : m_rows(std::move(rows)), m_identity(std::move(identity))
    {
    }
    QString title() const override { return QStringLiteral("online update"); }
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;

private:
    QList<QStringList> m_rows;
    db::LogIdentity m_identity;
};

} // namespace orvex::tools
