#include "Error.h"
#include "support/SmallDatabases.h"
#include "support/SqliteOdbc.h"
#include "support/TestPaths.h"
#include "tools/ToolJobs.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace orvex;

namespace {

QString failureOf(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const Error& e) {
        return e.message();
    }
    return QStringLiteral("(no error)");
}

class PackageRates : public ::testing::TestWithParam<bool>
{
protected:
    PackageRates() : dbs(GetParam()) {}

    void SetUp() override
    {
        if (GetParam()) // the same tables through the SQLite ODBC driver
            ORVEX_SKIP_WITHOUT_SQLITE_ODBC();
        const QString insert = QStringLiteral("INSERT INTO tbMedPackage (PackageID, Package, Amount, "
                                              "MedRoomBoard, MedDrugs, MedOthers, MedOR, PF, "
                                              "Status) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
        dbs.exec(QStringLiteral("Medicare"), insert, {"1021", "APPENDECTOMY", 1000, 1234.5, 0, 0, 0, 300, 1});
        dbs.exec(QStringLiteral("Medicare"), insert, {"1022", "CLOSED", 5000, 0, 0, 0, 0, 0, 0});
        dbs.exec(QStringLiteral("Medicare"), insert,
                 {"1023", QVariant(), QVariant(), 0.1, QVariant(), QVariant(), QVariant(), 1e20, 1});
        dbs.exec(QStringLiteral("Medicare"), insert,
                 {"1024", "TWO\r\nUPDATE x SET y = 1 --", 7, 0, 0, 0, 0, 0, 1});
        connection = db::Connection::open(dbs.settings());
    }

    QByteArray written(const tools::PackageRateParams& params)
    {
        const tools::PackageRateResult result = tools::writePackageRateScript(*connection, params);
        EXPECT_EQ(result.packages, 3);
        EXPECT_EQ(result.path, out.outputFile(QStringLiteral("UpdatePackageRates.txt")));
        return test::readBytes(result.path);
    }

    test::TempProgramFolder out;
    test::SmallDatabases dbs;
    std::unique_ptr<db::Connection> connection;
};

} // namespace

TEST_P(PackageRates, writesOneLinePerActivePackageByteForByte)
{
    EXPECT_EQ(written({}),
              QByteArray(
                  "UPDATE [Medicare].[dbo].[tbMedPackage2023] SET Amount = '1300',MedRoomBoard = "
                  "'1604.85',MedDrugs = '0',MedOthers = '0',MedOR = '0',PF = '390' WHERE packageid = "
                  "'1021' -- APPENDECTOMY\r\n"
                  "UPDATE [Medicare].[dbo].[tbMedPackage2023] SET Amount = '0',MedRoomBoard = '0.13',"
                  "MedDrugs = '0',MedOthers = '0',MedOR = '0',PF = '1.3E+20' WHERE packageid = '1023' -- \r\n"
                  "UPDATE [Medicare].[dbo].[tbMedPackage2023] SET Amount = '9.1',MedRoomBoard = '0',"
                  "MedDrugs = '0',MedOthers = '0',MedOR = '0',PF = '0' WHERE packageid = '1024' -- TWO  "
                  "UPDATE x SET y = 1 --\r\n"));
    // "5" is 50 %; an empty year addresses tbMedPackage itself.
    const QByteArray half = written({QStringLiteral("5"), QString(), {}});
    EXPECT_TRUE(half.startsWith("UPDATE [Medicare].[dbo].[tbMedPackage] SET Amount = '1500',"))
        << half.data();
}

INSTANTIATE_TEST_SUITE_P(Backends, PackageRates, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "SqliteOdbc" : "Embedded"; });

