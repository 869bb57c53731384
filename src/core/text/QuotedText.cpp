#include "text/QuotedText.h"

namespace orvex::text {

QString quotedForMessage(const QString& value)
{
    QString shown = value.size() > 60 ? value.left(57) + QStringLiteral("...") : value;
    for (QChar& c : shown)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

} // namespace orvex::text
