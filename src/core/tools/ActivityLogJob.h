#pragma once

#include "db/ActivityLog.h"
#include "jobs/Job.h"

#include <QList>

namespace orvex::tools {

// Reads the activity log for the window's view: every entry, newest first (the command
// line's `log` lists the same entries oldest first).
class ActivityLogJob final : public jobs::JobWithResult<QList<db::ActivityLogEntry>>
{
public:
    QString title() const override { return QStringLiteral("log"); }
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;
};

} // namespace orvex::tools
