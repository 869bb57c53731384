#pragma once

#include "db/LogIdentity.h"

#include <QString>

namespace orvex::tools {

// Who the activity-log lines of a tool name: the signed-in user and the workstation.
// A tool runs on a connection of its own (a worker's), so it writes the log itself.
using LogIdentity = db::LogIdentity;

// A value quoted for a message or a log line: at most 60 characters, line breaks as blanks.
QString quotedForMessage(const QString& value);

} // namespace orvex::tools
