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
} // namespace

void DesktopFolder::open(const QString& folder)
{
    if (opener()) {
        opener()(folder);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); // the tool does not wait for it
}

void DesktopFolder::setOpener(Opener o)
{
    opener() = std::move(o);
}

} // namespace orvex::gui
