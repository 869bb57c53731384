#pragma once

#include "db/LogIdentity.h"
#include "gui/JobRunner.h"
#include "gui/WindowServices.h"
#include "jobs/Job.h"

#include <QStringList>

#include <functional>
#include <memory>

class QPushButton;

namespace orvex::gui {

// What runs the jobs of a window: one at a time on its runner. A tab hands its job over
// with what to do at its end; while any job runs, the host tells every tab so (each
// disables its own controls that would start a second job or change the input of the
// running one).
class JobHost
{
public:
    using JobFinished = std::function<void(jobs::Job& job, const jobs::JobOutcome& outcome)>;
    using JobProgressed = std::function<void(const jobs::JobProgress& batch)>;

    // Ignored while a job runs. `stopButton` stays enabled to stop it; `afterEither` runs at
    // the end whether the job finished or failed (before a failure's message);
    // `progressed`, when given, takes the job's progress instead of showProgress. The caller
    // keeps its typed pointer to read the job's result.
    virtual void runJob(std::shared_ptr<jobs::Job> job, QPushButton* stopButton, JobFinished finished,
                        std::function<void()> afterEither = {}, JobProgressed progressed = {}) = 0;
    virtual JobRunner* jobRunner() const = 0;
    // The window's counters, lists and log box as a job reports them.
    virtual void showProgress(const jobs::JobProgress& batch) = 0;
    // Who the activity log names for a change made from the window.
    virtual db::LogIdentity logIdentity() const = 0;
    virtual const WindowServices& services() const = 0;

    bool isJobRunning() const { return jobRunner()->isRunning(); }
    // Each file handed to the desktop; one that nothing opens is named with its folder.
    void openForUser(QWidget* parent, const QStringList& files) const
    {
        for (const QString& file : files)
            services().openOrShowPath(parent, file);
    }

protected:
    ~JobHost() = default;
};

} // namespace orvex::gui
