// The online ICD update: reading the central table and applying it to tbICDdiagMain.
#include "Error.h"
#include "apply/OnlineUpdateJob.h"
#include "apply/UndoApply.h"
#include "db/ActivityLog.h"
#include "db/Connection.h"
#include "db/Queries.h"
#include "sampledb/SampleDatabases.h"
#include "support/ConnectionFixtures.h"
#include "support/SmallDatabases.h"
#include "support/SqliteOdbc.h"
#include "tools/OnlineUpdate.h"

#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvex;

namespace {

const db::LogIdentity kWho{QStringLiteral("nurse"), QStringLiteral("ws1")};

// Where the updates of these tests write their undo files.
QString outputFolder()
{
    static QTemporaryDir folder;
    return folder.path();
}

jobs::JobContext contextOn(db::Connection& hospital)
{
    jobs::JobContext context;
    context.existingConnection = &hospital;
    context.otherOutputFolder = outputFolder();
    return context;
}

// "Update DB" of `rows` on `hospital`, as the window's runner runs it.
tools::OnlineUpdateCounts applyOnlineUpdate(db::Connection& hospital, const QList<QStringList>& rows,
                                            const db::LogIdentity& who)
{
    apply::OnlineUpdateJob job(rows, who, QStringLiteral("central.db"));
    const jobs::JobContext context = contextOn(hospital);
    EXPECT_EQ(job.run(context, {}).ending, jobs::JobEnding::Finished);
    return job.result();
}

// code, description, then four more cells; the sixth is allow-as-primary.
QStringList centralRow(const QString& code, const QString& description,
                       const QString& allow = QStringLiteral("1"))
{
    return {code, description, QStringLiteral("src"), QStringLiteral("NEW"), QStringLiteral("1"), allow};
}

QList<QStringList> icdRows(db::Connection& c)
{
    QList<QStringList> rows;
    QSqlQuery q = c.exec(QStringLiteral(
        "select CODE, Description, ALLOWASPRIMARY from Build_FILE.tbICDdiagMain order by rowid"));
    while (q.next())
        rows.append({q.value(0).isNull() ? QStringLiteral("<null>") : q.value(0).toString(),
                     q.value(1).isNull() ? QStringLiteral("<null>") : q.value(1).toString(),
                     q.value(2).isNull() ? QStringLiteral("<null>") : q.value(2).toString()});
    return rows;
}

QStringList logLines(db::Connection& c)
{
    QStringList lines;
    for (const db::ActivityLogEntry& e : db::ActivityLog(c).last(0))
        lines << e.user + QLatin1Char('|') + e.text;
    return lines;
}

class OnlineUpdate : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir(outputFolder()).removeRecursively(); // the undo files of the test before
        m_db.addIcd(QStringLiteral("A00.0"), QStringLiteral("Cholera"));
        m_db.addIcd(QStringLiteral("B99 "), QStringLiteral("Other infectious diseases"));
        m_db.addIcd(QStringLiteral("D50"), QStringLiteral("Iron deficiency anaemia"));
        m_db.addIcd(QStringLiteral("d50"), QStringLiteral("Iron deficiency anaemia")); // a second row alike
        m_db.addIcd(QStringLiteral("N01"), QVariant());
        m_connection = db::Connection::open(m_db.settings());
    }

    test::SmallDatabases m_db;
    std::unique_ptr<db::Connection> m_connection;
};

} // namespace

