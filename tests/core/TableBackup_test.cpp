#include "Error.h"
#include "db/ActivityLog.h"
#include "db/Connection.h"
#include "support/SmallDatabases.h"
#include "support/SqliteOdbc.h"
#include "tools/ToolJobs.h"

#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace orvex;
using tools::TableBackupJob;
using tools::TableBackupParams;

namespace {

// Three packages, two case rates, one procedure and one new-style package, rows put in
// out of key order so that numbering by storage order shows.
class TableBackup : public ::testing::TestWithParam<bool>
{
protected:
    TableBackup() : dbs(GetParam()) {}

    void SetUp() override
    {
        if (GetParam()) // the same tables through the SQLite ODBC driver
            ORVEX_SKIP_WITHOUT_SQLITE_ODBC();
        dbs.addPackage("30", "Third", 300, 90, 210);
        dbs.addPackage("10", "first", 100, 30, 70);
        dbs.addPackage("20", "Second", 200, 60, 140);
        dbs.addCaseRate("B01", "Varicella", "20");
        dbs.addCaseRate("A00.0", "Cholera", "10");
        dbs.exec(QStringLiteral("Medicare"),
                 QStringLiteral("INSERT INTO tbMed_Procedures (RVSCODE, Description, PackageID, Status) "
                                "VALUES ('77401', 'Radiation', '30', 1)"));
        dbs.exec(
            QStringLiteral("Medicare"),
            QStringLiteral("INSERT INTO tbMedPackage_NEW (PackageID, Code, Package) VALUES ('10', 'A00.0', "
                           "'first')"));
        connection = db::Connection::open(dbs.settings());
    }

    jobs::JobOutcome backup(const QString& suffix, bool verB = false)
    {
        TableBackupJob job(TableBackupParams{suffix, verB, {"tester", "ws1"}});
        jobs::JobContext context;
        context.existingConnection = connection.get();
        return job.run(context, {});
    }

    QStringList column(const QString& sql) { return test::columnValues(*connection, sql); }

    QStringList rows(const QString& table)
    {
        return column(
            QStringLiteral("select PackageID || '|' || ifnull(ID, 'NULL') from Medicare.%1 order by rowid")
                .arg(table));
    }

    QStringList indexesOn(const QString& table)
    {
        return column(
            QStringLiteral("select name from Medicare.sqlite_master where type = 'index' and tbl_name "
                           "= '%1' and name like '%%by%%' order by name")
                .arg(table));
    }

    // The Medicare schema and the log, to show that nothing was touched.
    QStringList snapshot()
    {
        QStringList all = column(QStringLiteral("select type || ' ' || name || ' ' || ifnull(sql, '') from "
                                                "Medicare.sqlite_master order by name"));
        all.append(QString::number(db::ActivityLog(*connection).last(0).size()));
        return all;
    }

    test::SmallDatabases dbs;
    std::unique_ptr<db::Connection> connection;
};

} // namespace

