#include "text/DescriptionMatch.h"

namespace orvex::text {

namespace {

QString storedForComparison(const QString& stored)
{
    QString s = stored;
    s.remove(QLatin1Char(' '));
    // The blanks go first, so a line break stays a blank and never matches the list's text.
    s.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    s.remove(QStringLiteral("''"));
    s.remove(QLatin1Char('\''));
    return s.toUpper();
}

QString listedForComparison(const QString& listed)
{
    QString s = listed;
    s.remove(QLatin1Char(' '));
    return s.toUpper();
}

} // namespace

DescriptionMatch compareDescriptions(const QString& listed, const QString& stored)
{
    if (listed == stored)
        return DescriptionMatch::Same;
    if (listed.toUpper() == stored.toUpper())
        return DescriptionMatch::CaseOnly;
    if (storedForComparison(stored) == listedForComparison(listed))
        return DescriptionMatch::BlanksOrApostrophes;
    return DescriptionMatch::Changed;
}

} // namespace orvex::text
