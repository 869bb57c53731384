#pragma once

#include <QString>
#include <QStringView>

namespace orvex::text {

// Stored text as it may be printed on a terminal: every control character is written out
// ("\n", "\r", "\t", "\x1b", "\x85"), and so are the line and paragraph separators and the
// bidirectional overrides that would break or reorder the shown line ("\u2028", "\u202e"),
// so that no stored text can move the cursor, erase a line or forge one. Everything else,
// a backslash too, stays as it is.
QString visibleText(QStringView text);

// The same for a message of several lines: its line breaks (LF) stay line breaks.
QString visibleLines(QStringView text);

} // namespace orvex::text
