#include "jobs/Job.h"

namespace orvex::jobs {

db::Connection& JobContext::openConnection(std::unique_ptr<db::Connection>& own) const
{
    if (existingConnection)
        return *existingConnection;
    own = db::Connection::open(connection);
    return *own;
}

void JobProgress::merge(JobProgress&& later)
{
    if (later.clearViews) {
        rowsAdded.clear();
        counters.clear();
        clearViews = true;
    }
    linesDone = later.linesDone;
    lineCount = later.lineCount;
    if (!later.text.isNull())
        text = std::move(later.text);
    for (auto it = later.counters.cbegin(); it != later.counters.cend(); ++it)
        counters.insert(it.key(), it.value());
    for (auto it = later.captions.cbegin(); it != later.captions.cend(); ++it)
        captions.insert(it.key(), it.value());
    rowsAdded.insert(rowsAdded.end(), std::make_move_iterator(later.rowsAdded.begin()),
                     std::make_move_iterator(later.rowsAdded.end()));
    logLines += later.logLines;
    failures += later.failures;
}

void Job::requestStop()
{
    StopRequest none = StopRequest::None;
    m_stop.compare_exchange_strong(none, StopRequest::Stop); // an abandon stays one
}

bool Job::takeStopRequest()
{
    StopRequest stop = StopRequest::Stop;
    return m_stop.compare_exchange_strong(stop, StopRequest::None);
}

} // namespace orvex::jobs
