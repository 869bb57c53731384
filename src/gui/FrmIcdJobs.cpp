// One runner for the jobs of every tab: starting, the tabs while a job runs, the end.
#include "gui/FrmIcd.h"
#include "gui/JobRunner.h"
#include "gui/OnlineUpdateTab.h"
#include "gui/ScanTabs.h"
#include "gui/ToolsTab.h"
#include "gui/Update2024Tab.h"
#include "platform/ProgramFolder.h"

#include <QPushButton>

namespace orvex::gui {

jobs::JobContext FrmIcd::jobContext() const
{
    jobs::JobContext context;
    context.programFolder = ProgramFolder::path();
    context.clock = m_services.clock;
    context.connection = m_connection;
    return context;
}

// Every tab disables what would start a second job or change the running one's input;
// the running job's stop button stays enabled.
void FrmIcd::setJobRunning(bool running, QWidget* stopButton)
{
    m_scanTabs->setJobRunning(running);
    m_toolsTab->setJobRunning(running);
    // A table being written is not browsed or edited meanwhile.
    const bool icdTablesBusy = running && m_icdTablesBusy;
    m_toolsTab->setIcdTablesBusy(icdTablesBusy);
    m_header->cmdICDDLL()->setEnabled(!icdTablesBusy);
    m_onlineUpdateTab->setJobRunning(running);
    m_update2024Tab->setJobRunning(running);
    if (stopButton)
        stopButton->setEnabled(true);
}

void FrmIcd::runJob(std::shared_ptr<jobs::Job> job, QPushButton* stopButton, JobFinished finished,
                    std::function<void()> afterEither, JobProgressed progressed)
{
    if (m_runner->isRunning())
        return;
    m_jobFinished = std::move(finished);
    m_jobAfterEither = std::move(afterEither);
    m_jobProgressed = std::move(progressed);
    m_icdTablesBusy = job->changesIcdTables();
    setJobRunning(true, stopButton);
    m_runner->start(std::move(job), jobContext());
}

void FrmIcd::showProgress(const jobs::JobProgress& batch)
{
    m_header->applyProgress(batch);
    m_scanTabs->applyProgress(batch);
    m_update2024Tab->applyProgress(batch);
    for (const QString& failure : batch.failures)
        m_services.applicationError(this, failure);
}

void FrmIcd::onJobProgressed(const jobs::JobProgress& batch)
{
    if (m_jobProgressed)
        m_jobProgressed(batch);
    else
        showProgress(batch);
}

void FrmIcd::onJobFinished(jobs::Job* job, const jobs::JobOutcome& outcome)
{
    m_jobProgressed = {}; // the last batch came before the end
    setJobRunning(false, nullptr);
    m_header->clearPhase();
    if (auto after = std::exchange(m_jobAfterEither, {}))
        after();
    // Taken first: the handler may start the next job.
    if (auto finished = std::exchange(m_jobFinished, {}); finished && job)
        finished(*job, outcome);
}

void FrmIcd::onJobFailed(const QString& message)
{
    setJobRunning(false, nullptr);
    m_header->clearPhase();
    m_jobFinished = {};
    m_jobProgressed = {};
    if (auto after = std::exchange(m_jobAfterEither, {}))
        after();
    m_services.error(this, message);
}

} // namespace orvex::gui
