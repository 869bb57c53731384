#pragma once

#include "jobs/Job.h"

#include <functional>
#include <memory>

class QPushButton;

namespace orvex::gui {

class JobRunner;

// What runs the jobs of a window: one at a time on its runner, with the controls that
// would start another disabled meanwhile. A tab or entry hands its job over with what to do
// at its end.
class JobHost
{
public:
    using JobFinished = std::function<void(jobs::Job& job, const jobs::JobOutcome& outcome)>;
    using JobProgressed = std::function<void(const jobs::JobProgress& batch)>;

    // Ignored while a job runs. `stopButton` stays enabled to stop it; `afterEither` runs at
    // the end whether the job finished or failed (before a failure's message);
    // `progressed`, when given, takes the job's progress instead of the window's counters,
    // lists and log box. A job with a result: keep its std::shared_ptr and read result()
    // in `finished`.
    virtual void runJob(std::shared_ptr<jobs::Job> job, QPushButton* stopButton, JobFinished finished,
                        std::function<void()> afterEither = {}, JobProgressed progressed = {}) = 0;
    virtual JobRunner* jobRunner() const = 0;

protected:
    ~JobHost() = default;
};

} // namespace orvex::gui
