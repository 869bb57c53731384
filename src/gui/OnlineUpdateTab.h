#pragma once

#include "db/Connection.h"
#include "tools/OnlineUpdate.h"

#include <QWidget>

#include <memory>
#include <optional>

class QLabel;
class QPushButton;
class QTableWidget;

namespace orvex::gui {

class JobHost;

// Tab "Online Update": "Check Online" (cmdCheckOnline) reads the central server's update
// table into GridU; "Update DB" (cmdUpdateDB) applies what GridU shows to tbICDdiagMain;
// "Central Server..." (cmdCentralServer) chooses the central server, which empties the grid;
// lblGridSource names the server the rows came from. Both steps run as jobs
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
    // The embedded central server's folder: the hospital's, or the default one.
    QString embeddedFolder() const;
    // The grid emptied, for the central server now chosen.
    void clearGridFor(const QString& server);
    QList<QStringList> gridRows() const;
    void startUpdate(const QList<QStringList>& rows, const std::vector<tools::OnlineChange>& reviewed);

    QWidget* m_window;
    JobHost& m_host;
    db::ConnectionSettings m_hospital;
    QPushButton* m_cmdCheckOnline = nullptr;
    QPushButton* m_cmdUpdateDB = nullptr;
    QPushButton* m_cmdCentralServer = nullptr;
    QTableWidget* m_gridU = nullptr;
    QLabel* m_lblGridSource = nullptr; // where the grid's rows came from
    QString m_gridSource;              // the central server the grid's rows came from
};

} // namespace orvex::gui
