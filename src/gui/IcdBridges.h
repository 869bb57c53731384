#pragma once

#include "db/Connection.h"

#include <QObject>

#include <memory>

class QWidget;

namespace orvex::db {
class CurrentUser;
}

namespace orvex::gui {

class TableBrowserBridge;

// The window's buttons that hand the user to the ICD table browser (cmdICD_0 .. cmdICD_3
// of tab "Tools", captioned with the table's name) and to the ICD code search
// ("&View ICD DB", cmdICDDLL): found in `window` by name, enabled and connected.
class IcdBridges : public QObject
{
    Q_OBJECT
public:
    IcdBridges(QWidget* window, db::ConnectionSettings connection, db::CurrentUser* user);
    ~IcdBridges() override;

    TableBrowserBridge& tableBrowser() { return *m_tableBrowser; }

private:
    QWidget* m_window;
    db::ConnectionSettings m_connection;
    db::CurrentUser* m_user;
    std::unique_ptr<TableBrowserBridge> m_tableBrowser;
};

} // namespace orvex::gui