TEST_F(OnlineUpdate, addsMissingCodesReplacesDifferingDescriptionsAndLogsEachChange)
{
    const QString longDescription(5000, QLatin1Char('x'));
    const QList<QStringList> rows = {
        centralRow(QStringLiteral("A00.0"), QStringLiteral("Cholera")),                 // same
        centralRow(QStringLiteral("b99"), QStringLiteral("Other infectious diseases")), // collation match
        centralRow(QStringLiteral("D50"), QStringLiteral("IRON deficiency anaemia")),   // case differs
        centralRow(QStringLiteral("N01"), QStringLiteral("Nephritic syndrome")),        // NULL left alone
        centralRow(QStringLiteral("X01'"), QStringLiteral("O'Brien syndrome"), QStringLiteral("0")),
        centralRow(QStringLiteral("Z99"), QString()),                            // no description
        centralRow(QString(), QStringLiteral("no code")),                        // no code
        centralRow(QStringLiteral("x01'"), QStringLiteral("O'Brien syndrome ")), // after the add
        centralRow(QStringLiteral("Y02"), longDescription, QString()),
        {QStringLiteral("Y03"), QStringLiteral("short row")}, // no sixth cell
    };
    const tools::OnlineUpdateCounts counts = applyOnlineUpdate(*m_connection, rows, kWho);

    EXPECT_EQ(counts.added, 3);
    EXPECT_EQ(counts.updated, 2);
    EXPECT_EQ(counts.skipped, 2);
    EXPECT_EQ(tools::closingMessage(counts), QStringLiteral("Done. 3 added, 2 updated."));
    const QList<QStringList> expected = {
        {"A00.0", "Cholera", "1"},
        {"B99 ", "Other infectious diseases", "1"},
        {"D50", "IRON deficiency anaemia", "1"},
        {"d50", "IRON deficiency anaemia", "1"}, // the rows of a code are changed alike
        {"N01", "<null>", "1"},
        {"X01'", "O'Brien syndrome ", "0"},
        {"Y02", longDescription, "<null>"},
        {"Y03", "short row", "<null>"},
    };
    EXPECT_EQ(icdRows(*m_connection), expected);
    const QStringList log = {
        "nurse|Updated Iron deficiency anaemia to IRON deficiency anaemia",
        "nurse|Added X01'",
        "nurse|Updated O'Brien syndrome to O'Brien syndrome ",
        "nurse|Added Y02",
        "nurse|Added Y03",
    };
    QStringList written = logLines(*m_connection);
    ASSERT_EQ(written.size(), log.size() + 2);
    EXPECT_EQ(written.mid(0, log.size()), log);
    EXPECT_EQ(
        written[log.size()],
        QStringLiteral("nurse|Apply of online update %1 from the central server central.db: 3 new ICD-10 "
                       "codes, 2 ICD-10 description changes")
            .arg(counts.runId));
    EXPECT_TRUE(written[log.size() + 1].startsWith(
        QStringLiteral("nurse|Apply %1: undo file \"undo ").arg(counts.runId)))
        << written[log.size() + 1].toStdString();
    EXPECT_EQ(counts.changes.size(), log.size());

    // The same rows again add nothing; only the code the update gives twice, in two
    // wordings, changes twice again, and the last wording stays.
    const tools::OnlineUpdateCounts again = applyOnlineUpdate(*m_connection, rows, kWho);
    EXPECT_EQ(again.added, 0);
    EXPECT_EQ(again.updated, 2);
    EXPECT_EQ(icdRows(*m_connection), expected);
}

TEST_F(OnlineUpdate, aCodeIsMatchedWithoutItsBlanksAndTheFlagIsStoredAsANumber)
{
    const QList<QStringList> rows = {
        centralRow(QStringLiteral(" A00.0"), QStringLiteral("Cholera, changed")),
        centralRow(QStringLiteral(" E10 "), QStringLiteral("Diabetes"), QStringLiteral("0")),
        centralRow(QStringLiteral("E11"), QStringLiteral("Type 2 diabetes"), QStringLiteral("True")),
    };
    const tools::OnlineUpdateCounts counts = applyOnlineUpdate(*m_connection, rows, kWho);
    EXPECT_EQ(counts.added, 2);
    EXPECT_EQ(counts.updated, 1);
    EXPECT_EQ(icdRows(*m_connection).first(), (QStringList{"A00.0", "Cholera, changed", "1"}));
    EXPECT_EQ(icdRows(*m_connection).mid(5),
              (QList<QStringList>{{"E10", "Diabetes", "0"}, {"E11", "Type 2 diabetes", "1"}}));
    EXPECT_EQ(test::columnValues(
                  *m_connection,
                  QStringLiteral("select distinct typeof(ALLOWASPRIMARY) from Build_FILE.tbICDdiagMain")),
              QStringList{"integer"});

    const QList<QStringList> before = icdRows(*m_connection);
    try {
        applyOnlineUpdate(*m_connection,
                          {centralRow(QStringLiteral("E12"), QStringLiteral("x"), QStringLiteral("abc"))},
                          kWho);
        ADD_FAILURE() << "stored a flag that is no number";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("Row 1 of the update (code \"E12\") could not be applied, so nothing "
                                 "was changed: its ALLOWASPRIMARY \"abc\" is not a whole number (0 "
                                 "or 1)."));
    }
    EXPECT_EQ(icdRows(*m_connection), before);
}

