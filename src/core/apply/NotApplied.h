#pragma once

// An apply or an undo says once that nothing was changed ("The run <id> was not applied, and
// nothing was changed: "). A refusal says it where it is made; any other error (a lost
// connection, a file not written) keeps its kind and gets it said where the apply or the undo
// ends, so that the command line's exit code still tells a database failure from a refusal.
#include "Error.h"

#include <QString>

namespace orvex::apply {

// At the end of an apply or an undo: `cause` with `refused` before it unless it is a refusal.
Error notApplied(const QString& refused, const Error& cause);
// A step that failed, `step` naming it before the cause's message: with `refused` at once when
// the cause is a refusal (which notApplied passes on as it is), else left for notApplied.
Error stepFailed(const QString& refused, const QString& step, const Error& cause);

} // namespace orvex::apply
