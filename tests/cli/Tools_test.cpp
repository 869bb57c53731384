#include "sampledb/SampleDatabases.h"
#include "support/CliRun.h"
#include "support/SmallDatabases.h"
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

// The sample databases in a folder of their own, and the command line run on them.
struct SampleDatabase
{
    SampleDatabase() { sampledb::buildSampleDatabases(dir.path(), false); }
    test::CliTextRun cli(QStringList args) const
    {
        args.prepend(dir.path());
        args.prepend(QStringLiteral("--db"));
        return test::runCliText(args);
    }
    QTemporaryDir dir;
};

} // namespace

// The tools on the sample database, in the order a user would run them.
TEST(ToolCommands, cloneRatesAndDuplicatesOnTheSampleDatabase)
{
    test::TempProgramFolder program;
    SampleDatabase sample;
    auto cli = [&](const QStringList& args) { return sample.cli(args); };

    // Medical packages are 100000 + line, procedure packages 200000 + line: the largest is a
    // procedure's, and the new ones follow it. In the sample every case rate has a package of
    // its own; a second case rate shares the packages of the two codes split off.
    const QString medicare = sample.dir.filePath(QStringLiteral("Medicare.db"));
    test::execOnFile(medicare,
                     QStringLiteral("INSERT INTO tbMed_MedicalCaseRates (ICDCode, Description, PackageID) "
                                    "VALUES ('A00.9', 'Cholera, unspecified', '100001')"));
    test::execOnFile(medicare,
                     QStringLiteral("INSERT INTO tbMed_Procedures (RVSCODE, Description, PackageID, "
                                    "Status) VALUES ('10061', 'Incision, complicated', '200001', 1)"));
    test::CliTextRun run = cli({"clone", "--icd", "A00.0"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(QLatin1String("ICD A00.0: new package 2"))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(
        QLatin1String(" copied from package 100001\nDone. The ICD code \"A00.0\" has the new package 2")))
        << run.out.toStdString();
    run = cli({"clone", "--rvs", "10060"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(
        run.out.contains(QLatin1String(" copied from package 200001\nDone. The RVS code \"10060\" has ")))
        << run.out.toStdString();
    run = cli({"log", "--last", "2"});
    EXPECT_TRUE(run.out.contains(
        QLatin1String("for ICD code A00.0 in tbMed_MedicalCaseRates, copied from package 100001")));
    EXPECT_TRUE(run.out.contains(
        QLatin1String("for RVS code 10060 in tbMed_Procedures, copied from package 200001")));

    // Again: the code has a package of its own now, and another copy would leave one unused.
    run = cli({"clone", "--icd", "A00.0"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QLatin1String("of its own already"))) << run.err.toStdString();

    run = cli({"clone", "--icd", "A00.0'--"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              QStringLiteral(
                  "Not Found. tbMed_MedicalCaseRates holds no case rate for the ICD code \"A00.0'--\".\n"));
    run = cli({"clone", "--json", "--icd", "A00.0'--"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.startsWith(QLatin1String("{\"code\":\"A00.0'--\",\"format\":1,\"found\":false,")))
        << run.out.toStdString();

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
    run = cli({"duplicates", "--check", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(QLatin1String("{\"duplicates\":[{\"code\":"))) << run.out.toStdString();
    EXPECT_EQ(run.out.count(QLatin1String("\"rowNumber\":")), 17);
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

// The yearly order on the sample database: the backup, then the update scripts.
TEST(ToolCommands, backupThenUpdateOnTheSampleDatabase)
{
    test::TempProgramFolder program;
    for (const QString& name :
         {QStringLiteral("ICD PH 2024.txt"), QStringLiteral("ICD PH 2024_PROCEDURE.txt")})
        test::writeBytes(
            program.path() + QLatin1Char('/') + name,
            test::readBytes(test::sourcePath(QStringLiteral("data/philhealth-caserates-2024/") + name)));
    SampleDatabase sample;
    auto cli = [&](const QStringList& args) { return sample.cli(args); };

    test::CliTextRun run = cli({"backup"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QLatin1String("\nCopy tbMedPackage_2_14_2024: ")));
    EXPECT_TRUE(run.out.endsWith(QLatin1String(" rows\nDone.\n"))) << run.out.toStdString();

    // The same suffix again: exit 3 and each copy not made on standard error.
    run = cli({"backup", "--test-tables", "--suffix", "_2_14_2024"});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.err.count(QLatin1String("orvex-cli: The copy ")), 3) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(
        QLatin1String("orvex-cli: The copy tbMedPackage_2_14_2024 of tbMedPackage exists already (")))
        << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QLatin1String("Statement"))) << run.err.toStdString();
    EXPECT_FALSE(run.out.contains(QLatin1String("Done.")));

    run = cli({"backup", "--suffix", "_2_14_2024; drop table x"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QLatin1String("No table was copied."))) << run.err.toStdString();
    EXPECT_EQ(cli({"backup", "--suffix"}).exitCode, 2);
    EXPECT_EQ(cli({"backup", "--verb"}).exitCode, 2);

    run = cli({"backup", "--version-2", "--ver-b", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(QLatin1String("{\"added\":[")));
    EXPECT_TRUE(run.out.contains(QLatin1String("\"copy\":\"tbMedPackage_NEW_05_03_2024\"")));
    EXPECT_TRUE(run.out.contains(
        QLatin1String("\"messages\":[\"Done. 4 copies made with the suffix _05_03_2024:\\n")))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QLatin1String("\"format\":1"))) << run.out.toStdString();
    run = cli({"log", "--last", "1"});
    EXPECT_TRUE(
        run.out.contains(QLatin1String("Table backup with suffix _05_03_2024: tbMedPackage_05_03_2024 ")))
        << run.out.toStdString();

    run = cli({"update", "--ver-b", "--update-descriptions"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(test::readBytes(program.outputFile(QStringLiteral("scriptPH.txt"))).isEmpty());
}
