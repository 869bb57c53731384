#include "db/SignIn.h"

#include "db/OdbcConnectionString.h"

#include <QSettings>

namespace orvex::db {

namespace {
const QString kKindEmbedded = QStringLiteral("embedded");
const QString kKindSqlServer = QStringLiteral("sqlserver");

SqlServerProfile readProfile(const QSettings& s)
{
    SqlServerProfile p;
    p.name = s.value(QStringLiteral("name")).toString();
    p.server = s.value(QStringLiteral("server")).toString();
    p.database = s.value(QStringLiteral("database"), p.database).toString();
    p.windowsAuthentication = s.value(QStringLiteral("windowsAuthentication"), false).toBool();
    p.odbcDriver = s.value(QStringLiteral("odbcDriver"), p.odbcDriver).toString();
    p.user = s.value(QStringLiteral("user")).toString();
    p.options = withoutOdbcPassword(s.value(QStringLiteral("options")).toString());
    p.loginTimeoutSeconds = s.value(QStringLiteral("loginTimeoutSeconds"), p.loginTimeoutSeconds).toInt();
    p.encrypt = odbcEncryptFromName(s.value(QStringLiteral("encrypt")).toString());
    p.trustServerCertificate = s.value(QStringLiteral("trustServerCertificate"), false).toBool();
    return p;
}

void writeProfile(QSettings& s, const SqlServerProfile& p)
{
    s.setValue(QStringLiteral("name"), p.name);
    s.setValue(QStringLiteral("server"), p.server);
    s.setValue(QStringLiteral("database"), p.database);
    s.setValue(QStringLiteral("windowsAuthentication"), p.windowsAuthentication);
    s.setValue(QStringLiteral("odbcDriver"), p.odbcDriver);
    s.setValue(QStringLiteral("user"), p.user);
    s.setValue(QStringLiteral("options"), withoutOdbcPassword(p.options));
    s.setValue(QStringLiteral("loginTimeoutSeconds"), p.loginTimeoutSeconds);
    if (p.encrypt)
        s.setValue(QStringLiteral("encrypt"), odbcEncryptName(*p.encrypt));
    else
        s.remove(QStringLiteral("encrypt"));
    s.setValue(QStringLiteral("trustServerCertificate"), p.trustServerCertificate);
}
} // namespace

QString SqlServerProfile::odbcConnectionString() const
{
    QString s = withOdbcAttribute(QString(), QStringLiteral("DRIVER"), odbcDriver);
    s = withOdbcAttribute(s, QStringLiteral("SERVER"), server);
    if (!database.isEmpty())
        s = withOdbcAttribute(s, QStringLiteral("DATABASE"), database);
    if (windowsAuthentication)
        s = withOdbcAttribute(s, QStringLiteral("Trusted_Connection"), QStringLiteral("yes"));
    else
        s = withOdbcAttribute(s, QStringLiteral("UID"), user);
    const QString extra = withoutOdbcPassword(options);
    if (!extra.isEmpty())
        s += QLatin1Char(';') + extra;
    return encrypt ? withEncryption(s, *encrypt, trustServerCertificate) : s;
}

QString odbcEncryptName(OdbcEncrypt encrypt)
{
    switch (encrypt) {
    case OdbcEncrypt::Yes:
        return QStringLiteral("yes");
    case OdbcEncrypt::No:
        return QStringLiteral("no");
    case OdbcEncrypt::Strict:
        return QStringLiteral("strict");
    }
    return {};
}

std::optional<OdbcEncrypt> odbcEncryptFromName(const QString& name)
{
    for (const OdbcEncrypt e : {OdbcEncrypt::Yes, OdbcEncrypt::No, OdbcEncrypt::Strict})
        if (name.compare(odbcEncryptName(e), Qt::CaseInsensitive) == 0)
            return e;
    return std::nullopt;
}

QString withEncryption(const QString& connectionString, OdbcEncrypt encrypt, bool trustServerCertificate)
{
    QString s = withoutOdbcAttributes(connectionString,
                                      {QStringLiteral("Encrypt"), QStringLiteral("TrustServerCertificate")});
    s = withOdbcAttribute(s, QStringLiteral("Encrypt"), odbcEncryptName(encrypt));
    return withOdbcAttribute(s, QStringLiteral("TrustServerCertificate"),
                             trustServerCertificate ? QStringLiteral("yes") : QStringLiteral("no"));
}

SignInSettings::SignInSettings()
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                             QStringLiteral("Kestra"), QStringLiteral("Orvex")))
{
}

