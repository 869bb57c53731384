#include "Error.h"
#include "gui/BrowseComponents.h"
#include "gui/BusyPointer.h"
#include "gui/WindowServices.h"

namespace orvex::gui {

namespace {
const QString kComponentsMissing = QStringLiteral("KestraMain and  Kestra DLLS.");
} // namespace

TableBrowserBridge::TableBrowserBridge(QWidget* mainWindow, const WindowServices& services,
                                       std::function<BrowseDatabase()> database,
                                       BrowseComponentsFactory factory)
    : m_mainWindow(mainWindow), m_services(services), m_database(std::move(database)),
      m_factory(factory ? std::move(factory)
                        : BrowseComponentsFactory([&services] { return makeIcdBrowseComponents(services); }))
{
}

TableBrowserBridge::~TableBrowserBridge() = default;

bool TableBrowserBridge::InitBrowseComponents()
{
    if (m_initialised)
        return true;
    try {
        m_components = m_factory ? m_factory() : nullptr;
    } catch (const Error&) {
        m_components.reset();
    }
    if (!m_components) {
        // Not available: the next request tries again.
        m_services.error(m_mainWindow, kComponentsMissing);
        return false;
    }
    try {
        m_components->Connect(m_database());
    } catch (const Error& e) {
        // A server that cannot be reached now may be reachable at the next request.
        m_components.reset();
        m_services.error(m_mainWindow, e.message());
        return false;
    }
    m_initialised = true;
    return true;
}

void TableBrowserBridge::OpenTableBrowser(const QString& table)
{
    if (!InitBrowseComponents())
        return;
    BrowseRequest request;
    request.PropTable = table;
    request.PropParentWindow = m_mainWindow;
    QString failure;
    {
        BusyPointer busy;
        try {
            m_components->newbrowse(request);
        } catch (const Error& e) {
            failure = e.message();
        }
    }
    if (!failure.isEmpty())
        m_services.error(m_mainWindow, failure);
}

} // namespace orvex::gui
