#pragma once

#include "Error.h"

// The exit codes of orvex-cli, one per way a command can end, so that a script can tell a
// refusal from a database that cannot be reached. The README lists them.
namespace orvex::cli::exitcode {

inline constexpr int kDone = 0;
inline constexpr int kRefused = 1;            // the tool declined, or what it printed is incomplete
inline constexpr int kUsage = 2;              // the command line does not fit the command
inline constexpr int kFailuresPassedOver = 3; // the job completed its files but passed failures over
inline constexpr int kDatabase = 4;
inline constexpr int kFile = 5;
inline constexpr int kCancelled = 6;

inline int forKind(Error::Kind kind)
{
    switch (kind) {
    case Error::Kind::Refused:
        return kRefused;
    case Error::Kind::Database:
        return kDatabase;
    case Error::Kind::File:
        return kFile;
    case Error::Kind::Usage:
        return kUsage;
    case Error::Kind::Cancelled:
        return kCancelled;
    }
    return kRefused;
}

} // namespace orvex::cli::exitcode
