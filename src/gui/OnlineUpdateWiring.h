#pragma once

#include "db/Connection.h"
#include "tools/CentralServer.h"

#include <QObject>

#include <functional>
#include <memory>

class QPushButton;
class QTableWidget;
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

class JobHost;

// Tab "Online Update": "Check Online" (cmdCheckOnline) reads the central server's update
// table into GridU; "Update DB" (cmdUpdateDB) applies what GridU shows to tbICDdiagMain;
// "Central Server..." (cmdCentralServer) chooses the central server. Both steps run as jobs
// of the window's runner, with connections of their own; a failure shows its message and leaves
// the grid and the tables as they were.
class OnlineUpdateWiring : public QObject
{
    Q_OBJECT
public:
    // Asks the central server's password when the saved profile needs one; empty
    // optional: the user cancelled. Tests replace it.
    using PasswordPrompt = std::function<std::optional<QString>(QWidget* parent, const QString& server)>;

    OnlineUpdateWiring(QWidget* window, JobHost* host, db::ConnectionSettings hospital,
                       db::CurrentUser* user);

    void checkOnline();
    void updateDb();
    void chooseCentralServer();
    bool isRunning() const; // a job of the window, this one's or another's

    static void setPasswordPrompt(PasswordPrompt prompt); // empty: the password dialog
    static void setSettingsFile(const QString& iniFile);  // empty: the user's settings

private:
    std::unique_ptr<db::SignInSettings> settings() const;
    std::optional<db::ConnectionSettings> centralSettings();
    void run(std::shared_ptr<jobs::Job> job, std::function<void(jobs::Job&, const jobs::JobOutcome&)> done);

    QWidget* m_window;
    JobHost* m_host;
    db::ConnectionSettings m_hospital;
    db::CurrentUser* m_user;
    QPushButton* m_cmdCheckOnline = nullptr;
    QPushButton* m_cmdUpdateDB = nullptr;
    QPushButton* m_cmdCentralServer = nullptr;
    QTableWidget* m_gridU = nullptr;
};

} // namespace orvex::gui
