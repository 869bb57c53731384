#pragma once

#include "cli/CliContext.h"
#include "jobs/Job.h"

namespace orvex::cli {

struct JobRunOptions
{
    bool json = false;  // print the job's JSON object instead of its summary
    bool stats = false; // statements sent and elapsed time on stderr
    // Another job of the command follows: what went to standard output is checked after
    // that one, so that a lost output does not keep the command from its main job.
    bool anotherJobFollows = false;
};

// Takes --json and --stats, the options every job's command has; false for any other.
bool takeRunOption(const QString& arg, JobRunOptions& options);

// Exit code of a job that completed its files but passed over failures.
inline constexpr int kExitFailuresPassedOver = 3;

// Runs any job on this thread: a progress line on stderr when it is a terminal (not with
// --json), then the summary (or the JSON object), the files the window would open, every
// failure passed over on stderr. Returns the exit code: 0, or kExitFailuresPassedOver.
// An orvex::Error from the job propagates (exit code 1 at the command boundary).
int runJob(CliContext& ctx, jobs::Job& job, const jobs::JobContext& context, const JobRunOptions& options);

// The context every command gives its job: the program folder of the command line and
// the open connection of the command.
jobs::JobContext jobContext(db::Connection* connection);

} // namespace orvex::cli
