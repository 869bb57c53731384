#include "db/CurrentUser.h"

#include "Error.h"
#include "db/OdbcConnectionString.h"
#include "platform/ProgramFolder.h"

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

} // namespace

CurrentUser::CurrentUser(SignInPrompt& prompt, ProvisionEmbeddedFolder provision)
    : CurrentUser(prompt, std::make_unique<SignInSettings>(), std::move(provision))
{
}

CurrentUser::CurrentUser(SignInPrompt& prompt, std::unique_ptr<SignInSettings> settings,
                         ProvisionEmbeddedFolder provision)
    : m_prompt(prompt), m_settings(std::move(settings)), m_provision(std::move(provision))
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
        QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty())
            return name;
    }
    return QStringLiteral("unknown");
}

void CurrentUser::signIn()
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
        if (choice.embeddedFolder.isEmpty() && m_provision)
            m_provision(settings.embeddedFolder);
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

QString CurrentUser::serverName() const
{
    if (isEmbedded(m_choice))
        return QDir::toNativeSeparators(folderOf(m_choice));
    if (!m_choice.odbcConnectionString.isEmpty())
        return odbcAttribute(m_choice.odbcConnectionString, QStringLiteral("SERVER"));
    return m_choice.profile.server;
}

QString CurrentUser::userId() const
{
    if (!isEmbedded(m_choice)) {
        QString login = m_choice.odbcConnectionString.isEmpty()
                            ? (m_choice.profile.windowsAuthentication ? QString() : m_choice.profile.user)
                            : odbcAttribute(m_choice.odbcConnectionString, QStringLiteral("UID"));
        if (!login.isEmpty())
            return login;
    }
    return systemUserName();
}

QString CurrentUser::serverPassword() const
{
    return isEmbedded(m_choice) ? QString() : m_choice.password;
}

QString CurrentUser::driverName() const
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

void CurrentUser::addLog(const QString& line)
{
    activityLog().append(userId(), workstation(), line);
}

QList<ActivityLogEntry> CurrentUser::lastLog(int count)
{
    return activityLog().last(count);
}

} // namespace orvex::db
