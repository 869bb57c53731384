// orvex-cli online-update (--check | --apply): the ICD update from the central server.
#include "cli/CliContext.h"
#include "cli/JobCommand.h"

#include "Error.h"
#include "cli/Terminal.h"
#include "db/CurrentUser.h"
#include "db/OdbcConnectionString.h"
#include "db/SignIn.h"
#include "tools/CentralServer.h"
#include "tools/OnlineUpdate.h"

namespace orvex::cli {

namespace {

struct OnlineUpdateOptions
{
    bool check = false;
    bool apply = false;
    QString centralFolder;
    QString centralOdbc;
    bool saveCentral = false;
    bool forgetCentral = false;
    JobRunOptions run;
};

int usage(CliContext& ctx, const QString& why)
{
    ctx.err << "orvex-cli: " << why << "\n"
            << "usage: online-update (--check | --apply) [--central-db DIR | --central-odbc \"CONNECTION "
               "STRING\" "
               "[--save-central]] [--forget-central] [--json] [--stats]\n";
    ctx.err.flush();
    return 2;
}

// ORVEX_CENTRAL_PASSWORD, else a password written in the string, else a prompt on the
// terminal, else none.
QString centralPassword(CliContext& ctx, const db::ConnectionSettings& settings, bool windowsAuthentication)
{
    if (const auto fromEnvironment = tools::centralPasswordFromEnvironment())
        return *fromEnvironment;
    const QString written = db::odbcAttribute(settings.odbcConnectionString, QStringLiteral("PWD"));
    if (!written.isEmpty())
        return written;
    if (!ctx.stdinIsTerminal || windowsAuthentication)
        return QString();
    ctx.err << "Password for the central server " << settings.describe() << ": ";
    ctx.err.flush();
    const QString password = terminal::readHiddenLine();
    ctx.err << "\n";
    ctx.err.flush();
    return password;
}

db::ConnectionSettings centralSettings(CliContext& ctx, const OnlineUpdateOptions& o)
{
    db::SignInSettings saved;
    if (o.forgetCentral)
        saved.setCentralProfile(std::nullopt);
    std::optional<db::SqlServerProfile> profile;
    if (!o.centralOdbc.isEmpty()) {
        profile = tools::profileFromConnectionString(o.centralOdbc);
    } else if (o.centralFolder.isEmpty()) {
        profile = saved.centralProfile();
    }
    const QString folder = !o.centralFolder.isEmpty()      ? o.centralFolder
                           : !ctx.embeddedFolder.isEmpty() ? ctx.embeddedFolder
                                                           : db::CurrentUser::defaultEmbeddedFolder();
    db::ConnectionSettings settings = tools::centralServerSettings(profile, folder);
    if (!o.centralOdbc.isEmpty()) // as given, attributes and all; the password only for the login
        settings.odbcConnectionString = db::withoutOdbcPassword(o.centralOdbc);
    if (profile)
        settings.password = centralPassword(ctx, settings, profile->windowsAuthentication);
    return settings;
}

void printTable(CliContext& ctx, const tools::CentralUpdateTable& table)
{
    auto printRow = [&ctx](const QStringList& fields) {
        for (qsizetype i = 0; i < fields.size(); ++i)
            ctx.out << (i ? "\t" : "") << oneField(fields[i]);
        ctx.out << '\n';
        ctx.checkOutput();
    };
    printRow(table.columns);
    for (const QStringList& row : table.rows)
        printRow(row);
}

} // namespace

int runOnlineUpdate(CliContext& ctx, const QStringList& args)
{
    OnlineUpdateOptions o;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (takeRunOption(a, o.run))
            continue;
        if (a == QLatin1String("--check"))
            o.check = true;
        else if (a == QLatin1String("--apply"))
            o.apply = true;
        else if (a == QLatin1String("--save-central"))
            o.saveCentral = true;
        else if (a == QLatin1String("--forget-central"))
            o.forgetCentral = true;
        else if (a == QLatin1String("--central-db") && hasValue)
            o.centralFolder = args[++i];
        else if (a == QLatin1String("--central-odbc") && hasValue)
            o.centralOdbc = args[++i];
        else
            return usage(ctx, QStringLiteral("online-update: unknown or incomplete option %1").arg(a));
    }
    if (o.check == o.apply && !(o.forgetCentral && !o.check))
        return usage(ctx, QStringLiteral("online-update needs one of --check and --apply"));
    if (!o.centralFolder.isEmpty() && !o.centralOdbc.isEmpty())
        return usage(ctx, QStringLiteral("--central-db and --central-odbc exclude each other"));
    if (o.saveCentral && o.centralOdbc.isEmpty())
        return usage(ctx, QStringLiteral("--save-central saves the server given by --central-odbc"));

    const db::ConnectionSettings central = centralSettings(ctx, o);
    if (!o.check && !o.apply)
        return 0; // only --forget-central
    // On the way to an apply the table is read quietly: the JSON and figures are the apply's.
    tools::CheckOnlineJob check(central);
    const int checked =
        runJob(ctx, check, jobContext(nullptr), o.check ? o.run : JobRunOptions{false, false, true});
    // Saved only once the server let us in and gave its table: never a profile that fails.
    if (o.saveCentral)
        db::SignInSettings().setCentralProfile(tools::profileFromConnectionString(o.centralOdbc));
    if (o.check) {
        if (!o.run.json)
            printTable(ctx, check.result());
        return checked;
    }
    auto hospital = ctx.signIn();
    tools::OnlineUpdateJob update(check.result().rows, ctx.logIdentity());
    return runJob(ctx, update, jobContext(hospital.get()), o.run);
}

} // namespace orvex::cli
