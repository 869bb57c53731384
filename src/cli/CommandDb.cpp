// "db init [--force]": builds the embedded sample databases that are missing, or with
// --force all three, keeping the old files aside.
#include "cli/CliContext.h"
#include "cli/CommandLine.h"

#include "Error.h"
#include "platform/ProgramFolder.h"
#include "sampledb/SampleDatabases.h"

#include <QDir>
#include <QElapsedTimer>

namespace orvex::cli {

namespace {

QString sampleFolder(const CliContext& ctx)
{
    const QString folder =
        ctx.embeddedFolder.isEmpty() ? ProgramFolder::path() + QStringLiteral("/db") : ctx.embeddedFolder;
    return QDir(folder).absolutePath();
}

void printCounts(CliContext& ctx, const QString& folder, const QList<sampledb::SampleTableCount>& counts)
{
    QString file;
    for (const sampledb::SampleTableCount& c : counts) {
        if (c.file != file) {
            file = c.file;
            ctx.out << "  " << QDir::toNativeSeparators(QDir(folder).filePath(file)) << "\n";
        }
        ctx.out << "    " << c.table.leftJustified(24) << " " << QString::number(c.rows).rightJustified(6)
                << " rows\n";
    }
}

int init(CliContext& ctx, bool force)
{
    const QString folder = sampleFolder(ctx);
    QElapsedTimer timer;
    timer.start();
    const sampledb::SampleBuild build = sampledb::buildSampleDatabases(folder, force);
    const qint64 ms = timer.elapsed();
    // Reading the new files back is part of the build: success is printed only after it.
    const QList<sampledb::SampleTableCount> counts = sampledb::countSampleTables(folder);

    ctx.out << "Built " << build.built.join(QLatin1String(", ")) << " in " << QDir::toNativeSeparators(folder)
            << " (" << QString::number(double(ms) / 1000.0, 'f', 2) << " s)";
    if (build.built.size() < sampledb::sampleDatabaseFiles().size())
        ctx.out << "; the other files there were left as they were";
    ctx.out << ":\n";
    printCounts(ctx, folder, counts);
    if (!build.keptAside.isEmpty()) {
        ctx.out << "The old files were kept:\n";
        for (const QString& path : build.keptAside)
            ctx.out << "  " << QDir::toNativeSeparators(path) << "\n";
    }
    return 0;
}

} // namespace

int runDb(CliContext& ctx, const QStringList& args)
{
    CommandLine line(QStringLiteral("db"));
    line.addArgument(QStringLiteral("init"), QStringLiteral("build the sample databases that are missing"));
    line.addFlag(QStringLiteral("force"),
                 QStringLiteral("build all three anew, keeping each old file as NAME.<date time>.bak"));
    if (!line.parse(ctx, args))
        return 0;
    const QStringList words = line.arguments();
    if (words.isEmpty())
        throw UsageError(QStringLiteral("db: missing subcommand"));
    if (words.first() != QLatin1String("init") || words.size() > 1)
        throw UsageError(QStringLiteral("db: unknown subcommand %1").arg(words.last()));
    return init(ctx, line.isSet(QStringLiteral("force")));
}

} // namespace orvex::cli
