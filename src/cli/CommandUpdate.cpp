#include "cli/CliContext.h"
#include "cli/JobCommand.h"

#include "Error.h"
#include "caserates/UpdateRunJob.h"
#include "platform/ProgramFolder.h"

namespace orvex::cli {

namespace {
struct UpdateOptions
{
    caserates::UpdateRunParams params;
    JobRunOptions run;
};

UpdateOptions parseOptions(const QStringList& args)
{
    UpdateOptions o;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--file-name")) {
            if (i + 1 >= args.size())
                throw UsageError(QStringLiteral("update: --file-name needs a value"));
            o.params.fileBase = args[++i];
        } else if (a == QLatin1String("--ver-b")) {
            o.params.verB = true;
        } else if (a == QLatin1String("--update-descriptions")) {
            o.params.updateDescriptions = true;
        } else if (a == QLatin1String("--test-tables")) {
            o.params.testSuffix = QStringLiteral("_TEST");
        } else if (a == QLatin1String("--json")) {
            o.run.json = true;
        } else if (a == QLatin1String("--stats")) {
            o.run.stats = true;
        } else if (a == QLatin1String("--strategy")) {
            const QString s = i + 1 < args.size() ? args[++i] : QString();
            if (s == QLatin1String("batched"))
                o.params.strategy = reconcile::LookupStrategy::Batched;
            else if (s == QLatin1String("per-line"))
                o.params.strategy = reconcile::LookupStrategy::PerLine;
            else
                throw Error(
                    QStringLiteral("update: --strategy takes batched or per-line, not \"%1\"").arg(s));
        } else {
            throw UsageError(QStringLiteral("update: unknown option \"%1\"").arg(a));
        }
    }
    return o;
}
} // namespace

int runUpdate(CliContext& ctx, const QStringList& args)
{
    const UpdateOptions o = parseOptions(args);
    std::unique_ptr<db::Connection> connection = ctx.signIn();
    ProgramFolder::ensureFolder(ProgramFolder::outputFolder());
    caserates::UpdateRunParams params = o.params;
    params.user = ctx.logIdentity().user;
    caserates::UpdateRunJob job(params);
    return runJob(ctx, job, jobContext(connection.get()), o.run);
}

} // namespace orvex::cli
