#pragma once

#include <QString>

// Text that a script writer puts inside a T-SQL comment must not end that comment early:
// whatever follows the end of a comment runs as code when the administrator runs the script.
namespace orvex::text {

// For text after "-- ": the comment ends at the line's end, so every CR and every LF
// becomes a blank.
QString lineCommentText(const QString& text);

// For text inside "/* ... */": "*/" becomes "* /" (it would end the comment) and "/*"
// becomes "/ *" (T-SQL nests block comments, so it would swallow the rest of the script);
// every CR and every LF becomes a blank (a "GO" line splits the batch even inside a comment).
QString blockCommentText(const QString& text);

} // namespace orvex::text
