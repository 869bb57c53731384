#include "text/GetWord.h"

namespace orvex {

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
    qsizetype at = rest.indexOf(separator.front());
    while (at >= 0 && !rest.sliced(at).startsWith(separator))
        at = rest.indexOf(separator.front(), at + 1);
    if (at < 0) {
        m_pos = m_text.size();
        return rest;
    }
    m_pos += at + separator.size();
    return rest.left(at);
}

} // namespace orvex
