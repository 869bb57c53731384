// One runner for the jobs of every tab: starting, the controls while a job runs, the end.
#include "db/CurrentUser.h"
#include "gui/DesktopFolder.h"
#include "gui/FrmIcd.h"
#include "gui/JobRunner.h"
#include "gui/MessageBoxes.h"
#include "platform/ProgramFolder.h"

#include <QPushButton>

namespace orvex::gui {

namespace {
// What starts a job or is read by one when it starts: disabled while any job runs, so that
// no second run overlaps the first and no input changes under it.
const char* const kStartControls[] = {
    // tab "ICD" and "PhilHealth"
    "cmdScan", "cmdScanPH", "cmdLoadUpdate", "lstSourceFiles",
    // tab "Tools"
    "chkFixFormat", "cmdCheckDuplicates", "cmdDeleteDuplicates",
    // tab "Update 2024"
    "cmdBackUPTables", "txtCopySuffix", "chkTest", "optVer2", "chkVerB", "cmdProcess", "txtFileName",
    "chkUpdateDesc", "cmdUpdateMedPackage", "txtUpdateMedPackage", "cboYear", "cmdCreateNewPackage",
    "txtICDSplit", "cmdCreateNewPackageProc", "txtRVSSplit", "cmdImportAnnex", "cmdApply", "cmdUndoApply",
    // tab "Online Update"
    "cmdCheckOnline", "cmdUpdateDB", "cmdCentralServer"};
} // namespace

jobs::JobContext FrmIcd::jobContext() const
{
    jobs::JobContext context;
    context.programFolder = ProgramFolder::path();
    context.connection = m_connection;
    return context;
}

db::LogIdentity FrmIcd::logIdentity() const
{
    return {m_user ? m_user->userId() : db::CurrentUser::systemUserName(), db::CurrentUser::workstation()};
}

void FrmIcd::setStartControlsEnabled(bool enabled, QWidget* stopButton)
{
    for (const char* name : kStartControls) {
        auto* control = findChild<QWidget*>(QLatin1String(name));
        if (control && control != stopButton)
            control->setEnabled(enabled);
    }
    if (stopButton)
        stopButton->setEnabled(true);
    if (enabled)
        refreshApplyButtons(); // only where there is something to apply
}

void FrmIcd::runJob(std::unique_ptr<jobs::Job> job, QPushButton* stopButton, JobFinished finished,
                    std::function<void()> afterEither, JobProgressed progressed)
{
    if (m_runner->isRunning())
        return;
    m_jobFinished = std::move(finished);
    m_jobAfterEither = std::move(afterEither);
    m_jobProgressed = std::move(progressed);
    setStartControlsEnabled(false, stopButton);
    m_runner->start(std::move(job), jobContext());
}

void FrmIcd::onJobProgressed(const jobs::JobProgress& batch)
{
    if (m_jobProgressed)
        m_jobProgressed(batch);
    else
        applyBatch(batch);
}

void FrmIcd::onJobFinished(jobs::Job* job, const jobs::JobOutcome& outcome)
{
    m_jobProgressed = {}; // the last batch came before the end
    setStartControlsEnabled(true, nullptr);
    if (auto after = std::exchange(m_jobAfterEither, {}))
        after();
    // Taken first: the handler may start the next job.
    if (auto finished = std::exchange(m_jobFinished, {}); finished && job)
        finished(*job, outcome);
}

void FrmIcd::onJobFailed(const QString& message)
{
    setStartControlsEnabled(true, nullptr);
    m_jobFinished = {};
    m_jobProgressed = {};
    if (auto after = std::exchange(m_jobAfterEither, {}))
        after();
    MessageBoxes::error(this, message);
}

void FrmIcd::openForUser(const QStringList& files)
{
    for (const QString& file : files)
        DesktopFolder::open(file);
}

} // namespace orvex::gui
