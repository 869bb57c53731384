#pragma once

#include "db/Connection.h"
#include "db/LogIdentity.h"

#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace orvex::gui {

class WindowServices;

// The database settings the browse components are initialised with, once per run: the
// signed-in user's server, login, password and driver as the current-user component
// gives them, and the connection settings and log identity our own browser works with.
struct BrowseDatabase
{
    QString dbServerName;
    QString DBUser;
    QString dbPassword; // passed on, never shown or stored
    QString DriverMethod;
    int dbDriver = 1;
    db::ConnectionSettings connection;
    db::LogIdentity identity;
};

// What one table browser is asked to show: the table, the fields and what the user may
// do. The values are fixed by the tool; their meaning is the component's.
struct BrowseRequest
{
    QString PropTable;
    QString PropDatabaseName = QStringLiteral("BUILD_FILE");
    QString PropOperation = QStringLiteral("AEDF");
    QString PropFieldList = QStringLiteral("code,Description");
    QString PropFieldSizes = QStringLiteral("1200,3000");
    QString PropFieldNameID = QStringLiteral("Code");
    QString PropFieldNameDesc = QStringLiteral("Description");
    QWidget* PropParentWindow = nullptr;
    bool propfindbeforelisting = true;
    bool PropFormUseOnlyBrowseFields = false;
    QString propfindfield1 = QStringLiteral("code");
    QString propfindfield2 = QStringLiteral("Description");
    bool StaffAllowEdit = true;
    bool StaffAllowadd = true;
    bool StaffAllowDelete = false;
};

// The seam to a table-browse implementation: initialised once with the database, then
// asked for one browse window per request. Another implementation can be plugged in
// through TableBrowserBridge's factory.
class BrowseComponents
{
public:
    virtual ~BrowseComponents() = default;
    // Throws orvex::Error when the database cannot be reached.
    virtual void Connect(const BrowseDatabase& database) = 0;
    // Opens the browse window; throws orvex::Error on failure.
    virtual void newbrowse(const BrowseRequest& request) = 0;
};

// Creates the components; returns null (or throws) when they are not available.
using BrowseComponentsFactory = std::function<std::unique_ptr<BrowseComponents>()>;

// Our own browse components: FrmTableBrowser windows over the Build_FILE ICD tables.
std::unique_ptr<BrowseComponents> makeIcdBrowseComponents(const WindowServices& services);

// The table-browser bridge of the main window: initialises the components on the first
// request and opens one browse window per request.
class TableBrowserBridge
{
public:
    // `factory` empty: our own components.
    TableBrowserBridge(QWidget* mainWindow, const WindowServices& services,
                       std::function<BrowseDatabase()> database, BrowseComponentsFactory factory = {});
    ~TableBrowserBridge();

    // Opens `table` (one of the cmdICD captions); a failure is shown in a message box.
    void OpenTableBrowser(const QString& table);
    bool initialised() const { return m_initialised; }

private:
    bool InitBrowseComponents();

    QWidget* m_mainWindow;
    const WindowServices& m_services;
    std::function<BrowseDatabase()> m_database;
    BrowseComponentsFactory m_factory;
    std::unique_ptr<BrowseComponents> m_components;
    bool m_initialised = false;
};

} // namespace orvex::gui
