// The maintenance tools of tabs "Tools" and "Update 2024": duplicate ICD codes, package
// cloning and the package rate script.
#include "gui/FrmIcd.h"
#include "gui/MessageBoxes.h"
#include "tools/ToolJobs.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace orvex::gui {

void FrmIcd::wireTools()
{
    auto clicked = [this](const char* name, auto slot) {
        connect(findChild<QPushButton*>(QLatin1String(name)), &QPushButton::clicked, this, slot);
    };
    clicked("cmdCheckDuplicates", [this] { checkDuplicates(); });
    clicked("cmdDeleteDuplicates", [this] { deleteDuplicates(); });
    clicked("cmdUpdateMedPackage", [this] { updateMedPackage(); });
    clicked("cmdCreateNewPackage", [this] { createNewPackage(false); });
    clicked("cmdCreateNewPackageProc", [this] { createNewPackage(true); });
}

namespace {
void showMessages(QWidget* parent, const jobs::JobOutcome& outcome)
{
    for (const QString& message : outcome.messages)
        MessageBoxes::information(parent, message);
}
} // namespace

void FrmIcd::checkDuplicates()
{
    runJob(std::make_unique<tools::DuplicateCodesJob>(tools::DuplicateCodesJob::Mode::Check, logIdentity()),
           nullptr, [this](jobs::Job&, const jobs::JobOutcome& outcome) { showMessages(this, outcome); });
}

// Counts first, so that the question names what would go; the delete itself logs every row.
void FrmIcd::deleteDuplicates()
{
    auto count =
        std::make_shared<tools::DuplicateCodesJob>(tools::DuplicateCodesJob::Mode::Count, logIdentity());
    runJob(count, nullptr, [this, count](jobs::Job&, const jobs::JobOutcome&) {
        const qsizetype rows = count->result();
        if (rows == 0) {
            MessageBoxes::information(this, QStringLiteral("No Duplicates."));
            return;
        }
        const auto answer = MessageBoxes::question(
            this,
            QStringLiteral("Delete %1 duplicate rows from tbICDdiagMain? Each row is written to the "
                           "activity log first; the delete cannot be undone.")
                .arg(rows),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
        runJob(
            std::make_unique<tools::DuplicateCodesJob>(tools::DuplicateCodesJob::Mode::Delete, logIdentity()),
            nullptr, [this](jobs::Job&, const jobs::JobOutcome& outcome) { showMessages(this, outcome); });
    });
}

void FrmIcd::updateMedPackage()
{
    tools::PackageRateParams params;
    params.percentText = findChild<QLineEdit*>(QStringLiteral("txtUpdateMedPackage"))->text();
    params.yearText = findChild<QComboBox*>(QStringLiteral("cboYear"))->currentText();
    runJob(std::make_unique<tools::PackageRateJob>(params), nullptr,
           [this](jobs::Job&, const jobs::JobOutcome& outcome) {
               openForUser(outcome.filesToOpen);
               showMessages(this, outcome);
           });
}

void FrmIcd::createNewPackage(bool procedures)
{
    auto* box =
        findChild<QLineEdit*>(procedures ? QStringLiteral("txtRVSSplit") : QStringLiteral("txtICDSplit"));
    if (box->text().isEmpty())
        return; // nothing read, nothing written, nothing said
    const auto table = procedures ? db::CaseRateTable::Procedures : db::CaseRateTable::Medical;
    auto clone =
        std::make_shared<tools::PackageCloneJob>(tools::CloneParams{table, box->text(), logIdentity()});
    runJob(clone, nullptr, [this, box, clone](jobs::Job&, const jobs::JobOutcome& outcome) {
        if (clone->result().outcome == tools::CloneResult::Outcome::Done)
            box->clear(); // ready for the next code; "Not Found." keeps it
        showMessages(this, outcome);
    });
}

} // namespace orvex::gui
