#pragma once

#include "db/Connection.h"
#include "db/LogIdentity.h"
#include "gui/JobHost.h"
#include "gui/ResizeRules.h"
#include "jobs/Job.h"
#include "reconcile/ScanTypes.h"

#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace orvex::db {
class CurrentUser;
}

namespace orvex::apply {
struct ApplyPlan;
}

namespace orvex::gui {

class ClickableLabel;
class FrmSrc;
class ReportListView;
class JobRunner;
class OnlineUpdateTab;
class ToolsTab;
class Update2024Tab;

// Which of the four result lists of tab "ICD" is shown.
enum class IcdView { NewCodes, SameCodeDescription, SameCodeDifDesc, SameDescDifCode };

// The main window: a fixed header of view labels, counters and buttons above the tab
// control SSTab1, whose five tabs hold the scans, the tools and the log. Scans run on a
// worker thread that opens its own connection from the signed-in settings.
class FrmIcd : public QWidget, public JobHost
{
    Q_OBJECT
public:
    // `connection`: how the signed-in user reaches the databases; `user`: the current-user
    // component of the run (null in tests that need none).
    explicit FrmIcd(db::ConnectionSettings connection, db::CurrentUser* user = nullptr,
                    QWidget* parent = nullptr);
    ~FrmIcd() override;

    // "Kestra Orvex ver." and the three-part version.
    static QString caption();

    // Start-up, once the window shows: the output folder, then the source files of the
    // program folder in lstSourceFiles.
    void prepareOutputFolder();
    void fillSourceFiles();

    const QString& sourceFilePath() const { return SourceFilePath; }
    bool phMode() const { return PHMode; }
    IcdView view() const { return m_view; }
    bool isJobRunning() const; // a scan or any other job of the window: one runs at a time
    // How the last scan ended; empty before the first one and after a failed one.
    std::optional<reconcile::ScanEnding> lastEnding() const { return m_lastEnding; }

    db::CurrentUser* currentUser() const { return m_user; }
    FrmSrc* frmSRC() const { return m_frmSrc; } // null until first used
    JobRunner* jobRunner() const override { return m_runner; }
    void runJob(std::shared_ptr<jobs::Job> job, QPushButton* stopButton, JobFinished finished,
                std::function<void()> afterEither = {}, JobProgressed progressed = {}) override;

public slots:
    void loadUpdate();               // "Load Update"
    void chooseSelectedSourceFile(); // double-click on lstSourceFiles
    void showView(orvex::gui::IcdView view);
    void openOutputFolder(); // "Open Output Folder"

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct ViewRow
    {
        ClickableLabel* label = nullptr;
        int left = 0, top = 0; // design position, twips
        QLabel* icdCounter = nullptr;
        QLabel* phCounter = nullptr;
        QFrame* underline = nullptr;
        int lineStart = 0, lineY = 0;
    };

    // Construction, split by area (FrmIcdControls.cpp).
    void buildHeader();
    void buildTabs();
    QWidget* buildIcdTab();
    QWidget* buildPhTab();

    // Geometry (FrmIcdLayout.cpp).
    void relayout();
    void placeHeader();
    void placeTabContents();
    QSize headerExtent() const; // right and bottom edge of the header's controls, in pixels

    // Every tab's jobs run on m_runner, one at a time (FrmIcdJobs.cpp).
    jobs::JobContext jobContext() const;
    void setStartControlsEnabled(bool enabled, QWidget* stopButton);
    void onJobProgressed(const jobs::JobProgress& batch);
    void onJobFinished(jobs::Job* job, const jobs::JobOutcome& outcome);
    void onJobFailed(const QString& message);
    void openForUser(const QStringList& files);
    db::LogIdentity logIdentity() const;

