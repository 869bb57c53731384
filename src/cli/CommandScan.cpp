#include "cli/CliContext.h"
#include "cli/JobCommand.h"

#include "Error.h"
#include "platform/ProgramFolder.h"
#include "ratelist/SourceFile.h"
#include "ratelist/UpdateResource.h"
#include "reconcile/ScanJob.h"

#include <QFileInfo>

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

ScanOptions parseOptions(const QStringList& args)
{
    ScanOptions o;
    bool sourceGiven = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&]() -> QString {
            if (i + 1 >= args.size())
                throw UsageError(QStringLiteral("scan: %1 needs a value").arg(a));
            return args[++i];
        };
        if (a == QLatin1String("--ph"))
            o.ph = true;
        else if (a == QLatin1String("--fix-format"))
            o.fixFormat = true;
        else if (a == QLatin1String("--stats"))
            o.stats = true;
        else if (a == QLatin1String("--json"))
            o.json = true;
        else if (a == QLatin1String("--source")) {
            o.file = value();
            sourceGiven = true;
        } else if (a == QLatin1String("--update-resource")) {
            o.updateResource = true;
            if (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1String("--")))
                o.file = args[++i];
        } else if (a == QLatin1String("--strategy")) {
            const QString s = value();
            if (s == QLatin1String("batched"))
                o.strategy = reconcile::LookupStrategy::Batched;
            else if (s == QLatin1String("per-line"))
                o.strategy = reconcile::LookupStrategy::PerLine;
            else
                throw UsageError(
                    QStringLiteral("scan: --strategy takes batched or per-line, not \"%1\"").arg(s));
        } else {
            throw UsageError(QStringLiteral("scan: unknown option \"%1\"").arg(a));
        }
    }
    if (sourceGiven == o.updateResource)
        throw UsageError(QStringLiteral("scan: give either --source FILE or --update-resource [FILE]"));
    return o;
}

// A bare file name is looked up in the program folder, as the window lists source files.
QString sourcePath(const QString& file)
{
    if (file.contains(QLatin1Char('/')) || file.contains(QLatin1Char('\\')))
        return file;
    return ProgramFolder::path() + QLatin1Char('/') + file;
}

QStringList loadLines(CliContext& ctx, const ScanOptions& o)
{
    if (!o.updateResource) {
        const QString path = sourcePath(o.file);
        ratelist::SourceText source = ratelist::readSource(path);
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
    const ScanOptions o = parseOptions(args);
    reconcile::ScanParams params;
    params.lines = loadLines(ctx, o);
    params.phMode = o.ph;
    params.fixFormat = o.fixFormat;
    params.strategy = o.strategy;
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
