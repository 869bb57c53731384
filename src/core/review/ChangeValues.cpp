#include "review/ChangeValues.h"

namespace orvex::review {

using jobs::Finding;

DescriptionPair descriptionsOf(const Finding& f)
{
    const QString description = QStringLiteral("Description");
    const QString listed = f.proposed.value(description, f.proposed.value(QStringLiteral("Package")));
    if (f.kind == Finding::Kind::NewRow)
        return {QString(), listed, true};
    if (f.read.contains(description))
        return {f.read.value(description), listed, true};
    return {QString(), listed, false};
}

QString amountBefore(const Finding& f, const char* column)
{
    return f.read.value(QLatin1String(column));
}

QString amountAfter(const Finding& f, const char* column)
{
    // A description change proposes no amounts.
    return f.proposed.value(QLatin1String(column));
}

} // namespace orvex::review
