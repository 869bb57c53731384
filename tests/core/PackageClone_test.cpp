#include "Error.h"
#include "db/ActivityLog.h"
#include "support/SmallDatabases.h"
#include "support/SqliteOdbc.h"
#include "support/StatementFailures.h"
#include "tools/PackageClone.h"

#include <QSqlQuery>
#include <gtest/gtest.h>

#include <thread>

using namespace orvex;
using tools::CloneParams;
using tools::CloneResult;
using Outcome = CloneResult::Outcome;

namespace {

// Packages 7, 12 and 100 (the largest as a number is 100, as text 7); case rates of an ICD
// and an RVS code, a case rate without package and one whose package is missing.
class PackageClone : public ::testing::TestWithParam<bool>
{
protected:
    PackageClone() : dbs(GetParam()) {}

    void SetUp() override
    {
        if (GetParam()) // the same tables through the SQLite ODBC driver
            ORVEX_SKIP_WITHOUT_SQLITE_ODBC();
        for (const char* id : {"7", "12", "100"})
            dbs.exec(
                QStringLiteral("Medicare"),
                QStringLiteral("INSERT INTO tbMedPackage (PackageID, Package, Shortcut, Amount, PF, "
                               "MedRoomBoard, MedDrugs, MedOthers, MedOR, Status, CaseType, IsAllowSlashing, "
                               "Type, isZBenefit, isAllowSecondCR, HCIPercentage, PFPercentage, "
                               "CaseRatePercentage, isACR, canMultiple) VALUES "
                               "(?, 'Package ' || ?, 'S', 9000, 2700, 6300, 1, 2, 3, 1, 1, 0, 1, 0, 1, "
                               "70, 30, 100, 0, 1)"),
                {QString::fromLatin1(id), QString::fromLatin1(id)});
        dbs.addCaseRate("A00.0", "Cholera", "12");
        dbs.addCaseRate("A00.1", "Cholera eltor", "12");
        dbs.addCaseRate("B01", "Varicella", "404");
        dbs.exec(
            QStringLiteral("Medicare"),
            QStringLiteral("INSERT INTO tbMed_MedicalCaseRates (ICDCode, PackageID) VALUES ('C01', NULL)"));
        dbs.exec(
            QStringLiteral("Medicare"),
            QStringLiteral("INSERT INTO tbMed_Procedures (RVSCODE, Description, PackageID, Status) VALUES "
                           "('77401', 'Radiation', '7', 1), ('77401', 'Radiation again', '7', 1)"));
        connection = db::Connection::open(dbs.settings());
    }

    CloneResult clone(db::CaseRateTable table, const QString& code)
    {
        return tools::clonePackage(*connection, CloneParams{table, code, {"tester", "ws1"}},
                                   QDateTime::currentDateTime());
    }

    QStringList column(const QString& sql) { return test::columnValues(*connection, sql); }

    // Every row of the three tables and the log, to show that nothing changed.
    QStringList snapshot()
    {
        QStringList rows =
            column(QStringLiteral("select PackageID || '|' || Package from Medicare.tbMedPackage "
                                  "order by rowid"));
        rows += column(QStringLiteral("select ICDCode || '|' || ifnull(PackageID, 'NULL') from "
                                      "Medicare.tbMed_MedicalCaseRates order by rowid"));
        rows += column(QStringLiteral("select PackageID from Medicare.tbMed_Procedures order by rowid"));
        rows.append(QString::number(db::ActivityLog(*connection).last(0).size()));
        return rows;
    }

    QString failureOf(db::CaseRateTable table, const QString& code)
    {
        try {
            clone(table, code);
        } catch (const Error& e) {
            return e.message();
        }
        return QStringLiteral("(no error)");
    }

    test::SmallDatabases dbs;
    std::unique_ptr<db::Connection> connection;
};

} // namespace

