// Commands whose implementation has not landed yet report so honestly.
#include "cli/CliContext.h"

#include "Error.h"

namespace orvex::cli {
int runLog(CliContext&, const QStringList&) { throw Error(QStringLiteral("log is not in this build yet")); }
std::unique_ptr<db::Connection> CliContext::signIn() { throw Error(QStringLiteral("sign-in is not in this build yet")); }
} // namespace orvex::cli
