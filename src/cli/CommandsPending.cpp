// Commands whose implementation has not landed yet report so honestly.
#include "cli/CliContext.h"

#include "Error.h"

namespace orvex::cli {
} // namespace orvex::cli