TEST_F(OnlineUpdate, aFailurePartWayChangesNothingAndNamesWhatFailed)
{
    const QList<QStringList> rows = {
        centralRow(QStringLiteral("D50"), QStringLiteral("Changed wording")),
        centralRow(QStringLiteral("E10"), QStringLiteral("Diabetes")),
        centralRow(QStringLiteral("E11"), QStringLiteral("Type 2 diabetes")),
    };
    const QList<QStringList> before = icdRows(*m_connection);
    // Statements: begin, lookup, insert E10 and E11, update D50 <- the connection is lost
    // here, after the new codes are written.
    int sent = 0;
    m_connection->setBeforeStatementHook([&sent] {
        if (++sent == 4)
            throw Error(QStringLiteral("connection lost"));
    });
    try {
        applyOnlineUpdate(*m_connection, rows, kWho);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().startsWith(
            QLatin1String("The online update could not be applied, so nothing was changed: the 1 replaced "
                          "description could not be written: connection lost")))
            << e.message().toStdString();
    }
    m_connection->setBeforeStatementHook({});
    EXPECT_EQ(icdRows(*m_connection), before);
    EXPECT_TRUE(logLines(*m_connection).isEmpty());

    // A stop request once the new codes are written also leaves everything as it was: it is
    // made during their statement, 3, and seen before the next.
    apply::OnlineUpdateJob job(rows, kWho, QStringLiteral("central.db"));
    sent = 0;
    m_connection->setBeforeStatementHook([&sent, &job] {
        if (++sent == 3)
            job.requestStop();
    });
    EXPECT_EQ(job.run(contextOn(*m_connection), {}).ending, jobs::JobEnding::Stopped);
    m_connection->setBeforeStatementHook({});
    const tools::OnlineUpdateCounts& stopped = job.result();
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(tools::closingMessage(stopped), QStringLiteral("Stopped: nothing was changed."));
    EXPECT_EQ(icdRows(*m_connection), before);
    EXPECT_TRUE(logLines(*m_connection).isEmpty());
    EXPECT_EQ(sent, 4); // after the stop was seen, only the rollback
}

TEST_F(OnlineUpdate, undoLastApplyTakesTheUpdateBackExactly)
{
    const QList<QStringList> before = icdRows(*m_connection);
    const QList<QStringList> rows = {
        centralRow(QStringLiteral("D50"), QStringLiteral("Iron deficiency anaemia, changed")),
        centralRow(QStringLiteral("E10"), QStringLiteral("Diabetes")),
        centralRow(QStringLiteral("e10"), QStringLiteral("Diabetes, second wording")),
        centralRow(QStringLiteral("A00.0"), QStringLiteral("Cholera (classical)")),
        centralRow(QStringLiteral("a00.0"), QStringLiteral("Cholera")), // back to what it was
    };
    const tools::OnlineUpdateCounts counts = applyOnlineUpdate(*m_connection, rows, kWho);
    EXPECT_EQ(counts.added, 1);
    EXPECT_EQ(counts.updated, 4);
    ASSERT_FALSE(counts.undoFile.isEmpty());
    EXPECT_EQ(apply::lastUndoFile(outputFolder()), counts.undoFile);
    const apply::UndoPlan plan = apply::readUndoPlan(counts.undoFile);
    EXPECT_EQ(plan.runId, counts.runId);
    EXPECT_EQ(plan.removedRows, 1);
    EXPECT_EQ(plan.restoredRows, 2); // one step a code

    const apply::UndoResult undone =
        apply::undoApply(*m_connection, counts.undoFile, kWho, QDateTime::currentDateTime());
    EXPECT_EQ(undone.runId, counts.runId);
    EXPECT_EQ(icdRows(*m_connection), before);
    EXPECT_TRUE(apply::lastUndoFile(outputFolder()).isEmpty());

    // Nothing to change: no undo file.
    const tools::OnlineUpdateCounts none = applyOnlineUpdate(
        *m_connection, {centralRow(QStringLiteral("A00.0"), QStringLiteral("Cholera"))}, kWho);
    EXPECT_EQ(none.added + none.updated, 0);
    EXPECT_TRUE(none.undoFile.isEmpty());
    EXPECT_TRUE(apply::lastUndoFile(outputFolder()).isEmpty());
}

