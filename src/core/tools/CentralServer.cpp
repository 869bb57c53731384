#include "tools/CentralServer.h"

#include "db/OdbcConnectionString.h"

#include <QDir>

namespace orvex::tools {

std::optional<QString> centralPasswordFromEnvironment()
{
    if (!qEnvironmentVariableIsSet(kCentralPasswordVariable))
        return std::nullopt;
    return qEnvironmentVariable(kCentralPasswordVariable);
}

db::ConnectionSettings centralServerSettings(const std::optional<db::SqlServerProfile>& profile,
                                             const QString& embeddedFolder, const QString& password)
{
    db::ConnectionSettings settings;
    if (!profile) {
        settings.kind = db::ConnectionSettings::Kind::Embedded;
        settings.embeddedFolder = embeddedFolder;
        return settings;
    }
    settings.kind = db::ConnectionSettings::Kind::Odbc;
    settings.odbcConnectionString = profile->odbcConnectionString();
    settings.password = password;
    settings.loginTimeoutSeconds = profile->loginTimeoutSeconds;
    return settings;
}

db::SqlServerProfile profileFromConnectionString(const QString& connectionString)
{
    db::SqlServerProfile profile;
    profile.database.clear();
    QStringList options;
    for (const auto& [key, value] :
         db::parseOdbcConnectionString(db::withoutOdbcPassword(connectionString))) {
        const QString k = key.toUpper();
        if (k == QLatin1String("DRIVER"))
            profile.odbcDriver = value;
        else if (k == QLatin1String("SERVER"))
            profile.server = value;
        else if (k == QLatin1String("DATABASE"))
            profile.database = value;
        else if (k == QLatin1String("UID"))
            profile.user = value;
        else if (k == QLatin1String("TRUSTED_CONNECTION"))
            profile.windowsAuthentication = value.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
        else
            options << key + QLatin1Char('=') + db::odbcQuoted(value);
    }
    profile.options = options.join(QLatin1Char(';'));
    profile.name = profile.server;
    return profile;
}

bool needsPassword(const db::SqlServerProfile& profile)
{
    return !profile.windowsAuthentication;
}

QString centralServerName(const db::ConnectionSettings& central)
{
    if (central.kind == db::ConnectionSettings::Kind::Embedded)
        return QLatin1Char('"') +
               QDir::toNativeSeparators(QDir(central.embeddedFolder).filePath(QStringLiteral("central.db"))) +
               QLatin1Char('"');
    const QString server = db::odbcAttribute(central.odbcConnectionString, QStringLiteral("SERVER"));
    return server.isEmpty() ? central.describe() : server;
}

} // namespace orvex::tools
