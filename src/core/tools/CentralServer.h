#pragma once

#include "db/Connection.h"
#include "db/SignIn.h"

#include <QString>

#include <optional>

// Where the online ICD update finds the central update server. Nothing of it is built
// into the program: the embedded default is central.db beside the embedded databases,
// a SQL Server is a saved profile whose password is asked each time.
namespace orvex::tools {

// The environment variable that may hold the central server's password.
inline constexpr char kCentralPasswordVariable[] = "ORVEX_CENTRAL_PASSWORD";

// The central server's password from the environment, when the variable is set.
std::optional<QString> centralPasswordFromEnvironment();

// `profile` set: that SQL Server with `password`; otherwise central.db in `embeddedFolder`.
db::ConnectionSettings centralServerSettings(const std::optional<db::SqlServerProfile>& profile,
                                             const QString& embeddedFolder, const QString& password = {});

// The central server as questions and the log name it: "central.db" with its folder, or the
// SQL Server's name (its connection string when it names none).
QString centralServerName(const db::ConnectionSettings& central);

// A profile from a connection string: DRIVER, SERVER, DATABASE, UID or Trusted_Connection,
// the other attributes as options; a password in it is dropped.
db::SqlServerProfile profileFromConnectionString(const QString& connectionString);

// Whether logging in with `profile` needs a password (SQL Server authentication).
bool needsPassword(const db::SqlServerProfile& profile);

} // namespace orvex::tools
