#include "gui/AnnexImportEntry.h"

#include "Error.h"
#include "annex/AnnexImport.h"
#include "gui/ElidedLabel.h"
#include "gui/JobHost.h"
#include "gui/JobRunner.h"
#include "gui/NamedWidgets.h"
#include "gui/Update2024Tab.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>

namespace orvex::gui {

namespace {
const QString kCaption = QStringLiteral("Import annex…");

// The year the window's rate-file name carries ("ICD PH 2024" gives 2024): the year of a
// list whose annex prints none.
QString yearOf(const QString& fileName)
{
    static const QRegularExpression year(QStringLiteral("(19|20)\\d\\d"));
    QString last;
    for (auto it = year.globalMatch(fileName); it.hasNext();)
        last = it.next().captured();
    return last;
}

// What txtFileName holds for Step 2: the name without ".txt" and without "_PROCEDURE".
QString baseNameOf(const QString& listPath)
{
    QString name = QFileInfo(listPath).fileName();
    name.chop(4);
    if (name.endsWith(QLatin1String("_PROCEDURE")))
        name.chop(10);
    return name;
}
} // namespace

AnnexImportEntry::AnnexImportEntry(Update2024Tab* tab, JobHost& host)
    : QObject(tab), m_tab(tab), m_button(named<QPushButton>("cmdImportAnnex", kCaption)),
      m_status(named<ElidedLabel>("lblAnnexImport")), m_host(host)
{
    if (auto* grid = qobject_cast<QGridLayout*>(tab->layout())) {
        grid->addWidget(m_button, 2, 3);
        grid->addWidget(m_status, 2, 4, 1, 2);
    }
    connect(m_button, &QPushButton::clicked, this, &AnnexImportEntry::onClicked);
}

void AnnexImportEntry::onClicked()
{
    if (m_host.isJobRunning()) {
        if (m_button->text() != kCaption) // "Stop": this import is the running job
            m_host.jobRunner()->requestStop();
        return;
    }
    const QString pdf = m_host.services().pdfToImport(m_tab->window());
    if (pdf.isEmpty())
        return;
    // Read and check first; the list is written once the user has seen what it replaces.
    annex::AnnexImportParams params;
    params.pdfPath = pdf;
    params.fallbackYear = yearOf(m_tab->txtFileName()->text());
    params.write = false;
    m_button->setText(QStringLiteral("Stop"));
    m_status->setText(QFileInfo(pdf).fileName());
    auto import = std::make_shared<annex::AnnexImportJob>(params);
    m_host.runJob(
        import, m_button,
        [this, import](jobs::Job&, const jobs::JobOutcome& outcome) {
            onFinished(import->result(), outcome);
        },
        [this] { endRun(QStringLiteral("Nothing was written.")); }, // a failure's message follows
        [this](const jobs::JobProgress& batch) { onProgressed(batch); });
}

void AnnexImportEntry::onProgressed(const jobs::JobProgress& batch)
{
    if (!batch.text.isEmpty())
        m_status->setText(batch.text);
}

void AnnexImportEntry::endRun(const QString& status)
{
    m_button->setText(kCaption);
    m_status->setText(status);
}

void AnnexImportEntry::appendLog(const QStringList& lines)
{
    for (const QString& line : lines)
        m_tab->txtLog()->appendPlainText(line);
}

void AnnexImportEntry::onFinished(const annex::AnnexImportResult& result, const jobs::JobOutcome& outcome)
{
    QWidget* window = m_tab->window();
    if (outcome.ending != jobs::JobEnding::Finished) {
        endRun(QStringLiteral("Stopped; nothing was written."));
        return;
    }
    appendLog(outcome.summary);
    const QString summary = outcome.summary.join(QLatin1Char('\n'));
    if (!result.checks.passed()) {
        endRun(QStringLiteral("The checks failed; nothing was written."));
        m_host.services().error(window,
                                QStringLiteral("The checks failed; nothing was written.\n\n") + summary);
        return;
    }
    if (result.outputPath.isEmpty()) {
        endRun(QStringLiteral("Nothing was written."));
        m_host.services().error(window,
                                QStringLiteral("The annex prints no year. Put the year's file name (for "
                                               "example \"ICD PH 2024\") into the box beside Step 2 "
                                               "and import again."));
        return;
    }
    const QString name = QFileInfo(result.outputPath).fileName();
    if (QFileInfo::exists(result.outputPath) &&
        m_host.services().question(window, QStringLiteral("\"%1\" exists already. Replace it?").arg(name),
                                   QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes) {
        endRun(QStringLiteral("\"%1\" was kept; nothing was written.").arg(name));
        return;
    }
    try {
        annex::writeRateList(result.outputPath, result.rows);
    } catch (const Error& e) {
        endRun(QStringLiteral("Nothing was written."));
        m_host.services().error(window, e.message());
        return;
    }
    m_tab->txtFileName()->setText(baseNameOf(result.outputPath));
    const QString written = QStringLiteral("written: ") + QDir::toNativeSeparators(result.outputPath);
    appendLog({written});
    endRun(QStringLiteral("\"%1\": %2 rows").arg(name).arg(result.rows.size()));
    m_host.services().information(window, summary + QLatin1Char('\n') + written);
}

} // namespace orvex::gui
