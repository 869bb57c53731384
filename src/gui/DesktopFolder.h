#pragma once

#include <QString>

#include <functional>

namespace orvex::gui {

// Opens a folder in the desktop's file browser (QDesktopServices). Tests replace the
// opener so that no browser is launched.
class DesktopFolder
{
public:
    using Opener = std::function<void(const QString& folder)>;

    static void open(const QString& folder);
    static void setOpener(Opener opener); // empty restores the desktop's
};

} // namespace orvex::gui