TEST_P(PackageClone, givesIcdAndRvsCaseRatesPackagesOfTheirOwnAndLogsBoth)
{
    EXPECT_EQ(clone(db::CaseRateTable::Medical, QString()).outcome, Outcome::NothingToDo);

    const CloneResult icd = clone(db::CaseRateTable::Medical, QStringLiteral("A00.0"));
    EXPECT_EQ(icd.outcome, Outcome::Done);
    EXPECT_EQ(icd.oldPackageId, QStringLiteral("12"));
    EXPECT_EQ(icd.newPackageId, QStringLiteral("101")); // the maximum as a number
    EXPECT_EQ(column(QStringLiteral("select PackageID from Medicare.tbMed_MedicalCaseRates where ICDCode in "
                                    "('A00.0', 'A00.1') order by rowid")),
              (QStringList{"101", "12"}));
    // Every copied column is the old package's; only the identifier differs.
    const QString columns = QStringLiteral(
        "Package, Shortcut, Amount, PF, MedRoomBoard, MedDrugs, MedOthers, MedOR, Status, CaseType, "
        "IsAllowSlashing, Type, isZBenefit, isAllowSecondCR, HCIPercentage, PFPercentage, "
        "CaseRatePercentage, "
        "isACR, canMultiple");
    EXPECT_EQ(
        column(QStringLiteral("select count(*) from (select %1 from Medicare.tbMedPackage where PackageID "
                              "in ('12', '101') group by %1)")
                   .arg(columns)),
        QStringList{"1"});

    const CloneResult rvs = clone(db::CaseRateTable::Procedures, QStringLiteral("77401"));
    EXPECT_EQ(rvs.outcome, Outcome::Done);
    EXPECT_EQ(rvs.newPackageId, QStringLiteral("102"));
    // Only the first case rate of a code is split off.
    EXPECT_EQ(column(QStringLiteral("select PackageID from Medicare.tbMed_Procedures order by rowid")),
              (QStringList{"102", "7"}));
    EXPECT_EQ(column(QStringLiteral("select Package from Medicare.tbMedPackage where PackageID = '102'")),
              QStringList{"Package 7"});

    const QList<db::ActivityLogEntry> log = db::ActivityLog(*connection).last(0);
    ASSERT_EQ(log.size(), 2);
    EXPECT_EQ(log[0].text,
              QStringLiteral(
                  "New package 101 for ICD code A00.0 in tbMed_MedicalCaseRates, copied from package 12"));
    EXPECT_EQ(
        log[1].text,
        QStringLiteral("New package 102 for RVS code 77401 in tbMed_Procedures, copied from package 7"));
    EXPECT_EQ(log[1].user, QStringLiteral("tester"));
}

TEST_P(PackageClone, unknownAndHostileCodesAreNotFoundAndChangeNothing)
{
    const QStringList before = snapshot();
    for (const QString& code : {QStringLiteral("A00.0' or '1'='1"), QStringLiteral("X").repeated(300),
                                QStringLiteral("  "), QStringLiteral("77401")})
        EXPECT_EQ(clone(db::CaseRateTable::Medical, code).outcome, Outcome::NotFound)
            << code.left(20).toStdString();
    EXPECT_EQ(snapshot(), before);
}

TEST_P(PackageClone, aCaseRateWithoutItsPackageOrABadIdentifierIsRefusedAndChangesNothing)
{
    const QStringList before = snapshot();
    EXPECT_EQ(
        failureOf(db::CaseRateTable::Medical, QStringLiteral("B01")),
        QStringLiteral("No new package was made for ICD code \"B01\", and nothing was changed: its case rate "
                       "uses package \"404\", which does not exist in tbMedPackage."));
    EXPECT_TRUE(failureOf(db::CaseRateTable::Medical, QStringLiteral("C01"))
                    .endsWith("names no package (PackageID is empty)."));
    EXPECT_EQ(snapshot(), before);

    dbs.exec(QStringLiteral("Medicare"),
             QStringLiteral("INSERT INTO tbMedPackage (PackageID) VALUES ('12a')"));
    const QStringList withBadId = snapshot();
    EXPECT_TRUE(failureOf(db::CaseRateTable::Medical, QStringLiteral("A00.0"))
                    .contains(QLatin1String(
                        "tbMedPackage holds the PackageID \"12a\", which is not a whole number")));
    EXPECT_EQ(snapshot(), withBadId);
}

