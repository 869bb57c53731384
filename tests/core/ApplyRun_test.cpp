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
#include "support/ReviewPageRows.h"
#include "support/SmallDatabases.h"
#include "support/SqliteOdbc.h"
#include "support/StatementFailures.h"
#include "support/TestPaths.h"
#include "support/UpdateRunFixture.h"
#include "tools/TableBackup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QSqlRecord>
#include <gtest/gtest.h>

#include <functional>

using namespace orvex;
using review::ChangeClass;

namespace {

const QDateTime kWhen(QDate(2024, 2, 14), QTime(9, 30, 0));

class ApplyRun : public ::testing::TestWithParam<bool>
{
protected:
    ApplyRun() : dbs(GetParam()) {}

    void SetUp() override
    {
        if (GetParam()) // the same tables through the SQLite ODBC driver
            ORVEX_SKIP_WITHOUT_SQLITE_ODBC();
        test::fillForUpdateRun(dbs);
        for (const char* name : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"})
            QFile::copy(test::fixturePath(QStringLiteral("update-run/") + name), folder.path() + '/' + name);
        connection = db::Connection::open(dbs.settings());
        firstRun = runUpdate();
    }

    jobs::Findings runUpdate(bool updateDescriptions = true, bool verB = false,
                             const QString& testSuffix = {})
    {
        jobs::JobContext context;
        context.programFolder = folder.path();
        context.clock = [] { return kWhen; };
        context.existingConnection = connection.get();
        caserates::UpdateRunParams params;
        params.updateDescriptions = updateDescriptions;
        params.verB = verB;
        params.testSuffix = testSuffix;
        caserates::UpdateRunJob job(params);
        job.run(context, {});
        return job.result().changes;
    }

    // The run stopped by its user after the first line of the diagnosis list.
    jobs::Findings runStoppedUpdate()
    {
        jobs::JobContext context;
        context.programFolder = folder.path();
        context.clock = [] { return kWhen; };
        context.existingConnection = connection.get();
        caserates::UpdateRunJob job({});
        bool stopped = false;
        job.run(context, [&](jobs::JobProgress&& step) {
            if (!stopped && step.linesDone == 1) {
                stopped = true;
                job.requestStop();
            }
        });
        return job.result().changes;
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
    review::RunRecord record() const { return review::readRunRecord(folder.outputFile("changes.json")); }
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

    // Every row of a Medicare table, in storage order.
    QStringList tableRows(const QString& table)
    {
        QStringList rows;
        QSqlQuery q = connection->exec("select * from Medicare." + table + " order by rowid");
        while (q.next()) {
            QStringList row;
            for (int i = 0; i < q.record().count(); ++i)
                row << (q.isNull(i) ? "NULL" : q.value(i).toString());
            rows << row.join('|');
        }
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
    ASSERT_EQ(log.size(), 2 + result.counts.total()); // the apply, its changes, its undo file
    EXPECT_TRUE(log.front().text.startsWith("Apply of update run " + result.runId))
        << log.front().text.toStdString();
    EXPECT_EQ(log.front().user, "tester");

    const QStringList applied = snapshot();
    EXPECT_TRUE(refusal().contains("applied already"));
    EXPECT_EQ(snapshot(), applied);
    // Ended after its commit, before its marker: the activity log says it was applied.
    const QString marker = apply::appliedMarkerPath(folder.path() + "/output", result.runId);
    ASSERT_TRUE(QFile::remove(marker));
    EXPECT_TRUE(refusal().contains("the activity log records its apply already")) << refusal().toStdString();
    EXPECT_TRUE(QFile::exists(marker));
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

// The line-by-line reference of the benchmark (a statement per row of every set statement)
// changes the same rows and writes the same undo file, and its undo puts the same rows back.
TEST_P(ApplyRun, aStatementPerRowAppliesAndUndoesTheSameRows)
{
    const QStringList before = snapshot(false);
    auto undoText = [](const apply::ApplyResult& applied) {
        QFile file(applied.undoFile);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QString::fromUtf8(file.readAll()).replace(applied.runId, "<run>").toStdString();
    };
    const apply::ApplyResult sets = apply();
    const QStringList applied = snapshot(false);
    undo(sets.undoFile);
    ASSERT_EQ(snapshot(false), before);

    EXPECT_EQ(runUpdate(), firstRun);
    connection->setRowsPerSetStatement(1);
    const quint64 sent = connection->statementsSent();
    const apply::ApplyResult perRow = apply();
    EXPECT_GT(connection->statementsSent() - sent, quint64(2 * perRow.counts.total()));
    EXPECT_EQ(snapshot(false), applied);
    EXPECT_EQ(undoText(perRow), undoText(sets));
    undo(perRow.undoFile);
    EXPECT_EQ(snapshot(false), before);
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
            EXPECT_EQ(e.message().count("nothing was changed"), 1) << e.what();
            EXPECT_EQ(e.kind(), Error::Kind::Database) << e.what();
            EXPECT_EQ(snapshot(), afterApply) << "failure at statement " << failAt;
        });
    // The reads, the set statements and the log lines: each failure rolls everything back.
    EXPECT_GE(failuresSeen, 10);
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
            EXPECT_EQ(e.message().count("nothing was changed"), 1) << e.what();
            EXPECT_TRUE(e.message().contains("connection lost")) << e.what();
            // A database failure, unless the run made again met it: a record it cannot check is refused.
            EXPECT_EQ(e.kind() == Error::Kind::Database, !e.message().contains("could not be made again"))
                << e.what();
            EXPECT_EQ(snapshot(), before) << "failure at statement " << failAt;
        });
    EXPECT_GT(failuresSeen, 20);
    EXPECT_NE(snapshot(), before);

