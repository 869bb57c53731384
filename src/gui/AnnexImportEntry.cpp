#include "gui/AnnexImportEntry.h"

#include "Error.h"
#include "annex/AnnexImport.h"
#include "gui/ElidedLabel.h"
#include "gui/JobHost.h"
#include "gui/JobRunner.h"
#include "gui/NamedWidgets.h"
#include "gui/Update2024Tab.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>

#include <optional>

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
// The bytes of the file at `path`; none when there is no file (or it cannot be read,
// which the write then reports).
std::optional<QByteArray> fileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

QList<QByteArray> linesOf(const QByteArray& bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // after the last line break
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    return lines;
}

// How many of the lines of `from` are not among those of `other` (each line counted as
// often as it occurs).
qsizetype linesNotIn(const QList<QByteArray>& from, const QList<QByteArray>& other)
{
    QHash<QByteArray, qsizetype> left;
    for (const QByteArray& line : other)
        ++left[line];
    qsizetype missing = 0;
    for (const QByteArray& line : from) {
        if (auto it = left.find(line); it != left.end() && it.value() > 0)
            --it.value();
        else
            ++missing;
    }
    return missing;
}

// The question before a list that is there already is replaced: where it is and how the
// two lists differ.
QString replaceQuestion(const QString& path, const QByteArray& existing, const QByteArray& list,
                        const QString& pdfName)
{
    const QList<QByteArray> oldLines = linesOf(existing);
    const QList<QByteArray> newLines = linesOf(list);
    const QFileInfo file(path);
    return QStringLiteral(
               "\"%1\" exists already in the folder\n%2\nand holds a different list: %3 of its lines "
               "are not in the list read from \"%4\", which has %5 lines it does not have. "
               "Replace it?")
        .arg(file.fileName(), QDir::toNativeSeparators(file.absolutePath()))
        .arg(linesNotIn(oldLines, newLines))
        .arg(pdfName)
        .arg(linesNotIn(newLines, oldLines));
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
        [this, import, pdf](jobs::Job&, const jobs::JobOutcome& outcome) {
            onFinished(import->result(), outcome, QFileInfo(pdf).fileName());
        },
        [this] { endRun(QStringLiteral("Nothing was written.")); }, // the end's own status follows
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

void AnnexImportEntry::onFinished(const annex::AnnexImportResult& result, const jobs::JobOutcome& outcome,
                                  const QString& pdfName)
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
    const QByteArray list = annex::rateListBytes(result.rows);
    const std::optional<QByteArray> existing = fileBytes(result.outputPath);
    const bool unchanged = existing && *existing == list;
    if (existing && !unchanged) {
        m_status->setText(
            QStringLiteral("\"%1\": %2 rows read, not written yet").arg(name).arg(result.rows.size()));
        if (m_host.services().question(window, replaceQuestion(result.outputPath, *existing, list, pdfName),
                                       QMessageBox::Yes | QMessageBox::No,
                                       QMessageBox::No) != QMessageBox::Yes) {
            endRun(QStringLiteral("\"%1\" was kept; nothing was written.").arg(name));
            return;
        }
    }
    if (!unchanged) {
        try {
            annex::writeRateList(result.outputPath, result.rows);
        } catch (const Error& e) {
            endRun(QStringLiteral("Nothing was written."));
            m_host.services().error(window, e.message());
            return;
        }
    }
    m_tab->txtFileName()->setText(baseNameOf(result.outputPath));
    const QString written =
        (unchanged ? QStringLiteral("unchanged, the same list: ") : QStringLiteral("written: ")) +
        QDir::toNativeSeparators(result.outputPath);
    appendLog({written});
    endRun(QStringLiteral("\"%1\": %2 rows").arg(name).arg(result.rows.size()));
    m_host.services().information(window, summary + QLatin1Char('\n') + written);
}

} // namespace orvex::gui
