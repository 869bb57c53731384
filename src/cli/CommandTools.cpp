// The maintenance tools on the command line: backup, clone, package-rates, duplicates.
#include "cli/CliContext.h"
#include "cli/JobCommand.h"

#include "Error.h"
#include "tools/ToolJobs.h"

namespace orvex::cli {

namespace {

int usage(CliContext& ctx, const char* text)
{
    ctx.err << "orvex-cli: usage: " << text << "\n";
    ctx.err.flush();
    return 2;
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
        } else if (!takeRunOption(a, run)) {
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
    const char* const kUsage = "clone (--icd CODE | --rvs CODE) [--json] [--stats]";
    JobRunOptions run;
    QStringList rest;
    for (const QString& a : args)
        if (!takeRunOption(a, run))
            rest << a;
    if (rest.size() != 2 || (rest[0] != QLatin1String("--icd") && rest[0] != QLatin1String("--rvs")))
        return usage(ctx, kUsage);
    tools::CloneParams params;
    params.table =
        rest[0] == QLatin1String("--icd") ? db::CaseRateTable::Medical : db::CaseRateTable::Procedures;
    params.code = rest[1];
    if (params.code.isEmpty())
        return usage(ctx, kUsage);
    auto connection = ctx.signIn();
    params.log = ctx.logIdentity();
    tools::PackageCloneJob job(params);
    const int rc = runJob(ctx, job, jobContext(connection.get()), run);
    if (job.result().outcome == tools::CloneResult::Outcome::NotFound) {
        ctx.err << "Not Found.\n";
        return 1;
    }
    return rc;
}

int runPackageRates(CliContext& ctx, const QStringList& args)
{
    tools::PackageRateParams params;
    JobRunOptions run;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == QLatin1String("--percent") && hasValue)
            params.percentText = args[++i];
        else if (args[i] == QLatin1String("--year") && hasValue)
            params.yearText = args[++i];
        else if (!takeRunOption(args[i], run))
            return usage(ctx, "package-rates [--percent TEXT] [--year TEXT] [--json] [--stats]");
    }
    // Refused before signing in: a bad box needs no database.
    tools::rateFactor(params.percentText);
    tools::checkYearText(params.yearText);
    auto connection = ctx.signIn();
    tools::PackageRateJob job(params);
    return runJob(ctx, job, jobContext(connection.get()), run);
}

int runDuplicates(CliContext& ctx, const QStringList& args)
{
    JobRunOptions run;
    QStringList rest;
    for (const QString& a : args)
        if (!takeRunOption(a, run))
            rest << a;
    const bool check = rest == QStringList{QStringLiteral("--check")};
    const bool remove = rest == QStringList{QStringLiteral("--delete"), QStringLiteral("--yes")} ||
                        rest == QStringList{QStringLiteral("--yes"), QStringLiteral("--delete")};
    if (!check && !remove) {
        if (rest.contains(QStringLiteral("--delete")))
            ctx.err << "orvex-cli: duplicates --delete removes rows for good: add --yes to confirm\n";
        return usage(ctx, "duplicates (--check | --delete --yes) [--json] [--stats]");
    }
    auto connection = ctx.signIn();
    tools::DuplicateCodesJob job(check ? tools::DuplicateCodesJob::Mode::Check
                                       : tools::DuplicateCodesJob::Mode::Delete,
                                 ctx.logIdentity());
    return runJob(ctx, job, jobContext(connection.get()), run);
}

} // namespace orvex::cli