TEST(PackageRateInput, percentageIsTheDigitsAfterTheDecimalPointAndNothingElse)
{
    EXPECT_DOUBLE_EQ(tools::rateFactor(QStringLiteral("30")), 0.3);
    EXPECT_DOUBLE_EQ(tools::rateFactor(QStringLiteral("05")), 0.05);
    EXPECT_DOUBLE_EQ(tools::rateFactor(QStringLiteral("5")), 0.5);
    EXPECT_DOUBLE_EQ(tools::rateFactor(QStringLiteral(" 12 5")), 0.125);
    EXPECT_EQ(tools::rateFactorCaption(QStringLiteral("5")), QStringLiteral("= +50 %"));
    EXPECT_EQ(tools::rateFactorCaption(QStringLiteral("125")), QStringLiteral("= +12.5 %"));
    for (const char* bad : {"", "abc", "1e5", "3.5", "-5"}) {
        EXPECT_TRUE(failureOf([&] {
                        tools::rateFactor(QString::fromLatin1(bad));
                    }).startsWith(QStringLiteral("The percentage \"%1\" is not understood").arg(bad)))
            << bad;
        EXPECT_EQ(tools::rateFactorCaption(QString::fromLatin1(bad)), QStringLiteral("= ?"));
    }
    EXPECT_NO_THROW(tools::checkYearText(QStringLiteral("2023_b")));
    EXPECT_EQ(
        failureOf([] { tools::checkYearText(QStringLiteral("]; drop table x --")); }),
        QStringLiteral("The year \"]; drop table x --\" cannot be part of a table name: use only letters, "
                       "digits and underscores (\"2023\" addresses tbMedPackage2023)."));
    // With tbMedPackage in front, the name stays within SQL Server's 128 characters.
    EXPECT_NO_THROW(tools::checkYearText(QString(116, QLatin1Char('9'))));
    EXPECT_EQ(failureOf([] { tools::checkYearText(QString(117, QLatin1Char('9'))); }),
              QStringLiteral("The year \"%1...\" has 117 characters: tbMedPackage and the year make a table "
                             "name, which holds at most 128 characters, so the year may have at most 116.")
                  .arg(QString(57, QLatin1Char('9'))));
}

TEST(PackageRateFailures, aFailedReadOrAnUnwritableFileKeepsThePreviousScript)
{
    test::TempProgramFolder out;
    test::SmallDatabases dbs;
    dbs.addPackage("1", "ONE", 100, 30, 70);
    auto connection = db::Connection::open(dbs.settings());
    const QString path = out.outputFile(QStringLiteral("UpdatePackageRates.txt"));
    test::writeBytes(path, "previous\r\n");

    connection->setBeforeStatementHook([] { throw Error(QStringLiteral("connection lost")); });
    EXPECT_EQ(failureOf([&] { tools::writePackageRateScript(*connection, {}); }),
              QStringLiteral("connection lost"));
    connection->setBeforeStatementHook({});
    tools::PackageRateJob stopped({});
    stopped.requestStop();
    EXPECT_TRUE(tools::writePackageRateScript(*connection, {}, &stopped).stopped);
    EXPECT_EQ(test::readBytes(path), QByteArray("previous\r\n"));
    EXPECT_EQ(QDir(out.outputFile(QString())).entryList(QDir::Files), QStringList{"UpdatePackageRates.txt"});

    const QString missingFolder = out.path() + QStringLiteral("/no such folder/UpdatePackageRates.txt");
    EXPECT_TRUE(failureOf([&] {
                    tools::writePackageRateScript(
                        *connection, {QStringLiteral("30"), QStringLiteral("2023"), missingFolder});
                }).contains(QLatin1String("no such folder")));
}

TEST(PackageRateScript, aLineBreakInAPackageIdStaysInsideItsLiteral)
{
    test::TempProgramFolder out;
    test::SmallDatabases dbs;
    dbs.exec(QStringLiteral("Medicare"),
             QStringLiteral(
                 "INSERT INTO tbMedPackage (PackageID, Package, Amount, MedRoomBoard, MedDrugs, MedOthers, "
                 "MedOR, PF, Status) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
             {"7\nGO", "x\nGO", 10, 0, 0, 0, 0, 0, 1});
    auto connection = db::Connection::open(dbs.settings());
    const tools::PackageRateResult result = tools::writePackageRateScript(*connection, {});
    EXPECT_EQ(
        test::readBytes(result.path),
        "UPDATE [Medicare].[dbo].[tbMedPackage2023] SET Amount = '13',MedRoomBoard = '0',MedDrugs = '0',"
        "MedOthers = '0',MedOR = '0',PF = '0' WHERE packageid = '7' + NCHAR(10) + 'GO' -- x GO\r\n");
    EXPECT_EQ(QDir(out.outputFile(QString())).entryList(QDir::Files | QDir::Hidden),
              QStringList{"UpdatePackageRates.txt"});
}