    // The record names the database it read.
    test::SmallDatabases other(GetParam());
    auto elsewhere = db::Connection::open(other.settings());
    QFile::remove(apply::appliedMarkerPath(folder.path() + "/output",
                                           review::readRunRecord(folder.outputFile("changes.json")).runId));
    try {
        apply::applyRun(*elsewhere, folder.path() + "/output", {"tester", "ws1"}, kWhen);
        ADD_FAILURE() << "applied to another database";
    } catch (const Error& e) {
        // The database is named once, as the connection describes it.
        EXPECT_TRUE(e.message().contains("it read " + connection->settings().describe())) << e.what();
        EXPECT_FALSE(e.message().contains("the database the")) << e.what();
    }
}

// With "Philhealth Ver B." the run keeps tbMedPackage_NEW in step: the apply inserts its new
// rows and writes its amounts as the scripts do, and the undo takes both back.
TEST_P(ApplyRun, appliesAndUndoesTbMedPackageNewWithVerB)
{
    const QStringList before = snapshot(false) + tableRows("tbMedPackage_NEW");
    const jobs::Findings changes = runUpdate(true, true);
    const apply::ApplyResult applied = apply();
    EXPECT_EQ(applied.counts.newStyleRows, count(changes, ChangeClass::NewStyleRow));
    EXPECT_EQ(applied.counts.newStyleRates, count(changes, ChangeClass::NewStyleRates));
    EXPECT_GT(applied.counts.newStyleRows, 0);
    // A new row takes the table's largest PackageID, as the script gives it.
    EXPECT_EQ(test::columnValues(*connection,
                                 "select count(*) from Medicare.tbMedPackage_NEW where Code = 'A01.0' "
                                 "and PackageID = 3 and Package = 'Typhoid fever' and Amount = 6500"),
              QStringList({"1"}));
    undo(applied.undoFile);
    EXPECT_EQ(snapshot(false) + tableRows("tbMedPackage_NEW"), before);
}

// On the test copies the apply changes the copies as the scripts do and leaves the live tables
// alone; without the copies it refuses before changing anything.
TEST_P(ApplyRun, appliesAndUndoesTheTestCopiesOnly)
{
    const QStringList copies = {"tbMedPackage_TEST", "tbMed_MedicalCaseRates_TEST", "tbMed_Procedures_TEST"};
    runUpdate(true, false, "_TEST");
    const QStringList live = snapshot(false);
    EXPECT_TRUE(
        refusal().contains("it aimed at the test copies tbMedPackage_TEST, tbMed_MedicalCaseRates_TEST, "
                           "tbMed_Procedures_TEST, which the database lacks"));
    for (const QString& copy : copies)
        dbs.exec("Medicare", "CREATE TABLE " + copy + " AS SELECT * FROM " + copy.chopped(5));
    QStringList before;
    for (const QString& copy : copies)
        before << tableRows(copy);
    const apply::ApplyResult applied = apply();
    EXPECT_GT(applied.counts.newCodes, 0);
    EXPECT_EQ(snapshot(false), live);
    QStringList after;
    for (const QString& copy : copies)
        after << tableRows(copy);
    EXPECT_NE(after, before);
    EXPECT_EQ(test::columnValues(*connection, "select count(*) from Medicare.tbMed_Procedures_TEST where "
                                              "RVSCODE = '90000'"),
              QStringList({"1"}));
    undo(applied.undoFile);
    QStringList undone;
    for (const QString& copy : copies)
        undone << tableRows(copy);
    EXPECT_EQ(undone, before);
    EXPECT_EQ(snapshot(false), live);
}

// A record changed after its review is seen to differ: the page, the question and the apply's
// log entry name the SHA-256 of the record they were made from.
TEST_P(ApplyRun, theReviewPageTheQuestionAndTheLogNameTheRecordsDigest)
{
    const QString digest = review::runRecordDigest(test::readBytes(folder.outputFile("changes.json")));
    EXPECT_TRUE(test::readBytes(folder.outputFile("report.html"))
                    .contains("changes.json, SHA-256 " + digest.toLatin1()));
    EXPECT_TRUE(apply::planApply(*connection, record(), output(), kWhen)
                    .question()
                    .contains("Run record: SHA-256 " + digest));
    EXPECT_EQ(apply().recordDigest, digest);
    EXPECT_TRUE(db::ActivityLog(*connection).last(0).front().text.endsWith("; run record SHA-256 " + digest));
}

// A record edited after the run is refused whole before anything changes: an amount that is
// no number, a change listed twice, a run id that names other files.
TEST_P(ApplyRun, refusesARecordWithValuesNoRunWrites)
{
    const QString path = folder.outputFile("changes.json");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject reviewed = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    const auto withChanges = [&](const std::function<void(QJsonObject&, QJsonArray&)>& edit) {
        QJsonObject record = reviewed;
        QJsonArray changes = record.value("changes").toArray();
        edit(record, changes);
        record.insert("changes", changes);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QJsonDocument(record).toJson());
        file.close();
        return refusal();
    };
    const auto firstRateChange = [](QJsonArray& changes) {
        for (qsizetype i = 0; i < changes.size(); ++i)
            if (changes[i].toObject().value("class") == "rate-change")
                return i;
        return qsizetype(-1);
    };
    const QStringList before = snapshot();
    for (const char* amount : {"abc", "1e999", "12,34,5"}) {
        const QString refused = withChanges([&](QJsonObject&, QJsonArray& changes) {
            const qsizetype i = firstRateChange(changes);
            QJsonObject change = changes[i].toObject();
            QJsonObject proposed = change.value("proposed").toObject();
            proposed.insert("Amount", amount);
            change.insert("proposed", proposed);
            changes[i] = change;
        });
        EXPECT_TRUE(refused.contains("sets Amount to \"" + QString::fromLatin1(amount) +
                                     "\", which is not an amount"))
            << refused.toStdString();
    }
    const QString twice = withChanges(
        [&](QJsonObject&, QJsonArray& changes) { changes.append(changes[firstRateChange(changes)]); });
    EXPECT_TRUE(twice.contains("is listed twice")) << twice.toStdString();
    const QString escape =
        withChanges([](QJsonObject& record, QJsonArray&) { record.insert("run", "../../escape"); });
    EXPECT_TRUE(escape.contains("is not one a run writes")) << escape.toStdString();
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(QDir(folder.path() + "/output").entryList({"applied *", "undo *"}), QStringList());
}