    // Scans (FrmIcdScan.cpp).
    void onScanClicked(bool ph);
    void startScan(bool ph);
    void resetResults();
    void applyBatch(const jobs::JobProgress& batch);
    void onScanFinished(const reconcile::ScanResult& result, const jobs::JobOutcome& outcome);
    QPushButton* scanButton(bool ph) const;
    static QString idleCaption(bool ph);
    // Where the window shows a job's counters, captions and lists.
    QLabel* counterLabel(jobs::Counter counter) const;
    QLabel* captionLabel(jobs::Caption caption) const;
    ReportListView* resultList(jobs::ResultList which) const;

    // Tab "Update 2024": the backup and the update run (FrmIcdUpdate.cpp).
    void wireUpdateTab();
    void onBackupClicked();
    void onProcessClicked();

    // Apply of the last update run to the database and its undo (FrmIcdApply.cpp).
    void wireApply();
    void onApplyClicked(); // checks the plan on the runner, then asks
    void startApply(const apply::ApplyPlan& plan);
    void onUndoApplyClicked();
    void refreshApplyButtons(); // enabled as the output folder allows

    // Duplicates, cloning, the package rate script (FrmIcdTools.cpp).
    void wireTools();
    void checkDuplicates();
    void deleteDuplicates();
    void updateMedPackage();
    void createNewPackage(bool procedures);

    FrmSrc* ensureFrmSrc();
    void showFrmSrc();

    // Window-level state shared by the operations.
    db::ConnectionSettings m_connection;
    db::CurrentUser* m_user = nullptr;
    QString SourceFilePath;
    QString m_loadedSource; // the path of what "ICD Updates" holds; empty for the built-in list
    bool PHMode = false;
    IcdView m_view = IcdView::NewCodes;
    std::optional<reconcile::ScanEnding> m_lastEnding;
    JobFinished m_jobFinished;              // what the running job's end does
    std::function<void()> m_jobAfterEither; // also after a failure: captions back to idle
    JobProgressed m_jobProgressed;          // empty: applyBatch

    FixedPositions m_at;
    FollowingSizes m_sizes;

    FrmSrc* m_frmSrc = nullptr;
    JobRunner* m_runner = nullptr;

    // Header.
    QPushButton* m_cmdClose = nullptr;
    QPushButton* m_cmdOpenFolder = nullptr;
    QPushButton* m_cmdICDDLL = nullptr;
    QLabel* m_lblSrc = nullptr;
    QLabel* m_label3 = nullptr;
    QLabel* m_label1 = nullptr;
    std::array<ViewRow, 5> m_viewRows;
    QLabel* m_lblnew = nullptr;
    QLabel* m_lblsame = nullptr;
    QLabel* m_lblDifDesc = nullptr;
    QLabel* m_lblDifCode = nullptr;
    QLabel* m_lblNewPH = nullptr;
    QLabel* m_lblsamePH = nullptr;
    QLabel* m_lblDifDescPH = nullptr;
    QLabel* m_lblNewRate = nullptr;
    QLabel* m_lblCount = nullptr;
    QProgressBar* m_prgScan = nullptr;
    std::array<QFrame*, 4> m_lines{}; // Line5 .. Line8

    // Tabs.
    QTabWidget* m_tabs = nullptr;
    QGroupBox* m_frame1 = nullptr;
    QGroupBox* m_frame2 = nullptr;
    QLabel* m_label2 = nullptr;
    QPushButton* m_cmdScan = nullptr;
    ReportListView* m_lstSourceFiles = nullptr;
    std::array<ReportListView*, 4> m_icdLists{}; // in IcdView order
    QLabel* m_label4 = nullptr;
    QPushButton* m_cmdLoadUpdate = nullptr;
    QPushButton* m_cmdScanPH = nullptr;
    QLabel* m_lblHeader = nullptr;
    QLabel* m_lblPackageID = nullptr;
    ReportListView* m_lsvNewCodePH = nullptr;
    ReportListView* m_lsvSameCodeDifDescPH = nullptr;
    QCheckBox* m_chkFixFormat = nullptr; // on tab "Tools"
    ToolsTab* m_toolsTab = nullptr;
    OnlineUpdateTab* m_onlineUpdateTab = nullptr;
    Update2024Tab* m_update2024Tab = nullptr;
};

} // namespace orvex::gui
