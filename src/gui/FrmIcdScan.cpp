// "Go Scan" and "Scan": the click logic and what the window shows while a scan runs.
#include "gui/FrmIcd.h"

#include "gui/FrmSrc.h"
#include "gui/JobRunner.h"
#include "gui/MessageBoxes.h"
#include "gui/ReportListView.h"
#include "reconcile/ScanJob.h"

#include <QCheckBox>
#include <QHash>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextCursor>

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

    runJob(
        std::make_unique<reconcile::ScanJob>(std::move(params)), scanButton(ph),
        [this](jobs::Job& job, const jobs::JobOutcome& outcome) {
            if (auto* scan = dynamic_cast<reconcile::ScanJob*>(&job); scan && scan->lastResult())
                onScanFinished(*scan->lastResult(), outcome);
        },
        [this, ph] { scanButton(ph)->setText(idleCaption(ph)); });
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

void FrmIcd::applyBatch(const jobs::JobProgress& batch)
{
    if (batch.clearViews) {
        for (int i = 0; i < reconcile::kResultListCount; ++i)
            resultList(static_cast<reconcile::ResultList>(i))->rows()->clear();
    }
    // Counters and captions by the objectName of their label.
    for (auto it = batch.counters.cbegin(); it != batch.counters.cend(); ++it) {
        if (auto* label = findChild<QLabel*>(it.key()))
            setCount(label, it.value());
    }
    for (auto it = batch.labels.cbegin(); it != batch.labels.cend(); ++it) {
        if (auto* label = findChild<QLabel*>(it.key()))
            label->setText(it.value());
    }
    if (batch.lineCount > 0) {
        m_prgScan->setMaximum(batch.lineCount);
        m_prgScan->setValue(std::min(batch.linesDone, m_prgScan->maximum()));
    }

    // One insertion per list and batch.
    QHash<QString, std::vector<reconcile::ResultRow>> added;
    for (const jobs::AddedRow& row : batch.rowsAdded)
        added[row.list].push_back({row.text, row.second});
    for (auto it = added.cbegin(); it != added.cend(); ++it) {
        if (auto* list = findChild<ReportListView*>(it.key()))
            list->rows()->append(it.value());
    }
    if (!batch.logLines.isEmpty()) {
        // The log box gets each line as its old text, a line break and the line.
        auto* txtLog = findChild<QPlainTextEdit*>(QStringLiteral("txtLog"));
        QTextCursor cursor(txtLog->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QLatin1Char('\n') + batch.logLines.join(QLatin1Char('\n')));
    }
    for (const QString& failure : batch.failures)
        MessageBoxes::applicationError(this, failure);
}

void FrmIcd::onScanFinished(const reconcile::ScanResult& result, const jobs::JobOutcome& outcome)
{
    reconcile::ScanProgress last;
    last.linesDone = result.counters.lblCount;
    last.counters = result.counters;
    last.groupName = result.groupName;
    last.packageId = result.packageId;
    applyBatch(reconcile::ScanJob::toJobProgress(last));
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
        MessageBoxes::information(this, message);
}

} // namespace orvex::gui
