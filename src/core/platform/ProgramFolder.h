#pragma once

#include <QString>

namespace orvex {

// The program folder: where source files and the year's rate files are read from and
// under which the output folder lies. It is the executable's folder when that folder is
// writable (a portable install), else the per-user application data folder; a folder
// set explicitly (the --workdir option) wins over both.
class ProgramFolder
{
public:
    static QString path();
    static void setOverride(const QString& folder); // empty clears it

    // "<program folder>/output"; the window names it "\Output", the reports "\output":
    // both spellings mean this one folder.
    static QString outputFolder();
    static QString outputFile(const QString& fileName);

    // A path written the Windows way relative to the program folder ("\output\script.txt",
    // "\Output"): backslashes become slashes and the output folder's name is matched
    // without regard to case, so both spellings reach the same folder.
    static QString resolve(const QString& windowsSuffix);

    // Creates a folder, ignoring every failure (already there, no parent, no rights).
    static void ensureFolder(const QString& folder);
};

} // namespace orvex
