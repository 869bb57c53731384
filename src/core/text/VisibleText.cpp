#include "text/VisibleText.h"

namespace orvex::text {

namespace {

bool reordersOrBreaksALine(char16_t c)
{
    return c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

void appendVisible(QString& out, QChar c)
{
    const char16_t u = c.unicode();
    switch (u) {
    case u'\n':
        out += QLatin1String("\\n");
        return;
    case u'\r':
        out += QLatin1String("\\r");
        return;
    case u'\t':
        out += QLatin1String("\\t");
        return;
    default:
        break;
    }
    if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
        out += QStringLiteral("\\x%1").arg(unsigned(u), 2, 16, QLatin1Char('0'));
    else if (reordersOrBreaksALine(u))
        out += QStringLiteral("\\u%1").arg(unsigned(u), 4, 16, QLatin1Char('0'));
    else
        out += c;
}

} // namespace

QString visibleText(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        appendVisible(out, c);
    return out;
}

QString visibleLines(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\n'))
            out += c;
        else
            appendVisible(out, c);
    }
    return out;
}

} // namespace orvex::text