TEST_P(TableBackup, firstRunNumbersTheLiveTablesAndCopiesRowsAndIndexes)
{
    const jobs::JobOutcome outcome = backup(QStringLiteral("_2_14_2024"));
    // The copies with their rows, and what the live tables gained.
    EXPECT_EQ(
        outcome.messages,
        QStringList{"Done. 3 copies made with the suffix _2_14_2024:\n"
                    "tbMedPackage_2_14_2024: 3 rows\n"
                    "tbMed_MedicalCaseRates_2_14_2024: 2 rows\n"
                    "tbMed_Procedures_2_14_2024: 1 row\n\n"
                    "Added to the live tables: the ID column of tbMedPackage, the ID column of "
                    "tbMed_MedicalCaseRates, the ID column of tbMed_Procedures, the index by_ICDCode of "
                    "tbMed_MedicalCaseRates, the index by_PackageID of tbMed_MedicalCaseRates, the index "
                    "by_RVSCODE of tbMed_Procedures, the index by_PackageID of tbMed_Procedures, the "
                    "index by_Package of tbMedPackage."});
    EXPECT_TRUE(outcome.failures.isEmpty()) << outcome.failures.join('\n').toStdString();

    // ID 1, 2, 3 in storage order on the three live tables, carried into the copies.
    EXPECT_EQ(rows(QStringLiteral("tbMedPackage")), (QStringList{"30|1", "10|2", "20|3"}));
    EXPECT_EQ(rows(QStringLiteral("tbMedPackage_2_14_2024")), rows(QStringLiteral("tbMedPackage")));
    EXPECT_EQ(rows(QStringLiteral("tbMed_MedicalCaseRates_2_14_2024")), (QStringList{"20|1", "10|2"}));
    EXPECT_EQ(rows(QStringLiteral("tbMed_Procedures_2_14_2024")), QStringList{"30|1"});
    // A copy keeps its columns' declarations: the key collation still ignores case.
    EXPECT_EQ(column(QStringLiteral("select PackageID from Medicare.tbMedPackage_2_14_2024 where Package = "
                                    "'FIRST'")),
              QStringList{"10"});
    // Later rows are numbered on, as by an identity.
    dbs.addPackage("40", "Fourth", 1, 1, 1);
    EXPECT_EQ(rows(QStringLiteral("tbMedPackage")).last(), QStringLiteral("40|4"));

    EXPECT_EQ(indexesOn(QStringLiteral("tbMedPackage_2_14_2024")),
              (QStringList{"tbMedPackage_2_14_2024_by_CaseType", "tbMedPackage_2_14_2024_by_Package",
                           "tbMedPackage_2_14_2024_by_PackageID"}));
    EXPECT_EQ(indexesOn(QStringLiteral("tbMedPackage")), QStringList{"tbMedPackage_by_Package"});
    EXPECT_EQ(indexesOn(QStringLiteral("tbMed_Procedures")),
              (QStringList{"tbMed_Procedures_by_PackageID", "tbMed_Procedures_by_RVSCODE"}));
    EXPECT_EQ(indexesOn(QStringLiteral("tbMed_MedicalCaseRates_2_14_2024")).size(), 2);
    // Without Ver B the new-style table is neither copied nor indexed.
    EXPECT_TRUE(column(QStringLiteral("select name from Medicare.sqlite_master where name like "
                                      "'tbMedPackage_NEW%'"))
                    .filter(QStringLiteral("_2_14_2024"))
                    .isEmpty());
    EXPECT_TRUE(indexesOn(QStringLiteral("tbMedPackage_NEW")).isEmpty());

    const QList<db::ActivityLogEntry> log = db::ActivityLog(*connection).last(0);
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(log[0].text,
              QStringLiteral("Table backup with suffix _2_14_2024: tbMedPackage_2_14_2024 3 rows, "
                             "tbMed_MedicalCaseRates_2_14_2024 2 rows, tbMed_Procedures_2_14_2024 1 "
                             "rows"));
    EXPECT_EQ(log[0].user, QStringLiteral("tester"));
}

