// orvex-cli update --json: the one object the command prints, the same the golden run holds.
#include "caserates/UpdateRunJob.h"
#include "db/ActivityLog.h"
#include "review/RunRecord.h"
#include "support/CliRun.h"
#include "support/SmallDatabases.h"
#include "support/TestPaths.h"
#include "support/UpdateRunFixture.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace orvex;

TEST(UpdateCommand, jsonIsTheRunsObject)
{
    test::SmallDatabases db;
    test::fillForUpdateRun(db);
    test::TempProgramFolder program;
    for (const char* name : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"})
        QFile::copy(test::fixturePath(QStringLiteral("update-run/") + name), program.path() + '/' + name);

    const test::CliRun run = test::runCliInProcess({"--db", db.folder(), "update", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    ASSERT_EQ(test::outputLines(run.out).size(), 1); // one object, one line
    QString text = QString::fromUtf8(run.out);
    text.replace(program.path(), QStringLiteral("<program folder>"));
    const QJsonDocument expected =
        QJsonDocument::fromJson(test::readBytes(test::fixturePath("update-run/default/update.json.golden")));
    // The job's object, with the form of the command line's JSON beside it.
    QJsonObject printed = QJsonDocument::fromJson(text.toUtf8()).object();
    EXPECT_EQ(printed.take(QStringLiteral("format")), QJsonValue(1));
    EXPECT_EQ(QJsonDocument(printed), expected) << run.out.toStdString();
}

// The passes' counters in the words and the alignment of the scan's summary.
TEST(UpdateCommand, printsEachPassInTheScansWords)
{
    test::SmallDatabases db;
    test::fillForUpdateRun(db);
    test::TempProgramFolder program;
    for (const char* name : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"})
        QFile::copy(test::fixturePath(QStringLiteral("update-run/") + name), program.path() + '/' + name);

    const test::CliRun run = test::runCliInProcess({"--db", db.folder(), "update"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString out = QString::fromUtf8(run.out);
    const QString diagnosis = QStringLiteral("diagnosis pass: %1 (16 lines)\n"
                                             "                        Philhealth New Code : 4\n"
                                             "                Philhealth Same Description : 6\n"
                                             " Philhealth Same Code different Description : 3\n"
                                             "                        Philhealth New Rate : 2\n"
                                             "                                 Lines read : 16\n")
                                  .arg(QDir::toNativeSeparators(program.path() + "/ICD PH 2024.txt"));
    EXPECT_TRUE(out.contains(diagnosis)) << run.out.toStdString();
    EXPECT_TRUE(out.contains("procedure pass: ")) << run.out.toStdString();
    EXPECT_FALSE(out.contains("lbl")) << run.out.toStdString();
}

TEST(ApplyCommand, showsTheCountsAndAppliesAndUndoesOnlyWithYesAndOnlyOnce)
{
    test::SmallDatabases db;
    test::fillForUpdateRun(db);
    test::TempProgramFolder program;
    for (const char* name : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"})
        QFile::copy(test::fixturePath(QStringLiteral("update-run/") + name), program.path() + '/' + name);
    ASSERT_EQ(test::runCliInProcess({"--db", db.folder(), "update"}).exitCode, 0);

    const test::CliRun asked = test::runCliInProcess({"--db", db.folder(), "apply"});
    EXPECT_EQ(asked.exitCode, 1);
    EXPECT_TRUE(asked.out.contains(": 5 new codes, 2 rate changes")) << asked.out.toStdString();
    EXPECT_TRUE(asked.out.contains("\nNote: 4 description changes are left out: the run was made without "
                                   "\"Update Descriptions\""))
        << asked.out.toStdString();
    EXPECT_TRUE(asked.out.contains("\nNote: No backup was made today")) << asked.out.toStdString();
    EXPECT_TRUE(asked.err.contains("add --yes")) << asked.err.toStdString();

    const test::CliRun applied =
        test::runCliInProcess({"--db", db.folder(), "apply", "--run", "update", "--yes"});
    EXPECT_EQ(applied.exitCode, 0) << applied.err.toStdString();
    EXPECT_TRUE(applied.out.contains("in one transaction: 5 new codes")) << applied.out.toStdString();

    const test::CliRun again = test::runCliInProcess({"--db", db.folder(), "apply", "--yes"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.err.contains("applied already")) << again.err.toStdString();
    // The same refusal without --yes: what the apply would say is known before it is asked.
    const test::CliRun askedAgain = test::runCliInProcess({"--db", db.folder(), "apply"});
    EXPECT_EQ(askedAgain.exitCode, 1);
    EXPECT_TRUE(askedAgain.err.contains("applied already")) << askedAgain.err.toStdString();
    EXPECT_FALSE(askedAgain.err.contains("add --yes")) << askedAgain.err.toStdString();

    const test::CliRun askedUndo = test::runCliInProcess({"--db", db.folder(), "undo", "--last"});
    EXPECT_EQ(askedUndo.exitCode, 1);
    EXPECT_TRUE(askedUndo.out.contains("puts back 2 rows and removes 10 rows"))
        << askedUndo.out.toStdString();
    const QString undoFile = program.outputFile("undo ");
    EXPECT_TRUE(applied.out.contains("orvex-cli undo \"" + QDir::toNativeSeparators(undoFile).toUtf8()))
        << applied.out.toStdString();
    const test::CliRun undone = test::runCliInProcess({"--db", db.folder(), "undo", "--last", "--yes"});
    EXPECT_EQ(undone.exitCode, 0) << undone.err.toStdString();
    EXPECT_TRUE(undone.out.contains("2 rows put back, 10 rows removed")) << undone.out.toStdString();
    const test::CliRun undoneAgain = test::runCliInProcess({"--db", db.folder(), "undo", "--last", "--yes"});
    EXPECT_NE(undoneAgain.exitCode, 0);
    EXPECT_TRUE(undoneAgain.err.contains("holds no undo file")) << undoneAgain.err.toStdString();
}

// A run stopped before its end is applied only with --stopped.
TEST(ApplyCommand, aStoppedRunNeedsStopped)
{
    test::SmallDatabases db;
    test::fillForUpdateRun(db);
    test::TempProgramFolder program;
    for (const char* name : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"})
        QFile::copy(test::fixturePath(QStringLiteral("update-run/") + name), program.path() + '/' + name);
    // The command line cannot stop a run: one stopped in the window after the first line.
    {
        auto connection = db::Connection::open(db.settings());
        jobs::JobContext context;
        context.programFolder = program.path();
        context.existingConnection = connection.get();
        caserates::UpdateRunJob job({});
        bool stopped = false;
        job.run(context, [&](jobs::JobProgress&& step) {
            if (!stopped && step.linesDone == 1) {
                stopped = true;
                job.requestStop();
            }
        });
    }

    for (const QStringList& args : {QStringList{"apply"}, QStringList{"apply", "--yes"}}) {
        const test::CliRun refused = test::runCliInProcess(QStringList{"--db", db.folder()} + args);
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_TRUE(refused.out.contains("Note: The run was stopped before its end and did not read lines 2 "
                                         "to "))
            << refused.out.toStdString();
        EXPECT_TRUE(refused.out.contains(" of \"ICD PH 2024.txt\": the diagnosis pass was stopped"))
            << refused.out.toStdString();
        EXPECT_TRUE(refused.err.contains("the run was stopped before its end: add --stopped"))
            << refused.err.toStdString();
    }
    const test::CliRun applied = test::runCliInProcess({"--db", db.folder(), "apply", "--stopped", "--yes"});
    EXPECT_EQ(applied.exitCode, 0) << applied.err.toStdString();
    EXPECT_TRUE(applied.out.contains("in one transaction: ")) << applied.out.toStdString();
}

// --digest names the record the user reviewed: one changed since is not applied, even when
// it still holds what the run gives.
TEST(ApplyCommand, digestRefusesARecordChangedSinceItsReview)
{
    test::SmallDatabases db;
    test::fillForUpdateRun(db);
    test::TempProgramFolder program;
    for (const char* name : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"})
        QFile::copy(test::fixturePath(QStringLiteral("update-run/") + name), program.path() + '/' + name);
    ASSERT_EQ(test::runCliInProcess({"--db", db.folder(), "update"}).exitCode, 0);
    const QString path = program.outputFile("changes.json");
    const QString reviewed = review::runRecordDigest(test::readBytes(path));
    const test::CliRun asked = test::runCliInProcess({"--db", db.folder(), "apply"});
    EXPECT_TRUE(asked.out.contains("\nRun record: SHA-256 " + reviewed.toUtf8() + "\n"))
        << asked.out.toStdString();

    // The same record in another layout.
    test::writeBytes(path, QJsonDocument::fromJson(test::readBytes(path)).toJson(QJsonDocument::Compact));
    const QString now = review::runRecordDigest(test::readBytes(path));
    ASSERT_NE(now, reviewed);
    for (const QStringList& args :
         {QStringList{"apply", "--digest", reviewed}, QStringList{"apply", "--digest", reviewed, "--yes"}}) {
        const test::CliRun refused = test::runCliInProcess(QStringList{"--db", db.folder()} + args);
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_TRUE(refused.err.contains("nothing was changed: the run record changed since its review: its "
                                         "SHA-256 is now " +
                                         now.toUtf8()))
            << refused.err.toStdString();
    }
    auto connection = db::Connection::open(db.settings());
    EXPECT_TRUE(db::ActivityLog(*connection).last(0).isEmpty());

    const test::CliRun applied =
        test::runCliInProcess({"--db", db.folder(), "apply", "--digest", now.toUpper(), "--yes"});
    EXPECT_EQ(applied.exitCode, 0) << applied.err.toStdString();
    EXPECT_TRUE(applied.out.contains("in one transaction: 5 new codes")) << applied.out.toStdString();
}
