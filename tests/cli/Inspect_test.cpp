#include "platform/ProgramFolder.h"
#include "support/CliRun.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

using namespace orvex::test;

namespace {
} // namespace

TEST(Inspect, showsEveryLineAsTheScanSplitsIt)
{
    const CliRun run = runCliInProcess({"inspect", fixturePath("inspect/sample-list.txt")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, readBytes(fixturePath("inspect/sample-list.out.golden")));
    EXPECT_EQ(run.err, readBytes(fixturePath("inspect/sample-list.err.golden")));
}

TEST(Inspect, bareFileNameIsFoundInTheProgramFolder)
{
    QTemporaryDir programFolder;
    writeBytes(programFolder.filePath("My List.txt"), "|GROUP|||\r\nA00.0|Cholera|1,000|300|700\r\n");
    const CliRun run = runCliInProcess({"--workdir", programFolder.path(), "inspect", "My List.txt"});
    orvex::ProgramFolder::setOverride(QString());
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "1\theader\tGROUP\n2\tcode\tA00.0\tCholera\t1000\t300\t700\n");
}

TEST(Inspect, builtInUpdateResource)
{
    const CliRun run = runCliInProcess({"inspect", "--update-resource"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QList<QByteArray> lines = outputLines(run.out);
    ASSERT_EQ(lines.size(), 9221);
    EXPECT_EQ(lines.first(), "1\theader\tCHOLERA DUE TO VIBRIO CHOLERAE 01, BIOVAR CHOLERAE");
    EXPECT_EQ(
        lines.at(1),
        "2\tcode\tA00.0\tCHOLERA DUE TO VIBRIO CHOLERAE 01, BIOVAR CHOLERAE\t11700.00\t3510.00\t8190.00");
    EXPECT_EQ(lines.last(), "9221\tcode\t\t\t\t\t");
    EXPECT_TRUE(run.err.contains("lines: 9221\n"));
    EXPECT_TRUE(run.err.contains("group headers: 4610\n"));
    EXPECT_TRUE(run.err.contains("code lines: 4611\n"));
    EXPECT_TRUE(run.err.contains("codes occurring more than once: 0\n"));
    EXPECT_TRUE(
        run.err.contains("code lines with an empty or non-numeric amount: 1\n")); // the empty last item
}

TEST(Inspect, updateResourceFromAFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("update.bin");
    writeBytes(path, QByteArray("|G|||\r\nX1|D|1|2|3\r\n\0", 20));
    const CliRun run = runCliInProcess({"inspect", "--update-resource", path});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "1\theader\tG\n2\tcode\tX1\tD\t1\t2\t3\n3\tcode\t\t\t\t\t\n");
}

TEST(Inspect, unreadableFileIsAnErrorNamingIt)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("gone.txt");
    const QByteArray shown = QDir::toNativeSeparators(missing).toUtf8(); // as the user's system writes it
    const CliRun run = runCliInProcess({"inspect", missing});
    EXPECT_EQ(run.exitCode, 5); // a file error
    EXPECT_TRUE(run.err.contains(shown)) << run.err.toStdString();
    QFile probe(missing); // the system's own words for a missing file ("No such file", "File not found")
    EXPECT_FALSE(probe.open(QIODevice::ReadOnly));
    EXPECT_TRUE(run.err.contains(probe.errorString().toUtf8())) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());

    const CliRun resource = runCliInProcess({"inspect", "--update-resource", missing});
    EXPECT_EQ(resource.exitCode, 5);
    EXPECT_TRUE(resource.err.contains(shown)) << resource.err.toStdString();
}

TEST(Inspect, usageErrors)
{
    EXPECT_EQ(runCliInProcess({"inspect"}).exitCode, 2);
    EXPECT_EQ(runCliInProcess({"inspect", "a", "b"}).exitCode, 2);
    EXPECT_EQ(runCliInProcess({"inspect", "--update-resource", "a", "b"}).exitCode, 2);
    const CliRun unknown = runCliInProcess({"inspect", "--verbose"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains("--verbose"));
}

TEST(Inspect, installedProgramCarriesTheUpdateResource)
{
    const QString program = binPath("orvex-cli");
    if (!QFile::exists(program))
        GTEST_SKIP() << "orvex-cli is not built";
    QProcess process;
    process.start(program, {"inspect", "--update-resource"});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(outputLines(process.readAllStandardOutput()).size(), 9221);
}

TEST(Inspect, rateFilesSitBesideTheProgram)
{
    for (const QString name : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"}) {
        EXPECT_EQ(readBytes(binPath(name)), readBytes(sourcePath("data/philhealth-caserates-2024/" + name)))
            << name.toStdString();
    }
}