// A code whose package no other case rate uses has nothing to split off: a copy would leave
// its package unused, as a second clone of the same code would leave the first copy.
TEST_P(PackageClone, aCodeWithAPackageOfItsOwnIsNotSplitAgain)
{
    EXPECT_EQ(clone(db::CaseRateTable::Medical, QStringLiteral("A00.0")).newPackageId, QStringLiteral("101"));
    const QStringList before = snapshot();
    for (const auto& [code, package] : {std::pair{"A00.0", "101"}, std::pair{"A00.1", "12"}})
        EXPECT_EQ(
            failureOf(db::CaseRateTable::Medical, QString::fromLatin1(code)),
            QStringLiteral("No new package was made for ICD code \"%1\", and nothing was changed: its case "
                           "rate has package \"%2\" of its own already; no other case rate uses it.")
                .arg(QString::fromLatin1(code), QString::fromLatin1(package)));
    EXPECT_EQ(snapshot(), before);
    // Every package is used by a case rate.
    EXPECT_EQ(
        column(QStringLiteral("select count(*) from Medicare.tbMedPackage p where PackageID <> '100' and "
                              "not exists (select 1 from Medicare.tbMed_MedicalCaseRates m where "
                              "m.PackageID = p.PackageID) and not exists (select 1 from "
                              "Medicare.tbMed_Procedures r where r.PackageID = p.PackageID)")),
        QStringList{"0"});
}

TEST_P(PackageClone, aFailureBeforeAnyStatementOfTheCloneChangesNothing)
{
    const QStringList before = snapshot();
    const int failuresSeen = test::failEachStatementInTurn(
        *connection, 40, [&] { clone(db::CaseRateTable::Medical, QStringLiteral("A00.0")); },
        [&](const Error& e, int failAt) {
            EXPECT_TRUE(e.message().contains(QLatin1String("connection lost"))) << e.what();
            EXPECT_EQ(snapshot(), before) << "failure before statement " << failAt;
        });
    EXPECT_GE(failuresSeen, 8); // begin, maximum, lookup, package check, sharers, move, copy, log, commit
    EXPECT_NE(snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(Backends, PackageClone, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "SqliteOdbc" : "Embedded"; });

TEST(PackageCloneConcurrency, twoWorkstationsCloningAtOnceTakeDifferentIdentifiers)
{
    test::SmallDatabases dbs;
    dbs.addPackage("5", "Shared", 100, 30, 70);
    dbs.addCaseRate("A01", "One", "5");
    dbs.addCaseRate("A02", "Two", "5");
    dbs.addCaseRate("A03", "Three", "5"); // still shared once both are split off
    auto first = db::Connection::open(dbs.settings());
    std::thread second;
    CloneResult secondResult;
    int sent = 0;
    // The first clone has read the maximum when the second starts; it holds its transaction a
    // little before going on, time enough for the second to read the same maximum if it could.
    first->setBeforeStatementHook([&] {
        if (++sent != 3)
            return;
        second = std::thread([&] {
            auto own = db::Connection::open(dbs.settings());
            secondResult = tools::clonePackage(*own, {db::CaseRateTable::Medical, QStringLiteral("A02"), {}},
                                               QDateTime::currentDateTime());
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    });
    const CloneResult firstResult = tools::clonePackage(
        *first, {db::CaseRateTable::Medical, QStringLiteral("A01"), {}}, QDateTime::currentDateTime());
    second.join();
    EXPECT_EQ(firstResult.newPackageId, QStringLiteral("6"));
    EXPECT_EQ(secondResult.newPackageId, QStringLiteral("7"));
}
