#include "gui/SourceFileListing.h"

#include <QDir>

namespace orvex::gui {

QStringList listSourceFiles(const QString& folder)
{
    QDir dir(folder);
    dir.setNameFilters({QStringLiteral("*.txt")});     // name filters ignore case by default
    dir.setFilter(QDir::Files | QDir::NoDotAndDotDot); // no hidden or system entries
    dir.setSorting(QDir::Name | QDir::IgnoreCase);

    QStringList names;
    for (const QString& name : dir.entryList()) {
        const QString upper = name.toUpper();
        if (upper.contains(QLatin1String("ICD")) && upper.contains(QLatin1String("TXT")))
            names.append(name);
    }
    return names;
}

} // namespace orvex::gui
