// Tab "Update 2024": "Apply to database…" applies the last run (output/changes.json)
// to the connected database, "Undo last apply" runs the undo file of the last apply; both
// after a confirmation, as jobs of the window's runner.
#include "Error.h"
#include "apply/ApplyJobs.h"
#include "gui/FrmIcd.h"
#include "gui/JobRunner.h"
#include "gui/MessageBoxes.h"
#include "gui/Update2024Tab.h"
#include "platform/ProgramFolder.h"
#include "review/RunRecord.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QPushButton>

namespace orvex::gui {

namespace {
QString runRecordPath()
{
    return QDir(ProgramFolder::outputFolder()).filePath(QString::fromUtf16(review::kRunRecordName));
}

QString undoQuestion(const QString& undoFile, const apply::UndoPlan& plan)
{
    return QStringLiteral("Undo the apply of the run %1?\n\n"
                          "Database: %2\nUndo file: %3\nThe undo %4.\n\n"
                          "All of it is done in one transaction, or nothing.")
        .arg(plan.runId, plan.database, QDir::toNativeSeparators(undoFile), plan.text());
}

void showMessages(QWidget* parent, const jobs::JobOutcome& outcome)
{
    MessageBoxes::information(parent, outcome.messages.join(QLatin1Char('\n')));
}
} // namespace

void FrmIcd::wireApply()
{
    connect(m_update2024Tab->cmdApply(), &QPushButton::clicked, this, &FrmIcd::onApplyClicked);
    connect(m_update2024Tab->cmdUndoApply(), &QPushButton::clicked, this, &FrmIcd::onUndoApplyClicked);
    refreshApplyButtons();
}

void FrmIcd::refreshApplyButtons()
{
    if (m_runner->isRunning())
        return; // the end of the job enables them again
    m_update2024Tab->cmdApply()->setEnabled(QFileInfo::exists(runRecordPath()));
    m_update2024Tab->cmdUndoApply()->setEnabled(
        !apply::lastUndoFile(ProgramFolder::outputFolder()).isEmpty());
}

void FrmIcd::onApplyClicked()
{
    if (m_runner->isRunning())
        return;
    review::RunRecord record;
    try {
        record = review::readRunRecord(runRecordPath());
    } catch (const Error& e) {
        refreshApplyButtons();
        MessageBoxes::error(this, e.message());
        return;
    }
    const apply::ApplyCounts counts = apply::countChanges(record);
    if (counts.total() == 0) {
        MessageBoxes::information(this, QStringLiteral("The %1 %2 found nothing to change in the database.")
                                            .arg(review::runKindTitle(record.kind), record.runId));
        return;
    }
    // What would refuse the apply is known before anything is asked: the plan is checked on
    // the runner, and its refusal shows as the job's failure.
    auto planJob = std::make_shared<apply::ApplyPlanJob>(std::move(record));
    runJob(planJob, nullptr, [this, planJob](jobs::Job&, const jobs::JobOutcome&) {
        const apply::ApplyPlan& plan = planJob->result();
        if (MessageBoxes::question(this, plan.question(), QMessageBox::Yes | QMessageBox::No,
                                   QMessageBox::No) == QMessageBox::Yes)
            startApply(plan);
    });
}

void FrmIcd::startApply(const apply::ApplyPlan& plan)
{
    // A failure (a row changed since, a lost database) shows its message through the
    // runner; nothing was changed then.
    // The digest the question showed: a record changed since the user read it is not applied.
    auto applyJob = std::make_shared<apply::ApplyJob>(logIdentity(), plan.record.runId, plan.stopped(),
                                                      plan.recordDigest);
    runJob(applyJob, nullptr, [this, applyJob](jobs::Job&, const jobs::JobOutcome& outcome) {
        const QString undoFile = applyJob->result().undoFile;
        MessageBoxes::information(this, outcome.messages.join(QLatin1Char('\n')) +
                                            QStringLiteral("\n\n\"Undo last apply\" takes it back (%1).")
                                                .arg(QDir::toNativeSeparators(undoFile)));
    });
}

void FrmIcd::onUndoApplyClicked()
{
    if (m_runner->isRunning())
        return;
    const QString undoFile = apply::lastUndoFile(ProgramFolder::outputFolder());
    apply::UndoPlan plan;
    try {
        if (undoFile.isEmpty())
            throw Error(QStringLiteral("No apply is left to undo: the output folder holds no undo file that "
                                       "has not run yet."));
        plan = apply::readUndoPlan(undoFile);
    } catch (const Error& e) {
        refreshApplyButtons();
        MessageBoxes::error(this, e.message());
        return;
    }
    if (MessageBoxes::question(this, undoQuestion(undoFile, plan), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) != QMessageBox::Yes)
        return;
    runJob(std::make_unique<apply::UndoJob>(undoFile, logIdentity()), nullptr,
           [this](jobs::Job&, const jobs::JobOutcome& outcome) { showMessages(this, outcome); });
}

} // namespace orvex::gui
