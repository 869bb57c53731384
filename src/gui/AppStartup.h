#pragma once

#include "db/CurrentUser.h"
#include "db/SignIn.h"
#include "gui/WindowServices.h"

#include <memory>

namespace orvex::gui {

class FrmIcd;

// Start-up of the window program: sign in through the current-user component, then the
// main window, the output folder and the list of source files. The component and the
// window live as long as this object.
class AppStartup
{
public:
    // `services`: what the main window asks of the desktop.
    AppStartup(db::SignInPrompt& prompt, std::unique_ptr<db::SignInSettings> settings,
               WindowServices services);
    ~AppStartup();
    AppStartup(const AppStartup&) = delete;
    AppStartup& operator=(const AppStartup&) = delete;

    // Returns the shown main window, or nullptr when the user gave up signing in; then
    // nothing has been shown and the program ends silently.
    FrmIcd* start();

    db::CurrentUser& currentUser() { return *m_user; }
    FrmIcd* window() const { return m_window.get(); }

private:
    WindowServices m_services;
    std::unique_ptr<db::CurrentUser> m_user;
    std::unique_ptr<FrmIcd> m_window;
};

} // namespace orvex::gui
