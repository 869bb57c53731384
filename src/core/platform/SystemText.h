#pragma once

#include <QString>

namespace orvex {

// A system's error text (QFile::errorString() and the like) for the end of a sentence of
// the tool, which brings its own full stop: Windows' texts end in one already (and may end
// in a line break), and a message ends in one full stop, not two.
inline QString systemReason(const QString& text)
{
    QString reason = text.trimmed();
    if (reason.endsWith(QLatin1Char('.')) && !reason.endsWith(QLatin1String("...")))
        reason.chop(1);
    return reason;
}

} // namespace orvex