// A key can have several rows: a procedure code in two packages, a PackageID given twice. The
// statements change every row of the key; the undo gives each row its own values back.
TEST_P(ApplyRun, undoGivesEachRowOfAKeyItsOwnValuesBack)
{
    dbs.exec("Medicare", "INSERT INTO tbMed_Procedures (RVSCODE, Description, PackageID, Status) "
                         "VALUES ('10080', 'PILONIDAL CYST (SECOND PACKAGE)', '31', 1)");
    dbs.addPackage("30", "INCISION AND DRAINAGE (OLD)", 19000, 5000, 14000);
    const QStringList before = snapshot(false);
    runUpdate();
    const apply::ApplyResult applied = apply();
    EXPECT_EQ(test::columnValues(*connection, "select count(*) from Medicare.tbMedPackage "
                                              "where PackageID = '30' and Amount = 21000"),
              QStringList({"2"}));
    EXPECT_EQ(
        test::columnValues(*connection, "select Description from Medicare.tbMed_Procedures "
                                        "where RVSCODE = '10080' order by rowid"),
        QStringList({"Incision and drainage of pilonidal cyst", "Incision and drainage of pilonidal cyst"}));
    undo(applied.undoFile);
    EXPECT_EQ(snapshot(false), before);

    // Two rows that nothing tells apart but their values could not be put back each: refused.
    dbs.addPackage("30", "INCISION AND DRAINAGE (OLD)", 18000, 5000, 13000);
    runUpdate();
    const QStringList twins = snapshot();
    const QString refused = refusal();
    EXPECT_TRUE(refused.contains(
        "package 30 (code 10080) in tbMedPackage: 2 rows of \"INCISION AND DRAINAGE (OLD)\" hold "
        "different values"))
        << refused.toStdString();
    EXPECT_EQ(snapshot(), twins);
}

