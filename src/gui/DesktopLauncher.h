#pragma once

#include <QString>

#include <functional>

class QObject;

namespace orvex::gui {

// Called with the launcher's reason (may be empty) when the desktop could not open a path.
using NotOpened = std::function<void(const QString& reason)>;

// Hands `path` to the desktop. On Linux `launcher` (xdg-open) is run and watched: a launcher
// that cannot be started or exits with an error calls `notOpened` from the event loop, unless
// `context` is gone by then; a launcher still running when the tool ends is left running.
// Elsewhere the desktop's own service is asked and `notOpened` is called at once when it refuses.
void openOnDesktop(const QString& path, const QString& launcher, QObject* context,
                   const NotOpened& notOpened);

} // namespace orvex::gui
