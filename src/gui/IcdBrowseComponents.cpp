// Our own browse components: a connection of the GUI thread, and one FrmTableBrowser
// window per request.
#include "Error.h"
#include "gui/BrowseComponents.h"
#include "gui/FrmTableBrowser.h"

namespace orvex::gui {

namespace {
class IcdBrowseComponents final : public BrowseComponents
{
public:
    explicit IcdBrowseComponents(const WindowServices& services) : m_services(services) {}

    void Connect(const BrowseDatabase& database) override
    {
        m_connection = db::Connection::open(database.connection);
        m_identity = database.identity;
    }

    void newbrowse(const BrowseRequest& request) override
    {
        if (!m_connection)
            throw Error(QStringLiteral("The table browser is not connected to the database."));
        auto* window =
            new FrmTableBrowser(*m_connection, request, m_identity, m_services, request.PropParentWindow);
        window->show();
        window->raise();
        window->activateWindow();
    }

private:
    const WindowServices& m_services;
    std::unique_ptr<db::Connection> m_connection;
    db::LogIdentity m_identity;
};
} // namespace

std::unique_ptr<BrowseComponents> makeIcdBrowseComponents(const WindowServices& services)
{
    return std::make_unique<IcdBrowseComponents>(services);
}

} // namespace orvex::gui
