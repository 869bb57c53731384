// "Go Scan" and "Scan": the click logic and what the tabs show while a scan runs.
#include "gui/FrmSrc.h"
#include "gui/JobHost.h"
#include "gui/ReportListView.h"
#include "gui/ScanTabs.h"
#include "reconcile/ScanJob.h"

#include <QHash>
#include <QLabel>
#include <QPushButton>

namespace orvex::gui {

namespace {
const QString kRunningCaption = QStringLiteral("Stop");

} // namespace

QString ScanTabs::idleCaption(bool ph)
{
    return ph ? QStringLiteral("Scan") : QStringLiteral("Go Scan");
}

ReportListView* ScanTabs::resultList(reconcile::ResultList which) const
{
    using reconcile::ResultList;
    switch (which) {
    case ResultList::NewCode:
        return m_icdLists[0];
    case ResultList::SameCodeDescription:
        return m_icdLists[1];
    case ResultList::SameCodeDifDesc:
        return m_icdLists[2];
    case ResultList::SameDescDifCode:
        return m_icdLists[3];
    case ResultList::NewCodePH:
        return m_lsvNewCodePH;
    case ResultList::SameCodeDifDescPH:
        return m_lsvSameCodeDifDescPH;
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

    m_host.runJob(
        std::make_unique<reconcile::ScanJob>(std::move(params)), scanButton(ph),
        [this](jobs::Job& job, const jobs::JobOutcome& outcome) {
            if (auto* scan = dynamic_cast<reconcile::ScanJob*>(&job); scan && scan->lastResult())
                onScanFinished(*scan->lastResult(), outcome);
        },
        [this, ph] { scanButton(ph)->setText(idleCaption(ph)); });
}

void ScanTabs::clearLists()
{
    for (int i = 0; i < reconcile::kResultListCount; ++i)
        resultList(static_cast<reconcile::ResultList>(i))->rows()->clear();
}

void ScanTabs::applyProgress(const jobs::JobProgress& batch)
{
    if (batch.clearViews)
        clearLists();
    for (QLabel* label : {m_lblHeader, m_lblPackageID}) {
        if (const auto it = batch.labels.constFind(label->objectName()); it != batch.labels.cend())
            label->setText(it.value());
    }
    // One insertion per list and batch.
    QHash<QString, std::vector<reconcile::ResultRow>> added;
    for (const jobs::AddedRow& row : batch.rowsAdded)
        added[row.list].push_back({row.text, row.second});
    for (int i = 0; i < reconcile::kResultListCount; ++i) {
        ReportListView* list = resultList(static_cast<reconcile::ResultList>(i));
        if (const auto it = added.constFind(list->objectName()); it != added.cend())
            list->rows()->append(it.value());
    }
}

void ScanTabs::onScanFinished(const reconcile::ScanResult& result, const jobs::JobOutcome& outcome)
{
    reconcile::ScanProgress last;
    last.linesDone = result.counters.lblCount;
    last.counters = result.counters;
    last.groupName = result.groupName;
    last.packageId = result.packageId;
    m_host.showProgress(reconcile::ScanJob::toJobProgress(last));
    // The rows came in batches; the result is the authority.
    for (int i = 0; i < reconcile::kResultListCount; ++i) {
        const auto which = static_cast<reconcile::ResultList>(i);
        ResultListModel* rows = resultList(which)->rows();
        if (rows->rows() != result.list(which)) {
            rows->clear();
            rows->append(result.list(which));
        }
    }
    m_lastEnding = result.ending;

    for (const QString& message : outcome.messages) // in every ending, a stop and a close included
        m_host.services().information(m_window, message);
}

} // namespace orvex::gui
