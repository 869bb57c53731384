// Tab "Update 2024": "Step1. Create table copies on" and "Step 2. Create update scripts"
// (with what the passes show in the counters, lists and log box of the window).
#include "caserates/UpdateRunJob.h"
#include "gui/FrmIcd.h"
#include "gui/JobRunner.h"
#include "gui/MessageBoxes.h"
#include "gui/ReportListView.h"
#include "gui/Update2024Tab.h"
#include "tools/TableBackup.h"
#include "tools/ToolJobs.h"

#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace orvex::gui {

namespace {
const QString kRunningCaption = QStringLiteral("Stop");
} // namespace

void FrmIcd::wireUpdateTab()
{
    connect(m_update2024Tab->cmdProcess(), &QPushButton::clicked, this, &FrmIcd::onProcessClicked);
    connect(m_update2024Tab->cmdBackUPTables(), &QPushButton::clicked, this, &FrmIcd::onBackupClicked);
}

// The suffix becomes part of table names: anything but letters, digits and underscores is
// refused before a statement runs. The copies are made without a stop, as one step.
void FrmIcd::onBackupClicked()
{
    tools::TableBackupParams params;
    params.suffix = m_update2024Tab->txtCopySuffix()->text();
    params.verB = m_update2024Tab->chkVerB()->isChecked();
    params.log = logIdentity();
    if (const QString problem = tools::copySuffixProblem(params.suffix); !problem.isEmpty()) {
        MessageBoxes::error(this, problem);
        return;
    }
    runJob(std::make_unique<tools::TableBackupJob>(std::move(params)), nullptr,
           [this](jobs::Job&, const jobs::JobOutcome& outcome) {
               for (const QString& message : outcome.messages) // "Done.", or the copies not made
                   MessageBoxes::information(this, message);
           });
}

void FrmIcd::onProcessClicked()
{
    QPushButton* button = m_update2024Tab->cmdProcess();
    if (m_runner->isRunning()) {
        // Ends the running pass after its current line; the procedure pass still runs and
        // can be stopped in turn.
        if (button->text() == kRunningCaption)
            m_runner->requestStop();
        return;
    }
    PHMode = true; // and so it stays

    caserates::UpdateRunParams params;
    params.fileBase = m_update2024Tab->txtFileName()->text();
    params.verB = m_update2024Tab->chkVerB()->isChecked();
    params.updateDescriptions = m_update2024Tab->chkUpdateDesc()->isChecked();
    params.testSuffix = m_update2024Tab->testSuffix();
    const QModelIndexList selected = m_lstSourceFiles->selectionModel()->selectedRows();
    if (!selected.isEmpty())
        params.selectedSourceFile = selected.first().data().toString();
    params.packageId = m_lblPackageID->text();
    params.logText = m_update2024Tab->txtLog()->toPlainText();
    params.user = logIdentity().user;
    m_update2024Tab->setReviewPage(QString()); // the run replaces it

    button->setText(kRunningCaption);
    auto run = std::make_shared<caserates::UpdateRunJob>(std::move(params));
    runJob(
        run, button,
        [this, run](jobs::Job&, const jobs::JobOutcome& outcome) {
            if (outcome.ending == jobs::JobEnding::Abandoned)
                return;
            for (const QString& message : outcome.messages)
                MessageBoxes::information(this, message);
            openForUser(outcome.filesToOpen); // the log and scriptPH.txt
            m_update2024Tab->setReviewPage(run->result().reviewPage);
        },
        [button] { button->setText(Update2024Tab::idleProcessCaption()); });
}

} // namespace orvex::gui
