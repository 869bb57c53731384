#pragma once

#include "gui/BusyPointer.h"
#include "gui/ResizeRules.h"
#include "gui/WindowHeader.h"
#include "jobs/Job.h"
#include "reconcile/ScanTypes.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QGroupBox;
class QKeyEvent;
class QLabel;
class QPushButton;
class QWidget;

namespace orvex::ratelist {
class ListLoadJob;
}

namespace orvex::gui {

class FrmSrc;
class JobHost;
class ReportListView;
class Twips;

// Tabs "ICD" and "PH ICD Case Rates": the source file or the built-in update list that
// the second window "ICD Updates" shows, the scan of it ("Go Scan", "Scan") and the result
// lists it fills. The header's counters and progress bar show the running scan.
class ScanTabs : public QObject
{
    Q_OBJECT
public:
    // `fixFormat`: whether tab "Tools" asks the scan to fix the code format.
    ScanTabs(QWidget* window, JobHost& host, WindowHeader& header, std::function<bool()> fixFormat);

    QWidget* icdPage() const { return m_icdPage; }
    QWidget* phPage() const { return m_phPage; }
    void place(const Twips& tw, const FixedPositions& at, const FollowingSizes& sizes);

    void setJobRunning(bool running);
    // The lists, group name and package ID as a job reports them.
    void applyProgress(const jobs::JobProgress& batch);

    void loadUpdate();               // "Load Update"
    void chooseSelectedSourceFile(); // double-click on lstSourceFiles
    void showList(IcdView view);
    void fillSourceFiles(const QStringList& names);

    const QString& sourceFilePath() const { return m_sourceFilePath; }
    QString selectedSourceFile() const; // the name selected in lstSourceFiles; empty: none
    QString packageId() const;          // lblPackageID
    bool phMode() const { return m_phMode; }
    void enterPhMode() { m_phMode = true; } // the update run works on PhilHealth rates
    std::optional<reconcile::ScanEnding> lastEnding() const { return m_lastEnding; }
    FrmSrc* frmSrc() const { return m_frmSrc; } // null until first used
    void closeFrmSrc();
    // The controls of both tabs in the order Tab walks them.
    QList<QWidget*> focusOrder() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildIcdPage();
    void buildPhPage();
    bool chooseByKey(const QKeyEvent& key);
    void startLoad(const QString& name, const QString& path); // path empty: the update resource
    void onListLoaded(ratelist::ListLoadJob& load, const QString& name, const QString& path);
    FrmSrc* ensureFrmSrc();
    void showFrmSrc();
    void placeFrmSrc(FrmSrc* window);

    void onScanClicked(bool ph);
    void startScan(bool ph);
    void clearLists();
    void onScanFinished(const reconcile::ScanResult& result, const jobs::JobOutcome& outcome);
    static QString idleCaption(bool ph);
    QPushButton* scanButton(bool ph) const { return ph ? m_cmdScanPH : m_cmdScan; }
    ReportListView* resultList(jobs::ResultList which) const;
    QLabel* captionLabel(jobs::Caption caption) const;

    QWidget* m_window;
    JobHost& m_host;
    WindowHeader& m_header;
    std::function<bool()> m_fixFormat;
    QString m_sourceFilePath;
    QString m_loadedSource; // the path of what "ICD Updates" holds; empty for the built-in list
    bool m_phMode = false;
    // While the running job reads the list "ICD Updates" is to show: the busy pointer.
    std::unique_ptr<BusyPointer> m_loading;
    std::optional<reconcile::ScanEnding> m_lastEnding;
    FrmSrc* m_frmSrc = nullptr;
    bool m_frmSrcPlaced = false;
    int m_listsTop = 0; // pixels: the top of the tab control in the window

    // Tab "ICD".
    QWidget* m_icdPage = nullptr;
    QGroupBox* m_frame1 = nullptr;
    QLabel* m_label2 = nullptr;
    QPushButton* m_cmdScan = nullptr;
    ReportListView* m_lstSourceFiles = nullptr;
    std::array<ReportListView*, 4> m_icdLists{}; // in IcdView order
    // Tab "PH ICD Case Rates".
    QWidget* m_phPage = nullptr;
    QGroupBox* m_frame2 = nullptr;
    QLabel* m_label4 = nullptr;
    QPushButton* m_cmdLoadUpdate = nullptr;
    QPushButton* m_cmdScanPH = nullptr;
    QLabel* m_lblHeader = nullptr;
    QLabel* m_lblPackageID = nullptr;
    ReportListView* m_lsvNewCodePH = nullptr;
    ReportListView* m_lsvSameCodeDifDescPH = nullptr;
};

} // namespace orvex::gui
