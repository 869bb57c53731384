#include "platform/ProgramFolder.h"
#include "support/CliRun.h"
#include "support/ConnectionFixtures.h"
#include "support/SqliteOdbc.h"
#include "support/TestPaths.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

using namespace orvex;

namespace {

// Sets an environment variable for the test's duration.
class EnvironmentValue
{
public:
    EnvironmentValue(const char* name, const QByteArray& value) : m_name(name) { qputenv(name, value); }
    ~EnvironmentValue() { qunsetenv(m_name); }

private:
    const char* m_name;
};

} // namespace

TEST(SignIn, missingDatabaseFileIsNamed)
{
    QTemporaryDir dir;
    test::writeSmallDatabases(dir.path());
    QFile::remove(dir.filePath(QStringLiteral("Build_FILE.db")));
    const test::CliTextRun run =
        test::runCliText({QStringLiteral("--db"), dir.path(), QStringLiteral("log")});
    EXPECT_EQ(run.exitCode, 4); // a database error
    EXPECT_TRUE(run.err.contains(QLatin1String("Build_FILE"))) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("Build_FILE.db"))));
}

TEST(SignIn, dbAndOdbcExcludeEachOther)
{
    const test::CliTextRun run =
        test::runCliText({QStringLiteral("--db"), QStringLiteral("x"), QStringLiteral("--odbc"),
                          QStringLiteral("DRIVER={SQLite3};Database=y"), QStringLiteral("log")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QLatin1String("exclude each other")));
}

TEST(SignIn, odbcReadsTheLogThroughTheDriverWithThePasswordFromTheEnvironment)
{
    ORVEX_SKIP_WITHOUT_SQLITE_ODBC();
    QTemporaryDir dir;
    test::writeSmallDatabases(dir.path(), QStringLiteral("NOCASE"));
    const QString source =
        QStringLiteral("DRIVER={SQLite3};Database=%1").arg(dir.filePath(QStringLiteral("Build_FILE.db")));
    const EnvironmentValue password("ORVEX_DB_PASSWORD", "not-needed-by-sqlite");
    // The embedded connection writes; the ODBC one reads the same files.
    test::runOnSqliteFile(
        dir.filePath(QStringLiteral("Build_FILE.db")),
        {QStringLiteral("create table tbActivityLog (LogID integer primary key autoincrement, "
                        "LogTime text not null, UserID text, Workstation text, LogText text)"),
         QStringLiteral("insert into tbActivityLog (LogTime, UserID, Workstation, LogText) "
                        "values ('2024-02-14 08:30:00', 'kestra', 'WS-01', 'Added A00.1')")},
        false);
    const test::CliTextRun run = test::runCliText({QStringLiteral("--odbc"), source, QStringLiteral("log")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(), "2024-02-14 08:30:00\tkestra\tWS-01\tAdded A00.1\n");
}

TEST(SignIn, refusedConnectionIsReportedWithoutThePassword)
{
    const EnvironmentValue password("ORVEX_DB_PASSWORD", "Sup3rSecret");
    // Port 9 (discard) on the loopback: nothing listens there on a test machine.
    const test::CliTextRun run = test::runCliText(
        {QStringLiteral("--odbc"),
         QStringLiteral("DRIVER={FreeTDS};SERVER=127.0.0.1;PORT=9;TDS_Version=7.4;UID=kestra"),
         QStringLiteral("log")});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_TRUE(run.err.contains(QLatin1String("Cannot connect to the ODBC data source")))
        << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QLatin1String("Sup3rSecret")));
}

TEST(SignIn, withoutOptionsTheEmbeddedSampleIsBuiltUnderTheProgramFolder)
{
    QTemporaryDir program;
    const test::CliTextRun run =
        test::runCliText({QStringLiteral("--workdir"), program.path(), QStringLiteral("log")});
    ProgramFolder::setOverride(QString());
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(QFile::exists(program.filePath(QStringLiteral("db/Build_FILE.db"))));
    EXPECT_TRUE(QFile::exists(program.filePath(QStringLiteral("db/Medicare.db"))));
}

TEST(SignIn, encryptionOptionsGoIntoTheConnectionStringTried)
{
    const EnvironmentValue password("ORVEX_DB_PASSWORD", "Sup3rSecret");
    const QString refused = QStringLiteral("DRIVER={FreeTDS};SERVER=127.0.0.1;PORT=9;UID=kestra;Encrypt=no");
    const test::CliTextRun run =
        test::runCliText({QStringLiteral("--odbc"), refused, QStringLiteral("--trust-server-certificate"),
                          QStringLiteral("--encrypt"), QStringLiteral("yes"), QStringLiteral("log")});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_TRUE(run.err.contains(QLatin1String("UID=kestra;Encrypt=yes;TrustServerCertificate=yes")))
        << run.err.toStdString();

    const test::CliTextRun bad =
        test::runCliText({QStringLiteral("--encrypt"), QStringLiteral("always"), QStringLiteral("log")});
    EXPECT_EQ(bad.exitCode, 2); // a usage error
    EXPECT_TRUE(bad.err.contains(QLatin1String("--encrypt takes yes, no or strict")))
        << bad.err.toStdString();

    QTemporaryDir dir;
    const test::CliTextRun embedded =
        test::runCliText({QStringLiteral("--db"), dir.path(), QStringLiteral("--trust-server-certificate"),
                          QStringLiteral("log")});
    EXPECT_NE(embedded.exitCode, 0);
    EXPECT_TRUE(embedded.err.contains(QLatin1String("go with --odbc"))) << embedded.err.toStdString();
}