// The undo runs only a file an apply logged as it wrote it: not one changed since, nor one of an
// apply that never committed; and it leaves a package in place that a later case rate uses.
TEST_P(ApplyRun, undoRunsOnlyTheFileACommittedApplyLoggedAndKeepsPackagesInUse)
{
    const QString output = folder.path() + "/output";
    // A crash between writing the undo file and the commit: the file stays, the apply does not.
    const QString kept = folder.path() + "/kept.sql";
    connection->setBeforeStatementHook([&] {
        const QString written = apply::lastUndoFile(output);
        if (!written.isEmpty() && !QFile::exists(kept)) {
            QFile::copy(written, kept);
            throw Error(QStringLiteral("connection lost"));
        }
    });
    const QStringList start = snapshot(false);
    const QStringList before = snapshot();
    EXPECT_TRUE(refusal().contains("connection lost"));
    connection->setBeforeStatementHook({});
    ASSERT_TRUE(QFile::exists(kept));
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(refusalOf([&] { undo(kept); }).contains("its apply never committed"));

    const apply::ApplyResult applied = apply();
    const QStringList afterApply = snapshot();
    QFile file(applied.undoFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    file.close();
    const QString edited = folder.path() + "/edited.sql";
    QFile copy(edited);
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
    const QByteArray changed = QByteArray(text).replace("\"Amount\":20000", "\"Amount\":20001");
    ASSERT_NE(changed, text);
    copy.write(changed);
    copy.close();
    EXPECT_TRUE(refusalOf([&] { undo(edited); }).contains("it was changed since the apply"));
    EXPECT_EQ(snapshot(), afterApply);

    const QString newPackage = applied.newPackageIds.front();
    dbs.exec("Medicare",
             "INSERT INTO tbMed_MedicalCaseRates (ICDCode, Description, PackageID, Status) "
             "VALUES ('Q99.8', 'Added since', ?, 1)",
             {newPackage});
    const QString inUse = refusalOf([&] { undo(applied.undoFile); });
    EXPECT_TRUE(inUse.contains("package " + newPackage + " is used by ICD Q99.8, added since the apply"))
        << inUse.toStdString();
    dbs.exec("Medicare", "DELETE FROM tbMed_MedicalCaseRates WHERE ICDCode = 'Q99.8'");
    EXPECT_EQ(snapshot(), afterApply);
    undo(applied.undoFile);
    EXPECT_EQ(snapshot(false), start);
}
#ifdef Q_OS_UNIX
// A link planted in the output folder in place of a file the apply or the undo writes: the
// command refuses before it changes anything, and nothing is written where the link points.
TEST_P(ApplyRun, refusesToWriteThroughALinkInTheOutputFolder)
{
    const QString output = folder.path() + "/output";
    const QString elsewhere = folder.path() + "/elsewhere";
    const QString runId = review::readRunRecord(folder.outputFile("changes.json")).runId;
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
    const review::RunRecord record = review::readRunRecord(folder.outputFile("changes.json"));
    ASSERT_TRUE(QFile::remove(folder.outputFile("changes.json")));
    ASSERT_TRUE(QFile::link(elsewhere, folder.outputFile("changes.json")));
    EXPECT_THROW(review::writeRunRecord(record, output), Error);
    EXPECT_FALSE(QFileInfo::exists(elsewhere));
}
#endif

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
    jobs::JobContext backupContext;
    backupContext.existingConnection = connection.get();
    backupContext.clock = [] { return kWhen.addSecs(-3600); };
    tools::TableBackupJob(backup).run(backupContext, {});
    EXPECT_EQ(apply::applyNotes(*connection, record(), kWhen), QStringList{});
    EXPECT_EQ(apply::applyNotes(*connection, record(), kWhen.addDays(1)),
              QStringList{"No backup was made today with \"Step1. Create table copies on\" (the last one "
                          "on 2024-02-14 08:30:00)."});

    // Test copies and Ver B: the tables they would change, though the apply refuses them.
    review::RunRecord aimed = record();
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
    review::writeRunRecord(aimed, output());
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
    const std::vector<test::ReviewPageRow> rows = test::reviewPageRows(page);
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                            [](const test::ReviewPageRow& r) { return r.rowClass == "change not-applied"; }),
              descriptions);

    // Applied already, an older run, another database: refused before anything is asked.
    runUpdate();
    review::RunRecord older = record();
    apply::applyRun(*connection, output(), {"tester", "ws1"}, kWhen.addSecs(60));
    EXPECT_TRUE(planRefusal().contains("it was applied already")) << planRefusal().toStdString();
    older.runId = review::newRunId(older.when);
    review::writeRunRecord(older, output());
    EXPECT_TRUE(planRefusal().contains("changed by an apply or an undo on 2024-02-14 09:31:00, after the run "
                                       "of 2024-02-14 09:30:00"))
        << planRefusal().toStdString();
    test::SmallDatabases other(GetParam());
    auto elsewhere = db::Connection::open(other.settings());
    EXPECT_TRUE(refusalOf([&] {
                    apply::planApply(*elsewhere, record(), output(), kWhen);
                }).contains("but this connection is to"));
}

