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
    // Hands a folder to the desktop; false when no file browser could be launched.
    using Launcher = std::function<bool(const QString& folder)>;

    // False when no file browser could be launched (a bare workstation, no desktop).
    static bool open(const QString& folder);
    static void setOpener(Opener opener);       // empty restores the desktop's
    static void setLauncher(Launcher launcher); // empty restores QDesktopServices
};

} // namespace orvex::gui
