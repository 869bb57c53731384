#pragma once

#include "jobs/Job.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace orvex::apply {
struct ApplyPlan;
}

namespace orvex::gui {

class AnnexImportEntry;
class JobHost;
class ScanTabs;

// Tab "Update 2024": the yearly update (backup, update scripts, their review, apply and
// undo), the annex import, package cloning, the package-rate script and the log box txtLog.
class Update2024Tab : public QWidget
{
    Q_OBJECT
public:
    // `scan`: the tabs whose selected source file and package ID the update run reads.
    Update2024Tab(QWidget* window, JobHost& host, ScanTabs& scan);

    QLineEdit* txtFileName() const { return m_txtFileName; }
    QPlainTextEdit* txtLog() const { return m_txtLog; }

    // "_TEST" while "Test Table" is checked, otherwise empty: the suffix of the tables the
    // update scripts address.
    QString testSuffix() const;
    static QString idleProcessCaption(); // of cmdProcess when no run is going

    void setJobRunning(bool running);
    // The log box as a job reports it.
    void applyProgress(const jobs::JobProgress& batch);

private:
    void build();
    void fixColumnWidths();
    void onTestTableClicked();
    void onVersion2Clicked();
    void onOpenReportClicked();
    // The review page "Open report" opens: the last update run's, or empty while a run goes
    // or when none was written. The button is enabled while the page is there.
    void setReviewPage(const QString& path);

    // "Step1. Create table copies on" and "Step 2. Create update scripts" (Update2024Jobs.cpp).
    void onBackupClicked();
    void onProcessClicked();
    // The package-rate script and the package clones (Update2024Jobs.cpp).
    void updateMedPackage();
    void createNewPackage(bool procedures);
    // Apply of the last update run to the database and its undo (Update2024Apply.cpp).
    void refreshApplyButtons(); // enabled as the output folder allows
    void onApplyClicked();      // checks the plan on the runner, then asks
    void startApply(const apply::ApplyPlan& plan);
    void onUndoApplyClicked();

    QWidget* m_window;
    JobHost& m_host;
    ScanTabs& m_scan;
    QString m_reviewPage;

    QPushButton* m_cmdBackUPTables = nullptr;
    QLineEdit* m_txtCopySuffix = nullptr;
    QCheckBox* m_chkTest = nullptr;
    QRadioButton* m_optVer2 = nullptr;
    QCheckBox* m_chkVerB = nullptr;
    QPushButton* m_cmdProcess = nullptr;
    QLineEdit* m_txtFileName = nullptr;
    QComboBox* m_cboYear = nullptr;
    QCheckBox* m_chkUpdateDesc = nullptr;
    QPushButton* m_cmdOpenReport = nullptr;
    QPushButton* m_cmdApply = nullptr; // "Apply to database…"
    QPushButton* m_cmdUndoApply = nullptr;
    QPushButton* m_cmdUpdateMedPackage = nullptr;
    QLineEdit* m_txtUpdateMedPackage = nullptr;
    QPushButton* m_cmdCreateNewPackage = nullptr;
    QLineEdit* m_txtICDSplit = nullptr;
    QPushButton* m_cmdCreateNewPackageProc = nullptr;
    QLineEdit* m_txtRVSSplit = nullptr;
    QPlainTextEdit* m_txtLog = nullptr;
    AnnexImportEntry* m_annexImport = nullptr; // "Import annex…"
};

} // namespace orvex::gui
