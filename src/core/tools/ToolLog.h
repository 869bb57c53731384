#pragma once

#include "db/LogIdentity.h"
#include "text/QuotedText.h"

#include <QString>

namespace orvex::tools {

// Who the activity-log lines of a tool name: the signed-in user and the workstation.
// A tool runs on a connection of its own (a worker's), so it writes the log itself.
using LogIdentity = db::LogIdentity;

using text::quotedForMessage;

} // namespace orvex::tools
