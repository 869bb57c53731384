// "Go Scan" and "Scan": the click logic and what the window shows while a scan runs.
#include "gui/FrmIcd.h"

#include "gui/FrmSrc.h"
#include "gui/JobRunner.h"
#include "gui/MessageBoxes.h"
#include "gui/ReportListView.h"
#include "gui/Update2024Tab.h"
#include "reconcile/ScanJob.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextCursor>

#include <map>

namespace orvex::gui {

namespace {
const QString kRunningCaption = QStringLiteral("Stop");

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

// The job's words to the window's labels and lists: one switch each, without a default, so
// that a value added to the job's vocabulary and forgotten here does not compile.
QLabel* FrmIcd::counterLabel(jobs::Counter counter) const
{
    using jobs::Counter;
    switch (counter) {
    case Counter::LinesRead:
        return m_lblCount;
    case Counter::NewCode:
        return m_lblnew;
    case Counter::SameCodeAndDescription:
        return m_lblsame;
    case Counter::SameCodeDifferentDescription:
        return m_lblDifDesc;
    case Counter::SameDescriptionDifferentCode:
        return m_lblDifCode;
    case Counter::PhNewCode:
        return m_lblNewPH;
    case Counter::PhSameDescription:
        return m_lblsamePH;
    case Counter::PhSameCodeDifferentDescription:
        return m_lblDifDescPH;
    case Counter::PhNewRate:
        return m_lblNewRate;
    }
    return nullptr;
}

QLabel* FrmIcd::captionLabel(jobs::Caption caption) const
{
    switch (caption) {
    case jobs::Caption::GroupName:
        return m_lblHeader;
    case jobs::Caption::PackageId:
        return m_lblPackageID;
    case jobs::Caption::SourceFile:
        return m_lblSrc;
    }
    return nullptr;
}

ReportListView* FrmIcd::resultList(jobs::ResultList which) const
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
    m_lastEnding.reset();

    reconcile::ScanParams params;
    params.lines = m_frmSrc->lines();
    params.phMode = ph;
    params.fixFormat = m_chkFixFormat->isChecked();
    params.groupName = m_lblHeader->text();
    params.packageId = m_lblPackageID->text();
    params.sourceFile = m_loadedSource;
    params.list =
        m_loadedSource.isEmpty() ? reconcile::ScanList::UpdateResource : reconcile::ScanList::SourceFile;
    params.listFile = m_loadedSource;
    params.user = logIdentity().user;
    m_prgScan->setRange(0, std::max(1, static_cast<int>(params.lines.size())));

    auto scan = std::make_shared<reconcile::ScanJob>(std::move(params));
    runJob(
        scan, scanButton(ph),
        [this, scan](jobs::Job&, const jobs::JobOutcome& outcome) {
            onScanFinished(scan->result(), outcome);
        },
        [this, ph] { scanButton(ph)->setText(idleCaption(ph)); });
}

void FrmIcd::resetResults()
{
    for (QLabel* counter :
         {m_lblDifCode, m_lblDifDesc, m_lblsame, m_lblnew, m_lblNewPH, m_lblsamePH, m_lblDifDescPH})
        counter->setText(QStringLiteral("0"));
    for (const jobs::ResultList list : jobs::kResultLists)
        resultList(list)->rows()->clear();
    m_lblCount->setText(QStringLiteral("0"));
    m_prgScan->setValue(0);
}

void FrmIcd::applyBatch(const jobs::JobProgress& batch)
{
    if (batch.clearViews) {
        for (const jobs::ResultList list : jobs::kResultLists)
            resultList(list)->rows()->clear();
    }
    for (auto it = batch.counters.cbegin(); it != batch.counters.cend(); ++it)
        setCount(counterLabel(it.key()), it.value());
    for (auto it = batch.captions.cbegin(); it != batch.captions.cend(); ++it)
        captionLabel(it.key())->setText(it.value());
    if (batch.lineCount > 0) {
        m_prgScan->setMaximum(batch.lineCount);
        m_prgScan->setValue(std::min(batch.linesDone, m_prgScan->maximum()));
    }

    // One insertion per list and batch.
    std::map<jobs::ResultList, std::vector<reconcile::ResultRow>> added;
    for (const jobs::AddedRow& row : batch.rowsAdded)
        added[row.list].push_back({row.text, row.second});
    for (const auto& [list, rows] : added)
        resultList(list)->rows()->append(rows);
    if (!batch.logLines.isEmpty()) {
        // The log box gets each line as its old text, a line break and the line.
        QTextCursor cursor(m_update2024Tab->txtLog()->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QLatin1Char('\n') + batch.logLines.join(QLatin1Char('\n')));
    }
    for (const QString& failure : batch.failures)
        MessageBoxes::applicationError(this, failure);
}

void FrmIcd::onScanFinished(const reconcile::ScanResult& result, const jobs::JobOutcome& outcome)
{
    reconcile::ScanProgress last;
    last.linesDone = result.counters.linesRead;
    last.counters = result.counters;
    last.groupName = result.groupName;
    last.packageId = result.packageId;
    applyBatch(reconcile::ScanJob::toJobProgress(last));
    // The rows came in batches; the result is the authority.
    for (const jobs::ResultList which : jobs::kResultLists) {
        ResultListModel* rows = resultList(which)->rows();
        if (rows->rows() != result.list(which)) {
            rows->clear();
            rows->append(result.list(which));
        }
    }
    m_lastEnding = result.ending;

    for (const QString& message : outcome.messages) // in every ending, a stop and a close included
        MessageBoxes::information(this, message);
}

} // namespace orvex::gui
