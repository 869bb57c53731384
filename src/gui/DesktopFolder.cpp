#include "gui/DesktopFolder.h"

#include <QDesktopServices>
#include <QUrl>

namespace orvex::gui {

namespace {
DesktopFolder::Opener& opener()
{
    static DesktopFolder::Opener o;
    return o;
}

DesktopFolder::Launcher& launcher()
{
    static DesktopFolder::Launcher l;
    return l;
}
} // namespace

bool DesktopFolder::open(const QString& folder)
{
    if (opener()) {
        opener()(folder);
        return true;
    }
    if (launcher())
        return launcher()(folder);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); // the tool does not wait for it
}

void DesktopFolder::setLauncher(Launcher l)
{
    launcher() = std::move(l);
}

void DesktopFolder::setOpener(Opener o)
{
    opener() = std::move(o);
}

} // namespace orvex::gui
