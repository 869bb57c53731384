#pragma once

#include <QString>
#include <QStringList>

namespace orvex::gui {

// The candidate source files of a folder: its ordinary, non-hidden "*.txt" files (the
// extension in any case; folders and sub-folders left out) whose upper-cased name contains
// both "ICD" and "TXT", bare names in name order.
QStringList listSourceFiles(const QString& folder);

} // namespace orvex::gui
