#include "gui/AppStartup.h"

#include "gui/FrmIcd.h"
#include "gui/SampleBuildProgress.h"

#include <QCoreApplication>

namespace orvex::gui {

AppStartup::AppStartup(db::SignInPrompt& prompt, std::unique_ptr<db::SignInSettings> settings,
                       WindowServices services)
    : m_services(std::move(services)),
      m_user(std::make_unique<db::CurrentUser>(prompt, std::move(settings), provisionWithProgress))
{
}

AppStartup::~AppStartup() = default;

FrmIcd* AppStartup::start()
{
    m_user->signIn();
    if (!m_user->connected())
        return nullptr;

    // The window keeps the connection's settings: each scan opens its own connection
    // from them on its worker thread.
    m_window = std::make_unique<FrmIcd>(m_services, m_user->connection()->settings(), m_user.get());
    m_window->show();
    QCoreApplication::processEvents(); // let it paint once
    m_window->prepareOutputFolder();
    m_window->fillSourceFiles();
    return m_window.get();
}

} // namespace orvex::gui