TEST_F(OnlineUpdate, aCodeHeldByRowsOfDifferentDescriptionsIsNotChangedAndTheQuestionNamesTheCounts)
{
    m_db.addIcd(QStringLiteral("D50.0"), QStringLiteral("Iron deficiency anaemia secondary to blood loss"));
    m_db.addIcd(QStringLiteral("D50.0"), QStringLiteral("Anaemia, posthaemorrhagic"));
    const QList<QStringList> before = icdRows(*m_connection);
    const QList<QStringList> rows = {
        centralRow(QStringLiteral("E10"), QStringLiteral("Diabetes")),
        centralRow(QStringLiteral("D50.0"), QStringLiteral("Chronic blood loss anaemia"))};
    try {
        tools::planOnlineUpdate(*m_connection, rows);
        ADD_FAILURE() << "changed one row of a code held by rows of different descriptions";
    } catch (const Error& e) {
        EXPECT_EQ(
            e.message(),
            QStringLiteral("The online update was not applied, and nothing was changed: the ICD code "
                           "\"D50.0\" is held by rows of different descriptions in tbICDdiagMain "
                           "(duplicate ICD codes), so which of them the central description replaces is "
                           "not known. Click \"Check Duplicates\" on tab \"Tools\" to list them and "
                           "\"Delete Duplicates\" to remove the surplus rows."));
    }
    EXPECT_THROW(applyOnlineUpdate(*m_connection, rows, kWho), Error);
    EXPECT_EQ(icdRows(*m_connection), before);

    const std::optional<tools::OnlineUpdatePlan> plan = tools::planOnlineUpdate(
        *m_connection, {rows[0], centralRow(QStringLiteral("A00.0"), QStringLiteral("Cholera, classical")),
                        centralRow(QStringLiteral("Z00"), QString())});
    ASSERT_TRUE(plan);
    EXPECT_EQ(
        tools::onlineUpdateQuestion(*plan, QStringLiteral("CENTRAL01/Build_FILE")),
        QStringLiteral("Update tbICDdiagMain from the central server CENTRAL01/Build_FILE?\n\n"
                       "It adds 1 new code and replaces the description of 1 code. 1 row without a code "
                       "or a description is skipped.\n\nAll of it is done in one transaction, or "
                       "nothing. An undo file is written, and \"Undo last apply\" on tab \"Update 2024\" "
                       "takes the update back."));
    EXPECT_EQ(icdRows(*m_connection), before); // the plan changes nothing
}

TEST_F(OnlineUpdate, aTableChangedSinceTheQuestionIsNotUpdated)
{
    const QList<QStringList> rows = {
        centralRow(QStringLiteral("A00.0"), QStringLiteral("Cholera, classical"))};
    const std::optional<tools::OnlineUpdatePlan> plan = tools::planOnlineUpdate(*m_connection, rows);
    ASSERT_TRUE(plan);
    m_connection->exec(QStringLiteral("update Build_FILE.tbICDdiagMain set Description = 'Cholera, typed' "
                                      "where CODE = 'A00.0'"));
    const QList<QStringList> before = icdRows(*m_connection);
    apply::OnlineUpdateJob job(rows, kWho, QStringLiteral("central.db"), plan->changes);
    try {
        job.run(contextOn(*m_connection), {});
        ADD_FAILURE() << "applied what was not asked about";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(QLatin1String("changed since the question")))
            << e.message().toStdString();
    }
    EXPECT_EQ(icdRows(*m_connection), before);
    EXPECT_TRUE(apply::lastUndoFile(outputFolder()).isEmpty());
}

