// The apply as a job, as the window runs it: on its own connection from the context's
// settings, with the context's clock, and only the run the user confirmed.
#include "apply/ApplyJobs.h"
#include "caserates/UpdateRunJob.h"

#include "Error.h"
#include "db/ActivityLog.h"
#include "support/SmallDatabases.h"
#include "support/TestPaths.h"
#include "support/UpdateRunFixture.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace orvex;

namespace {

const QDateTime kWhen(QDate(2024, 2, 14), QTime(9, 30, 0));

struct ApplyJobFixture
{
    test::SmallDatabases dbs;
    test::TempProgramFolder folder;
    jobs::JobContext context;

    ApplyJobFixture()
    {
        test::fillForUpdateRun(dbs);
        for (const char* name : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"})
            QFile::copy(test::fixturePath(QStringLiteral("update-run/") + name), folder.path() + '/' + name);
        context.programFolder = folder.path();
        context.clock = [] { return kWhen; };
        context.connection = dbs.settings();
        caserates::UpdateRunJob(caserates::UpdateRunParams{}).run(context, {});
    }
    QString runId() const { return review::readRunRecord(folder.outputFile("changes.json")).runId; }
    QList<db::ActivityLogEntry> log() const
    {
        auto connection = db::Connection::open(dbs.settings());
        return db::ActivityLog(*connection).last(0);
    }
};

} // namespace

TEST(ApplyJob, appliesTheConfirmedRunAndRefusesAnother)
{
    ApplyJobFixture f;
    apply::ApplyJob other({"tester", "ws1"}, QStringLiteral("20240214-093000-00000000"));
    try {
        other.run(f.context, {});
        ADD_FAILURE() << "applied a run that was not confirmed";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("now records the run " + f.runId())) << e.what();
    }
    EXPECT_TRUE(f.log().isEmpty());

    apply::ApplyJob job({"tester", "ws1"}, f.runId());
    const jobs::JobOutcome outcome = job.run(f.context, {});
    EXPECT_EQ(outcome.messages, QStringList{QStringLiteral("Applied run %1 in one transaction: %2.")
                                                .arg(f.runId(), job.result().counts.text())});
    EXPECT_GT(job.result().counts.total(), 0);
    const QList<db::ActivityLogEntry> log = f.log();
    ASSERT_EQ(log.size(), 2 + job.result().counts.total()); // the apply, its changes, its undo file
    EXPECT_EQ(log.front().user, QStringLiteral("tester"));
}

TEST(UndoJob, undoesTheLastApplyOnItsOwnConnection)
{
    ApplyJobFixture f;
    auto packages = [&] {
        auto connection = db::Connection::open(f.dbs.settings());
        return test::columnValues(*connection, "select PackageID || '|' || ifnull(Amount,'') || '|' || "
                                               "ifnull(PF,'') from Medicare.tbMedPackage order by PackageID");
    };
    const QStringList before = packages();
    apply::ApplyJob applyJob({"tester", "ws1"});
    applyJob.run(f.context, {});
    ASSERT_NE(packages(), before);
    const QString undoFile = applyJob.result().undoFile;
    ASSERT_EQ(apply::lastUndoFile(f.folder.path() + "/output"), undoFile);

    apply::UndoJob undo(undoFile, {"tester", "ws1"});
    const jobs::JobOutcome outcome = undo.run(f.context, {});
    EXPECT_EQ(packages(), before);
    EXPECT_EQ(undo.result().runId, f.runId());
    EXPECT_EQ(outcome.messages,
              QStringList{QStringLiteral("Undone: run %1, %2 rows restored, %3 rows removed.")
                              .arg(f.runId())
                              .arg(undo.result().restoredRows)
                              .arg(undo.result().removedRows)});
    EXPECT_GT(undo.result().removedRows, 0);
    EXPECT_TRUE(apply::lastUndoFile(f.folder.path() + "/output").isEmpty());
}
