#include "text/SqlComply.h"

namespace orvex {

QString SQLComply(QString& term)
{
    if (term.contains(QLatin1String("''")) || term.isEmpty())
        return term;
    term.replace(QLatin1Char('\''), QLatin1String("''"));
    return term;
}

QVariant SQLComply(QVariant& term)
{
    if (!term.isValid() || term.isNull())
        return term;
    QString text = term.toString();
    if (text.contains(QLatin1String("''")) || text.isEmpty())
        return term;
    SQLComply(text);
    term = text;
    return term;
}

} // namespace orvex
