#pragma once

#include <QString>

#include <chrono>

// Some ODBC drivers ignore the login timeout when the server accepts the connection and never
// answers (FreeTDS retries once, then waits for ever). A login is therefore first tried on a
// thread of its own, and given up when it has not returned by a deadline.
namespace orvex::db {

struct OdbcLoginOutcome
{
    enum class Kind { Opened, Failed, NoAnswer };
    Kind kind = Kind::NoAnswer;
    QString error; // the driver's text when Failed
};

// Opens and closes a throwaway connection with `connectionString` (password included) and
// `connectOptions`. A login still running at `deadline` is left to finish on its own thread.
OdbcLoginOutcome probeOdbcLogin(const QString& connectionString, const QString& connectOptions,
                                std::chrono::milliseconds deadline);

} // namespace orvex::db