SignInSettings::SignInSettings(const QString& iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{
}

SignInSettings::~SignInSettings() = default;

QList<SqlServerProfile> SignInSettings::profiles() const
{
    QList<SqlServerProfile> result;
    const int n = m_settings->beginReadArray(QStringLiteral("profiles"));
    for (int i = 0; i < n; ++i) {
        m_settings->setArrayIndex(i);
        result.append(readProfile(*m_settings));
    }
    m_settings->endArray();
    return result;
}

void SignInSettings::writeProfiles(const QList<SqlServerProfile>& profiles)
{
    m_settings->remove(QStringLiteral("profiles"));
    m_settings->beginWriteArray(QStringLiteral("profiles"), int(profiles.size()));
    for (int i = 0; i < profiles.size(); ++i) {
        m_settings->setArrayIndex(i);
        writeProfile(*m_settings, profiles[i]);
    }
    m_settings->endArray();
    m_settings->sync();
}

void SignInSettings::saveProfile(const SqlServerProfile& profile)
{
    QList<SqlServerProfile> all = profiles();
    bool replaced = false;
    for (SqlServerProfile& p : all) {
        if (p.name == profile.name) {
            p = profile;
            replaced = true;
        }
    }
    if (!replaced)
        all.append(profile);
    writeProfiles(all);
}

void SignInSettings::removeProfile(const QString& name)
{
    QList<SqlServerProfile> all = profiles();
    all.removeIf([&](const SqlServerProfile& p) { return p.name == name; });
    writeProfiles(all);
}

SignInChoice SignInSettings::lastChoice() const
{
    SignInChoice c;
    const QString kind = m_settings->value(QStringLiteral("signIn/kind"), kKindEmbedded).toString();
    c.kind = kind == kKindSqlServer ? SignInChoice::Kind::SqlServer : SignInChoice::Kind::Embedded;
    c.embeddedFolder = m_settings->value(QStringLiteral("signIn/embeddedFolder")).toString();
    c.odbcConnectionString =
        withoutOdbcPassword(m_settings->value(QStringLiteral("signIn/odbcConnectionString")).toString());
    const QString profileName = m_settings->value(QStringLiteral("signIn/profile")).toString();
    for (const SqlServerProfile& p : profiles())
        if (p.name == profileName)
            c.profile = p;
    return c;
}

void SignInSettings::rememberChoice(const SignInChoice& choice)
{
    const bool sqlServer = choice.kind == SignInChoice::Kind::SqlServer;
    m_settings->setValue(QStringLiteral("signIn/kind"), sqlServer ? kKindSqlServer : kKindEmbedded);
    m_settings->setValue(QStringLiteral("signIn/embeddedFolder"), choice.embeddedFolder);
    m_settings->setValue(QStringLiteral("signIn/odbcConnectionString"),
                         withoutOdbcPassword(choice.odbcConnectionString));
    if (sqlServer && choice.odbcConnectionString.isEmpty()) {
        SqlServerProfile profile = choice.profile;
        if (profile.name.isEmpty())
            profile.name = profile.server;
        m_settings->setValue(QStringLiteral("signIn/profile"), profile.name);
        saveProfile(profile);
    }
    m_settings->sync();
}

std::optional<SqlServerProfile> SignInSettings::centralProfile() const
{
    m_settings->beginGroup(QStringLiteral("central"));
    std::optional<SqlServerProfile> profile;
    if (!m_settings->value(QStringLiteral("server")).toString().isEmpty())
        profile = readProfile(*m_settings);
    m_settings->endGroup();
    return profile;
}

void SignInSettings::setCentralProfile(const std::optional<SqlServerProfile>& profile)
{
    m_settings->remove(QStringLiteral("central"));
    if (profile) {
        m_settings->beginGroup(QStringLiteral("central"));
        writeProfile(*m_settings, *profile);
        m_settings->endGroup();
    }
    m_settings->sync();
}

} // namespace orvex::db
