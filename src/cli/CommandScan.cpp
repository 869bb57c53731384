#include "cli/CliContext.h"
#include "cli/CommandLine.h"
#include "cli/JobCommand.h"

#include "Error.h"
#include "platform/ProgramFolder.h"
#include "ratelist/SourceFile.h"
#include "ratelist/UpdateResource.h"
#include "reconcile/ScanJob.h"

#include <QFileInfo>

#include <optional>

namespace orvex::cli {

namespace {
struct ScanOptions
{
    bool ph = false;
    bool fixFormat = false;
    bool stats = false;
    bool json = false;
    bool updateResource = false;
    QString file;
    reconcile::LookupStrategy strategy = reconcile::LookupStrategy::Batched;
};

// Empty when the scan's help was asked for.
std::optional<ScanOptions> parseOptions(CliContext& ctx, const QStringList& args)
{
    CommandLine line(QStringLiteral("scan"));
    line.addFlag(QStringLiteral("ph"), QStringLiteral("the PhilHealth scan instead of the ICD scan"));
    line.addFlag(QStringLiteral("fix-format"),
                 QStringLiteral("only write the list's lines in their fixed format, without a database"));
    line.addValue(QStringLiteral("source"), QStringLiteral("FILE"),
                  QStringLiteral("the rate list (a bare name is looked up in the program folder)"));
    line.addFlag(QStringLiteral("update-resource"),
                 QStringLiteral("the built-in update resource, or the FILE given after it"));
    line.addValue(QStringLiteral("strategy"), QStringLiteral("batched|per-line"),
                  QStringLiteral("look codes up a few thousand a statement (default) or one a statement"));
    line.addFlag(QStringLiteral("stats"), QStringLiteral("statements sent and time on standard error"));
    line.addFlag(QStringLiteral("json"), QStringLiteral("counters and result lists as one JSON object"));
    line.addArgument(QStringLiteral("FILE"),
                     QStringLiteral("the update resource file, with --update-resource"));
    if (!line.parse(ctx, args))
        return std::nullopt;
    ScanOptions o;
    o.ph = line.isSet(QStringLiteral("ph"));
    o.fixFormat = line.isSet(QStringLiteral("fix-format"));
    o.stats = line.isSet(QStringLiteral("stats"));
    o.json = line.isSet(QStringLiteral("json"));
    o.updateResource = line.isSet(QStringLiteral("update-resource"));
    const bool sourceGiven = line.isSet(QStringLiteral("source"));
    const QStringList files = line.arguments();
    if (sourceGiven == o.updateResource || files.size() > (o.updateResource ? 1 : 0))
        throw UsageError(QStringLiteral("scan: give either --source FILE or --update-resource [FILE]"));
    o.file = sourceGiven ? line.value(QStringLiteral("source")) : files.value(0);
    if (line.isSet(QStringLiteral("strategy")))
        o.strategy = lookupStrategy(QStringLiteral("scan"), line.value(QStringLiteral("strategy")));
    return o;
}

// A bare file name is looked up in the program folder, as the window lists source files.
QString sourcePath(const QString& file)
{
    if (file.contains(QLatin1Char('/')) || file.contains(QLatin1Char('\\')))
        return file;
    return ProgramFolder::path() + QLatin1Char('/') + file;
}

ratelist::ListLines loadLines(CliContext& ctx, const ScanOptions& o)
{
    if (!o.updateResource) {
        const QString path = sourcePath(o.file);
        ratelist::SourceLines source = ratelist::readSourceLines(path);
        for (const QString& warning : ratelist::sourceWarnings(source.notes, QFileInfo(path).fileName()))
            ctx.err << "orvex-cli scan: warning: " << warning << "\n";
        ctx.err.flush();
        return std::move(source.lines);
    }
    return o.file.isEmpty() ? ratelist::loadBuiltinUpdateResource()
                            : ratelist::loadUpdateResourceFile(o.file);
}

} // namespace

int runScan(CliContext& ctx, const QStringList& args)
{
    const std::optional<ScanOptions> parsed = parseOptions(ctx, args);
    if (!parsed)
        return 0;
    const ScanOptions& o = *parsed;
    reconcile::ScanParams params;
    params.lines = loadLines(ctx, o);
    params.phMode = o.ph;
    params.fixFormat = o.fixFormat;
    params.strategy = o.strategy;
    params.keepResultRows = o.json; // the JSON lists every row
    if (!o.updateResource)
        params.sourceFile = sourcePath(o.file);
    else
        params.sourceFile = o.file.isEmpty() ? QStringLiteral("built-in update resource") : o.file;
    // Where an apply reads the lines again, whatever folder it runs in.
    params.list = o.updateResource ? reconcile::ScanList::UpdateResource : reconcile::ScanList::SourceFile;
    const QString file = o.updateResource ? o.file : sourcePath(o.file);
    params.listFile = file.isEmpty() ? QString() : QFileInfo(file).absoluteFilePath();
    std::unique_ptr<db::Connection> connection;
    if (!o.fixFormat)
        connection = ctx.signIn();
    ProgramFolder::ensureFolder(ProgramFolder::outputFolder());

    reconcile::ScanJob job(std::move(params));
    return runJob(ctx, job, jobContext(connection.get()), {o.json, o.stats});
}

} // namespace orvex::cli