TEST_P(TableBackup, laterRunsAreQuietOnTheLiveTablesAndNameEveryCopyNotMade)
{
    backup(QStringLiteral("_2_14_2024"));

    // A new suffix with Ver B: the live column and indexes are already there, quietly.
    jobs::JobOutcome outcome = backup(QStringLiteral("_TEST"), true);
    ASSERT_EQ(outcome.messages.size(), 1);
    EXPECT_TRUE(outcome.messages[0].startsWith(QLatin1String("Done. 4 copies made with the suffix _TEST:\n"
                                                             "tbMedPackage_TEST: 3 rows\n")))
        << outcome.messages[0].toStdString();
    // Only the new-style table is new to the live ones.
    EXPECT_TRUE(outcome.messages[0].endsWith(
        QLatin1String("\n\nAdded to the live tables: the index by_CODE of tbMedPackage_NEW, the index "
                      "by_PackageID of tbMedPackage_NEW, the index by_Package of tbMedPackage_NEW.")))
        << outcome.messages[0].toStdString();
    EXPECT_TRUE(outcome.failures.isEmpty()) << outcome.failures.join('\n').toStdString();
    EXPECT_EQ(rows(QStringLiteral("tbMedPackage_TEST")), (QStringList{"30|1", "10|2", "20|3"}));
    EXPECT_EQ(column(QStringLiteral("select Code from Medicare.tbMedPackage_NEW_TEST")),
              QStringList{"A00.0"});
    EXPECT_EQ(indexesOn(QStringLiteral("tbMedPackage_NEW_TEST")).size(), 3);
    EXPECT_EQ(indexesOn(QStringLiteral("tbMedPackage_NEW")).size(), 3);
    EXPECT_EQ(
        column(QStringLiteral("select count(*) from pragma_table_info('tbMedPackage', 'Medicare') where "
                              "name = 'ID'")),
        QStringList{"1"});

    // The same suffix again: no copy is refreshed, and each one there already is named with
    // its rows, in plain words.
    dbs.addPackage("40", "Fourth", 1, 1, 1);
    outcome = backup(QStringLiteral("_2_14_2024"));
    EXPECT_EQ(
        outcome.failures,
        (QStringList{"The copy tbMedPackage_2_14_2024 of tbMedPackage exists already (3 rows) and was not "
                     "refreshed.",
                     "The copy tbMed_MedicalCaseRates_2_14_2024 of tbMed_MedicalCaseRates exists already (2 "
                     "rows) and was not refreshed.",
                     "The copy tbMed_Procedures_2_14_2024 of tbMed_Procedures exists already (1 row) and was "
                     "not refreshed."}));
    EXPECT_EQ(
        outcome.messages,
        QStringList{"No copy was made with the suffix _2_14_2024.\n"
                    "These copies exist already with this suffix, from an earlier backup, and were kept "
                    "as they were (type another suffix for new copies):\n"
                    "tbMedPackage_2_14_2024: 3 rows\n"
                    "tbMed_MedicalCaseRates_2_14_2024: 2 rows\n"
                    "tbMed_Procedures_2_14_2024: 1 row"});
    EXPECT_EQ(rows(QStringLiteral("tbMedPackage_2_14_2024")).size(), 3);

    // A missing source table is named too; the copies before it are made.
    dbs.exec(QStringLiteral("Medicare"), QStringLiteral("DROP TABLE tbMedPackage_NEW"));
    outcome = backup(QStringLiteral("_05_03_2024"), true);
    EXPECT_EQ(outcome.failures,
              QStringList{"The copy tbMedPackage_NEW_05_03_2024 of tbMedPackage_NEW was not made: the table "
                          "Medicare.tbMedPackage_NEW does not exist."});
    ASSERT_EQ(outcome.messages.size(), 1);
    EXPECT_TRUE(
        outcome.messages[0].startsWith(QLatin1String("Done. 3 copies made with the suffix _05_03_2024:\n")));
    EXPECT_TRUE(
        outcome.messages[0].contains(QLatin1String("\n\nThese were not made:\n") + outcome.failures[0]))
        << outcome.messages[0].toStdString();
    EXPECT_EQ(rows(QStringLiteral("tbMedPackage_05_03_2024")).size(), 4);

    const QList<db::ActivityLogEntry> log = db::ActivityLog(*connection).last(0);
    ASSERT_EQ(log.size(), 4);
    EXPECT_EQ(log[2].text, QStringLiteral("Table backup with suffix _2_14_2024: no copy made; there already: "
                                          "tbMedPackage_2_14_2024, tbMed_MedicalCaseRates_2_14_2024, "
                                          "tbMed_Procedures_2_14_2024"));
    EXPECT_TRUE(log[3].text.endsWith(QLatin1String("tbMed_Procedures_05_03_2024 1 rows; not made: "
                                                   "tbMedPackage_NEW_05_03_2024")))
        << log[3].text.toStdString();
}

TEST_P(TableBackup, aRefusedSuffixTouchesNothing)
{
    const QStringList before = snapshot();
    const quint64 sent = connection->statementsSent();
    for (const QString& suffix :
         {QString(), QStringLiteral(" "), QStringLiteral("_2 14"), QStringLiteral("_X'"),
          QStringLiteral("x] --"), QStringLiteral("[x"), QStringLiteral("_É"),
          QStringLiteral("x;drop table tbMedPackage"), QStringLiteral("x").repeated(65)}) {
        EXPECT_FALSE(tools::isValidCopySuffix(suffix)) << suffix.toStdString();
        try {
            backup(suffix);
            ADD_FAILURE() << "taken: " << suffix.toStdString();
        } catch (const Error& e) {
            EXPECT_TRUE(e.message().contains(QLatin1String("letters (A to Z), digits or underscores")));
            EXPECT_TRUE(e.message().endsWith(QLatin1String("No table was copied.")));
        }
    }
    EXPECT_EQ(connection->statementsSent(), sent);
    EXPECT_EQ(snapshot(), before);
    for (const QString& suffix :
         {QStringLiteral("_TEST"), QStringLiteral("x").repeated(64), QStringLiteral("2024")})
        EXPECT_TRUE(tools::isValidCopySuffix(suffix)) << suffix.toStdString();
    EXPECT_EQ(tools::copySuffixProblem(QString()).left(26), QStringLiteral("The copy suffix is empty. "));
}

