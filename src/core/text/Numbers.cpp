#include "text/Numbers.h"

#include <QLocale>
#include <cmath>
#include <cstdlib>
#include <string>

namespace orvex::numbers {

namespace {
bool isIgnorable(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}
bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}
} // namespace

double leadingNumber(QStringView text)
{
    // Collect the characters of the numeric prefix into plain C syntax, skipping the
    // ignorable white space, then let strtod do the exact conversion.
    std::string digits;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skip = [&] {
        while (i < n && isIgnorable(text[i]))
            ++i;
    };
    skip();
    if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        digits += char(text[i].unicode());
        ++i;
    }
    bool any = false;
    for (skip(); i < n && isDigit(text[i]); skip()) {
        digits += char(text[i++].unicode());
        any = true;
    }
    if (i < n && text[i] == QLatin1Char('.')) {
        digits += '.';
        ++i;
        for (skip(); i < n && isDigit(text[i]); skip()) {
            digits += char(text[i++].unicode());
            any = true;
        }
    }
    if (!any)
        return 0.0;
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E') || text[i] == QLatin1Char('d') ||
                  text[i] == QLatin1Char('D'))) {
        std::string exponent = "e";
        qsizetype j = i + 1;
        auto skipJ = [&] {
            while (j < n && isIgnorable(text[j]))
                ++j;
        };
        skipJ();
        if (j < n && (text[j] == QLatin1Char('-') || text[j] == QLatin1Char('+')))
            exponent += char(text[j++].unicode());
        bool expDigits = false;
        for (skipJ(); j < n && isDigit(text[j]); skipJ()) {
            exponent += char(text[j++].unicode());
            expDigits = true;
        }
        if (expDigits)
            digits += exponent;
    }
    const double value = std::strtod(digits.c_str(), nullptr);
    return std::isfinite(value) ? value : 0.0;
}

double roundTo2(double value)
{
    return leadingNumber(QString::number(value, 'f', 2));
}

QString shortestText(double value)
{
    if (value == 0.0)
        return QStringLiteral("0"); // no "-0"
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

QString generalText(double value)
{
    if (value == 0.0)
        return QStringLiteral("0");
    QString text = QString::number(value, 'g', 15);
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e >= 0)
        text[e] = QLatin1Char('E');
    return text;
}

} // namespace orvex::numbers
