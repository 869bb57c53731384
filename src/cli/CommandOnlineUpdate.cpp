// orvex-cli online-update (--check | --apply): the ICD update from the central server.
#include "cli/CliContext.h"
#include "cli/CommandLine.h"
#include "cli/JobCommand.h"

#include "Error.h"
#include "apply/OnlineUpdateJob.h"
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

// ORVEX_CENTRAL_PASSWORD, else a password written in the string, else a prompt on the
// terminal, else none.
QString centralPassword(CliContext& ctx, const db::ConnectionSettings& settings, bool windowsAuthentication)
{
    if (const auto fromEnvironment = tools::centralPasswordFromEnvironment())
        return *fromEnvironment;
    QString written = db::odbcAttribute(settings.odbcConnectionString, QStringLiteral("PWD"));
    if (!written.isEmpty())
        return written;
    if (!ctx.stdinIsTerminal || windowsAuthentication)
        return QString();
    ctx.err << "Password for the central server " << settings.describe() << ": ";
    ctx.err.flush();
    QString password = terminal::readHiddenLine();
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
    CommandLine line(QStringLiteral("online-update"));
    line.addFlag(QStringLiteral("check"),
                 QStringLiteral("print the central rows, tab-separated, header first"));
    line.addFlag(QStringLiteral("apply"),
                 QStringLiteral("read them and apply them in one go; prints each change and the undo file"));
    line.addValue(QStringLiteral("central-db"), QStringLiteral("DIR"), QStringLiteral("central.db in DIR"));
    line.addValue(QStringLiteral("central-odbc"), QStringLiteral("\"CONNECTION STRING\""),
                  QStringLiteral("the central server through ODBC; the password from ORVEX_CENTRAL_PASSWORD "
                                 "or a prompt"));
    line.addFlag(QStringLiteral("save-central"),
                 QStringLiteral("keep the --central-odbc server, once it answered, as the central one"));
    line.addFlag(QStringLiteral("forget-central"), QStringLiteral("back to the embedded central.db"));
    line.addRunOptions(QStringLiteral("what was read or changed as one JSON object"));
    if (!line.parse(ctx, args))
        return 0;
    if (!line.arguments().isEmpty())
        throw UsageError(
            QStringLiteral("online-update: unknown or incomplete option %1").arg(line.arguments().first()));
    OnlineUpdateOptions o;
    o.check = line.isSet(QStringLiteral("check"));
    o.apply = line.isSet(QStringLiteral("apply"));
    o.saveCentral = line.isSet(QStringLiteral("save-central"));
    o.forgetCentral = line.isSet(QStringLiteral("forget-central"));
    o.centralFolder = line.value(QStringLiteral("central-db"));
    o.centralOdbc = line.value(QStringLiteral("central-odbc"));
    o.run = line.runOptions();
    if (o.check == o.apply && !(o.forgetCentral && !o.check))
        throw UsageError(QStringLiteral("online-update needs one of --check and --apply"));
    if (!o.centralFolder.isEmpty() && !o.centralOdbc.isEmpty())
        throw UsageError(QStringLiteral("online-update: --central-db and --central-odbc exclude each other"));
    if (o.saveCentral && o.centralOdbc.isEmpty())
        throw UsageError(
            QStringLiteral("online-update: --save-central saves the server given by --central-odbc"));

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
    // --apply is the user's go-ahead (no question on a terminal); the undo file is written as
    // the window's "Update DB" writes it.
    apply::OnlineUpdateJob update(check.result().rows, ctx.logIdentity(), tools::centralServerName(central));
    return runJob(ctx, update, jobContext(hospital.get()), o.run);
}

} // namespace orvex::cli
