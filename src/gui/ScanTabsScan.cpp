// "Go Scan" and "Scan": the click logic and what the tabs show while a scan runs.
#include "gui/FrmSrc.h"
#include "gui/JobHost.h"
#include "gui/ReportListView.h"
#include "gui/ScanTabs.h"
#include "reconcile/ScanJob.h"

#include <QLabel>
#include <QPushButton>
#include <map>

namespace orvex::gui {

namespace {
const QString kRunningCaption = QStringLiteral("Stop");

} // namespace

QString ScanTabs::idleCaption(bool ph)
{
    return ph ? QStringLiteral("Scan") : QStringLiteral("Go Scan");
}

// The job's lists and captions to the tabs' views: one switch each, without a default, so that
// a value added to the job's vocabulary and forgotten here does not compile.
ReportListView* ScanTabs::resultList(jobs::ResultList which) const
{
    using jobs::ResultList;
    switch (which) {
    case ResultList::NewCode:
        return m_icdLists[0];
    case ResultList::SameCodeAndDescription:
        return m_icdLists[1];
    case ResultList::SameCodeDifferentDescription:
        return m_icdLists[2];
    case ResultList::SameDescriptionDifferentCode:
        return m_icdLists[3];
    case ResultList::PhNewCode:
        return m_lsvNewCodePH;
    case ResultList::PhSameCodeDifferentDescription:
        return m_lsvSameCodeDifDescPH;
    }
    return nullptr;
}

// The header shows the source file's caption.
QLabel* ScanTabs::captionLabel(jobs::Caption caption) const
{
    switch (caption) {
    case jobs::Caption::GroupName:
        return m_lblHeader;
    case jobs::Caption::PackageId:
        return m_lblPackageID;
    case jobs::Caption::SourceFile:
        return nullptr;
    }
    return nullptr;
}

void ScanTabs::onScanClicked(bool ph)
{
    m_phMode = ph; // on every click, before anything else
    if (!m_frmSrc || m_frmSrc->lineCount() == 0) {
        m_host.services().information(m_window, QStringLiteral("Select a file."));
        return;
    }
    QPushButton* button = scanButton(ph);
    if (button->text() != idleCaption(ph)) {
        // The running button: back to idle; the run ends after its current line. The
        // button waits disabled until then, so that no second run overlaps this one.
        button->setText(idleCaption(ph));
        button->setEnabled(false);
        m_host.jobRunner()->requestStop();
        return;
    }
    startScan(ph);
}

void ScanTabs::startScan(bool ph)
{
    scanButton(ph)->setText(kRunningCaption);
    reconcile::ScanParams params;
    params.lines = m_frmSrc->lines();
    m_header.resetForScan(static_cast<int>(params.lines.size()));
    clearLists();
    m_lastEnding.reset();

    params.phMode = ph;
    params.fixFormat = m_fixFormat();
    params.groupName = m_lblHeader->text();
    params.packageId = m_lblPackageID->text();
    params.sourceFile = m_loadedSource;
    params.list =
        m_loadedSource.isEmpty() ? reconcile::ScanList::UpdateResource : reconcile::ScanList::SourceFile;
    params.listFile = m_loadedSource;
    params.user = m_host.logIdentity().user;

    auto scan = std::make_shared<reconcile::ScanJob>(std::move(params));
    m_host.runJob(
        scan, scanButton(ph),
        [this, scan](jobs::Job&, const jobs::JobOutcome& outcome) {
            onScanFinished(scan->result(), outcome);
        },
        [this, ph] { scanButton(ph)->setText(idleCaption(ph)); });
}

void ScanTabs::clearLists()
{
    for (const jobs::ResultList list : jobs::kResultLists)
        resultList(list)->rows()->clear();
}

void ScanTabs::applyProgress(const jobs::JobProgress& batch)
{
    if (batch.clearViews)
        clearLists();
    for (auto it = batch.captions.cbegin(); it != batch.captions.cend(); ++it) {
        if (QLabel* label = captionLabel(it.key()))
            label->setText(it.value());
    }
    // One insertion per list and batch.
    std::map<jobs::ResultList, std::vector<reconcile::ResultRow>> added;
    for (const jobs::AddedRow& row : batch.rowsAdded)
        added[row.list].push_back({row.text, row.second});
    for (const auto& [list, rows] : added)
        resultList(list)->rows()->append(rows);
}

void ScanTabs::onScanFinished(const reconcile::ScanResult& result, const jobs::JobOutcome& outcome)
{
    reconcile::ScanProgress last;
    // The bar ends on the lines compared of the list's lines, whatever phase it counted last.
    last.linesDone = result.counters.linesRead;
    last.lineCount = m_frmSrc->lineCount();
    last.counters = result.counters;
    last.groupName = result.groupName;
    last.packageId = result.packageId;
    jobs::JobProgress shown = reconcile::ScanJob::toJobProgress(last);
    shown.text = QString(); // the run has ended: no phase
    m_host.showProgress(shown);
    // The rows came in batches (the window's scan keeps none in its result, so as not to
    // hold a long list's rows twice); a result that kept them is the authority.
    if (result.rowsKept) {
        for (const jobs::ResultList which : jobs::kResultLists) {
            ResultListModel* rows = resultList(which)->rows();
            if (rows->rows() != result.list(which)) {
                rows->clear();
                rows->append(result.list(which));
            }
        }
    }
    m_lastEnding = result.ending;

    for (const QString& message : outcome.messages) // in every ending, a stop and a close included
        m_host.services().information(m_window, message);
}

} // namespace orvex::gui
