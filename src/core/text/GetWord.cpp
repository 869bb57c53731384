#include "text/GetWord.h"

#include <algorithm>

namespace orvex {

qsizetype findChar(QStringView text, QChar c, qsizetype from)
{
    const char16_t* begin = text.utf16();
    const char16_t* end = begin + text.size();
    const char16_t* found = std::find(begin + std::clamp<qsizetype>(from, 0, text.size()), end, c.unicode());
    return found == end ? -1 : found - begin;
}

QString cutWord(QString& wordGroup, const QString& separator)
{
    if (separator.isEmpty()) {
        // The separator "is found" at position 1: nothing before it, and the rest
        // starts at 1 + 0, the whole text.
        return QString();
    }
    const qsizetype at = wordGroup.indexOf(separator, 0, Qt::CaseSensitive);
    if (at < 0) {
        QString whole = std::move(wordGroup);
        wordGroup = QString();
        return whole;
    }
    QString word = wordGroup.left(at);
    wordGroup.remove(0, at + separator.size());
    return word;
}

QStringView WordCursor::next(QStringView separator)
{
    const QStringView rest = m_text.mid(m_pos);
    if (separator.isEmpty())
        return QStringView();
    // The separator's first character is looked for alone, which Qt does many at a time,
    // and the rest compared where it is found: the first such place is the first match.
    qsizetype at = findChar(rest, separator.front());
    while (at >= 0 && !rest.sliced(at).startsWith(separator))
        at = findChar(rest, separator.front(), at + 1);
    if (at < 0) {
        m_pos = m_text.size();
        return rest;
    }
    m_pos += at + separator.size();
    return rest.left(at);
}

} // namespace orvex
