#include "db/CurrentUser.h"

#include "Error.h"
#include "db/OdbcConnectionString.h"
#include "platform/ProgramFolder.h"

#include "db/SampleDatabases.h"

#include <QDir>
#include <QSysInfo>

namespace orvex::db {

namespace {

bool isEmbedded(const SignInChoice& choice)
{
    return choice.kind == SignInChoice::Kind::Embedded;
}

QString connectionStringOf(const SignInChoice& choice)
{
    return choice.odbcConnectionString.isEmpty() ? choice.profile.odbcConnectionString()
                                                 : withoutOdbcPassword(choice.odbcConnectionString);
}

QString folderOf(const SignInChoice& choice)
{
    return choice.embeddedFolder.isEmpty() ? CurrentUser::defaultEmbeddedFolder() : choice.embeddedFolder;
}

// A folder without any database file gets the sample databases; one that holds only
// one of the two files is left alone, and opening names the missing one.
void ensureEmbeddedDatabases(const QString& folder)
{
    if (!embeddedDatabasesPresent(folder))
        buildSampleDatabases(folder, false);
}

} // namespace

CurrentUser::CurrentUser(SignInPrompt& prompt) : CurrentUser(prompt, std::make_unique<SignInSettings>()) {}

CurrentUser::CurrentUser(SignInPrompt& prompt, std::unique_ptr<SignInSettings> settings)
    : m_prompt(prompt), m_settings(std::move(settings))
{
}

CurrentUser::~CurrentUser()
{
    // The log refers to the connection: it goes first.
    m_log.reset();
    m_connection.reset();
}

QString CurrentUser::defaultEmbeddedFolder()
{
    return ProgramFolder::path() + QStringLiteral("/db");
}

QString CurrentUser::workstation()
{
    return QSysInfo::machineHostName();
}

QString CurrentUser::systemUserName()
{
    for (const char* variable : {"USERNAME", "USER", "LOGNAME"}) {
        const QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty())
            return name;
    }
    return QStringLiteral("unknown");
}

void CurrentUser::showmain()
{
    m_log.reset();
    m_connection.reset();
    m_lastError.clear();
    SignInChoice suggestion = m_settings ? m_settings->lastChoice() : SignInChoice();
    QString previousError;
    Error::Kind previousKind = Error::Kind::Cancelled;
    for (;;) {
        const std::optional<SignInChoice> choice = m_prompt.ask(suggestion, previousError);
        if (!choice) {
            m_lastError = previousError.isEmpty() ? QStringLiteral("Sign-in was cancelled.") : previousError;
            m_lastErrorKind = previousKind;
            return;
        }
        try {
            connect(*choice);
            if (choice->remember && m_settings)
                m_settings->rememberChoice(*choice);
            return;
        } catch (const Error& e) {
            previousError = e.message();
            previousKind = e.kind();
        }
        suggestion = *choice;
        suggestion.password.clear();
    }
}

void CurrentUser::connect(const SignInChoice& choice)
{
    ConnectionSettings settings;
    if (isEmbedded(choice)) {
        settings.kind = ConnectionSettings::Kind::Embedded;
        settings.embeddedFolder = folderOf(choice);
        // Only the default folder is filled with the sample: a folder the user named
        // and mistyped must not quietly become a sample database.
        if (choice.embeddedFolder.isEmpty())
            ensureEmbeddedDatabases(settings.embeddedFolder);
    } else {
        settings.kind = ConnectionSettings::Kind::Odbc;
        settings.odbcConnectionString = connectionStringOf(choice);
        settings.password = choice.password;
        settings.loginTimeoutSeconds = choice.profile.loginTimeoutSeconds;
    }
    m_connection = Connection::open(settings);
    m_choice = choice;
}

std::unique_ptr<Connection> CurrentUser::takeConnection()
{
    m_log.reset();
    return std::move(m_connection);
}

QString CurrentUser::ServerName() const
{
    if (isEmbedded(m_choice))
        return QDir::toNativeSeparators(folderOf(m_choice));
    if (!m_choice.odbcConnectionString.isEmpty())
        return odbcAttribute(m_choice.odbcConnectionString, QStringLiteral("SERVER"));
    return m_choice.profile.server;
}

QString CurrentUser::UserID() const
{
    if (!isEmbedded(m_choice)) {
        const QString login =
            m_choice.odbcConnectionString.isEmpty()
                ? (m_choice.profile.windowsAuthentication ? QString() : m_choice.profile.user)
                : odbcAttribute(m_choice.odbcConnectionString, QStringLiteral("UID"));
        if (!login.isEmpty())
            return login;
    }
    return systemUserName();
}

QString CurrentUser::ServerPassword() const
{
    return isEmbedded(m_choice) ? QString() : m_choice.password;
}

QString CurrentUser::driverconnection() const
{
    if (isEmbedded(m_choice))
        return QStringLiteral("SQLite");
    if (!m_choice.odbcConnectionString.isEmpty())
        return odbcAttribute(m_choice.odbcConnectionString, QStringLiteral("DRIVER"));
    return m_choice.profile.odbcDriver;
}

ActivityLog& CurrentUser::activityLog()
{
    if (!m_connection)
        throw Error(QStringLiteral("Not signed in: the activity log cannot be reached."));
    if (!m_log)
        m_log = std::make_unique<ActivityLog>(*m_connection);
    return *m_log;
}

void CurrentUser::addlog(const QString& line)
{
    activityLog().append(UserID(), workstation(), line);
}

QList<ActivityLogEntry> CurrentUser::lastLog(int count)
{
    return activityLog().last(count);
}

} // namespace orvex::db
