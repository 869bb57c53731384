#pragma once

#include "db/Connection.h"
#include "tools/OnlineUpdate.h"

#include <QWidget>

#include <memory>
#include <optional>

class QPushButton;
class QTableWidget;

namespace orvex::gui {

class JobHost;

// Tab "Online Update": "Check Online" (cmdCheckOnline) reads the central server's update
// table into GridU; "Update DB" (cmdUpdateDB) applies what GridU shows to tbICDdiagMain;
// "Central Server..." (cmdCentralServer) chooses the central server. Both steps run as jobs
// of the window's runner, with connections of their own; a failure shows its message and leaves
// the grid and the tables as they were.
class OnlineUpdateTab : public QWidget
{
    Q_OBJECT
public:
    // `hospital`: the signed-in database, whose folder holds the embedded central server.
    OnlineUpdateTab(QWidget* window, JobHost& host, db::ConnectionSettings hospital);

    void checkOnline();
    void updateDb();
    void chooseCentralServer();
    bool isRunning() const; // a job of the window, this one's or another's
    void setJobRunning(bool running);

private:
    std::optional<db::ConnectionSettings> centralSettings();
    QList<QStringList> gridRows() const;
    void startUpdate(const QList<QStringList>& rows, const std::vector<tools::OnlineChange>& reviewed);

    QWidget* m_window;
    JobHost& m_host;
    db::ConnectionSettings m_hospital;
    QPushButton* m_cmdCheckOnline = nullptr;
    QPushButton* m_cmdUpdateDB = nullptr;
    QPushButton* m_cmdCentralServer = nullptr;
    QTableWidget* m_gridU = nullptr;
    QString m_gridSource; // the central server the grid's rows came from
};

} // namespace orvex::gui
