// Sign-in of the command line: the global options answer the sign-in once, headless.
#include "cli/CliContext.h"

#include "Error.h"
#include "cli/Terminal.h"
#include "db/CurrentUser.h"
#include "db/OdbcConnectionString.h"
#include "sampledb/SampleDatabases.h"

namespace orvex::cli {

namespace {

class OptionsPrompt : public db::SignInPrompt
{
public:
    explicit OptionsPrompt(db::SignInChoice choice) : m_choice(std::move(choice)) {}
    std::optional<db::SignInChoice> ask(const db::SignInChoice&, const QString& previousError) override
    {
        // One answer only: a failure is reported, not retried.
        if (!previousError.isEmpty())
            return std::nullopt;
        return m_choice;
    }

private:
    db::SignInChoice m_choice;
};

bool usesWindowsAuthentication(const QString& connectionString)
{
    return db::odbcAttribute(connectionString, QStringLiteral("Trusted_Connection"))
               .compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
}

// ORVEX_DB_PASSWORD, else a password written in the string itself, else a prompt on the
// terminal, else none.
QString passwordFor(CliContext& ctx, const QString& connectionString)
{
    if (qEnvironmentVariableIsSet("ORVEX_DB_PASSWORD"))
        return qEnvironmentVariable("ORVEX_DB_PASSWORD");
    QString written = db::odbcAttribute(connectionString, QStringLiteral("PWD"));
    if (!written.isEmpty())
        return written;
    if (!ctx.stdinIsTerminal || usesWindowsAuthentication(connectionString))
        return QString();
    const db::ConnectionSettings shown{db::ConnectionSettings::Kind::Odbc, QString(), connectionString};
    ctx.err << "Password for " << shown.describe() << ": ";
    ctx.err.flush();
    QString password = terminal::readHiddenLine();
    ctx.err << "\n";
    ctx.err.flush();
    return password;
}

} // namespace

db::LogIdentity CliContext::logIdentity() const
{
    if (!userId.isEmpty()) // signed in: as the current-user component names the user
        return {userId, db::CurrentUser::workstation()};
    const QString login = db::odbcAttribute(odbcConnectionString, QStringLiteral("UID"));
    return {login.isEmpty() ? db::CurrentUser::systemUserName() : login, db::CurrentUser::workstation()};
}

std::unique_ptr<db::Connection> CliContext::signIn()
{
    if (!embeddedFolder.isEmpty() && !odbcConnectionString.isEmpty())
        throw Error(QStringLiteral("--db and --odbc exclude each other: give one of them."));
    if ((encrypt || trustServerCertificate) && odbcConnectionString.isEmpty())
        throw Error(QStringLiteral("--encrypt and --trust-server-certificate go with --odbc: the embedded "
                                   "databases are no server."));
    db::SignInChoice choice;
    choice.remember = false;
    if (odbcConnectionString.isEmpty()) {
        choice.kind = db::SignInChoice::Kind::Embedded;
        choice.embeddedFolder = embeddedFolder;
    } else {
        choice.kind = db::SignInChoice::Kind::SqlServer;
        choice.password = passwordFor(*this, odbcConnectionString);
        choice.odbcConnectionString = db::withoutOdbcPassword(odbcConnectionString);
        if (encrypt || trustServerCertificate) {
            // What the option does not name stays as the string has it.
            const QString& given = choice.odbcConnectionString;
            const db::OdbcEncrypt chosen =
                encrypt.value_or(db::odbcEncryptFromName(db::odbcAttribute(given, QStringLiteral("Encrypt")))
                                     .value_or(db::OdbcEncrypt::Yes));
            const bool trust =
                trustServerCertificate || db::odbcAttribute(given, QStringLiteral("TrustServerCertificate"))
                                                  .compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
            choice.odbcConnectionString = db::withEncryption(given, chosen, trust);
        }
    }
    OptionsPrompt prompt(choice);
    db::CurrentUser user(prompt, nullptr, sampledb::provisionEmbeddedFolder);
    user.signIn();
    if (!user.connected())
        throw Error(user.lastErrorKind(), user.lastError());
    userId = user.userId();
    return user.takeConnection();
}

} // namespace orvex::cli
