#pragma once

#include <QObject>
#include <QString>

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

class ElidedLabel;
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
    // `host`: the window that runs the import.
    AnnexImportEntry(Update2024Tab* tab, JobHost& host);

    QPushButton* button() const { return m_button; }

private:
    void onClicked();
    void onProgressed(const jobs::JobProgress& batch);
    // `pdfName`: the annex's file name.
    void onFinished(const annex::AnnexImportResult& result, const jobs::JobOutcome& outcome,
                    const QString& pdfName);
    void endRun(const QString& status);
    void appendLog(const QStringList& lines);

    Update2024Tab* m_tab;
    QPushButton* m_button;
    ElidedLabel* m_status; // never moves a control, however long
    JobHost& m_host;
};

} // namespace orvex::gui
