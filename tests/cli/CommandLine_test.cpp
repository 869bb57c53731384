// Each command's own options: its help, and the usage errors that name what was wrong.
#include "cli/CommandLine.h"
#include "support/CliRun.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvex;
using test::runCliInProcess;

namespace {
QByteArray usageLineOf(const cli::CommandInfo& c)
{
    return QByteArray("usage: orvex-cli [GLOBAL OPTIONS] ") + c.synopsis + '\n';
}
} // namespace

// --help is answered by the command before it signs in or reads anything.
TEST(CommandHelp, everyCommandPrintsItsOwnHelp)
{
    QTemporaryDir empty; // no database here: a command that went on would fail
    for (const cli::CommandInfo& c : cli::commands()) {
        for (const QStringList& args :
             {QStringList{c.name, "--help"}, QStringList{c.name, "-h"}, QStringList{"help", c.name}}) {
            const test::CliRun run = runCliInProcess(QStringList{"--db", empty.path()} + args);
            EXPECT_EQ(run.exitCode, 0) << args.join(' ').toStdString() << ": " << run.err.toStdString();
            EXPECT_TRUE(run.out.startsWith(usageLineOf(c))) << run.out.toStdString();
            EXPECT_TRUE(run.out.contains(c.description)) << c.name;
            EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
        }
    }
    const QByteArray scan = runCliInProcess({"scan", "--help"}).out;
    for (const char* option : {"  --ph ", "  --source FILE ", "  --strategy batched|per-line ", "  --json "})
        EXPECT_TRUE(scan.contains(option)) << option << " missing from\n" << scan.toStdString();
    EXPECT_TRUE(runCliInProcess({"import-annex", "--help"}).out.contains("  -o OUT.txt "));
}

TEST(CommandHelp, anUnknownOptionOrAMissingValueIsAUsageErrorNamingIt)
{
    QTemporaryDir empty;
    for (const cli::CommandInfo& c : cli::commands()) {
        const test::CliRun run = runCliInProcess({"--db", empty.path(), c.name, "--no-such-option"});
        EXPECT_EQ(run.exitCode, 2) << c.name << ": " << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("unknown option \"--no-such-option\"")) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(usageLineOf(c))) << run.err.toStdString();
    }
    const QList<QStringList> lastWithoutValue = {{"scan", "--source"},
                                                 {"update", "--file-name"},
                                                 {"backup", "--suffix"},
                                                 {"import-annex", "a.pdf", "-o"},
                                                 {"online-update", "--check", "--central-db"},
                                                 {"search", "x", "--limit"},
                                                 {"log", "--last"},
                                                 {"clone", "--icd"},
                                                 {"package-rates", "--year"},
                                                 {"apply", "--digest"}};
    for (const QStringList& args : lastWithoutValue) {
        const test::CliRun run = runCliInProcess(QStringList{"--db", empty.path()} + args);
        EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(QString("%1 needs a value").arg(args.last()).toUtf8()))
            << run.err.toStdString();
    }
    // A value that starts like an option is still the option's value, as it always was.
    const test::CliRun dashed = runCliInProcess({"--db", empty.path(), "search", "x", "--limit", "--json"});
    EXPECT_EQ(dashed.exitCode, 2);
    EXPECT_TRUE(dashed.err.contains("--limit takes a whole number above 0")) << dashed.err.toStdString();
}

// The exit code says what sort of failure ended the command.
TEST(ExitCode, followsTheKindOfTheError)
{
    QTemporaryDir empty;
    EXPECT_EQ(runCliInProcess({"backup", "--suffix", "a b"}).exitCode, 1);                   // refused
    EXPECT_EQ(runCliInProcess({"log", "--last", "0"}).exitCode, 2);                          // usage
    EXPECT_EQ(runCliInProcess({"--db", empty.path(), "log"}).exitCode, 4);                   // database
    EXPECT_EQ(runCliInProcess({"inspect", empty.filePath("no such list.txt")}).exitCode, 5); // file
}
