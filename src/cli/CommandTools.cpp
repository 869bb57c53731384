// The maintenance tools on the command line: backup, clone, package-rates, duplicates.
#include "cli/CliContext.h"
#include "cli/CommandLine.h"
#include "cli/JobCommand.h"

#include "Error.h"
#include "tools/ToolJobs.h"

namespace orvex::cli {

namespace {

// A command of these that takes no argument of its own.
void refuseArguments(const CommandLine& line, const QString& command)
{
    if (!line.arguments().isEmpty())
        throw UsageError(QStringLiteral("%1: unknown option \"%2\"").arg(command, line.arguments().first()));
}

} // namespace

int runBackup(CliContext& ctx, const QStringList& args)
{
    CommandLine line(QStringLiteral("backup"));
    line.addValue(QStringLiteral("suffix"), QStringLiteral("S"),
                  QStringLiteral("the copies' suffix: 1 to 64 letters, digits or underscores (default "
                                 "_2_14_2024); wins over the two below"));
    line.addFlag(QStringLiteral("ver-b"), QStringLiteral("copy tbMedPackage_NEW too"));
    line.addFlag(QStringLiteral("test-tables"), QStringLiteral("the suffix _TEST"));
    line.addFlag(QStringLiteral("version-2"), QStringLiteral("the suffix _05_03_2024"));
    line.addRunOptions(QStringLiteral("the copies made as one JSON object"));
    if (!line.parse(ctx, args))
        return 0;
    refuseArguments(line, QStringLiteral("backup"));
    tools::TableBackupParams params;
    const JobRunOptions run = line.runOptions();
    params.verB = line.isSet(QStringLiteral("ver-b"));
    // --suffix wins over --test-tables and --version-2, whatever their order; of those two the last.
    for (const QString& name : line.optionNames()) {
        if (name == QLatin1String("test-tables"))
            params.suffix = tools::kTestCopySuffix;
        else if (name == QLatin1String("version-2"))
            params.suffix = tools::kVersion2CopySuffix;
    }
    if (line.isSet(QStringLiteral("suffix")))
        params.suffix = line.value(QStringLiteral("suffix"));
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
    CommandLine line(QStringLiteral("clone"));
    line.addValue(QStringLiteral("icd"), QStringLiteral("CODE"),
                  QStringLiteral("the ICD code's medical case rate"));
    line.addValue(QStringLiteral("rvs"), QStringLiteral("CODE"),
                  QStringLiteral("the RVS code's procedure case rate"));
    line.addRunOptions(QStringLiteral("the package made as one JSON object"));
    if (!line.parse(ctx, args))
        return 0;
    refuseArguments(line, QStringLiteral("clone"));
    const bool icd = line.isSet(QStringLiteral("icd"));
    tools::CloneParams params;
    params.table = icd ? db::CaseRateTable::Medical : db::CaseRateTable::Procedures;
    params.code = line.value(icd ? QStringLiteral("icd") : QStringLiteral("rvs"));
    if (icd == line.isSet(QStringLiteral("rvs")) ||
        line.optionNames().count(QStringLiteral("icd")) + line.optionNames().count(QStringLiteral("rvs")) !=
            1 ||
        params.code.isEmpty())
        throw UsageError(QStringLiteral("clone takes one code: --icd CODE or --rvs CODE"));
    const JobRunOptions run = line.runOptions();
    auto connection = ctx.signIn();
    params.log = ctx.logIdentity();
    tools::PackageCloneJob job(params);
    const int rc = runJob(ctx, job, jobContext(connection.get()), run);
    if (job.result().outcome == tools::CloneResult::Outcome::NotFound) {
        ctx.err << tools::cloneMessage(params, job.result()) << "\n";
        return 1;
    }
    return rc;
}

int runPackageRates(CliContext& ctx, const QStringList& args)
{
    CommandLine line(QStringLiteral("package-rates"));
    line.addValue(QStringLiteral("percent"), QStringLiteral("TEXT"),
                  QStringLiteral("the digits after the decimal point of the raise: \"30\" is +30 %, \"5\" "
                                 "+50 % (default 30)"));
    line.addValue(
        QStringLiteral("year"), QStringLiteral("TEXT"),
        QStringLiteral("appended to the table name: letters, digits or underscores (default 2023)"));
    line.addRunOptions(QStringLiteral("the script written as one JSON object"));
    if (!line.parse(ctx, args))
        return 0;
    refuseArguments(line, QStringLiteral("package-rates"));
    tools::PackageRateParams params;
    if (line.isSet(QStringLiteral("percent")))
        params.percentText = line.value(QStringLiteral("percent"));
    if (line.isSet(QStringLiteral("year")))
        params.yearText = line.value(QStringLiteral("year"));
    const JobRunOptions run = line.runOptions();
    // Refused before signing in: a bad box needs no database.
    tools::rateFactor(params.percentText);
    tools::checkYearText(params.yearText);
    auto connection = ctx.signIn();
    tools::PackageRateJob job(params);
    return runJob(ctx, job, jobContext(connection.get()), run);
}

int runDuplicates(CliContext& ctx, const QStringList& args)
{
    CommandLine line(QStringLiteral("duplicates"));
    line.addFlag(QStringLiteral("check"), QStringLiteral("list the surplus rows of duplicate ICD codes"));
    line.addFlag(QStringLiteral("delete"), QStringLiteral("delete them, each logged, in one transaction"));
    line.addFlag(QStringLiteral("yes"), QStringLiteral("confirm --delete"));
    line.addRunOptions(QStringLiteral("the surplus rows found or deleted as one JSON object"));
    if (!line.parse(ctx, args))
        return 0;
    refuseArguments(line, QStringLiteral("duplicates"));
    const bool check = line.isSet(QStringLiteral("check"));
    const bool remove = line.isSet(QStringLiteral("delete"));
    if (remove && !check && !line.isSet(QStringLiteral("yes")))
        throw UsageError(QStringLiteral("duplicates --delete removes rows for good: add --yes to confirm"));
    if (check == remove || (check && line.isSet(QStringLiteral("yes"))))
        throw UsageError(QStringLiteral("duplicates takes --check or --delete --yes"));
    const JobRunOptions run = line.runOptions();
    auto connection = ctx.signIn();
    tools::DuplicateCodesJob job(check ? tools::DuplicateCodesJob::Mode::Check
                                       : tools::DuplicateCodesJob::Mode::Delete,
                                 ctx.logIdentity());
    return runJob(ctx, job, jobContext(connection.get()), run);
}

} // namespace orvex::cli
