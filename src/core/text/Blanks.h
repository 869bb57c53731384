#pragma once

#include <QString>
#include <QStringView>

namespace orvex {

// Trimming as the rate lists and scripts know it: space characters only; a TAB is not a
// blank here.
inline QStringView trimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

// trimBlanks as a string: the same string, shared, when there is nothing to trim (a scan
// keeps hundreds of thousands of listed texts).
inline QString trimmedBlanks(const QString& text)
{
    const QStringView trimmed = trimBlanks(text);
    return trimmed.size() == text.size() ? text : trimmed.toString();
}

inline QStringView withoutTrailingBlanks(QStringView text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.left(end);
}

} // namespace orvex
