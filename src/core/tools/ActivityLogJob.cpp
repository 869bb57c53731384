#include "tools/ActivityLogJob.h"

#include "db/Connection.h"

#include <algorithm>

namespace orvex::tools {

jobs::JobOutcome ActivityLogJob::run(const jobs::JobContext& context, const jobs::ProgressFn&)
{
    std::unique_ptr<db::Connection> own;
    db::Connection& connection = context.openConnection(own);
    m_result = db::ActivityLog(connection).last(0);
    std::reverse(m_result.begin(), m_result.end());
    jobs::JobOutcome outcome;
    outcome.statementsSent = connection.statementsSent();
    return outcome;
}

} // namespace orvex::tools
