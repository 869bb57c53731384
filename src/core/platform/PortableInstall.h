#pragma once

#include <QString>

namespace orvex {

// Beside the executables, this file marks a portable copy, which keeps its settings beside
// itself too, not in the user's profile.
inline const QString kPortableMarker = QStringLiteral("orvex-portable.txt");

// Points the settings of a portable copy to its own folder. Called once the application
// object exists, before any setting is read.
void keepSettingsBesideIfPortable();

// Copies the files of `from` that `to` lacks and keeps every file `to` has: how a user's
// program folder gets the rate lists an install for all users left in
// "<executable's folder>/program-folder".
void seedMissingFiles(const QString& from, const QString& to);

} // namespace orvex
