#pragma once

#include "db/Connection.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>

class QCheckBox;
class QPushButton;

namespace orvex::db {
class CurrentUser;
}

namespace orvex::gui {

class FrmActivityLog;
class JobHost;
class TableBrowserBridge;

// Tab "Tools": duplicate ICD codes, the fix-format switch of the scan, the table browser
// over the four ICD tables (cmdICD_0 .. cmdICD_3, captioned with the table's name) and the
// activity log's window ("Activity Log", also opened after "Check log.").
class ToolsTab : public QWidget
{
    Q_OBJECT
public:
    // `window`: the main window, parent of the browser windows; `user`: whose server login
    // the table browser is handed (null: none).
    ToolsTab(QWidget* window, JobHost& host, db::ConnectionSettings connection, db::CurrentUser* user);
    ~ToolsTab() override;

    bool fixFormat() const; // "Fix Format 1"
    void setJobRunning(bool running);
    // The table browser's buttons and open windows, off while a job writes the ICD tables.
    void setIcdTablesBusy(bool busy);

private:
    void checkDuplicates();
    void deleteDuplicates();
    // Reads the log afresh and shows it in its window (one window, raised when open).
    void showActivityLog();

    QWidget* m_window;
    JobHost& m_host;
    QPushButton* m_cmdCheckDuplicates = nullptr;
    QPushButton* m_cmdDeleteDuplicates = nullptr;
    QPushButton* m_cmdActivityLog = nullptr;
    QPointer<FrmActivityLog> m_activityLog;
    QCheckBox* m_chkFixFormat = nullptr;
    std::array<QPushButton*, 4> m_cmdICD{};
    std::unique_ptr<TableBrowserBridge> m_tableBrowser;
};

} // namespace orvex::gui
