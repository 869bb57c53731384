#include "db/SampleDatabases.h"
#include "support/CliRun.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

using namespace orvex::test;

namespace {
// "<table> <rows> rows" lines of the output, as table -> rows.
QHash<QString, qint64> printedCounts(const QString& out)
{
    QHash<QString, qint64> counts;
    for (const QString& line : out.split('\n')) {
        const QStringList words = line.simplified().split(' ');
        if (words.size() == 3 && words[2] == "rows")
            counts.insert(words[0], words[1].toLongLong());
    }
    return counts;
}
} // namespace

TEST(DbInit, buildsTheThreeFilesAndPrintsWhatAndWhere)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + "/embedded";
    const CliTextRun run = runCliText({"--db", folder, "db", "init"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty());

    for (const QString& file : orvex::db::sampleDatabaseFiles()) {
        EXPECT_TRUE(QFileInfo::exists(QDir(folder).filePath(file))) << file.toStdString();
        EXPECT_TRUE(run.out.contains(QDir::toNativeSeparators(QDir(folder).filePath(file))))
            << run.out.toStdString();
    }
    const QHash<QString, qint64> printed = printedCounts(run.out);
    const auto counts = orvex::db::countSampleTables(folder);
    EXPECT_EQ(printed.size(), counts.size());
    for (const auto& c : counts)
        EXPECT_EQ(printed.value(c.table, -1), c.rows) << c.table.toStdString();
    EXPECT_GT(printed.value("tbICDdiagMain"), 0);
}

TEST(DbInit, neverOverwritesWithoutForceAndKeepsTheOldFilesWithIt)
{
    QTemporaryDir dir;
    ASSERT_EQ(runCliText({"--db", dir.path(), "db", "init"}).exitCode, 0);
    const QString buildFile = QDir(dir.path()).filePath("Build_FILE.db");
    writeBytes(buildFile, "keep me");

    const CliTextRun refused = runCliText({"--db", dir.path(), "db", "init"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("nothing was changed")) << refused.err.toStdString();
    EXPECT_FALSE(refused.err.contains("--force")) << refused.err.toStdString();
    EXPECT_TRUE(refused.out.isEmpty());
    EXPECT_EQ(readBytes(buildFile), "keep me");

    const CliTextRun forced = runCliText({"--db", dir.path(), "db", "init", "--force"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err.toStdString();
    EXPECT_NE(readBytes(buildFile), "keep me");
    EXPECT_GT(printedCounts(forced.out).value("tbMedPackage"), 0);
    // Where the old files went, each one printed.
    const QStringList kept = QDir(dir.path()).entryList({"*.bak"}, QDir::Files);
    ASSERT_EQ(kept.size(), 3) << forced.out.toStdString();
    EXPECT_TRUE(forced.out.contains("The old files were kept:\n")) << forced.out.toStdString();
    for (const QString& name : kept)
        EXPECT_TRUE(forced.out.contains(QDir::toNativeSeparators(QDir(dir.path()).filePath(name)) + "\n"))
            << name.toStdString();
    EXPECT_EQ(readBytes(QDir(dir.path()).filePath(kept.filter("Build_FILE.db.").value(0))), "keep me");
}

// The message for a missing central database names a command that builds it alone.
TEST(DbInit, theCommandAMissingCentralDatabaseNamesLeavesTheOtherTwo)
{
    QTemporaryDir dir;
    ASSERT_EQ(runCliText({"--db", dir.path(), "db", "init"}).exitCode, 0);
    ASSERT_TRUE(QFile::remove(orvex::db::centralDatabasePath(dir.path())));
    const QString buildFile = QDir(dir.path()).filePath("Build_FILE.db");
    const QString medicare = QDir(dir.path()).filePath("Medicare.db");
    const QByteArray buildFileBytes = readBytes(buildFile), medicareBytes = readBytes(medicare);

    const CliTextRun missing = runCliText({"--db", dir.path(), "online-update", "--check"});
    EXPECT_EQ(missing.exitCode, 4); // a database error
    const QString command =
        QStringLiteral("orvex-cli --db \"%1\" db init ").arg(QDir::toNativeSeparators(dir.path()));
    EXPECT_TRUE(missing.err.contains(command)) << missing.err.toStdString();
    EXPECT_FALSE(missing.err.contains("--force")) << missing.err.toStdString();

    const CliTextRun built = runCliText({"--db", dir.path(), "db", "init"});
    ASSERT_EQ(built.exitCode, 0) << built.err.toStdString();
    EXPECT_TRUE(built.out.startsWith("Built central.db in ")) << built.out.toStdString();
    EXPECT_EQ(readBytes(buildFile), buildFileBytes);
    EXPECT_EQ(readBytes(medicare), medicareBytes);
    EXPECT_TRUE(QDir(dir.path()).entryList({"*.bak"}, QDir::Files).isEmpty());
    EXPECT_EQ(runCliText({"--db", dir.path(), "online-update", "--check"}).exitCode, 0);
}

TEST(DbInit, defaultFolderIsDbUnderTheProgramFolder)
{
    TempProgramFolder program;
    const CliTextRun run = runCliText({"db", "init"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(orvex::db::embeddedDatabasesPresent(program.path() + "/db"));
    EXPECT_TRUE(QFileInfo::exists(orvex::db::centralDatabasePath(program.path() + "/db")));
}

TEST(DbInit, usageErrorsGiveExitCodeTwo)
{
    QTemporaryDir dir;
    for (const QStringList& args :
         {QStringList{"db"}, QStringList{"db", "create"}, QStringList{"db", "init", "--fast"}}) {
        const CliTextRun run = runCliText(QStringList{"--db", dir.path()} + args);
        EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("usage")) << run.err.toStdString();
    }
    EXPECT_FALSE(orvex::db::embeddedDatabasesPresent(dir.path()));
}
