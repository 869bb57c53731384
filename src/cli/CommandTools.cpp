// The maintenance tools on the command line: clone, package-rates, duplicates.
#include "cli/CliContext.h"

#include "Error.h"
#include "db/CurrentUser.h"
#include "platform/ProgramFolder.h"
#include "tools/DuplicateCodes.h"
#include "tools/PackageClone.h"
#include "tools/PackageRates.h"

#include <QDir>

namespace orvex::cli {

namespace {

int usage(CliContext& ctx, const char* text)
{
    ctx.err << "orvex-cli: usage: " << text << "\n";
    ctx.err.flush();
    return 2;
}

tools::LogIdentity logIdentity(const CliContext& ctx)
{
    return {ctx.userId, db::CurrentUser::workstation()};
}

} // namespace

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
    params.log = logIdentity(ctx);
    const tools::CloneResult result = tools::clonePackage(*connection, params);
    if (result.outcome == tools::CloneResult::Outcome::NotFound) {
        ctx.err << "Not Found.\n";
        ctx.err.flush();
        return 1;
    }
    ctx.out << tools::codeKind(params.table) << " " << params.code << ": new package " << result.newPackageId
            << " copied from package " << result.oldPackageId << "\nDone.\n";
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
    ProgramFolder::ensureFolder(ProgramFolder::outputFolder());
    const tools::PackageRateResult result = tools::writePackageRateScript(*connection, params);
    ctx.out << result.packages << " active packages raised by "
            << tools::rateFactorCaption(params.percentText).mid(2) << " in "
            << QDir::toNativeSeparators(result.path) << "\nDone.\n";
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
    if (check) {
        const QList<tools::SurplusIcdRow> rows = tools::checkDuplicateIcdCodes(*connection, logIdentity(ctx));
        for (const tools::SurplusIcdRow& row : rows)
            ctx.out << tools::checkLogLine(row) << "\n";
        ctx.out << (rows.isEmpty() ? "No Duplicates.\n" : "Check log.\n");
        return 0;
    }
    const QList<tools::DeletedIcdRow> rows = tools::deleteDuplicateIcdCodes(*connection, logIdentity(ctx));
    for (const tools::DeletedIcdRow& row : rows)
        ctx.out << tools::deleteLogLine(row) << "\n";
    ctx.out << rows.size() << " duplicate rows deleted.\nDone.\n";
    return 0;
}

} // namespace orvex::cli
