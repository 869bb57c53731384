// Tab "Update 2024": "Apply to database…" applies the last update run (output/changes.json)
// to the connected database after a confirmation, as a job of the window's runner.
#include "Error.h"
#include "apply/ApplyJobs.h"
#include "apply/RunRecord.h"
#include "gui/FrmIcd.h"
#include "gui/JobRunner.h"
#include "gui/MessageBoxes.h"
#include "gui/Update2024Tab.h"
#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>

namespace orvex::gui {

namespace {
QString runRecordPath()
{
    return QDir(ProgramFolder::outputFolder()).filePath(QString::fromUtf16(apply::kRunRecordName));
}

QString applyQuestion(const apply::RunRecord& record, const apply::ApplyCounts& counts)
{
    return QStringLiteral("Apply the update run %1 of %2 to the database?\n\n"
                          "Database: %3\nChanges: %4\n\n"
                          "All changes are made in one transaction, or none.")
        .arg(record.runId, record.when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), record.database,
             counts.text());
}
} // namespace

void FrmIcd::wireApply()
{
    connect(m_update2024Tab->cmdApply(), &QPushButton::clicked, this, &FrmIcd::onApplyClicked);
    refreshApplyButtons();
}

void FrmIcd::refreshApplyButtons()
{
    if (m_runner->isRunning())
        return; // the end of the job enables them again
    m_update2024Tab->cmdApply()->setEnabled(QFileInfo::exists(runRecordPath()));
}

void FrmIcd::onApplyClicked()
{
    if (m_runner->isRunning())
        return;
    apply::RunRecord record;
    try {
        record = apply::readRunRecord(runRecordPath());
    } catch (const Error& e) {
        refreshApplyButtons();
        MessageBoxes::error(this, e.message());
        return;
    }
    const apply::ApplyCounts counts = apply::countChanges(record);
    if (counts.total() == 0) {
        MessageBoxes::information(
            this,
            QStringLiteral("The update run %1 found nothing to change in the database.").arg(record.runId));
        return;
    }
    if (MessageBoxes::question(this, applyQuestion(record, counts), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) != QMessageBox::Yes)
        return;
    // A failure (a refusal, a lost database) shows its message through the runner; nothing
    // was changed then.
    runJob(std::make_unique<apply::ApplyJob>(logIdentity(), record.runId), nullptr,
           [this](jobs::Job&, const jobs::JobOutcome& outcome) {
               MessageBoxes::information(this, outcome.messages.join(QLatin1Char('\n')));
           });
}

} // namespace orvex::gui
