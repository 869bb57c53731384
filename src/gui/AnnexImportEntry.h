#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace orvex::annex {
struct AnnexImportResult;
}

namespace orvex::jobs {
struct JobOutcome;
struct JobProgress;
} // namespace orvex::jobs

namespace orvex::gui {

class JobHost;
class Update2024Tab;

// "Import annex…" on tab "Update 2024": reads a PhilHealth case-rate annex (PDF) as a job
// of the window's runner, page by page, shows the checks, writes the year's rate list into the
// program folder and puts its base name into txtFileName, so that Step 2 reads it. While
// it runs the button stops it.
class AnnexImportEntry : public QObject
{
    Q_OBJECT
public:
    explicit AnnexImportEntry(Update2024Tab* tab);

    QPushButton* button() const { return m_button; }
    // The window that runs the import; the button does nothing until it is set.
    void setHost(JobHost* host) { m_host = host; }

    // Test seam: picks the PDF instead of the file dialog (empty: cancelled).
    using PdfChooser = std::function<QString(QWidget* parent)>;
    static void setPdfChooser(PdfChooser chooser);

private:
    void onClicked();
    void onProgressed(const jobs::JobProgress& batch);
    void onFinished(const annex::AnnexImportResult& result, const jobs::JobOutcome& outcome);
    void endRun(const QString& status);
    void appendLog(const QStringList& lines);

    Update2024Tab* m_tab;
    QPushButton* m_button;
    QLabel* m_status;
    JobHost* m_host = nullptr;
};

} // namespace orvex::gui
