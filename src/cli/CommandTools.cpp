// The maintenance tools on the command line: backup, clone, package-rates, duplicates.
#include "cli/CliContext.h"
#include "cli/JobCommand.h"

#include "Error.h"
#include "db/CurrentUser.h"
#include "platform/ProgramFolder.h"
#include "tools/ToolJobs.h"

#include <QDir>

namespace orvex::cli {

namespace {

int usage(CliContext& ctx, const char* text)
{
    ctx.err << "orvex-cli: usage: " << text << "\n";
    ctx.err.flush();
    return 2;
}

// Runs a tool's job on this thread with the signed-in connection; prints its summary and,
// its closing messages.
jobs::JobOutcome runTool(CliContext& ctx, db::Connection& connection, jobs::Job& job)
{
    jobs::JobContext context;
    context.programFolder = ProgramFolder::path();
    context.existingConnection = &connection;
    jobs::JobOutcome outcome = job.run(context, {});
    for (const QString& line : outcome.summary) { // one line each, stored text in it (duplicates)
        ctx.out << oneField(line) << "\n";
        ctx.checkOutput();
    }
    for (const QString& message : outcome.messages)
        ctx.out << shownLines(message) << "\n";
    return outcome;
}

} // namespace

int runBackup(CliContext& ctx, const QStringList& args)
{
    tools::TableBackupParams params;
    JobRunOptions run;
    QString suffix; // --suffix wins over --test-tables and --version-2, whatever their order
    bool suffixGiven = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--suffix")) {
            if (i + 1 >= args.size())
                throw UsageError(QStringLiteral("backup: --suffix needs a value"));
            suffix = args[++i];
            suffixGiven = true;
        } else if (a == QLatin1String("--ver-b")) {
            params.verB = true;
        } else if (a == QLatin1String("--test-tables")) {
            params.suffix = tools::kTestCopySuffix;
        } else if (a == QLatin1String("--version-2")) {
            params.suffix = tools::kVersion2CopySuffix;
        } else if (a == QLatin1String("--json")) {
            run.json = true;
        } else {
            throw UsageError(QStringLiteral("backup: unknown option \"%1\"").arg(a));
        }
    }
    if (suffixGiven)
        params.suffix = suffix;
    // Refused before signing in: a bad suffix needs no database.
    if (const QString problem = tools::copySuffixProblem(params.suffix); !problem.isEmpty())
        throw Error(problem);
    auto connection = ctx.signIn();
    params.log = ctx.logIdentity();
    tools::TableBackupJob job(params);
    return runJob(ctx, job, jobContext(connection.get()), run);
}

int runClone(CliContext& ctx, const QStringList& args)
{
    const char* const kUsage = "clone (--icd CODE | --rvs CODE)";
    if (args.size() != 2 || (args[0] != QLatin1String("--icd") && args[0] != QLatin1String("--rvs")))
        return usage(ctx, kUsage);
    tools::CloneParams params;
    params.table =
        args[0] == QLatin1String("--icd") ? db::CaseRateTable::Medical : db::CaseRateTable::Procedures;
    params.code = args[1];
    if (params.code.isEmpty())
        return usage(ctx, kUsage);
    auto connection = ctx.signIn();
    params.log = ctx.logIdentity();
    tools::PackageCloneJob job(params);
    jobs::JobContext context;
    context.existingConnection = connection.get();
    const jobs::JobOutcome outcome = job.run(context, {});
    if (job.result().outcome == tools::CloneResult::Outcome::NotFound) {
        ctx.err << "Not Found.\n";
        return 1;
    }
    ctx.out << shownLines(outcome.summary.join(QLatin1Char('\n'))) << "\nDone.\n";
    return 0;
}

int runPackageRates(CliContext& ctx, const QStringList& args)
{
    tools::PackageRateParams params;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == QLatin1String("--percent") && hasValue)
            params.percentText = args[++i];
        else if (args[i] == QLatin1String("--year") && hasValue)
            params.yearText = args[++i];
        else
            return usage(ctx, "package-rates [--percent TEXT] [--year TEXT]");
    }
    // Refused before signing in: a bad box needs no database.
    tools::rateFactor(params.percentText);
    tools::checkYearText(params.yearText);
    auto connection = ctx.signIn();
    tools::PackageRateJob job(params);
    runTool(ctx, *connection, job);
    return 0;
}

int runDuplicates(CliContext& ctx, const QStringList& args)
{
    const bool check = args == QStringList{QStringLiteral("--check")};
    const bool remove = args == QStringList{QStringLiteral("--delete"), QStringLiteral("--yes")} ||
                        args == QStringList{QStringLiteral("--yes"), QStringLiteral("--delete")};
    if (!check && !remove) {
        if (args.contains(QStringLiteral("--delete")))
            ctx.err << "orvex-cli: duplicates --delete removes rows for good: add --yes to confirm\n";
        return usage(ctx, "duplicates (--check | --delete --yes)");
    }
    auto connection = ctx.signIn();
    tools::DuplicateCodesJob job(check ? tools::DuplicateCodesJob::Mode::Check
                                       : tools::DuplicateCodesJob::Mode::Delete,
                                 ctx.logIdentity());
    runTool(ctx, *connection, job);
    return 0;
}

} // namespace orvex::cli
