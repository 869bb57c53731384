#pragma once

#include <QString>

namespace orvex::text {

// A value quoted for a message or a log line: at most 60 characters, line breaks as blanks.
QString quotedForMessage(const QString& value);

} // namespace orvex::text
