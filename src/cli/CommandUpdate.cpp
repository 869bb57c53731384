#include "cli/CliContext.h"
#include "cli/CommandLine.h"
#include "cli/JobCommand.h"

#include "Error.h"
#include "caserates/UpdateRunJob.h"
#include "platform/ProgramFolder.h"

#include <optional>

namespace orvex::cli {

namespace {
struct UpdateOptions
{
    caserates::UpdateRunParams params;
    JobRunOptions run;
};

// Empty when the update's help was asked for.
std::optional<UpdateOptions> parseOptions(CliContext& ctx, const QStringList& args)
{
    CommandLine line(QStringLiteral("update"));
    line.addValue(QStringLiteral("file-name"), QStringLiteral("BASE"),
                  QStringLiteral("the rate files BASE.txt and BASE_PROCEDURE.txt (default \"ICD PH 2024\")"));
    line.addFlag(QStringLiteral("ver-b"), QStringLiteral("\"Philhealth Ver B.\": tbMedPackage_NEW too"));
    line.addFlag(QStringLiteral("update-descriptions"), QStringLiteral("update the descriptions too"));
    line.addFlag(QStringLiteral("test-tables"), QStringLiteral("aim the scripts at the _TEST copies"));
    line.addValue(QStringLiteral("strategy"), QStringLiteral("batched|per-line"),
                  QStringLiteral("look codes up a few thousand a statement (default) or one a statement"));
    line.addFlag(QStringLiteral("stats"), QStringLiteral("statements sent and time on standard error"));
    line.addFlag(QStringLiteral("json"), QStringLiteral("both passes as one JSON object"));
    if (!line.parse(ctx, args))
        return std::nullopt;
    if (!line.arguments().isEmpty())
        throw UsageError(QStringLiteral("update: unknown option \"%1\"").arg(line.arguments().first()));
    UpdateOptions o;
    if (line.isSet(QStringLiteral("file-name")))
        o.params.fileBase = line.value(QStringLiteral("file-name"));
    o.params.verB = line.isSet(QStringLiteral("ver-b"));
    o.params.updateDescriptions = line.isSet(QStringLiteral("update-descriptions"));
    if (line.isSet(QStringLiteral("test-tables")))
        o.params.testSuffix = QStringLiteral("_TEST");
    o.run.json = line.isSet(QStringLiteral("json"));
    o.run.stats = line.isSet(QStringLiteral("stats"));
    if (line.isSet(QStringLiteral("strategy")))
        o.params.strategy = lookupStrategy(QStringLiteral("update"), line.value(QStringLiteral("strategy")));
    return o;
}
} // namespace

int runUpdate(CliContext& ctx, const QStringList& args)
{
    const std::optional<UpdateOptions> parsed = parseOptions(ctx, args);
    if (!parsed)
        return 0;
    const UpdateOptions& o = *parsed;
    std::unique_ptr<db::Connection> connection = ctx.signIn();
    ProgramFolder::ensureFolder(ProgramFolder::outputFolder());
    caserates::UpdateRunParams params = o.params;
    params.user = ctx.logIdentity().user;
    caserates::UpdateRunJob job(params);
    return runJob(ctx, job, jobContext(connection.get()), o.run);
}

} // namespace orvex::cli
