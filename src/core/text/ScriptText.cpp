#include "text/ScriptText.h"

namespace orvex::text {

QString lineCommentText(const QString& text)
{
    QString result = text;
    for (QChar& c : result) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    }
    return result;
}

QString blockCommentText(const QString& text)
{
    // One pass, so that "/*/" or "*/*" cannot rebuild a marker from the blank-free rest.
    QString result;
    result.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool lineBreak = c == QLatin1Char('\r') || c == QLatin1Char('\n');
        result.append(lineBreak ? QLatin1Char(' ') : c);
        if (i + 1 < text.size()) {
            const QChar next = text[i + 1];
            const bool opens = c == QLatin1Char('/') && next == QLatin1Char('*');
            const bool closes = c == QLatin1Char('*') && next == QLatin1Char('/');
            if (opens || closes)
                result.append(QLatin1Char(' '));
        }
    }
    return result;
}

} // namespace orvex::text
