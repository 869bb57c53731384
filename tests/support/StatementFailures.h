#pragma once

#include "Error.h"
#include "db/Connection.h"

namespace orvex::test {

// Runs `action` once with statement 1 failing ("connection lost"), then with statement 2
// failing, and so on, until it gets through every statement (or `limit` runs). After each
// failed run `afterFailure(error, failedAt)` checks what was left, with the failure
// removed. Returns the number of failed runs; the run that got through is the last.
template <typename Action, typename AfterFailure>
int failEachStatementInTurn(db::Connection& connection, int limit, Action action, AfterFailure afterFailure)
{
    int failuresSeen = 0;
    for (int failAt = 1; failAt < limit; ++failAt) {
        int sent = 0;
        connection.setBeforeStatementHook([&] {
            if (++sent == failAt)
                throw Error(QStringLiteral("connection lost"));
        });
        try {
            action();
        } catch (const Error& e) {
            ++failuresSeen;
            connection.setBeforeStatementHook({});
            afterFailure(e, failAt);
            continue;
        }
        break;
    }
    connection.setBeforeStatementHook({});
    return failuresSeen;
}

} // namespace orvex::test
