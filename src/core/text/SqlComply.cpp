#include "text/SqlComply.h"

#include <utility>

namespace orvex {

namespace {
// True when the text holds a doubled quote and every single quote of it stands in a pair
// ("it''s", "a''''b"): it is then a well-formed literal body already, and doubling again
// would change its value. "a''b'; DELETE ..." is not: its lone quote would end the literal.
bool isEscapedLiteralBody(const QString& text)
{
    if (!text.contains(QLatin1String("''")))
        return false;
    qsizetype run = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('\'')) {
            ++run;
            continue;
        }
        if (run % 2 != 0)
            return false;
        run = 0;
    }
    return run % 2 == 0;
}
} // namespace

QString escapeSqlQuotes(QString& term)
{
    if (term.isEmpty() || isEscapedLiteralBody(term))
        return term;
    term.replace(QLatin1Char('\''), QLatin1String("''"));
    return term;
}

QVariant escapeSqlQuotes(QVariant& term)
{
    if (!term.isValid() || term.isNull())
        return term;
    QString text = term.toString();
    if (text.isEmpty() || isEscapedLiteralBody(text))
        return term;
    escapeSqlQuotes(text);
    term = text;
    return term;
}

QString sqlQuoted(QString value)
{
    escapeSqlQuotes(value);
    if (!value.contains(QLatin1Char('\r')) && !value.contains(QLatin1Char('\n')))
        return value;
    QString literal;
    literal.reserve(value.size() + 32);
    for (const QChar c : std::as_const(value)) {
        if (c == QLatin1Char('\r'))
            literal += QStringLiteral("' + NCHAR(13) + '");
        else if (c == QLatin1Char('\n'))
            literal += QStringLiteral("' + NCHAR(10) + '");
        else
            literal += c;
    }
    return literal;
}

} // namespace orvex
