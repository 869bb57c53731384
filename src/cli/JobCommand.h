#pragma once

#include "cli/CliContext.h"
#include "cli/ExitCode.h"
#include "jobs/Job.h"

#include <QJsonObject>

namespace orvex::cli {

struct JobRunOptions
{
    bool json = false;  // print the job's JSON object instead of its summary
    bool stats = false; // statements sent and elapsed time on stderr
    // Another job of the command follows: what went to standard output is checked after
    // that one, so that a lost output does not keep the command from its main job.
    bool anotherJobFollows = false;
};

// Exit code of a job that completed its files but passed over failures.
inline constexpr int kExitFailuresPassedOver = exitcode::kFailuresPassedOver;

// The form of the JSON a command prints with --json, as its "format" key gives it: raised
// when a key goes or changes its meaning, so that a script can tell.
inline constexpr int kJsonFormat = 1;
// `json` with its "format" key: what every command prints with --json.
QJsonObject withFormat(QJsonObject json);

// Runs any job on this thread: a progress line on stderr when it is a terminal (not with
// --json), then the summary (or the JSON object), the files the window would open, every
// failure passed over on stderr. Returns the exit code: 0, or kExitFailuresPassedOver.
// An orvex::Error from the job propagates (exit code 1 at the command boundary).
int runJob(CliContext& ctx, jobs::Job& job, const jobs::JobContext& context, const JobRunOptions& options);

// The context every command gives its job: the program folder of the command line and
// the open connection of the command.
jobs::JobContext jobContext(db::Connection* connection);

} // namespace orvex::cli
