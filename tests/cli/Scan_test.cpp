#include "platform/ProgramFolder.h"
#include "support/CliRun.h"
#include "support/SmallDatabases.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvex::test;

namespace {
struct ScanCli
{
    SmallDatabases dbs;
    TempProgramFolder folder;

    CliRun run(const QStringList& args)
    {
        return runCliInProcess(QStringList{"--db", dbs.folder(), "scan"} + args);
    }
};
} // namespace

TEST(ScanCommand, printsTheSummaryAndWritesTheReports)
{
    ScanCli cli;
    cli.dbs.addIcd("A00.0", "Cholera");
    writeBytes(cli.folder.path() + "/my icd list.txt",
               "|CHOLERA|||\r\nA00.0|Cholera|1,000|300|700\r\nB00|Herpes|||\r\n");
    const CliRun run = cli.run({"--ph", "--source", "my icd list.txt", "--stats"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("New Code and Description : 1\n")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("Philhealth New Code : 2\n")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QDir::toNativeSeparators(cli.folder.path() + "/output").toUtf8()))
        << run.out.toStdString();
    EXPECT_TRUE(run.err.contains("statements: ")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("elapsed: ")) << run.err.toStdString();
    EXPECT_EQ(readBytes(cli.folder.outputFile("New Code.txt")), "B00   Herpes\r\n");
    EXPECT_TRUE(QFile::exists(cli.folder.outputFile("scriptPH.txt")));
}

