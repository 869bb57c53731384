#pragma once

#include "Error.h"
#include "db/ActivityLog.h"
#include "db/Connection.h"
#include "db/SignIn.h"

#include <QString>

#include <memory>

namespace orvex::db {

// The current-user component: signs the user in, owns the open connection for the
// program's run, and writes the activity log.
class CurrentUser
{
public:
    // Remembers choices in the user's settings. `provision` fills the default embedded
    // folder when it holds no database; without it that folder is opened as it is.
    explicit CurrentUser(SignInPrompt& prompt, ProvisionEmbeddedFolder provision = {});
    CurrentUser(SignInPrompt& prompt, std::unique_ptr<SignInSettings> settings,
                ProvisionEmbeddedFolder provision = {});
    ~CurrentUser();
    CurrentUser(const CurrentUser&) = delete;
    CurrentUser& operator=(const CurrentUser&) = delete;

    // Settles the sign-in: asks the prompt, connects, and on a failure asks again with
    // the reason until it connects or the user gives up. The default embedded folder is
    // provisioned first. Throws nothing.
    void signIn();

    bool connected() const { return m_connection != nullptr; }
    QString lastError() const { return m_lastError; } // why connected() is false
    // What sort of failure it was: Cancelled when the user gave up before any attempt failed.
    Error::Kind lastErrorKind() const { return m_lastErrorKind; }

    // The open connection, kept by the window for the run; nullptr when not connected.
    Connection* connection() const { return m_connection.get(); }
    // Hands the connection over (the CLI); the component is not connected afterwards.
    std::unique_ptr<Connection> takeConnection();

    QString serverName() const;     // SQL Server: the server; embedded: the database folder
    QString userId() const;         // SQL login, else the workstation's user name
    QString serverPassword() const; // as typed at sign-in; empty for embedded or Windows authentication
    QString driverName() const;     // ODBC driver name, or "SQLite" for the embedded databases

    // Appends one timestamped line with the user and the workstation to the activity log.
    // Throws orvex::Error when not connected or when the row cannot be written.
    void addLog(const QString& line);
    // The last `count` lines, oldest first (every line when `count` <= 0).
    QList<ActivityLogEntry> lastLog(int count);

    static QString defaultEmbeddedFolder(); // ProgramFolder::path() + "/db"
    static QString workstation();           // QSysInfo::machineHostName()
    static QString systemUserName();

private:
    void connect(const SignInChoice& choice);
    ActivityLog& activityLog();

    SignInPrompt& m_prompt;
    std::unique_ptr<SignInSettings> m_settings;
    ProvisionEmbeddedFolder m_provision;
    SignInChoice m_choice;
    std::unique_ptr<Connection> m_connection;
    std::unique_ptr<ActivityLog> m_log;
    QString m_lastError;
    Error::Kind m_lastErrorKind = Error::Kind::Cancelled;
};

} // namespace orvex::db
