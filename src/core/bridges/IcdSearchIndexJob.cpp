#include "bridges/IcdSearchIndexJob.h"

#include "db/Connection.h"

namespace orvex::bridges {

jobs::JobOutcome IcdSearchIndexJob::run(const jobs::JobContext& context, const jobs::ProgressFn& progress)
{
    m_index.reset();
    jobs::JobProgress reading;
    reading.text = QStringLiteral("Reading the ICD codes");
    if (progress)
        progress(std::move(reading));
    std::unique_ptr<db::Connection> own;
    db::Connection& connection = context.openConnection(own);
    m_index = IcdSearchIndex::load(connection);
    jobs::JobOutcome outcome;
    outcome.statementsSent = connection.statementsSent();
    return outcome;
}

} // namespace orvex::bridges
