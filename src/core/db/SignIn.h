#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QSettings;

namespace orvex::db {

// A saved way to reach the hospital's SQL Server. Never holds the password.
struct SqlServerProfile
{
    QString name;   // how the sign-in lists it
    QString server; // host, host\instance or host,port
    QString database = QStringLiteral("Build_FILE");
    bool windowsAuthentication = false;
    QString odbcDriver = QStringLiteral("ODBC Driver 18 for SQL Server");
    QString user;    // SQL Server login (SQL authentication)
    QString options; // more attributes as written, e.g. "Encrypt=no"
    int loginTimeoutSeconds = 10;

    // DRIVER, SERVER, DATABASE, then UID or Trusted_Connection, then the options.
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
