// Applying the update run over the small made-up rate lists, and undoing the apply, on the
// embedded database and through the SQLite ODBC driver: what they change, what the next run
// then finds, and the refusals (a row changed since, a second apply or undo, another
// database, a failure part-way) that leave the tables and the activity log as they were.
#include "apply/ApplyRun.h"
#include "apply/UndoApply.h"
#include "apply/UndoFile.h"
#include "caserates/UpdateRunJob.h"

#include "Error.h"
#include "db/ActivityLog.h"
#include "review/ChangeClass.h"
#include "support/SmallDatabases.h"
#include "support/StatementFailures.h"
#include "support/TestPaths.h"
#include "support/UpdateRunFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

    apply::UndoResult undo(const QString& file)
    {
        return apply::undoApply(*connection, file, {"tester", "ws1"}, kWhen);
    }

    template <typename F> static QString refusalOf(F f)
    {
        try {
            f();
        } catch (const Error& e) {
            return e.message();
        }
        return {};
    }

    // Every row of the changed tables and, unless `withLog` is false, of the log.
    QStringList snapshot(bool withLog = true)
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
            if (withLog)
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
    EXPECT_EQ(count(second, ChangeClass::RateChange), 0);
    EXPECT_EQ(count(second, ChangeClass::DescriptionChange), 0);
}

TEST_P(ApplyRun, undoPutsEveryRowBackAndTheNextRunFindsWhatTheFirstFound)
{
    const QStringList before = snapshot(false);
    const apply::ApplyResult applied = apply();
    const apply::UndoPlan plan = apply::readUndoPlan(applied.undoFile);
    EXPECT_EQ(plan.runId, applied.runId);
    EXPECT_EQ(plan.restoredRows, applied.counts.rateChanges + applied.counts.descriptionChanges);
    EXPECT_EQ(plan.removedRows, 2 * applied.counts.newCodes); // a package and its case rate each
    EXPECT_EQ(apply::lastUndoFile(folder.path() + "/output"), applied.undoFile);

    const qsizetype logged = db::ActivityLog(*connection).last(0).size();
    runUpdate(); // a later run changes nothing in the database
    const apply::UndoResult undone = undo(applied.undoFile);
    EXPECT_EQ(undone.restoredRows, plan.restoredRows);
    EXPECT_EQ(snapshot(false), before);
    const QList<db::ActivityLogEntry> log = db::ActivityLog(*connection).last(0);
    ASSERT_EQ(log.size(), logged + 1 + plan.restoredRows + plan.removedRows);
    EXPECT_TRUE(log[logged].text.startsWith("Undo of apply of run " + applied.runId))
        << log[logged].text.toStdString();
    EXPECT_EQ(runUpdate(), firstRun);

    // Run once only: the marker says so, and the file is no longer the last to undo.
    const QStringList undoneRows = snapshot();
    EXPECT_TRUE(refusalOf([&] { undo(applied.undoFile); }).contains("it was run already"));
    EXPECT_EQ(apply::lastUndoFile(folder.path() + "/output"), QString());
    EXPECT_EQ(snapshot(), undoneRows);
}

TEST_P(ApplyRun, undoRefusesARowChangedSinceTheApplyAndAFailurePartWay)
{
    const apply::ApplyResult applied = apply();
    const QStringList afterApply = snapshot();
    dbs.exec("Medicare", "UPDATE tbMedPackage SET Amount = 20500 WHERE PackageID = '30'");
    const QString changed = refusalOf([&] { undo(applied.undoFile); });
    EXPECT_TRUE(changed.contains("nothing was changed")) << changed.toStdString();
    EXPECT_TRUE(changed.contains("tbMedPackage PackageID 30 now holds Amount 20500"))
        << changed.toStdString();
    dbs.exec("Medicare", "UPDATE tbMedPackage SET Amount = 21000 WHERE PackageID = '30'");
    EXPECT_EQ(snapshot(), afterApply);

    const int failuresSeen = test::failEachStatementInTurn(
        *connection, 400, [&] { undo(applied.undoFile); },
        [&](const Error& e, int failAt) {
            EXPECT_TRUE(e.message().contains("nothing was changed")) << e.what();
            EXPECT_EQ(snapshot(), afterApply) << "failure at statement " << failAt;
        });
    EXPECT_GT(failuresSeen, 20);
    EXPECT_NE(snapshot(), afterApply);
}

TEST_P(ApplyRun, refusesARunOlderThanTheLastApplyOrUndo)
{
    const QString output = folder.path() + "/output";
    QFile record(output + "/changes.json");
    ASSERT_TRUE(record.open(QIODevice::ReadOnly));
    const QByteArray first = record.readAll();
    record.close();
    runUpdate();
    apply::applyRun(*connection, output, {"tester", "ws1"}, kWhen.addSecs(60));
    QFile::remove(output + "/changes.json");
    ASSERT_TRUE(record.open(QIODevice::WriteOnly));
    record.write(first);
    record.close();
    const QStringList applied = snapshot();
    const QString refused = refusal();
    EXPECT_TRUE(refused.contains("changed by an apply or an undo on 2024-02-14 09:31:00"))
        << refused.toStdString();
    EXPECT_EQ(snapshot(), applied);
}