TEST(OnlineUpdateSample, bringsTheSampleTableUpToTheCentralTableInAFewStatements)
{
    QTemporaryDir dir;
    sampledb::buildSampleDatabases(dir.path(), false);
    db::ConnectionSettings central;
    central.embeddedFolder = dir.path();
    const tools::CentralUpdateTable table =
        tools::readCentralUpdateTable(*db::Connection::openCentral(central));
    ASSERT_EQ(table.columns.mid(0, 2), (QStringList{"CODE", "Description"}));
    EXPECT_EQ(table.columns.value(5), QStringLiteral("ALLOWASPRIMARY"));
    ASSERT_EQ(table.rows.size(), 663);

    auto hospital = db::Connection::open(central);
    QDir(outputFolder()).removeRecursively();
    const QList<QStringList> before = icdRows(*hospital);
    const quint64 sentBefore = hospital->statementsSent();
    const tools::OnlineUpdateCounts counts = applyOnlineUpdate(*hospital, table.rows, kWho);
    EXPECT_GT(counts.added, 0);
    EXPECT_GT(counts.updated, 0);
    // Not a statement per row: begin, the lookup, the new codes, the descriptions, the log's
    // check, its lines, the undo file's line, commit.
    EXPECT_LE(hospital->statementsSent() - sentBefore, 10u);
    EXPECT_EQ(logLines(*hospital).size(),
              counts.added + counts.updated + 2); // and the apply and its undo file

    // Every central row is now in the table as the central server has it.
    for (const QStringList& row : table.rows) {
        QSqlQuery q = hospital->exec(db::Query(db::queries::icdByCode).bind("code", row[0]));
        ASSERT_TRUE(q.next()) << row[0].toStdString();
        EXPECT_EQ(q.value(1).toString(), row[1]) << row[0].toStdString();
    }
    const tools::OnlineUpdateCounts again = applyOnlineUpdate(*hospital, table.rows, kWho);
    EXPECT_EQ(again.added + again.updated, 0);

    // Its undo file puts the sample table back as it was.
    ASSERT_EQ(apply::lastUndoFile(outputFolder()), counts.undoFile);
    apply::undoApply(*hospital, counts.undoFile, kWho, QDateTime::currentDateTime());
    EXPECT_EQ(icdRows(*hospital), before);
}

// What an update of the whole central table leaves: the table, the log and the undo file,
// its run id (random) and its folder taken out.
struct UpdateOutcome
{
    QList<QStringList> table;
    QStringList log;
    QByteArray undoFile;
    quint64 statements = 0;
};

UpdateOutcome updateCopyOfSample(const QString& sample, int rowsPerStatement)
{
    QTemporaryDir dir;
    for (const QString& file :
         {sampledb::kBuildFileDatabaseFile, sampledb::kMedicareDatabaseFile, sampledb::kCentralDatabaseFile})
        EXPECT_TRUE(QFile::copy(QDir(sample).filePath(file), dir.filePath(file)));
    db::ConnectionSettings settings;
    settings.embeddedFolder = dir.path();
    const QList<QStringList> rows =
        tools::readCentralUpdateTable(*db::Connection::openCentral(settings)).rows;
    auto hospital = db::Connection::open(settings);
    hospital->setRowsPerSetStatement(rowsPerStatement);
    apply::OnlineUpdateJob job(rows, kWho, QStringLiteral("central.db"));
    jobs::JobContext context;
    context.existingConnection = hospital.get();
    context.otherOutputFolder = dir.filePath(QStringLiteral("output"));
    context.clock = [] { return QDateTime(QDate(2026, 12, 10), QTime(9, 30)); };
    UpdateOutcome outcome;
    outcome.statements = job.run(context, {}).statementsSent;
    const QString runId = job.result().runId;
    outcome.table = icdRows(*hospital);
    outcome.log = logLines(*hospital).replaceInStrings(runId, QStringLiteral("<run>"));
    outcome.log.removeLast(); // the undo file's line: its digest covers the run id
    QFile undo(job.result().undoFile);
    EXPECT_TRUE(undo.open(QIODevice::ReadOnly));
    outcome.undoFile = undo.readAll().replace(runId.toUtf8(), "<run>");
    // The folder as a user reads it (native separators) and as JSON writes it.
    for (const QString& form : {dir.path(), QDir::toNativeSeparators(dir.path())}) {
        const QByteArray folder = form.toUtf8();
        outcome.undoFile.replace(folder, "<folder>")
            .replace(QByteArray(folder).replace("\\", "\\\\").replace("/", "\\/"), "<folder>");
    }
    return outcome;
}

