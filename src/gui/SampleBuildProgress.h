#pragma once

#include <QString>

namespace orvex::gui {

// The sign-in's provisioning of the default embedded folder for the window program: the
// sample databases are built by a job on a runner of their own (the window does not exist
// yet) while a small window "frmSampleBuild" says which file is being built; the event loop
// keeps running meanwhile. Returns at once when the folder holds a database file. Throws
// orvex::Error with the build's message when it fails (the folder is left as it was).
void provisionWithProgress(const QString& folder);

} // namespace orvex::gui
