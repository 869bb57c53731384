#include "ratelist/ListLoadJob.h"

#include "ratelist/UpdateResource.h"

#include <QFileInfo>

#include <algorithm>
#include <numeric>

namespace orvex::ratelist {

std::vector<int> longestLines(const QStringList& lines, int count)
{
    std::vector<int> order(size_t(lines.size()));
    std::iota(order.begin(), order.end(), 0);
    const auto keep = order.begin() + std::min<qsizetype>(count, lines.size());
    std::partial_sort(order.begin(), keep, order.end(), [&lines](int a, int b) {
        const qsizetype lengthA = lines[a].size(), lengthB = lines[b].size();
        return lengthA != lengthB ? lengthA > lengthB : a < b;
    });
    order.erase(keep, order.end());
    return order;
}

jobs::JobOutcome ListLoadJob::run(const jobs::JobContext&, const jobs::ProgressFn& progress)
{
    m_result = {};
    jobs::JobProgress reading;
    reading.text = m_params.path.isEmpty()
                       ? QStringLiteral("Reading the update list")
                       : QStringLiteral("Reading %1").arg(QFileInfo(m_params.path).fileName());
    if (progress)
        progress(std::move(reading));

    if (m_params.path.isEmpty())
        m_result.text.lines = loadBuiltinUpdateResource();
    else
        m_result.text = readSource(m_params.path);
    m_result.longest = longestLines(m_result.text.lines, kLongestLines);
    jobs::JobOutcome outcome;
    if (stopRequest() == jobs::StopRequest::Abandon) {
        outcome.ending = jobs::JobEnding::Abandoned; // the window is closing: nothing to show
        return outcome;
    }

    jobs::JobProgress done;
    done.linesDone = done.lineCount = int(m_result.text.lines.size());
    if (progress)
        progress(std::move(done));
    return outcome;
}

} // namespace orvex::ratelist
