#pragma once

#include "Error.h"
#include "db/ActivityLog.h"
#include "db/Connection.h"
#include "db/SignIn.h"

#include <QString>

#include <memory>

namespace orvex::db {

// The current-user component: signs the user in, owns the open connection for the
// program's run, and writes the activity log. Member names are those the window and
// the tools call.
class CurrentUser
{
public:
    // Remembers choices in the user's settings.
    explicit CurrentUser(SignInPrompt& prompt);
    CurrentUser(SignInPrompt& prompt, std::unique_ptr<SignInSettings> settings);
    ~CurrentUser();
    CurrentUser(const CurrentUser&) = delete;
    CurrentUser& operator=(const CurrentUser&) = delete;

    // Settles the sign-in: asks the prompt, connects, and on a failure asks again with
    // the reason until it connects or the user gives up. The default embedded folder
    // gets the sample databases when it holds none. Throws nothing.
    void showmain();

    bool connected() const { return m_connection != nullptr; }
    QString lastError() const { return m_lastError; } // why connected() is false
    // What sort of failure it was: Cancelled when the user gave up before any attempt failed.
    Error::Kind lastErrorKind() const { return m_lastErrorKind; }

    // The open connection, kept by the window for the run; nullptr when not connected.
    Connection* sqlconnection() const { return m_connection.get(); }
    // Hands the connection over (the CLI); the component is not connected afterwards.
    std::unique_ptr<Connection> takeConnection();

    QString ServerName() const;       // SQL Server: the server; embedded: the database folder
    QString UserID() const;           // SQL login, else the workstation's user name
    QString ServerPassword() const;   // as typed at sign-in; empty for embedded or Windows authentication
    QString driverconnection() const; // ODBC driver name, or "SQLite" for the embedded databases

    // Appends one timestamped line with the user and the workstation to the activity log.
    // Throws orvex::Error when not connected or when the row cannot be written.
    void addlog(const QString& line);
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
    SignInChoice m_choice;
    std::unique_ptr<Connection> m_connection;
    std::unique_ptr<ActivityLog> m_log;
    QString m_lastError;
    Error::Kind m_lastErrorKind = Error::Kind::Cancelled;
};

} // namespace orvex::db
