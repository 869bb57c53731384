#include "gui/IcdBridges.h"

#include "db/CurrentUser.h"
#include "gui/BrowseComponents.h"
#include "gui/IcdCodeSearch.h"

#include <QPushButton>
#include <QWidget>

namespace orvex::gui {

namespace {
QPushButton* wired(QWidget* window, const QString& name)
{
    auto* button = window->findChild<QPushButton*>(name);
    if (button) {
        button->setEnabled(true);
        button->setToolTip(QString());
    }
    return button;
}
} // namespace

IcdBridges::IcdBridges(QWidget* window, db::ConnectionSettings connection, db::CurrentUser* user)
    : QObject(window), m_window(window), m_connection(std::move(connection)), m_user(user)
{
    setObjectName(QStringLiteral("icdBridges"));
    m_tableBrowser = std::make_unique<TableBrowserBridge>(m_window, [this] {
        BrowseDatabase database;
        database.connection = m_connection;
        database.identity = {db::CurrentUser::systemUserName(), db::CurrentUser::workstation()};
        if (m_user) {
            database.dbServerName = m_user->serverName();
            database.DBUser = m_user->userId();
            database.dbPassword = m_user->serverPassword();
            database.DriverMethod = m_user->driverName();
            database.identity.user = m_user->userId();
        }
        return database;
    });
    for (int i = 0; i < 4; ++i) {
        if (QPushButton* button = wired(m_window, QStringLiteral("cmdICD_%1").arg(i)))
            connect(button, &QPushButton::clicked, this,
                    [this, button] { m_tableBrowser->OpenTableBrowser(button->text()); });
    }
    if (QPushButton* button = wired(m_window, QStringLiteral("cmdICDDLL")))
        connect(button, &QPushButton::clicked, this, [this] {
            viewIcdCodeSearch(m_window, [this] { return makeIcdCodeSearch(m_connection, m_window); });
        });
}

IcdBridges::~IcdBridges() = default;

} // namespace orvex::gui