TEST(ScanCommand, warnsOfLineFeedsInsideLinesAndOfAUtf8File)
{
    ScanCli cli;
    writeBytes(cli.folder.path() + "/unix.txt", "A00.0|Cholera\nB00|Herpes\nC00|Lip\n");
    CliRun run = cli.run({"--source", "unix.txt", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("warning: unix.txt holds 3 line feed(s)")) << run.err.toStdString();
    writeBytes(cli.folder.path() + "/utf8.txt", "\xEF\xBB\xBF"
                                                "A00.0|Cholera\r\n");
    run = cli.run({"--source", "utf8.txt"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("UTF-8 byte-order mark")) << run.err.toStdString();
    EXPECT_EQ(readBytes(cli.folder.outputFile("New Code.txt")), "A00.0   Cholera\r\n");
}

TEST(CommandLine, helpUnknownOptionsAndAMissingProgramFolder)
{
    for (const QStringList& args :
         {QStringList{"-h"}, QStringList{"--help"}, QStringList{"help"}, QStringList{"scan", "--help"}}) {
        const CliRun run = runCliInProcess(args);
        EXPECT_EQ(run.exitCode, 0) << args.join(' ').toStdString();
        EXPECT_TRUE(run.out.contains("usage: orvex-cli")) << args.join(' ').toStdString();
    }
    for (const QStringList& args : {QStringList{"--fast", "scan"}, QStringList{"-x"}, QStringList{"--db"},
                                    QStringList{}, QStringList{"frobnicate"}}) {
        const CliRun run = runCliInProcess(args);
        EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("usage: orvex-cli")) << args.join(' ').toStdString();
    }
    EXPECT_TRUE(runCliInProcess({"--fast", "scan"}).err.startsWith("orvex-cli: unknown option --fast\n"));

    QTemporaryDir parent;
    const QString missing = parent.path() + "/no such folder";
    const CliRun run = runCliInProcess({"--workdir", missing, "scan", "--fix-format", "--update-resource"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("does not exist")) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(missing));
}

TEST(ScanCommand, emptySourceTouchesNothing)
{
    ScanCli cli;
    writeBytes(cli.folder.path() + "/list.txt", "B00|Herpes\r\n");
    ASSERT_EQ(cli.run({"--source", "list.txt"}).exitCode, 0);
    const QByteArray log = readBytes(cli.folder.outputFile("ICD Parser Log.txt"));
    writeBytes(cli.folder.path() + "/empty.txt", "");
    const CliRun run = cli.run({"--source", "empty.txt"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "orvex-cli: Select a file.\n");
    EXPECT_EQ(readBytes(cli.folder.outputFile("New Code.txt")), "B00   Herpes\r\n");
    EXPECT_EQ(readBytes(cli.folder.outputFile("ICD Parser Log.txt")), log);
}

TEST(ScanCommand, jsonHasCountersAndLists)
{
    ScanCli cli;
    cli.dbs.addIcd("A00.0", "cholera");
    writeBytes(cli.folder.path() + "/list.txt", "A00.0|Cholera\r\nB00|Herpes\r\n");
    const CliRun run =
        cli.run({"--source", cli.folder.path() + "/list.txt", "--json", "--strategy", "per-line"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(json["format"].toInt(), 1);
    const QJsonObject counters = json["counters"].toObject();
    EXPECT_EQ(counters["newCode"].toInt(), 1);
    EXPECT_EQ(counters["sameCodeDifferentDescription"].toInt(), 1);
    EXPECT_EQ(counters["linesRead"].toInt(), 2);
    EXPECT_EQ(counters.size(), 8);
    const QJsonObject lists = json["lists"].toObject();
    EXPECT_EQ(lists.size(), 6);
    EXPECT_EQ(lists["newCode"].toArray(), (QJsonArray{QJsonArray{"B00 - Herpes"}}));
    EXPECT_EQ(lists["sameCodeDifferentDescription"].toArray(),
              (QJsonArray{QJsonArray{"A00.0 - cholera", "A00.0 - Cholera"}}));
}

TEST(ScanCommand, updateResourceFromAFileIsSplitLikeTheBuiltInOne)
{
    ScanCli cli;
    writeBytes(cli.folder.path() + "/newer.bin", QByteArray("|G|||\r\nX1|One|1|1|1\r\n") + '\0');
    const CliRun run = cli.run({"--ph", "--update-resource", cli.folder.path() + "/newer.bin", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject counters = QJsonDocument::fromJson(run.out).object()["counters"].toObject();
    EXPECT_EQ(counters["linesRead"].toInt(), 3); // the trailing NUL gives one last, empty line
    EXPECT_EQ(counters["phNewCode"].toInt(), 1); // which is no code
}

TEST(ScanCommand, badInputFailsWithAClearMessage)
{
    ScanCli cli;
    CliRun run = cli.run({"--source", "missing icd.txt"});
    EXPECT_EQ(run.exitCode, 5); // a file error
    EXPECT_TRUE(run.err.contains("missing icd.txt")) << run.err.toStdString();

    // Usage errors exit 2 with the usage on standard error.
    for (const QStringList& args :
         {QStringList{"--ph"}, QStringList{"--update-resource", "--strategy", "fast"},
          QStringList{"--source"}, QStringList{"--source", "a", "--fast"}}) {
        run = cli.run(args);
        EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("usage: orvex-cli")) << run.err.toStdString();
    }
    EXPECT_TRUE(cli.run({"--update-resource", "--strategy", "fast"}).err.contains("fast"));
    EXPECT_TRUE(cli.run({"--source", "a", "--fast"}).err.contains("unknown option"));

    // A folder that holds no database is not silently filled with the sample.
    QTemporaryDir empty;
    run = runCliInProcess({"--db", empty.path(), "scan", "--update-resource"});
    EXPECT_EQ(run.exitCode, 4); // a database error
    EXPECT_FALSE(run.err.isEmpty());
    EXPECT_FALSE(QFile::exists(cli.folder.outputFile("script.txt")));
}

TEST(ScanCommand, itsChangesAreAppliedOnlyAsTheRunTheyAre)
{
    ScanCli cli;
    cli.dbs.addIcd("A00.0", "Cholera");
    writeBytes(cli.folder.path() + "/list.txt",
               "|CHOLERA|||\r\nA00.0|Cholera|1,000|300|700\r\nB00|Herpes|||\r\n");
    ASSERT_EQ(cli.run({"--ph", "--source", "list.txt"}).exitCode, 0);

    const QStringList apply = {"--db", cli.dbs.folder(), "apply", "--yes", "--run"};
    const CliRun asUpdate = runCliInProcess(apply + QStringList{"update"});
    EXPECT_EQ(asUpdate.exitCode, 1);
    EXPECT_TRUE(
        asUpdate.err.contains("nothing was changed: the last run in the output folder is a PH scan of "))
        << asUpdate.err.toStdString();
    EXPECT_TRUE(asUpdate.err.contains(", not an update run.")) << asUpdate.err.toStdString();

    const CliRun applied = runCliInProcess(apply + QStringList{"ph-scan"});
    EXPECT_EQ(applied.exitCode, 0) << applied.err.toStdString();
    EXPECT_TRUE(
        applied.out.contains("in one transaction: 1 new ICD-10 code, 1 new package, 2 new case rates"))
        << applied.out.toStdString();
    ASSERT_EQ(cli.run({"--ph", "--source", "list.txt"}).exitCode, 0);
    EXPECT_TRUE(runCliInProcess({"--db", cli.dbs.folder(), "apply"}).out.contains(": no changes"));
    EXPECT_EQ(runCliInProcess({"--db", cli.dbs.folder(), "undo", "--last", "--yes"}).exitCode, 0);
}
