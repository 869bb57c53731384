#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QSettings;

namespace orvex::db {

// A saved way to reach the hospital's SQL Server. Never holds the password.
// How the ODBC driver encrypts the connection: "yes" (ODBC Driver 18's own default: encrypted,
// certificate checked unless trusted), "no", or "strict" (TDS 8: always checked, trust ignored).
enum class OdbcEncrypt { Yes, No, Strict };
// "yes", "no", "strict": the attribute's value, the profile's and the command line's word.
QString odbcEncryptName(OdbcEncrypt encrypt);
// The word back; nullopt for another one.
std::optional<OdbcEncrypt> odbcEncryptFromName(const QString& name);

// KEY=value attributes of the two choices, for a connection string: the string without any
// Encrypt and TrustServerCertificate of its own, then those chosen.
QString withEncryption(const QString& connectionString, OdbcEncrypt encrypt, bool trustServerCertificate);

struct SqlServerProfile
{
    QString name;   // how the sign-in lists it
    QString server; // host, host\instance or host,port
    QString database = QStringLiteral("Build_FILE");
    bool windowsAuthentication = false;
    QString odbcDriver = QStringLiteral("ODBC Driver 18 for SQL Server");
    QString user;    // SQL Server login (SQL authentication)
    QString options; // more attributes as written, e.g. "MultiSubnetFailover=yes"
    int loginTimeoutSeconds = 10;
    // Chosen on the sign-in form; unset: the driver's default (or what `options` says).
    std::optional<OdbcEncrypt> encrypt;
    bool trustServerCertificate = false; // a self-signed certificate is accepted unchecked

    // DRIVER, SERVER, DATABASE, then UID or Trusted_Connection, then the options, then (when
    // chosen) Encrypt and TrustServerCertificate, which replace any of the options.
    QString odbcConnectionString() const;
    bool operator==(const SqlServerProfile&) const = default;
};

// What the user chose at sign-in.
struct SignInChoice
{
    enum class Kind { Embedded, SqlServer };
    Kind kind = Kind::Embedded;
    QString embeddedFolder;       // empty: the default folder
    SqlServerProfile profile;     // Kind::SqlServer, unless odbcConnectionString is set
    QString odbcConnectionString; // a complete connection string without the password
    QString password;             // asked every time; never saved or logged
    bool remember = true;         // save the choice (without password) for the next sign-in
};

// Fills an embedded folder that holds no database yet, so that signing in can open it (the
// program's sample databases). Throws orvex::Error when it cannot.
using ProvisionEmbeddedFolder = std::function<void(const QString& folder)>;

// The asking part of the sign-in: a dialog in the window, a headless answer in the CLI.
class SignInPrompt
{
public:
    virtual ~SignInPrompt() = default;
    // `suggestion` is the last choice (password empty); `previousError` is empty on the
    // first ask and otherwise says why the last choice failed. nullopt: the user gives up.
    virtual std::optional<SignInChoice> ask(const SignInChoice& suggestion, const QString& previousError) = 0;
};

// Saved profiles and the last choice, in the user's settings (QSettings, INI format).
class SignInSettings
{
public:
    SignInSettings();                                // the user's own settings file
    explicit SignInSettings(const QString& iniFile); // a given file (tests, portable installs)
    ~SignInSettings();

    QList<SqlServerProfile> profiles() const;
    void saveProfile(const SqlServerProfile& profile); // replaces the one of the same name
    void removeProfile(const QString& name);

    SignInChoice lastChoice() const;
    void rememberChoice(const SignInChoice& choice); // also saves its profile; never the password

    // The central update server of the online ICD update: a saved SQL Server profile, or
    // none for the embedded default (central.db beside the embedded databases).
    std::optional<SqlServerProfile> centralProfile() const;
    void setCentralProfile(const std::optional<SqlServerProfile>& profile);

private:
    void writeProfiles(const QList<SqlServerProfile>& profiles);
    std::unique_ptr<QSettings> m_settings;
};

} // namespace orvex::db