TEST_P(TableBackup, aLostConnectionIsPassedOverStatementByStatementAndReported)
{
    connection->setBeforeStatementHook([] { throw Error(QStringLiteral("connection lost")); });
    const jobs::JobOutcome outcome = backup(QStringLiteral("_X"), true);
    connection->setBeforeStatementHook({});
    // The four copies and the log line; the live-table statements stay quiet.
    ASSERT_EQ(outcome.failures.size(), 5) << outcome.failures.join('\n').toStdString();
    EXPECT_TRUE(outcome.failures[4].startsWith(QLatin1String("The activity-log line of this backup was not "
                                                             "written: connection lost")));
    EXPECT_EQ(
        column(QStringLiteral("select count(*) from pragma_table_info('tbMedPackage', 'Medicare') where "
                              "name = 'ID'")),
        QStringList{"0"});
    EXPECT_TRUE(
        column(QStringLiteral("select name from Medicare.sqlite_master where name glob '*_X*'")).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Backends, TableBackup, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "SqliteOdbc" : "Embedded"; });

// The statements SQL Server receives, in the order the hospital's staff know them.
TEST(TableBackupStatements, sqlServerTextsAndOrder)
{
    const QStringList texts = tools::backupStatementTexts(db::Product::SqlServer, QStringLiteral("_S"), true);
    ASSERT_EQ(texts.size(), 27);
    EXPECT_EQ(
        texts.mid(0, 7),
        (QStringList{"USE [MEDICARE]", "USE MEDICARE",
                     "ALTER TABLE [Medicare]..[tbMedPackage] ADD [ID] [bigint] IDENTITY(1,1) NOT NULL ",
                     "ALTER TABLE [Medicare]..[tbMed_MedicalCaseRates] ADD [ID] [bigint] IDENTITY(1,1) NOT "
                     "NULL ",
                     "ALTER TABLE [Medicare]..[tbMed_Procedures] ADD [ID] [bigint] IDENTITY(1,1) NOT NULL ",
                     "SELECT * INTO MEDICARE..tbMedPackage_S FROM MEDICARE..tbMedPackage",
                     " CREATE NONCLUSTERED INDEX [by_CaseType] ON [dbo].[tbMedPackage_S] ([CaseType] Asc) ON "
                     "[PRIMARY] "}));
    EXPECT_EQ(texts[11],
              QStringLiteral(" CREATE NONCLUSTERED INDEX [by_ICDCode] ON [dbo].[tbMed_MedicalCaseRates] "
                             "([ICDCode] Asc) ON [PRIMARY] "));
    EXPECT_EQ(texts[14],
              QStringLiteral("SELECT * INTO MEDICARE..tbMed_Procedures_S FROM MEDICARE..tbMed_Procedures"));
    EXPECT_EQ(
        texts[19],
        QStringLiteral(" CREATE NONCLUSTERED INDEX [by_Package] ON [dbo].[tbMedPackage] ([Package] Asc) ON "
                       "[PRIMARY] "));
    EXPECT_EQ(texts[20],
              QStringLiteral("SELECT * INTO MEDICARE..tbMedPackage_NEW_S FROM MEDICARE..tbMedPackage_NEW"));
    EXPECT_EQ(texts.last(),
              QStringLiteral(" CREATE NONCLUSTERED INDEX [by_Package] ON [dbo].[tbMedPackage_NEW] "
                             "([Package] Asc) ON [PRIMARY] "));
    EXPECT_EQ(tools::backupStatementTexts(db::Product::SqlServer, QStringLiteral("_S"), false),
              texts.mid(0, 20));
}
