#include "cli/CliContext.h"

#include "Error.h"
#include "OrvexVersion.h"
#include "cli/Terminal.h"
#include "platform/ProgramFolder.h"

namespace orvex::cli {

namespace {
struct Command
{
    const char* name;
    CommandFn run;
    const char* summary;
};

const Command kCommands[] = {
    {"inspect", runInspect,
     "inspect FILE | FILE.pdf | --update-resource [FILE]   check a rate list (or an annex's rows) line by "
     "line"},
    {"db", runDb, "db init [--force]   build the embedded sample databases"},
    {"log", runLog, "log [--last N]   print the activity log"},
    {"scan", runScan,
     "scan [--ph] [--fix-format] (--source FILE | --update-resource [FILE]) [--strategy batched|per-line] "
     "[--stats] [--json]"},
    {"import-annex", runImportAnnex,
     "import-annex FILE.pdf [--kind medical|procedure] [--year YYYY] [-o OUT.txt] [--force]   "
     "turn a PhilHealth case-rate annex into the year's rate list"},
};

void printUsage(QTextStream& s)
{
    s << "Kestra Orvex " << version::text << " command line\n"
      << "usage: orvex-cli [--workdir DIR] [--db DIR | --odbc \"CONNECTION STRING\"] COMMAND ...\n\n"
      << "  --workdir DIR  program folder (source files, rate files, output folder)\n"
      << "  --db DIR       embedded database folder (default: db under the program folder)\n"
      << "  --odbc STR     SQL Server through ODBC; the password comes from ORVEX_DB_PASSWORD or a prompt\n\n"
      << "commands:\n";
    for (const auto& c : kCommands)
        s << "  " << c.summary << "\n";
    s.flush();
}
} // namespace

int runCli(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    CliContext ctx{out, err};
    ctx.stdinIsTerminal = terminal::stdinIsTerminal();
    ctx.stderrIsTerminal = terminal::stderrIsTerminal();

    QStringList args = arguments;
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--help")) {
            printUsage(out);
            return 0;
        }
        if (option == QLatin1String("--version")) {
            out << version::text << "\n";
            out.flush();
            return 0;
        }
        if (args.isEmpty()) {
            err << "orvex-cli: " << option << " needs a value\n";
            err.flush();
            return 2;
        }
        const QString value = args.takeFirst();
        if (option == QLatin1String("--workdir"))
            ProgramFolder::setOverride(value);
        else if (option == QLatin1String("--db"))
            ctx.embeddedFolder = value;
        else if (option == QLatin1String("--odbc"))
            ctx.odbcConnectionString = value;
        else {
            err << "orvex-cli: unknown option " << option << "\n";
            err.flush();
            return 2;
        }
    }
    if (args.isEmpty()) {
        printUsage(err);
        return 2;
    }
    const QString name = args.takeFirst();
    for (const auto& c : kCommands) {
        if (name == QLatin1String(c.name)) {
            try {
                const int rc = c.run(ctx, args);
                out.flush();
                err.flush();
                return rc;
            } catch (const Error& e) {
                out.flush();
                err << "orvex-cli: " << e.message() << "\n";
                err.flush();
                return 1;
            }
        }
    }
    err << "orvex-cli: unknown command " << name << "\n";
    printUsage(err);
    return 2;
}

} // namespace orvex::cli
