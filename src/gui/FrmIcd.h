#pragma once

#include "db/Connection.h"
#include "db/LogIdentity.h"
#include "gui/JobHost.h"
#include "gui/ResizeRules.h"
#include "gui/WindowHeader.h"
#include "gui/WindowServices.h"
#include "jobs/Job.h"
#include "reconcile/ScanTypes.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QTabWidget;

namespace orvex::db {
class CurrentUser;
}

namespace orvex::gui {

class FrmSrc;
class JobRunner;
class OnlineUpdateTab;
class ScanTabs;
class ToolsTab;
class Update2024Tab;

// The main window: a fixed header of view labels, counters and buttons above the tab
// control SSTab1, whose five tabs hold the scans, the tools and the log. Each tab controls
// its own controls; the window composes them and runs their jobs, one at a time, on a
// worker thread that opens its own connection from the signed-in settings.
class FrmIcd : public QWidget, public JobHost
{
    Q_OBJECT
public:
    // `services`: the desktop the window asks (message boxes, dialogs, the file browser);
    // `connection`: how the signed-in user reaches the databases; `user`: the current-user
    // component of the run (null in tests that need none).
    FrmIcd(WindowServices services, db::ConnectionSettings connection, db::CurrentUser* user = nullptr,
           QWidget* parent = nullptr);
    ~FrmIcd() override;

    // "Kestra Orvex ver." and the three-part version.
    static QString caption();

    // Start-up, once the window shows: the output folder, then the source files of the
    // program folder in lstSourceFiles.
    void prepareOutputFolder();
    void fillSourceFiles();

    const QString& sourceFilePath() const;
    bool phMode() const;
    IcdView view() const { return m_view; }
    // How the last scan ended; empty before the first one and after a failed one.
    std::optional<reconcile::ScanEnding> lastEnding() const;

    db::CurrentUser* currentUser() const { return m_user; }
    FrmSrc* frmSRC() const; // null until first used

    // JobHost
    JobRunner* jobRunner() const override { return m_runner; }
    void runJob(std::shared_ptr<jobs::Job> job, QPushButton* stopButton, JobFinished finished,
                std::function<void()> afterEither = {}, JobProgressed progressed = {}) override;
    void showProgress(const jobs::JobProgress& batch) override;
    db::LogIdentity logIdentity() const override;
    const WindowServices& services() const override { return m_services; }

public slots:
    void loadUpdate();               // "Load Update"
    void chooseSelectedSourceFile(); // double-click on lstSourceFiles
    void showView(orvex::gui::IcdView view);
    void openOutputFolder(); // "Open Output Folder"

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildTabs();
    void setUpKeyboard();
    void openCodeSearch(); // "&View ICD DB"

    // Geometry (FrmIcdLayout.cpp).
    void relayout();
    QSize headerExtent() const; // right and bottom edge of the header's controls, in pixels

    // The jobs of every tab, one at a time (FrmIcdJobs.cpp).
    jobs::JobContext jobContext() const;
    void setJobRunning(bool running, QWidget* stopButton);
    void onJobProgressed(const jobs::JobProgress& batch);
    void onJobFinished(jobs::Job* job, const jobs::JobOutcome& outcome);
    void onJobFailed(const QString& message);

    // Window-level state shared by the tabs.
    WindowServices m_services;
    db::ConnectionSettings m_connection;
    db::CurrentUser* m_user = nullptr;
    IcdView m_view = IcdView::NewCodes;
    JobFinished m_jobFinished;              // what the running job's end does
    std::function<void()> m_jobAfterEither; // also after a failure: captions back to idle
    JobProgressed m_jobProgressed;          // empty: showProgress
    bool m_icdTablesBusy = false;           // the running job writes the ICD tables

    FixedPositions m_at;
    FollowingSizes m_sizes;
    JobRunner* m_runner = nullptr;

    WindowHeader* m_header = nullptr;
    QTabWidget* m_tabs = nullptr;
    ScanTabs* m_scanTabs = nullptr; // tabs "ICD" and "PH ICD Case Rates"
    ToolsTab* m_toolsTab = nullptr;
    OnlineUpdateTab* m_onlineUpdateTab = nullptr;
    Update2024Tab* m_update2024Tab = nullptr;
};

} // namespace orvex::gui