// The line-by-line reference of the benchmark (a statement per row) writes what the set
// statements write.
TEST(OnlineUpdateSample, aStatementPerRowWritesTheSameTableLogAndUndoFile)
{
    QTemporaryDir sample;
    sampledb::buildSampleDatabases(sample.path(), false);
    const UpdateOutcome sets = updateCopyOfSample(sample.path(), 0);
    const UpdateOutcome perRow = updateCopyOfSample(sample.path(), 1);
    EXPECT_EQ(perRow.table, sets.table);
    EXPECT_EQ(perRow.log, sets.log);
    EXPECT_EQ(perRow.undoFile.toStdString(), sets.undoFile.toStdString());
    EXPECT_GT(sets.log.size(), 600);
    EXPECT_GT(perRow.statements, sets.statements + 600); // the writes and the log lines one by one
}

TEST(OnlineUpdateCentral, aMissingFileOrTableGivesAClearMessage)
{
    QTemporaryDir dir;
    db::ConnectionSettings central;
    central.embeddedFolder = dir.path();
    try {
        db::Connection::openCentral(central);
        FAIL() << "opened a missing file";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(QLatin1String("central.db"))) << e.message().toStdString();
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("central.db"))));

    test::runOnSqliteFile(dir.filePath(QStringLiteral("central.db")),
                          {QStringLiteral("create table other (x)")});
    auto connection = db::Connection::openCentral(central);
    try {
        tools::readCentralUpdateTable(*connection);
        FAIL() << "read a missing table";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(QLatin1String("tbICDdiagMainUpdate"))) << e.message().toStdString();
    }
}

TEST(OnlineUpdateOdbc, readsAndAppliesThroughTheSqliteOdbcDriver)
{
    ORVEX_SKIP_WITHOUT_SQLITE_ODBC();
    QTemporaryDir dir;
    test::writeSmallDatabases(dir.path(), QStringLiteral("NOCASE"));
    const QString centralFile = dir.filePath(QStringLiteral("central.db"));
    test::runOnSqliteFile(
        centralFile,
        {QStringLiteral("create table tbICDdiagMainUpdate (CODE text, Description text, "
                        "SOURCE text, CHANGETYPE text, LISTLINE integer, ALLOWASPRIMARY integer)"),
         QStringLiteral("insert into tbICDdiagMainUpdate values "
                        "('a00.0', 'Cholera (classical)', 's', 'DESCRIPTION', 1, 1), "
                        "('Q01''', 'Encephalocele, O''Neill type', 's', 'NEW', 2, 0), "
                        "('R00', null, 's', 'NEW', 3, 1)")},
        false);
    db::ConnectionSettings central;
    central.kind = db::ConnectionSettings::Kind::Odbc;
    central.odbcConnectionString = QStringLiteral("DRIVER={SQLite3};Database=%1").arg(centralFile);
    const tools::CentralUpdateTable table =
        tools::readCentralUpdateTable(*db::Connection::openCentral(central));
    ASSERT_EQ(table.rows.size(), 3);
    EXPECT_EQ(table.rows[2].value(1), QString());

    db::ConnectionSettings hospitalSettings;
    hospitalSettings.kind = db::ConnectionSettings::Kind::Odbc;
    hospitalSettings.odbcConnectionString =
        QStringLiteral("DRIVER={SQLite3};Database=%1").arg(dir.filePath(QStringLiteral("Build_FILE.db")));
    auto hospital = db::Connection::open(hospitalSettings);
    const tools::OnlineUpdateCounts counts = applyOnlineUpdate(*hospital, table.rows, kWho);
    EXPECT_EQ(counts.added, 1);
    EXPECT_EQ(counts.updated, 1);
    EXPECT_EQ(counts.skipped, 1);
    EXPECT_EQ(logLines(*hospital).mid(0, 2),
              (QStringList{
                  "nurse|Updated Cholera due to Vibrio cholerae 01, biovar cholerae to Cholera (classical)",
                  "nurse|Added Q01'"}));
}
