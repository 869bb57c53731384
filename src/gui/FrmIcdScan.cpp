// "Go Scan" and "Scan": the click logic and what the window shows while a scan runs.
#include "gui/FrmIcd.h"

#include "gui/FrmSrc.h"
#include "gui/MessageBoxes.h"
#include "gui/ReportListView.h"
#include "gui/ScanRunner.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace orvex::gui {

namespace {
const QString kRunningCaption = QStringLiteral("Stop");
const QString kDoneMessage = QStringLiteral(
    "Done.  Click 'Open Output Folder' to view scripts.  Run script.txt, SameCodeDiffDesc Script.txt, "
    "and scriptPH.txt to update your database.");

void setCount(QLabel* label, int value)
{
    label->setText(QString::number(value));
}
} // namespace

QString FrmIcd::idleCaption(bool ph)
{
    return ph ? QStringLiteral("Scan") : QStringLiteral("Go Scan");
}

QPushButton* FrmIcd::scanButton(bool ph) const
{
    return ph ? m_cmdScanPH : m_cmdScan;
}

ReportListView* FrmIcd::resultList(reconcile::ResultList which) const
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

void FrmIcd::onScanClicked(bool ph)
{
    PHMode = ph; // on every click, before anything else
    if (!m_frmSrc || m_frmSrc->lineCount() == 0) {
        MessageBoxes::information(this, QStringLiteral("Select a file."));
        return;
    }
    QPushButton* button = scanButton(ph);
    if (button->text() != idleCaption(ph)) {
        // The running button: back to idle; the run ends after its current line. The
        // button waits disabled until then, so that no second run overlaps this one.
        button->setText(idleCaption(ph));
        button->setEnabled(false);
        m_runner->requestStop();
        return;
    }
    startScan(ph);
}

void FrmIcd::startScan(bool ph)
{
    scanButton(ph)->setText(kRunningCaption);
    resetResults();

    reconcile::ScanParams params;
    params.lines = m_frmSrc->lines();
    params.phMode = ph;
    params.fixFormat = m_chkFixFormat->isChecked();
    params.connection = m_connection;
    params.groupName = m_lblHeader->text();
    params.packageId = m_lblPackageID->text();
    m_prgScan->setRange(0, std::max(1, static_cast<int>(params.lines.size())));

    setRunning(true, ph);
    m_runner->start(std::move(params));
}

void FrmIcd::resetResults()
{
    for (QLabel* counter :
         {m_lblDifCode, m_lblDifDesc, m_lblsame, m_lblnew, m_lblNewPH, m_lblsamePH, m_lblDifDescPH})
        counter->setText(QStringLiteral("0"));
    for (int i = 0; i < reconcile::kResultListCount; ++i)
        resultList(static_cast<reconcile::ResultList>(i))->rows()->clear();
    m_lblCount->setText(QStringLiteral("0"));
    m_prgScan->setValue(0);
}

void FrmIcd::setRunning(bool running, bool ph)
{
    m_runningPh = ph;
    // What would start another run or change the list under the running one.
    scanButton(!ph)->setEnabled(!running);
    scanButton(ph)->setEnabled(true);
    m_cmdLoadUpdate->setEnabled(!running);
    m_lstSourceFiles->setEnabled(!running);
    m_chkFixFormat->setEnabled(!running);
}

void FrmIcd::applyBatch(const ScanBatch& batch)
{
    const reconcile::ScanCounters& c = batch.counters;
    setCount(m_lblnew, c.lblnew);
    setCount(m_lblsame, c.lblsame);
    setCount(m_lblDifDesc, c.lblDifDesc);
    setCount(m_lblDifCode, c.lblDifCode);
    setCount(m_lblNewPH, c.lblNewPH);
    setCount(m_lblsamePH, c.lblsamePH);
    setCount(m_lblDifDescPH, c.lblDifDescPH);
    setCount(m_lblCount, c.lblCount);
    m_prgScan->setValue(std::min(batch.linesDone, m_prgScan->maximum()));
    m_lblHeader->setText(batch.groupName);
    m_lblPackageID->setText(batch.packageId);

    // One insertion per list and batch.
    std::array<std::vector<reconcile::ResultRow>, reconcile::kResultListCount> added;
    for (const auto& [list, row] : batch.newRows)
        added[static_cast<size_t>(list)].push_back(row);
    for (int i = 0; i < reconcile::kResultListCount; ++i)
        resultList(static_cast<reconcile::ResultList>(i))->rows()->append(added[static_cast<size_t>(i)]);
}

void FrmIcd::onScanFinished(const reconcile::ScanResult& result)
{
    ScanBatch last;
    last.linesDone = result.counters.lblCount;
    last.counters = result.counters;
    last.groupName = result.groupName;
    last.packageId = result.packageId;
    applyBatch(last);
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

    MessageBoxes::information(this, kDoneMessage); // in every ending, a stop and a close included
    scanButton(m_runningPh)->setText(idleCaption(m_runningPh));
    setRunning(false, m_runningPh);
}

void FrmIcd::onScanFailed(const QString& message)
{
    m_lastEnding.reset();
    MessageBoxes::error(this, message);
    scanButton(m_runningPh)->setText(idleCaption(m_runningPh));
    setRunning(false, m_runningPh);
}

} // namespace orvex::gui
