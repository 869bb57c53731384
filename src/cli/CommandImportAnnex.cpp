// `orvex-cli import-annex`: turns a PhilHealth case-rate annex (PDF) into the year's rate list.
#include "cli/CliContext.h"
#include "cli/CommandLine.h"
#include "cli/JobCommand.h"

#include "Error.h"
#include "annex/AnnexImport.h"

namespace orvex::cli {

int runImportAnnex(CliContext& ctx, const QStringList& args)
{
    CommandLine line(QStringLiteral("import-annex"));
    line.addArgument(QStringLiteral("FILE.pdf"), QStringLiteral("Annex A or Annex B of the circular"));
    line.addValue(QStringLiteral("kind"), QStringLiteral("medical|procedure"),
                  QStringLiteral("the annex's codes, when its code heading does not say"));
    line.addValue(QStringLiteral("year"), QStringLiteral("YYYY"),
                  QStringLiteral("the list's year, when the annex prints none above its table"));
    line.addValue(QStringLiteral("o"), QStringLiteral("OUT.txt"),
                  QStringLiteral("the list to write (default: the year's list in the program folder)"));
    line.addFlag(QStringLiteral("force"), QStringLiteral("replace a list that exists"));
    line.addRunOptions(QStringLiteral("the import's checks and rows as one JSON object"));
    if (!line.parse(ctx, args))
        return 0;
    const QStringList files = line.arguments();
    if (files.size() > 1)
        throw UsageError(QStringLiteral("import-annex: too many arguments"));
    if (files.isEmpty())
        throw UsageError(QStringLiteral("import-annex: no PDF given"));
    annex::AnnexImportParams params;
    const JobRunOptions run = line.runOptions();
    params.pdfPath = files.first();
    params.force = line.isSet(QStringLiteral("force"));
    if (line.isSet(QStringLiteral("o")))
        params.outputPath = line.value(QStringLiteral("o"));
    if (line.isSet(QStringLiteral("year"))) {
        const QString year = line.value(QStringLiteral("year"));
        if (year.size() != 4 || year.toInt() < 1900)
            throw UsageError(
                QStringLiteral("import-annex: --year takes a year such as 2024, not \"%1\"").arg(year));
        params.year = year;
    }
    if (line.isSet(QStringLiteral("kind"))) {
        const QString kind = line.value(QStringLiteral("kind"));
        params.kind = annex::kindFromName(kind);
        if (!params.kind)
            throw UsageError(
                QStringLiteral("import-annex: --kind takes medical or procedure, not \"%1\"").arg(kind));
    }

    annex::AnnexImportJob job(params);
    const int rc = runJob(ctx, job, jobContext(nullptr), run);
    if (!job.result().written) {
        ctx.err << "orvex-cli: import-annex: the checks failed; nothing was written\n";
        return 1;
    }
    return rc;
}

} // namespace orvex::cli
