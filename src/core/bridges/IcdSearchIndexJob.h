#pragma once

#include "bridges/IcdSearchIndex.h"
#include "jobs/Job.h"

#include <optional>
#include <utility>

namespace orvex::bridges {

// Reads the code search's index (every code of tbICDdiagMain) on the job's own connection,
// so that the search dialog opens at once and fills when the codes have arrived.
class IcdSearchIndexJob final : public jobs::Job
{
public:
    QString title() const override { return QStringLiteral("code search"); }
    // Throws orvex::Error when the table cannot be read.
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;

    // The index, once run() has returned; taken, so that it is not copied.
    std::optional<IcdSearchIndex> takeIndex() { return std::exchange(m_index, std::nullopt); }

private:
    std::optional<IcdSearchIndex> m_index;
};

} // namespace orvex::bridges
