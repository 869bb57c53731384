// Applying the update run over the small made-up rate lists, and undoing the apply, on the
// embedded database and through the SQLite ODBC driver: what they change, what the next run
// then finds, and the refusals (a row changed since, a second apply or undo, another
// database, a failure part-way) that leave the tables and the activity log as they were.
#include "apply/ApplyPreflight.h"
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
#include "tools/TableBackup.h"

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

    jobs::Findings runUpdate(bool updateDescriptions = true)
    {
        jobs::JobContext context;
        context.programFolder = folder.path();
        context.clock = [] { return kWhen; };
        context.existingConnection = connection.get();
        caserates::UpdateRunParams params;
        params.updateDescriptions = updateDescriptions;
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

    QString output() const { return folder.path() + "/output"; }
    apply::RunRecord record() const { return apply::readRunRecord(folder.outputFile("changes.json")); }
    QString planRefusal()
    {
        return refusalOf([&] { apply::planApply(*connection, record(), output(), kWhen); });
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
        EXPECT_TRUE(e.message().contains("not the connected")) << e.what();
    }
}

// The question names what is unusual about the apply; what would refuse it is known before
// anything is asked.
TEST_P(ApplyRun, thePlanNamesWhatIsUnusualAndRefusesWhatTheApplyWould)
{
    const apply::ApplyPlan plan = apply::planApply(*connection, record(), output(), kWhen);
    EXPECT_EQ(plan.counts.text(), apply::countChanges(record()).text());
    const QString noBackup = "No backup was made today with \"Step1. Create table copies on\" (the activity "
                             "log holds none).";
    EXPECT_EQ(plan.notes, QStringList{noBackup});
    EXPECT_TRUE(plan.question().contains("\n\nNote:\n- " + noBackup + "\n\n"))
        << plan.question().toStdString();

    tools::TableBackupParams backup;
    backup.suffix = "_2024";
    backup.log = {"tester", "ws1"};
    tools::backupTables(*connection, backup, {{}, {}, [] { return kWhen.addSecs(-3600); }});
    EXPECT_EQ(apply::applyNotes(*connection, record(), kWhen), QStringList{});
    EXPECT_EQ(apply::applyNotes(*connection, record(), kWhen.addDays(1)),
              QStringList{"No backup was made today with \"Step1. Create table copies on\" (the last one "
                          "on 2024-02-14 08:30:00)."});

    // Test copies and Ver B: the tables they would change, though the apply refuses them.
    apply::RunRecord aimed = record();
    aimed.testSuffix = "_TEST";
    aimed.verB = true;
    const QStringList notes = apply::applyNotes(*connection, aimed, kWhen);
    ASSERT_EQ(notes.size(), 2) << notes.join('\n').toStdString();
    EXPECT_TRUE(
        notes[0].startsWith("The run aimed at the test copies (\"Test Table\", suffix _TEST): the apply "
                            "changes tbMedPackage_TEST, tbMed_MedicalCaseRates_TEST and "
                            "tbMed_Procedures_TEST, not the live tables."))
        << notes[0].toStdString();
    EXPECT_EQ(notes[1], "The run kept tbMedPackage_NEW in step (\"Philhealth Ver B.\"): the apply changes "
                        "tbMedPackage_NEW too (0 new rows, 0 rows of rates).");
    apply::writeRunRecord(aimed, output());
    EXPECT_TRUE(planRefusal().contains("it aimed at the test copies")) << planRefusal().toStdString();

    // Description changes a run without "Update Descriptions" leaves out, marked on its page.
    const int descriptions = count(runUpdate(false), ChangeClass::DescriptionChange);
    ASSERT_GT(descriptions, 0);
    EXPECT_EQ(apply::applyNotes(*connection, record(), kWhen),
              QStringList{QString::number(descriptions) +
                          " description changes are left out: the run was made without \"Update "
                          "Descriptions\" (the review page marks them as not applied)."});
    const QByteArray page = test::readBytes(folder.outputFile("report.html"));
    EXPECT_TRUE(page.contains(">Not applied: the run was made without &quot;Update Descriptions&quot;"))
        << page.toStdString();
    EXPECT_EQ(page.count("<tr class=\"change not-applied\">"), descriptions);

    // Applied already, an older run, another database: refused before anything is asked.
    runUpdate();
    apply::RunRecord older = record();
    apply::applyRun(*connection, output(), {"tester", "ws1"}, kWhen.addSecs(60));
    EXPECT_TRUE(planRefusal().contains("it was applied already")) << planRefusal().toStdString();
    older.runId += "-older";
    apply::writeRunRecord(older, output());
    EXPECT_TRUE(planRefusal().contains("changed by an apply or an undo on 2024-02-14 09:31:00, after the run "
                                       "of 2024-02-14 09:30:00"))
        << planRefusal().toStdString();
    test::SmallDatabases other(GetParam());
    auto elsewhere = db::Connection::open(other.settings());
    EXPECT_TRUE(refusalOf([&] {
                    apply::planApply(*elsewhere, record(), output(), kWhen);
                }).contains("not the connected"));
}

// A stopped run is applied only when the stop was confirmed; an incomplete one never.
TEST_P(ApplyRun, aStoppedRunNeedsConfirmingAndAnIncompleteOneIsRefused)
{
    apply::RunRecord stopped = record();
    stopped.completeness.add(apply::RunCompletion::Stopped,
                             "lines 2 to 3 of \"ICD PH 2024.txt\": the diagnosis pass was stopped");
    apply::writeRunRecord(stopped, output());
    const QStringList before = snapshot();
    const apply::ApplyPlan plan = apply::planApply(*connection, record(), output(), kWhen);
    EXPECT_TRUE(plan.stopped());
    EXPECT_TRUE(
        plan.question().contains("The run was stopped before its end and did not read lines 2 to 3 of "
                                 "\"ICD PH 2024.txt\": the diagnosis pass was stopped."))
        << plan.question().toStdString();
    EXPECT_TRUE(refusal().contains("applying a stopped run was not confirmed")) << refusal().toStdString();
    EXPECT_EQ(snapshot(), before);
    const apply::ApplyResult applied =
        apply::applyRun(*connection, output(), {"tester", "ws1"}, kWhen, {}, stopped.runId, true);
    EXPECT_GT(applied.counts.total(), 0);

    apply::RunRecord incomplete = record();
    incomplete.runId += "-2";
    incomplete.completeness = {};
    incomplete.completeness.add(apply::RunCompletion::Incomplete,
                                "the whole diagnosis list: Cannot open the rate file \"x\"");
    apply::writeRunRecord(incomplete, output());
    const QString refused = planRefusal();
    EXPECT_TRUE(
        refused.contains("nothing was changed: the run is incomplete: it did not read the whole "
                         "diagnosis list: Cannot open the rate file \"x\". Mend what is named. Run the "
                         "update again."))
        << refused.toStdString();
    EXPECT_EQ(refusalOf([&] {
                  apply::applyRun(*connection, output(), {"tester", "ws1"}, kWhen, {}, {}, true);
              }),
              refused);
}

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
