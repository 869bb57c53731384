// `orvex-cli import-annex`: turns a PhilHealth case-rate annex (PDF) into the year's rate list.
#include "cli/CliContext.h"

#include "Error.h"
#include "annex/AnnexImport.h"
#include "platform/ProgramFolder.h"

namespace orvex::cli {

namespace {
constexpr const char* kUsage =
    "usage: orvex-cli import-annex FILE.pdf [--kind medical|procedure] [--year YYYY] [-o OUT.txt] [--force]";

int usage(CliContext& ctx, const QString& problem)
{
    ctx.err << "orvex-cli import-annex: " << problem << '\n' << kUsage << '\n';
    return 2;
}
} // namespace

int runImportAnnex(CliContext& ctx, const QStringList& args)
{
    annex::AnnexImportParams params;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const bool hasValue = i + 1 < args.size();
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
    jobs::JobContext context;
    context.programFolder = ProgramFolder::path();
    const bool showProgress = ctx.stderrIsTerminal;
    const jobs::JobOutcome outcome = job.run(context, [&](jobs::JobProgress&& step) {
        if (showProgress) {
            ctx.err << "\r" << step.text;
            ctx.err.flush();
        }
    });
    if (showProgress)
        ctx.err << '\n';
    for (const QString& line : outcome.summary)
        ctx.out << line << '\n';
    if (!job.result().written) {
        ctx.out.flush();
        ctx.err << "orvex-cli: import-annex: the checks failed; nothing was written\n";
        return 1;
    }
    return 0;
}

} // namespace orvex::cli
