// What the command line prints: standard output that loses it fails the command, and stored
// text can never steer the terminal.
#include "cli/CliContext.h"
#include "sampledb/SampleDatabases.h"
#include "support/CliRun.h"
#include "support/SmallDatabases.h"
#include "support/TestPaths.h"
#include "support/UpdateRunFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

using namespace orvex;

namespace {

// No byte of a control character but the line ends and the field tabs of the listing.
void expectNoRawControls(const QString& out, const char* command)
{
    for (const QChar c : out) {
        const bool control = c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F);
        if (control && c != QLatin1Char('\n') && c != QLatin1Char('\t')) {
            ADD_FAILURE() << command << " printed the control character " << int(c.unicode());
            return;
        }
    }
}

#ifdef Q_OS_LINUX
// One in-process run with standard output on a full device.
test::CliTextRun runToFullDisk(const QStringList& args)
{
    test::CliTextRun run;
    QFile full(QStringLiteral("/dev/full"));
    if (!full.open(QIODevice::WriteOnly)) {
        ADD_FAILURE() << "cannot open /dev/full";
        return run;
    }
    QByteArray err;
    {
        QTextStream out(&full);
        QTextStream errStream(&err);
        run.exitCode = cli::runCli(args, out, errStream);
    }
    run.err = QString::fromUtf8(err);
    return run;
}

void expectOutputLost(const test::CliTextRun& run, const QString& command)
{
    EXPECT_EQ(run.exitCode, 1) << command.toStdString();
    EXPECT_TRUE(run.err.contains("Cannot write to standard output: No space left on device"))
        << command.toStdString() << ": " << run.err.toStdString();
}
#endif

} // namespace

#ifdef Q_OS_LINUX
TEST(StandardOutput, aFullDiskFailsEveryCommandThatPrints)
{
    if (!QFileInfo::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full on this system";
    test::SmallDatabases db;
    test::fillForUpdateRun(db);
    test::TempProgramFolder program;
    for (const char* name : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"})
        QFile::copy(test::fixturePath(QStringLiteral("update-run/") + name), program.path() + '/' + name);
    for (const QStringList& args : {QStringList{"update"}, QStringList{"apply", "--yes"},
                                    QStringList{"undo", "--last", "--yes"}, QStringList{"log"}})
        expectOutputLost(runToFullDisk(QStringList{"--db", db.folder()} + args), args.join(' '));
    expectOutputLost(runToFullDisk({"--version"}), "--version");
    expectOutputLost(runToFullDisk({"--help"}), "--help");

    QTemporaryDir sample;
    expectOutputLost(runToFullDisk({"--db", sample.path(), "db", "init"}), "db init");
    expectOutputLost(runToFullDisk({"--db", sample.path(), "online-update", "--check"}),
                     "online-update --check");
    expectOutputLost(runToFullDisk({"--db", sample.path(), "duplicates", "--check"}), "duplicates --check");
}

// The real standard output of the program: a long listing stops at the first failed write.
TEST(StandardOutput, theProgramExitsWithOneWhenItsOutputIsLost)
{
    const QString program = test::binPath("orvex-cli");
    if (!QFile::exists(program) || !QFileInfo::exists("/dev/full"))
        GTEST_SKIP() << "orvex-cli is not built or there is no /dev/full";
    QTemporaryDir sample;
    sampledb::buildSampleDatabases(sample.path(), false);
    ASSERT_EQ(
        test::runCliText({"--workdir", sample.path(), "--db", sample.path(), "online-update", "--apply"})
            .exitCode,
        0);
    QProcess process;
    process.setStandardOutputFile(QStringLiteral("/dev/full"));
    process.start(program, {"--db", sample.path(), "log"});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(process.readAllStandardError().contains("Cannot write to standard output"));
}
#endif

// A stored text holding an escape sequence that would erase the line above and print a
// forged entry, and line breaks that would start rows of their own.
TEST(StoredText, everyControlCharacterIsShownWrittenOut)
{
    QTemporaryDir sample;
    sampledb::buildSampleDatabases(sample.path(), false);
    const QString forged =
        "' ' || char(27) || '[1A' || char(27) || '[2KForged' || char(13) || char(10) || 'x' || "
        "char(9) || 'y' || char(155) || 'z'";
    const QString shown = QStringLiteral(" \\x1b[1A\\x1b[2KForged\\r\\nx\\ty\\x9bz");
    // Every central description gets the sequence: each code the hospital has is updated.
    test::execOnFile(sampledb::centralDatabasePath(sample.path()),
                     "UPDATE tbICDdiagMainUpdate SET Description = Description || " + forged);
    for (int i = 0; i < 2; ++i)
        test::execOnFile(QDir(sample.path()).filePath("Build_FILE.db"),
                         "INSERT INTO tbICDdiagMain (CODE, Description) VALUES ('ZZ9.9', 'Made up' || " +
                             forged + ")");

    const auto check = test::runCliText({"--db", sample.path(), "online-update", "--check"});
    ASSERT_EQ(check.exitCode, 0) << check.err.toStdString();
    EXPECT_TRUE(check.out.contains(shown + "\t")) << check.out.left(400).toStdString();
    expectNoRawControls(check.out, "online-update --check");

    const auto applied =
        test::runCliText({"--workdir", sample.path(), "--db", sample.path(), "online-update", "--apply"});
    ASSERT_EQ(applied.exitCode, 0) << applied.err.toStdString();
    EXPECT_TRUE(applied.out.contains(shown + "\n")) << applied.out.left(400).toStdString();
    expectNoRawControls(applied.out, "online-update --apply");

    const auto log = test::runCliText({"--db", sample.path(), "log"});
    EXPECT_TRUE(log.out.contains(shown + "\n")) << log.out.left(400).toStdString();
    expectNoRawControls(log.out, "log");

    const auto duplicates = test::runCliText({"--db", sample.path(), "duplicates", "--check"});
    ASSERT_EQ(duplicates.exitCode, 0) << duplicates.err.toStdString();
    EXPECT_TRUE(duplicates.out.contains(shown)) << duplicates.out.left(400).toStdString();
    expectNoRawControls(duplicates.out, "duplicates --check");

    const auto search = test::runCliText({"--db", sample.path(), "search", "ZZ9.9"});
    EXPECT_TRUE(search.out.contains(shown)) << search.out.toStdString();
    expectNoRawControls(search.out, "search");
}