TEST_P(ApplyRun, refusesARowChangedSinceTheRunAnotherDatabaseAndAFailurePartWay)
{
    const QStringList before = snapshot();
    dbs.exec("Medicare", "UPDATE tbMedPackage SET Amount = 20100 WHERE PackageID = '30'");
    const QStringList changedByHand = snapshot();
    const QString drift = refusal();
    EXPECT_TRUE(drift.contains("nothing was changed")) << drift.toStdString();
    EXPECT_TRUE(drift.contains("package 30 (code 10080) now holds Amount 20100")) << drift.toStdString();
    EXPECT_EQ(snapshot(), changedByHand);
    dbs.exec("Medicare", "UPDATE tbMedPackage SET Amount = 20000 WHERE PackageID = '30'");
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
        // The database is named once, as the connection describes it.
        EXPECT_TRUE(e.message().contains("it read " + connection->settings().describe())) << e.what();
        EXPECT_FALSE(e.message().contains("the database the")) << e.what();
    }
}

#ifdef Q_OS_UNIX
// A link planted in the output folder in place of a file the apply or the undo writes: the
// command refuses before it changes anything, and nothing is written where the link points.
TEST_P(ApplyRun, refusesToWriteThroughALinkInTheOutputFolder)
{
    const QString output = folder.path() + "/output";
    const QString elsewhere = folder.path() + "/elsewhere";
    const QString runId = apply::readRunRecord(folder.outputFile("changes.json")).runId;
    const QStringList before = snapshot();
    for (const QString& planted :
         {apply::appliedMarkerPath(output, runId), apply::newUndoFilePath(output, kWhen)}) {
        ASSERT_TRUE(QFile::link(elsewhere, planted));
        const QString refused = refusal();
        EXPECT_TRUE(refused.contains("nothing was changed")) << refused.toStdString();
        EXPECT_TRUE(refused.contains(QDir::toNativeSeparators(planted) + "\" is a link"))
            << refused.toStdString();
        EXPECT_FALSE(QFileInfo::exists(elsewhere));
        EXPECT_EQ(snapshot(), before);
        ASSERT_TRUE(QFile::remove(planted));
    }

    const apply::ApplyResult applied = apply();
    const QStringList afterApply = snapshot();
    const QString undoMarker = apply::undoneMarkerPath(applied.undoFile);
    ASSERT_TRUE(QFile::link(elsewhere, undoMarker));
    const QString refused = refusalOf([&] { undo(applied.undoFile); });
    EXPECT_TRUE(refused.contains("nothing was changed")) << refused.toStdString();
    EXPECT_TRUE(refused.contains("is a link")) << refused.toStdString();
    EXPECT_FALSE(QFileInfo::exists(elsewhere));
    EXPECT_EQ(snapshot(), afterApply);

    // The run record a run writes.
    const apply::RunRecord record = apply::readRunRecord(folder.outputFile("changes.json"));
    ASSERT_TRUE(QFile::remove(folder.outputFile("changes.json")));
    ASSERT_TRUE(QFile::link(elsewhere, folder.outputFile("changes.json")));
    EXPECT_THROW(apply::writeRunRecord(record, output), Error);
    EXPECT_FALSE(QFileInfo::exists(elsewhere));
}
#endif

// Whatever a stored text holds, the undo file's T-SQL keeps it inside its literal and the
// data lines give it back unchanged.
TEST(UndoFile, keepsAnyTextInsideItsLiteralAndReadsItBack)
{
    // A line break inside a literal would let a stored text start a line of its own.
    const QString evil = "it's */ a /* \"test\"\r\n-- DROP TABLE x; \u00f6";
    apply::UndoRecord record{
        "20240214-093000-1", "embedded: /tmp/db", "o'neil\nx", kWhen, "1 rate change", {}};
    record.steps.push_back({apply::UndoStep::Action::Restore,
                            "tbMed_MedicalCaseRates",
                            "ICDCode",
                            "A'1",
                            {},
                            {{"Description", evil}},
                            {{"Description", "new"}}});
    record.steps.push_back({apply::UndoStep::Action::Restore,
                            "tbMedPackage",
                            "PackageID",
                            "8",
                            {},
                            {{"Amount", 6000.5}, {"PF", QVariant()}, {"MedRoomBoard", "1,800"}},
                            {{"Amount", "6500"}, {"PF", "1"}, {"MedRoomBoard", "2"}}});
    const QByteArray text = apply::undoFileText(record);
    const QString sql = QString::fromUtf8(text);
    EXPECT_TRUE(sql.contains("SET Description = N'it''s */ a /* \"test\"' + NCHAR(13) + N'' + NCHAR(10) + "
                             "N'-- DROP TABLE x; \u00f6' "
                             "WHERE ICDCode = N'A''1';"));
    EXPECT_TRUE(
        sql.contains("SET Amount = 6000.5, MedRoomBoard = N'1,800', PF = NULL WHERE PackageID = N'8';"));
    EXPECT_TRUE(sql.contains("-- Applied 2024-02-14 09:30:00 by o'neil x: 1 rate change\r\n"));
    for (const QString& line : sql.split("\r\n")) {
        if (line.startsWith("--@ ")) {
            EXPECT_FALSE(line.contains("*/") || line.contains("/*")) << line.toStdString();
        }
    }

    test::TempProgramFolder folder;
    const QString path = apply::newUndoFilePath(folder.path(), kWhen);
    EXPECT_TRUE(path.endsWith("/undo 2024-02-14 093000.sql"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    EXPECT_TRUE(apply::newUndoFilePath(folder.path(), kWhen).endsWith("/undo 2024-02-14 093000 (2).sql"));
    EXPECT_EQ(apply::readUndoFile(path), record);

    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(text).replace("tbMedPackage", "tbSomethingElse"));
    file.close();
    EXPECT_THROW(apply::readUndoFile(path), Error);
}

INSTANTIATE_TEST_SUITE_P(Backends, ApplyRun, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "SqliteOdbc" : "Embedded"; });
