#include "cli/CliContext.h"

#include "Error.h"
#include "platform/ProgramFolder.h"
#include "ratelist/SourceFile.h"
#include "ratelist/UpdateResource.h"
#include "reconcile/ScanJob.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace orvex::cli {

namespace {
using reconcile::ResultList;

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

QJsonObject toJson(const reconcile::ScanResult& r)
{
    const auto& c = r.counters;
    QJsonObject counters{{"lblnew", c.lblnew},
                         {"lblsame", c.lblsame},
                         {"lblDifDesc", c.lblDifDesc},
                         {"lblDifCode", c.lblDifCode},
                         {"lblNewPH", c.lblNewPH},
                         {"lblsamePH", c.lblsamePH},
                         {"lblDifDescPH", c.lblDifDescPH},
                         {"lblCount", c.lblCount}};
    QJsonObject lists;
    for (int i = 0; i < reconcile::kResultListCount; ++i) {
        const auto which = static_cast<ResultList>(i);
        const bool twoColumns = which != ResultList::NewCode && which != ResultList::NewCodePH;
        QJsonArray rows;
        for (const auto& row : r.list(which)) {
            QJsonArray columns{row.text};
            if (twoColumns)
                columns.append(row.second);
            rows.append(columns);
        }
        lists.insert(QLatin1String(reconcile::resultListName(which)), rows);
    }
    return QJsonObject{{"counters", counters}, {"lists", lists}};
}

void printSummary(QTextStream& out, const reconcile::ScanResult& r, bool ph)
{
    const auto& c = r.counters;
    auto line = [&out](const char* label, int count) {
        out << QString::fromLatin1(label).rightJustified(43) << " : " << count << "\n";
    };
    line("Lines read", c.lblCount);
    line("New Code and Description", c.lblnew);
    line("Same Code and Description", c.lblsame);
    line("Same Code different Description", c.lblDifDesc);
    line("Same Description different Code", c.lblDifCode);
    if (ph) {
        line("Philhealth New Code", c.lblNewPH);
        line("Philhealth Same Description", c.lblsamePH);
        line("Philhealth Same Code different Description", c.lblDifDescPH);
    }
    out << "Reports and scripts: " << QDir::toNativeSeparators(ProgramFolder::outputFolder()) << "\n";
}
} // namespace

int runScan(CliContext& ctx, const QStringList& args)
{
    const ScanOptions o = parseOptions(args);
    QElapsedTimer timer;
    timer.start();
    reconcile::ScanParams params;
    params.lines = loadLines(ctx, o);
    params.phMode = o.ph;
    params.fixFormat = o.fixFormat;
    params.strategy = o.strategy;
    std::unique_ptr<db::Connection> connection;
    if (!o.fixFormat) {
        connection = ctx.signIn();
        params.existingConnection = connection.get();
    }
    ProgramFolder::ensureFolder(ProgramFolder::outputFolder());

    reconcile::ScanJob job(std::move(params));
    reconcile::ScanJob::ProgressFn progress;
    if (ctx.stderrIsTerminal && !o.json) {
        progress = [&ctx, last = qint64(-1), &timer](const reconcile::ScanProgress& p) mutable {
            const qint64 now = timer.elapsed();
            if (p.linesDone != p.lineCount && now - last < 100)
                return;
            last = now;
            ctx.err << "\rscanning: " << p.linesDone << " / " << p.lineCount << " lines" << Qt::flush;
            if (p.linesDone == p.lineCount)
                ctx.err << "\n" << Qt::flush;
        };
    }
    const reconcile::ScanResult result = job.run(progress);

    if (o.json)
        ctx.out << QJsonDocument(toJson(result)).toJson(QJsonDocument::Compact) << "\n";
    else
        printSummary(ctx.out, result, o.ph);
    if (o.stats) {
        ctx.err << "statements: " << result.statementsSent << "\n"
                << "elapsed: " << QString::number(timer.elapsed() / 1000.0, 'f', 3) << " s\n";
    }
    return 0;
}

} // namespace orvex::cli
