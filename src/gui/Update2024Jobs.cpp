// Tab "Update 2024": "Step1. Create table copies on", "Step 2. Create update scripts", the
// package-rate script and the package clones, each as a job of the window's runner.
#include "caserates/UpdateRunJob.h"
#include "gui/JobHost.h"
#include "gui/ScanTabs.h"
#include "gui/Update2024Tab.h"
#include "tools/TableBackup.h"
#include "tools/ToolJobs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QJsonObject>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace orvex::gui {

namespace {
const QString kRunningCaption = QStringLiteral("Stop");

void showMessages(const JobHost& host, QWidget* parent, const jobs::JobOutcome& outcome)
{
    for (const QString& message : outcome.messages)
        host.services().information(parent, message);
}
} // namespace

// The suffix becomes part of table names: anything but letters, digits and underscores is
// refused before a statement runs. The copies are made without a stop, as one step.
void Update2024Tab::onBackupClicked()
{
    tools::TableBackupParams params;
    params.suffix = m_txtCopySuffix->text();
    params.verB = m_chkVerB->isChecked();
    params.log = m_host.logIdentity();
    if (const QString problem = tools::copySuffixProblem(params.suffix); !problem.isEmpty()) {
        m_host.services().error(m_window, problem);
        return;
    }
    // "Done.", or the copies not made.
    m_host.runJob(
        std::make_unique<tools::TableBackupJob>(std::move(params)), nullptr,
        [this](jobs::Job&, const jobs::JobOutcome& outcome) { showMessages(m_host, m_window, outcome); });
}

void Update2024Tab::onProcessClicked()
{
    if (m_host.isJobRunning()) {
        // Ends the running pass after its current line; the procedure pass still runs and
        // can be stopped in turn.
        if (m_cmdProcess->text() == kRunningCaption)
            m_host.jobRunner()->requestStop();
        return;
    }
    m_scan.enterPhMode(); // and so it stays

    caserates::UpdateRunParams params;
    params.fileBase = m_txtFileName->text();
    params.verB = m_chkVerB->isChecked();
    params.updateDescriptions = m_chkUpdateDesc->isChecked();
    params.testSuffix = testSuffix();
    params.selectedSourceFile = m_scan.selectedSourceFile();
    params.packageId = m_scan.packageId();
    params.logText = m_txtLog->toPlainText();
    params.user = m_host.logIdentity().user;
    setReviewPage(QString()); // the run replaces it

    m_cmdProcess->setText(kRunningCaption);
    auto run = std::make_shared<caserates::UpdateRunJob>(std::move(params));
    m_host.runJob(
        run, m_cmdProcess,
        [this, run](jobs::Job&, const jobs::JobOutcome& outcome) {
            if (outcome.ending == jobs::JobEnding::Abandoned)
                return;
            showMessages(m_host, m_window, outcome);
            m_host.openForUser(m_window, outcome.filesToOpen); // the log and scriptPH.txt
            setReviewPage(run->result().reviewPage);
        },
        [this] { m_cmdProcess->setText(idleProcessCaption()); });
}

void Update2024Tab::updateMedPackage()
{
    tools::PackageRateParams params;
    params.percentText = m_txtUpdateMedPackage->text();
    params.yearText = m_cboYear->currentText();
    m_host.runJob(std::make_unique<tools::PackageRateJob>(params), nullptr,
                  [this](jobs::Job&, const jobs::JobOutcome& outcome) {
                      m_host.openForUser(m_window, outcome.filesToOpen);
                      showMessages(m_host, m_window, outcome);
                  });
}

void Update2024Tab::createNewPackage(bool procedures)
{
    QLineEdit* box = procedures ? m_txtRVSSplit : m_txtICDSplit;
    if (box->text().isEmpty())
        return; // nothing read, nothing written, nothing said
    const auto table = procedures ? db::CaseRateTable::Procedures : db::CaseRateTable::Medical;
    auto clone = std::make_shared<tools::PackageCloneJob>(
        tools::CloneParams{table, box->text(), m_host.logIdentity()});
    m_host.runJob(clone, nullptr, [this, box, clone](jobs::Job&, const jobs::JobOutcome& outcome) {
        if (clone->result().outcome == tools::CloneResult::Outcome::Done)
            box->clear(); // ready for the next code; "Not Found." keeps it
        showMessages(m_host, m_window, outcome);
    });
}

} // namespace orvex::gui
