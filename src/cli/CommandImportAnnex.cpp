// `orvex-cli import-annex`: turns a PhilHealth case-rate annex (PDF) into the year's rate list.
#include "cli/CliContext.h"
#include "cli/JobCommand.h"

#include "Error.h"
#include "annex/AnnexImport.h"

namespace orvex::cli {

namespace {
constexpr const char* kUsage =
    "usage: orvex-cli import-annex FILE.pdf [--kind medical|procedure] [--year YYYY] [-o OUT.txt] [--force] "
    "[--json] [--stats]";

int usage(CliContext& ctx, const QString& problem)
{
    ctx.err << "orvex-cli import-annex: " << problem << '\n' << kUsage << '\n';
    return 2;
}
} // namespace

int runImportAnnex(CliContext& ctx, const QStringList& args)
{
    annex::AnnexImportParams params;
    JobRunOptions run;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const bool hasValue = i + 1 < args.size();
        if (takeRunOption(a, run))
            continue;
        if (a == QLatin1String("--force")) {
            params.force = true;
        } else if (a == QLatin1String("--kind") || a == QLatin1String("--year") || a == QLatin1String("-o")) {
            if (!hasValue)
                return usage(ctx, a + QStringLiteral(" needs a value"));
            const QString value = args.at(++i);
            if (a == QLatin1String("-o")) {
                params.outputPath = value;
            } else if (a == QLatin1String("--year")) {
                if (value.size() != 4 || value.toInt() < 1900)
                    return usage(ctx,
                                 QStringLiteral("--year takes a year such as 2024, not \"%1\"").arg(value));
                params.year = value;
            } else {
                params.kind = annex::kindFromName(value);
                if (!params.kind)
                    return usage(ctx,
                                 QStringLiteral("--kind takes medical or procedure, not \"%1\"").arg(value));
            }
        } else if (a.startsWith(QLatin1Char('-'))) {
            return usage(ctx, QStringLiteral("unknown option ") + a);
        } else if (params.pdfPath.isEmpty()) {
            params.pdfPath = a;
        } else {
            return usage(ctx, QStringLiteral("too many arguments"));
        }
    }
    if (params.pdfPath.isEmpty())
        return usage(ctx, QStringLiteral("no PDF given"));

    annex::AnnexImportJob job(params);
    const int rc = runJob(ctx, job, jobContext(nullptr), run);
    if (!job.result().written) {
        ctx.err << "orvex-cli: import-annex: the checks failed; nothing was written\n";
        return 1;
    }
    return rc;
}

} // namespace orvex::cli
