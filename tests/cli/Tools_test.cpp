#include "db/SampleDatabases.h"
#include "support/CliRun.h"
#include "support/TestPaths.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvex;

namespace {

QStringList linesOf(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

// The tools on the sample database, in the order a user would run them.
TEST(ToolCommands, cloneRatesAndDuplicatesOnTheSampleDatabase)
{
    test::TempProgramFolder program;
    QTemporaryDir dbDir;
    db::buildSampleDatabases(dbDir.path(), false);
    auto cli = [&](QStringList args) {
        args.prepend(dbDir.path());
        args.prepend(QStringLiteral("--db"));
        return test::runCliText(args);
    };

    // Medical packages are 100000 + line, procedure packages 200000 + line: the largest is a
    // procedure's, and the new ones follow it.
    test::CliTextRun run = cli({"clone", "--icd", "A00.0"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(QLatin1String("ICD A00.0: new package 2"))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QLatin1String(" copied from package 100001\nDone.\n")))
        << run.out.toStdString();
    run = cli({"clone", "--rvs", "10060"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QLatin1String(" copied from package 200001\nDone.\n")))
        << run.out.toStdString();
    run = cli({"log", "--last", "2"});
    EXPECT_TRUE(run.out.contains(
        QLatin1String("for ICD code A00.0 in tbMed_MedicalCaseRates, copied from package 100001")));
    EXPECT_TRUE(run.out.contains(
        QLatin1String("for RVS code 10060 in tbMed_Procedures, copied from package 200001")));

    run = cli({"clone", "--icd", "A00.0'--"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, QStringLiteral("Not Found.\n"));

    run = cli({"package-rates"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString script =
        QString::fromLatin1(test::readBytes(program.outputFile(QStringLiteral("UpdatePackageRates.txt"))));
    const qsizetype lines = script.count(QLatin1String("\r\n"));
    EXPECT_EQ(lines, 8559); // every package of the sample is active, and the two clones
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("%1 active packages raised by +30 % in ").arg(lines)))
        << run.out.toStdString();
    run = cli({"package-rates", "--year", "]; drop table x --"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QLatin1String("cannot be part of a table name"))) << run.err.toStdString();

    run = cli({"duplicates", "--check"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(linesOf(run.out).size(), 18); // 17 surplus rows and "Check log."
    EXPECT_TRUE(run.out.endsWith(QLatin1String("Check log.\n")));
    run = cli({"duplicates", "--delete"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QLatin1String("add --yes to confirm")));
    run = cli({"duplicates", "--delete", "--yes"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.endsWith(QLatin1String("Done. 17 duplicate ICD rows deleted.\n")))
        << run.out.toStdString();
    run = cli({"duplicates", "--check"});
    EXPECT_EQ(run.out, QStringLiteral("No Duplicates.\n"));
    run = cli({"log", "--last", "1"});
    EXPECT_TRUE(run.out.contains(QLatin1String("Duplicate ICD row deleted from tbICDdiagMain: code ")));
}
