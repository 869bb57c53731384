#include "cli/CliContext.h"

#include "Error.h"
#include "OrvexVersion.h"
#include "cli/CommandLine.h"
#include "cli/ExitCode.h"
#include "cli/Terminal.h"
#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>

namespace orvex::cli {

const QList<CommandInfo>& commands()
{
    static const QList<CommandInfo> all = {
        {"inspect", runInspect, "inspect FILE | FILE.pdf | --update-resource [FILE]",
         "check a rate list (or an annex's rows) line by line"},
        {"db", runDb, "db init [--force]",
         "build the embedded sample databases that are missing (--force: all three, each old file kept as "
         "NAME.<date time>.bak)"},
        {"log", runLog, "log [--last N]", "print the activity log"},
        {"scan", runScan,
         "scan [--ph] [--fix-format] (--source FILE | --update-resource [FILE]) [--strategy "
         "batched|per-line] "
         "[--stats] [--json]",
         "the ICD scan (with --ph the PhilHealth scan) of a rate list"},
        {"backup", runBackup,
         "backup [--suffix S] [--ver-b] [--test-tables] [--version-2] [--stats] [--json]",
         "copy the package and case-rate tables to table name + S (default _2_14_2024; --test-tables: _TEST, "
         "--version-2: _05_03_2024; --suffix wins over both; --ver-b: tbMedPackage_NEW too)"},
        {"update", runUpdate,
         "update [--file-name BASE] [--ver-b] [--update-descriptions] [--test-tables] [--strategy "
         "batched|per-line] [--stats] [--json]",
         "write the package and case-rate update scripts from the year's rate files"},
        {"import-annex", runImportAnnex,
         "import-annex FILE.pdf [--kind medical|procedure] [--year YYYY] [-o OUT.txt] [--force] [--stats] "
         "[--json]",
         "turn a PhilHealth case-rate annex into the year's rate list"},
        {"online-update", runOnlineUpdate,
         "online-update (--check | --apply) [--central-db DIR | --central-odbc \"CONNECTION STRING\" "
         "[--save-central]] [--forget-central] [--stats] [--json]",
         "the ICD update from the central server"},
        {"search", runSearch, "search TEXT [--limit N]",
         "find ICD codes by code or by words of the description"},
        {"clone", runClone, "clone (--icd CODE | --rvs CODE) [--stats] [--json]",
         "give a case rate a package of its own"},
        {"package-rates", runPackageRates, "package-rates [--percent TEXT] [--year TEXT] [--stats] [--json]",
         "write output/UpdatePackageRates.txt"},
        {"duplicates", runDuplicates, "duplicates (--check | --delete --yes) [--stats] [--json]",
         "duplicate ICD codes"},
        {"apply", runApply,
         "apply [--run update|scan|ph-scan|package-rates] [--digest SHA256] [--stopped] [--yes] [--stats] "
         "[--json]",
         "apply the changes of the last run (the update run, the ICD or PH scan, or the package rate script: "
         "output/changes.json) to the database in one transaction, writing output/undo <date time>.sql; "
         "--run "
         "refuses a last run of another kind; --digest refuses a record whose SHA-256 is not the one "
         "reviewed "
         "(the review page names it); --stopped applies a run that was stopped before its end; without --yes "
         "only the counts, the notes, the record's SHA-256 and the refusals; --stats prints the statements "
         "sent "
         "and the time"},
        {"undo", runUndo, "undo (FILE | --last) [--yes] [--stats] [--json]",
         "undo an apply from its undo file in one transaction (--last: the newest not undone); without --yes "
         "only what it would do; --stats as for apply"},
    };
    return all;
}

namespace {
void printUsage(QTextStream& s)
{
    s << "Kestra Orvex " << version::text << " command line\n"
      << "usage: orvex-cli [--workdir DIR] [--db DIR | --odbc \"CONNECTION STRING\"] COMMAND ...\n\n"
      << "  --workdir DIR  program folder (source files, rate files, output folder)\n"
      << "  --db DIR       embedded database folder (default: db under the program folder)\n"
      << "  --odbc STR     SQL Server through ODBC; the password comes from ORVEX_DB_PASSWORD or a prompt\n"
      << "  --encrypt yes|no|strict      with --odbc: how the driver encrypts (ODBC Driver 18: yes)\n"
      << "  --trust-server-certificate   with --odbc: accept the server's self-signed certificate "
         "unchecked\n\n"
      << "commands (orvex-cli COMMAND --help describes each option):\n";
    for (const CommandInfo& c : commands())
        s << "  " << c.synopsis << "   " << c.description << "\n";
    s.flush();
}

bool asksForHelp(const QString& argument)
{
    return argument == QLatin1String("-h") || argument == QLatin1String("--help");
}

// 0 when all that was printed reached standard output, else 1 with the reason on stderr.
int printed(CliContext& ctx)
{
    try {
        ctx.finishOutput();
        return exitcode::kDone;
    } catch (const Error& e) {
        ctx.err << "orvex-cli: " << e.message() << "\n";
        ctx.err.flush();
        return exitcode::kRefused;
    }
}

int usageError(QTextStream& err, const QString& problem)
{
    err << "orvex-cli: " << problem << "\n";
    printUsage(err);
    return exitcode::kUsage;
}

// A command's usage error: the problem and the command's usage line.
int commandUsageError(QTextStream& err, const QString& command, const QString& problem)
{
    err << "orvex-cli: " << problem << "\n"
        << CommandLine::usageLine(command) << "orvex-cli " << command << " --help describes each option.\n";
    err.flush();
    return exitcode::kUsage;
}

int runCommand(CliContext& ctx, const CommandInfo& command, const QStringList& args)
{
    try {
        const int rc = command.run(ctx, args);
        ctx.finishOutput();
        ctx.err.flush();
        return rc;
    } catch (const OutputLost& e) {
        ctx.err << "orvex-cli: " << shownLines(e.message()) << "\n";
        ctx.err.flush();
        return exitcode::kRefused; // as it always was: what the command printed is incomplete
    } catch (const Error& e) {
        ctx.out.flush();
        if (e.kind() == Error::Kind::Usage)
            return commandUsageError(ctx.err, QLatin1String(command.name), shownLines(e.message()));
        ctx.err << "orvex-cli: " << shownLines(e.message()) << "\n";
        ctx.err.flush();
        return exitcode::forKind(e.kind());
    }
}
} // namespace

void CliContext::checkOutput()
{
    if (out.status() == QTextStream::Ok)
        return;
    const QString reason = out.device() ? out.device()->errorString() : QStringLiteral("the stream failed");
    throw OutputLost(
        QStringLiteral("Cannot write to standard output: %1. What the command printed is incomplete.")
            .arg(reason));
}

void CliContext::finishOutput()
{
    out.flush();
    checkOutput();
}

int runCli(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    CliContext ctx{out, err};
    ctx.stdinIsTerminal = terminal::stdinIsTerminal();
    ctx.stderrIsTerminal = terminal::stderrIsTerminal();

    QStringList args = arguments;
    while (!args.isEmpty() && args.first().startsWith(QLatin1Char('-'))) {
        const QString option = args.takeFirst();
        if (asksForHelp(option)) {
            printUsage(out);
            return printed(ctx);
        }
        if (option == QLatin1String("--version")) {
            out << version::text << "\n";
            return printed(ctx);
        }
        if (option == QLatin1String("--trust-server-certificate")) {
            ctx.trustServerCertificate = true;
            continue;
        }
        const bool known = option == QLatin1String("--workdir") || option == QLatin1String("--db") ||
                           option == QLatin1String("--odbc") || option == QLatin1String("--encrypt");
        if (!known)
            return usageError(err, QStringLiteral("unknown option %1").arg(option));
        if (args.isEmpty())
            return usageError(err, QStringLiteral("%1 needs a value").arg(option));
        const QString value = args.takeFirst();
        if (option == QLatin1String("--workdir")) {
            // The program folder is never created: a mistyped name would scatter output.
            if (!QFileInfo(value).isDir()) {
                err << "orvex-cli: --workdir: the folder " << QDir::toNativeSeparators(value)
                    << " does not exist.\n";
                err.flush();
                return exitcode::kRefused;
            }
            ProgramFolder::setOverride(value);
        } else if (option == QLatin1String("--db")) {
            ctx.embeddedFolder = value;
        } else if (option == QLatin1String("--encrypt")) {
            ctx.encrypt = db::odbcEncryptFromName(value);
            if (!ctx.encrypt)
                return usageError(err,
                                  QStringLiteral("--encrypt takes yes, no or strict, not %1").arg(value));
        } else {
            ctx.odbcConnectionString = value;
        }
    }
    if (args.isEmpty())
        return usageError(err, QStringLiteral("no command given"));
    const QString name = args.takeFirst();
    if (name == QLatin1String("help")) {
        // "help COMMAND": that command's help; "help": the list of commands.
        if (const CommandInfo* command = args.isEmpty() ? nullptr : findCommand(args.first()))
            return runCommand(ctx, *command, {QStringLiteral("--help")});
        printUsage(out);
        return printed(ctx);
    }
    if (const CommandInfo* command = findCommand(name))
        return runCommand(ctx, *command, args);
    return usageError(err, QStringLiteral("unknown command %1").arg(name));
}

} // namespace orvex::cli
