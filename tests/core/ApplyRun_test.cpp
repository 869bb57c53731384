// Applying the update run over the small made-up rate lists, on the embedded database and
// through the SQLite ODBC driver: what it changes, what a second run then finds, and the
// refusals (a row changed since the run, a second apply, another database, a failure
// part-way) that leave the tables and the activity log as they were.
#include "apply/ApplyRun.h"
#include "caserates/UpdateRunJob.h"

#include "Error.h"
#include "db/ActivityLog.h"
#include "review/ChangeClass.h"
#include "support/SmallDatabases.h"
#include "support/StatementFailures.h"
#include "support/TestPaths.h"
#include "support/UpdateRunFixture.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace orvex;
using review::ChangeClass;

namespace {

const QDateTime kWhen(QDate(2024, 2, 14), QTime(9, 30, 0));

class ApplyRun : public ::testing::TestWithParam<bool>
{
protected:
    ApplyRun() : dbs(GetParam())
    {
        test::fillForUpdateRun(dbs);
        for (const char* name : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"})
            QFile::copy(test::fixturePath(QStringLiteral("update-run/") + name), folder.path() + '/' + name);
        connection = db::Connection::open(dbs.settings());
        firstRun = runUpdate();
    }

    jobs::Findings runUpdate()
    {
        jobs::JobContext context;
        context.programFolder = folder.path();
        context.clock = [] { return kWhen; };
        context.existingConnection = connection.get();
        caserates::UpdateRunParams params;
        params.updateDescriptions = true;
        caserates::UpdateRunJob job(params);
        job.run(context, {});
        return job.changes();
    }

    apply::ApplyResult apply()
    {
        return apply::applyRun(*connection, folder.path() + "/output", {"tester", "ws1"}, kWhen);
    }

    QString refusal()
    {
        try {
            apply();
        } catch (const Error& e) {
            return e.message();
        }
        return {};
    }

    // Every row of the changed tables and of the log.
    QStringList snapshot()
    {
        QStringList rows;
        for (const char* sql :
             {"select PackageID || '|' || ifnull(Package,'') || '|' || ifnull(Amount,'') || '|' || "
              "ifnull(PF,'') "
              "|| '|' || ifnull(MedRoomBoard,'') from Medicare.tbMedPackage order by rowid",
              "select ICDCode || '|' || Description || '|' || PackageID from Medicare.tbMed_MedicalCaseRates "
              "order by rowid",
              "select RVSCODE || '|' || Description || '|' || PackageID from Medicare.tbMed_Procedures "
              "order by rowid"})
            rows << test::columnValues(*connection, QString::fromLatin1(sql));
        for (const db::ActivityLogEntry& e : db::ActivityLog(*connection).last(0))
            rows << e.text;
        return rows;
    }

    static int count(const jobs::Findings& changes, ChangeClass c)
    {
        return int(std::count_if(changes.begin(), changes.end(),
                                 [c](const jobs::Finding& f) { return review::classOf(f) == c; }));
    }

    test::SmallDatabases dbs;
    test::TempProgramFolder folder;
    std::unique_ptr<db::Connection> connection;
    jobs::Findings firstRun;
};

} // namespace

TEST_P(ApplyRun, appliesTheRunOnceAndTheNextRunFindsNothingLeft)
{
    const apply::ApplyResult result = apply();
    EXPECT_EQ(result.counts.newCodes, count(firstRun, ChangeClass::NewCode));
    EXPECT_EQ(result.counts.rateChanges, count(firstRun, ChangeClass::RateChange));
    EXPECT_EQ(result.counts.descriptionChanges, count(firstRun, ChangeClass::DescriptionChange));
    EXPECT_GT(result.counts.newCodes, 0);
    EXPECT_GT(result.counts.rateChanges, 0);
    EXPECT_GT(result.counts.descriptionChanges, 0);
    const QList<db::ActivityLogEntry> log = db::ActivityLog(*connection).last(0);
    ASSERT_EQ(log.size(), 1 + result.counts.total());
    EXPECT_TRUE(log.front().text.startsWith("Apply of update run " + result.runId))
        << log.front().text.toStdString();
    EXPECT_EQ(log.front().user, "tester");

    const QStringList applied = snapshot();
    EXPECT_TRUE(refusal().contains("applied already"));
    EXPECT_EQ(snapshot(), applied);

    const jobs::Findings second = runUpdate();
    EXPECT_EQ(count(second, ChangeClass::NewCode), 0);
    // Codes that share a package with a code whose rates changed now differ from it: the
    // list gives them other rates. Nothing else is left.
    QStringList changedPackages, changedCodes;
    for (const jobs::Finding& f : firstRun)
        if (review::classOf(f) == ChangeClass::RateChange) {
            changedPackages << f.key;
            changedCodes << f.code;
        }
    for (const jobs::Finding& f : second) {
        if (review::classOf(f) != ChangeClass::RateChange)
            continue;
        EXPECT_TRUE(changedPackages.contains(f.key)) << f.code.toStdString();
        EXPECT_FALSE(changedCodes.contains(f.code)) << f.code.toStdString();
    }
    EXPECT_EQ(count(second, ChangeClass::DescriptionChange), 0);
}

TEST_P(ApplyRun, refusesARowChangedSinceTheRunAnotherDatabaseAndAFailurePartWay)
{
    const QStringList before = snapshot();
    dbs.exec("Medicare", "UPDATE tbMedPackage SET Amount = 6100 WHERE PackageID = '8'");
    const QStringList changedByHand = snapshot();
    const QString drift = refusal();
    EXPECT_TRUE(drift.contains("nothing was changed")) << drift.toStdString();
    EXPECT_TRUE(drift.contains("package 8 (code A01.0) now holds Amount 6100")) << drift.toStdString();
    EXPECT_EQ(snapshot(), changedByHand);
    dbs.exec("Medicare", "UPDATE tbMedPackage SET Amount = 6000 WHERE PackageID = '8'");
    EXPECT_EQ(snapshot(), before);

    const int failuresSeen = test::failEachStatementInTurn(
        *connection, 400, [&] { apply(); },
        [&](const Error& e, int failAt) {
            EXPECT_TRUE(e.message().contains("nothing was changed")) << e.what();
            EXPECT_TRUE(e.message().contains("connection lost")) << e.what();
            EXPECT_EQ(snapshot(), before) << "failure at statement " << failAt;
        });
    EXPECT_GT(failuresSeen, 20);
    EXPECT_NE(snapshot(), before);

    // The record names the database it read.
    test::SmallDatabases other(GetParam());
    auto elsewhere = db::Connection::open(other.settings());
    QFile::remove(apply::appliedMarkerPath(folder.path() + "/output",
                                           apply::readRunRecord(folder.outputFile("changes.json")).runId));
    try {
        apply::applyRun(*elsewhere, folder.path() + "/output", {"tester", "ws1"}, kWhen);
        ADD_FAILURE() << "applied to another database";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("not the connected")) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, ApplyRun, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "SqliteOdbc" : "Embedded"; });
