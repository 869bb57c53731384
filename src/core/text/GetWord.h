#pragma once

#include <QString>
#include <QStringView>

namespace orvex {

// The place of the first `c` in `text` from `from` on, or -1. A plain loop: the fields and
// lines of a rate list are short, and Qt's search costs more to set out than to run there.
qsizetype findChar(QStringView text, QChar c, qsizetype from = 0);

// Cuts the text before the first `separator` off `wordGroup` and returns it; `wordGroup`
// keeps what follows the separator. Without a separator the whole text is returned and
// `wordGroup` becomes empty. An empty separator returns "" and leaves `wordGroup` as it is.
// No trimming happens.
QString cutWord(QString& wordGroup, const QString& separator);

// The same cuts as repeated cutWord calls, without copying the remainder each time:
// splitting a long text piece by piece stays linear.
class WordCursor
{
public:
    explicit WordCursor(QStringView text) : m_text(text) {}

    QStringView next(QStringView separator);
    QStringView rest() const { return m_text.mid(m_pos); }
    bool atEnd() const { return m_pos >= m_text.size(); }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

} // namespace orvex
