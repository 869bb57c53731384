#pragma once

#include "db/Connection.h"
#include "tools/CentralServer.h"

#include <QObject>

#include <functional>
#include <memory>

class QPushButton;
class QTableWidget;
class QThread;
class QWidget;

namespace orvex::db {
class CurrentUser;
class SignInSettings;
} // namespace orvex::db

namespace orvex::jobs {
class Job;
struct JobOutcome;
} // namespace orvex::jobs

namespace orvex::gui {

// Tab "Online Update": "Check Online" (cmdCheckOnline) reads the central server's update
// table into GridU; "Update DB" (cmdUpdateDB) applies what GridU shows to tbICDdiagMain;
// "Central Server..." (cmdCentralServer) chooses the central server. Both steps run on a
// worker thread with connections of their own; a failure shows its message and leaves
// the grid and the tables as they were.
class OnlineUpdateWiring : public QObject
{
    Q_OBJECT
public:
    // Asks the central server's password when the saved profile needs one; empty
    // optional: the user cancelled. Tests replace it.
    using PasswordPrompt = std::function<std::optional<QString>(QWidget* parent, const QString& server)>;

    OnlineUpdateWiring(QWidget* window, db::ConnectionSettings hospital, db::CurrentUser* user);
    ~OnlineUpdateWiring() override;

    void checkOnline();
    void updateDb();
    void chooseCentralServer();
    bool isRunning() const { return m_thread != nullptr; }

    static void setPasswordPrompt(PasswordPrompt prompt); // empty: the password dialog
    static void setSettingsFile(const QString& iniFile);  // empty: the user's settings

private:
    std::unique_ptr<db::SignInSettings> settings() const;
    std::optional<db::ConnectionSettings> centralSettings();
    void run(std::unique_ptr<jobs::Job> job, std::function<void(jobs::Job&, const jobs::JobOutcome&)> done);
    void setBusy(bool busy);

    QWidget* m_window;
    db::ConnectionSettings m_hospital;
    db::CurrentUser* m_user;
    QPushButton* m_cmdCheckOnline = nullptr;
    QPushButton* m_cmdUpdateDB = nullptr;
    QPushButton* m_cmdCentralServer = nullptr;
    QTableWidget* m_gridU = nullptr;
    QThread* m_thread = nullptr;
};

} // namespace orvex::gui