// A stopped run is applied only when the stop was confirmed; an incomplete one never.
TEST_P(ApplyRun, aStoppedRunNeedsConfirmingAndAnIncompleteOneIsRefused)
{
    runStoppedUpdate();
    const review::RunRecord stopped = record();
    const QStringList before = snapshot();
    const apply::ApplyPlan plan = apply::planApply(*connection, record(), output(), kWhen);
    EXPECT_TRUE(plan.stopped());
    EXPECT_TRUE(plan.question().contains("The run was stopped before its end and did not read lines 2 to "))
        << plan.question().toStdString();
    EXPECT_TRUE(plan.question().contains("of \"ICD PH 2024.txt\": the diagnosis pass was stopped."))
        << plan.question().toStdString();
    EXPECT_TRUE(refusal().contains("applying a stopped run was not confirmed")) << refusal().toStdString();
    EXPECT_EQ(snapshot(), before);
    const apply::ApplyResult applied =
        apply::applyRun(*connection, output(), {"tester", "ws1"}, kWhen, {}, stopped.runId, true);
    EXPECT_GT(applied.counts.total(), 0);

    review::RunRecord incomplete = record();
    incomplete.runId = review::newRunId(kWhen);
    incomplete.completeness = {};
    incomplete.completeness.add(review::RunCompletion::Incomplete,
                                "the whole diagnosis list: Cannot open the rate file \"x\"");
    review::writeRunRecord(incomplete, output());
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

// What is applied is what was reviewed: the run is made again inside the apply's transaction,
// and a record that no longer holds what it gives is refused whole, nothing changed, and the
// output folder left as it was.
TEST_P(ApplyRun, refusesARecordThatIsNotWhatItsRunGivesNow)
{
    runUpdate(false);
    const QString path = folder.outputFile("changes.json");
    const QJsonObject reviewed = QJsonDocument::fromJson(test::readBytes(path)).object();
    QMap<QString, QByteArray> reports;
    for (const QString& name : QDir(output()).entryList(QDir::Files))
        if (name != "changes.json")
            reports.insert(name, test::readBytes(folder.outputFile(name)));
    const QStringList before = snapshot();
    const auto refusedWith = [&](const std::function<void(QJsonObject&, QJsonArray&)>& edit) {
        QJsonObject record = reviewed;
        QJsonArray changes = record.value("changes").toArray();
        edit(record, changes);
        record.insert("changes", changes);
        test::writeBytes(path, QJsonDocument(record).toJson());
        const QString refused = refusal();
        EXPECT_TRUE(refused.contains("nothing was changed")) << refused.toStdString();
        EXPECT_EQ(snapshot(), before);
        return refused;
    };
    qsizetype rateChange = -1;
    for (qsizetype i = 0; i < reviewed.value("changes").toArray().size() && rateChange < 0; ++i)
        if (reviewed.value("changes").toArray()[i].toObject().value("class") == "rate-change")
            rateChange = i;
    ASSERT_GE(rateChange, 0);

    const QString amount = refusedWith([&](QJsonObject&, QJsonArray& changes) {
        QJsonObject change = changes[rateChange].toObject();
        QJsonObject proposed = change.value("proposed").toObject();
        proposed.insert("Amount", "99999");
        change.insert("proposed", proposed);
        changes[rateChange] = change;
    });
    EXPECT_TRUE(amount.contains("the record no longer holds what the run gives now")) << amount.toStdString();
    EXPECT_TRUE(amount.contains(QStringLiteral("change %1 of ").arg(rateChange + 1))) << amount.toStdString();
    EXPECT_TRUE(amount.contains("the record proposes Amount \"99999\"")) << amount.toStdString();
    EXPECT_TRUE(amount.contains("Run the update again. Review the new run before applying it."))
        << amount.toStdString();

    const QString removed =
        refusedWith([&](QJsonObject&, QJsonArray& changes) { changes.removeAt(rateChange); });
    const qsizetype count = reviewed.value("changes").toArray().size();
    EXPECT_TRUE(
        removed.contains(QStringLiteral("the record holds %1 changes, the lists and the database give %2")
                             .arg(count - 1)
                             .arg(count)))
        << removed.toStdString();

    const QString added = refusedWith([&](QJsonObject&, QJsonArray& changes) {
        for (const QJsonValue& c : QJsonArray(changes))
            if (c.toObject().value("class") == "new-code") {
                QJsonObject change = c.toObject();
                change.insert("key", "Q99.9");
                change.insert("code", "Q99.9");
                changes.append(change);
                return;
            }
        ADD_FAILURE() << "no new code";
    });
    EXPECT_TRUE(added.contains("which the lists and the database do not give")) << added.toStdString();

    // The options the run was made with: one the review page showed otherwise is refused.
    const QString options = refusedWith([](QJsonObject& record, QJsonArray&) {
        QJsonObject params = record.value("params").toObject();
        params.insert("updateDescriptions", true);
        record.insert("params", params);
    });
    EXPECT_TRUE(
        options.contains("its record says \"updateDescriptions\" false for the apply, but the run was "
                         "made with \"updateDescriptions\" true"))
        << options.toStdString();
    const QString flag =
        refusedWith([](QJsonObject& record, QJsonArray&) { record.insert("updateDescriptions", true); });
    EXPECT_TRUE(flag.contains("\"updateDescriptions\" true for the apply")) << flag.toStdString();
    const QString older = refusedWith([](QJsonObject& record, QJsonArray&) { record.remove("params"); });
    EXPECT_TRUE(older.contains("written by an earlier version of Orvex")) << older.toStdString();
    EXPECT_TRUE(older.endsWith("Run the update again.")) << older.toStdString();
    EXPECT_EQ(planRefusal(), older);

    // A list changed since the run.
    test::writeBytes(path, QJsonDocument(reviewed).toJson());
    const QString list = folder.path() + "/ICD PH 2024_PROCEDURE.txt";
    const QByteArray listed = test::readBytes(list);
    test::writeBytes(list, QByteArray(listed).replace("21,000", "21,500"));
    const QString changedList = refusal();
    EXPECT_TRUE(
        changedList.contains("the record proposes Amount \"21000\", the lists give Amount \"21500\"\n"))
        << changedList.toStdString();
    EXPECT_EQ(snapshot(), before);
    test::writeBytes(list, listed);

    for (auto it = reports.cbegin(); it != reports.cend(); ++it)
        EXPECT_EQ(test::readBytes(folder.outputFile(it.key())), it.value()) << it.key().toStdString();
    EXPECT_EQ(QDir(output()).entryList({"applied *", "undo *"}), QStringList());
    // The record as the run wrote it still applies.
    EXPECT_GT(apply().counts.total(), 0);
}

// Whatever a stored text holds, the undo file's T-SQL keeps it inside its literal and the
// data lines give it back unchanged.
TEST(UndoFile, keepsAnyTextInsideItsLiteralAndReadsItBack)
{
    // A line break inside a literal would let a stored text start a line of its own.
    const QString evil = "it's */ a /* \"test\"\r\n-- DROP TABLE x; \u00f6";
    apply::UndoRecord record{
        "20240214-093000-0000abcd", "embedded: /tmp/db", "o'neil\nx", kWhen, "1 rate change", {}};
    record.steps.push_back({apply::UndoStep::Action::Restore,
                            "tbMed_MedicalCaseRates",
                            "ICDCode",
                            "A'1",
                            {},
                            {{"Description", evil}},
                            {{"Description", "new"}},
                            {{"8", {{"Description", evil}}, 1}, {QVariant(), {{"Description", "x"}}, 2}}});
    record.steps.push_back({apply::UndoStep::Action::Restore,
                            "tbMedPackage",
                            "PackageID",
                            "8",
                            {},
                            {{"Amount", 6000.5}, {"PF", QVariant()}, {"MedRoomBoard", "1,800"}},
                            {{"Amount", "6500"}, {"PF", "1"}, {"MedRoomBoard", "2"}},
                            {{"A", {{"Amount", 6000.5}, {"PF", QVariant()}, {"MedRoomBoard", "1,800"}}, 1}}});
    // Escapes of the data line: a backslash, a tab, a control character, whole numbers.
    record.steps.push_back({apply::UndoStep::Action::Remove,
                            "tbMedPackage_NEW",
                            "Code",
                            "back\\slash\ttab\x01",
                            "9",
                            {},
                            {{"Amount", qlonglong(7)}, {"PF", 0.25}, {"MedRoomBoard", "\u00e9\U0001F600"}}});
    const QByteArray text = apply::undoFileText(record);
    const QString sql = QString::fromUtf8(text);
    EXPECT_TRUE(sql.contains("SET Description = N'it''s */ a /* \"test\"' + NCHAR(13) + N'' + NCHAR(10) + "
                             "N'-- DROP TABLE x; \u00f6' "
                             "WHERE ICDCode = N'A''1' AND PackageID = N'8';"));
    EXPECT_TRUE(sql.contains("SET Description = N'x' WHERE ICDCode = N'A''1' AND PackageID IS NULL;"));
    EXPECT_TRUE(sql.contains("SET Amount = 6000.5, MedRoomBoard = N'1,800', PF = NULL WHERE PackageID = N'8' "
                             "AND Package = N'A';"));
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

    // A step that does not say what the apply left would change a row whatever it holds, and
    // a file cut short would undo part of an apply.
    const auto refusedAs = [&](const QByteArray& changed) {
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(changed);
        file.close();
        try {
            apply::readUndoFile(path);
        } catch (const Error& e) {
            return e.message();
        }
        return QString();
    };
    const QByteArray emptied =
        QByteArray(text).replace("\"after\":{\"Description\":\"new\"}", "\"after\":{}");
    ASSERT_NE(emptied, text);
    EXPECT_TRUE(refusedAs(emptied).contains("does not say what the apply left"));
    EXPECT_TRUE(
        refusedAs(text.left(text.lastIndexOf("--@ {\"end\""))).contains("ends before its closing line"));
    EXPECT_TRUE(refusedAs(QByteArray(text).replace("20240214-093000-0000abcd", "..\\/..\\/x"))
                    .contains("names no run"));
}

INSTANTIATE_TEST_SUITE_P(Backends, ApplyRun, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "SqliteOdbc" : "Embedded"; });
