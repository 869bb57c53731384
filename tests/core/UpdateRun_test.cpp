// The update run ("Step 2. Create update scripts"): the lines it writes for each finding,
// its mends, and the batched lookups against the line-by-line reference.
#include "caserates/UpdateRunJob.h"

#include "review/RunRecord.h"

#include "Error.h"
#include "db/SampleDatabases.h"
#include "support/FileSizeLimit.h"
#include "support/SmallDatabases.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <optional>

using namespace orvex;
using namespace orvex::caserates;

namespace {

const QDateTime kWhen(QDate(2024, 2, 14), QTime(9, 30, 0));

struct RunFiles
{
    jobs::JobOutcome outcome;
    QByteArray script, scriptPH, log;
};

// `lent`: a connection of the test's own (a failing one), instead of one from `settings`.
RunFiles runUpdate(const test::TempProgramFolder& folder, const db::ConnectionSettings& settings,
                   UpdateRunParams params, db::Connection* lent = nullptr)
{
    jobs::JobContext context;
    context.programFolder = folder.path();
    context.clock = [] { return kWhen; };
    context.connection = settings;
    context.existingConnection = lent;
    QDir().mkpath(folder.path() + QStringLiteral("/output"));
    UpdateRunJob job(std::move(params));
    RunFiles run{job.run(context, {}), {}, {}, {}};
    run.script = test::readBytes(folder.outputFile("script.txt"));
    run.scriptPH = test::readBytes(folder.outputFile("scriptPH.txt"));
    run.log = test::readBytes(folder.outputFile("ICD Parser Log.txt"));
    return run;
}

class UpdateRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_db.addPackage(QStringLiteral("7"), QStringLiteral("CHOLERA PKG"), 10000, 3000, 7000);
        m_db.addCaseRate(QStringLiteral("A00"), QStringLiteral("Cholera"), QStringLiteral("7"));
        m_db.addCaseRate(QStringLiteral("A01"), QStringLiteral("Typhoid\r\nfever"), QStringLiteral("7"));
        m_db.exec(
            QStringLiteral("Medicare"),
            QStringLiteral("insert into tbMed_Procedures (RVSCODE, Description, PackageID) values (?, ?, ?)"),
            {QStringLiteral("10060"), QStringLiteral("Incision"), QStringLiteral("7")});
    }
    void writeList(const QString& name, const QByteArray& bytes)
    {
        test::writeBytes(m_folder.path() + QLatin1Char('/') + name, bytes);
    }

    test::TempProgramFolder m_folder;
    test::SmallDatabases m_db;
};

TEST_F(UpdateRun, everyFindingIsWrittenInBothPassesInTestMode)
{
    writeList(QStringLiteral("ICD PH 2024.txt"),
              "A00|CHOLERA|10,000|3,000|7,500\r\n"  // rate change, same description
              "A 01|Typhoid fever|10000|3000|0\r\n" // found without blanks; zero amount; changed description
              "O'9|Alzheimer's test|1|2|3\r\n");    // new code holding an apostrophe
    writeList(QStringLiteral("ICD PH 2024_PROCEDURE.txt"),
              "10060|Incision|10000|7000|3000\r\n90000|New proc|5|6|7\r\n");
    UpdateRunParams params;
    params.testSuffix = QStringLiteral("_TEST");
    params.updateDescriptions = true;
    params.verB = true;
    const RunFiles run = runUpdate(m_folder, m_db.settings(), params);

    EXPECT_TRUE(run.outcome.failures.isEmpty()) << run.outcome.failures.join('\n').toStdString();
    // New code: both sub-selects read the test copy; the code's apostrophe is doubled.
    EXPECT_TRUE(run.script.contains(
        "INSERT INTO [Medicare].[dbo].[tbMedPackage_TEST] "
        "([PackageID],[Package],[Amount],[PF],[MedRoomBoard],"
        "[Status],[CaseType])  VALUES((select  MAX(convert(BIGINT,packageID))+1 from  "
        "[Medicare].[dbo].[tbMedPackage_TEST]),'Alzheimers test','1','3','2','1','1');\r\n\r\n"
        "INSERT INTO [Medicare]..tbMed_MedicalCaseRates_TEST (ICDCode,Description,Status,PACKAGEID) "
        "VALUES('O''9','Alzheimers test','1',(select MAX(convert(BIGINT,packageID)) from  "
        "[Medicare].[dbo].[tbMedPackage_TEST]) );\r\n\r\n\r\n"))
        << run.script.toStdString();
    EXPECT_TRUE(run.script.contains("INSERT INTO [Medicare]..tbMed_Procedures_TEST (RVSCODE "
                                    ",Description,Status,PACKAGEID) VALUES('90000'"));
    EXPECT_TRUE(run.script.contains("'5','7','6','1','2');"));
    // The new-style table never takes the suffix.
    EXPECT_TRUE(run.script.contains(
        "INSERT INTO [Medicare].[dbo].tbMedPackage_NEW "
        "(PackageID,Code,Package,Amount,PF,MedRoomBoard,Status)  VALUES (  (select "
        "MAX(convert(BIGINT,packageID)) from  [Medicare].[dbo].[tbMedPackage_NEW] ),'O''9'"));

    EXPECT_TRUE(run.scriptPH.startsWith(
        "use MEDICARE\r\n\r\n\r\n\r\nUPDATE [Medicare].[dbo].[tbMedPackage_TEST] SET "
        "[Amount]='10000', [PF]='7500', [MedRoomBoard]='3000' WHERE PackageID = '7' "
        "-- A00 CHOLERA\r\n\r\n"
        "UPDATE [Medicare].[dbo].[tbMedPackage_NEW] SET [Amount]='10000', [PF]='7500', "
        "[MedRoomBoard]='3000' WHERE Code  =  'A00' -- A00 CHOLERA\r\n"))
        << run.scriptPH.toStdString();
    EXPECT_TRUE(
        run.scriptPH.contains("UPDATE [Medicare]..tbMed_MedicalCaseRates_TEST SET Description='Typhoid "
                              "fever' WHERE ICDCode='A 01' -- before:Typhoid fever\r\n\r\n"));
    EXPECT_TRUE(
        run.log.contains("\r\nChanges for Code: A00\r\nAmount New 10000  Amount old:10000\r\n"
                         "pPF New 7500  pPF old:3000\r\nMedRoomBoard New 3000  MedRoomBoard old:7000\r\n"));
    // A line break of stored text is a blank: "fever" is no line of its own.
    EXPECT_TRUE(run.log.contains("Description change for A 01\r\n [DATABASE] Typhoid  fever\r\n"
                                 " [SOURCE F] Typhoid fever\r\n\r\n"));
    EXPECT_TRUE(run.log.contains("\r\nNew Code: O'9 - Alzheimers test\r\n"));

    const QJsonObject json = run.outcome.json;
    const QJsonArray passes = json["passes"].toArray();
    ASSERT_EQ(passes.size(), 2);
    const QJsonObject diagnosis = passes[0].toObject()["counters"].toObject();
    EXPECT_EQ(diagnosis["phNewCode"].toInt(), 4); // three missing from tbMedPackage_NEW, one new code
    EXPECT_EQ(diagnosis["phSameDescription"].toInt(), 1);
    EXPECT_EQ(diagnosis["phSameCodeDifferentDescription"].toInt(), 1);
    EXPECT_EQ(diagnosis["phNewRate"].toInt(), 2); // the zero is a change too
    EXPECT_EQ(diagnosis["linesRead"].toInt(), 3);
    EXPECT_EQ(passes[1].toObject()["counters"].toObject()["phNewRate"].toInt(), 0);
    const QString logBox = json["logBox"].toString();
    EXPECT_TRUE(logBox.startsWith("\r\nAmount is 0. for package 7 A 01\r\nDiagnosis/ICDCode\r\n"
                                  "            New Code and Description :4\r\n"))
        << logBox.toStdString();
    EXPECT_TRUE(logBox.endsWith("Procedure/RVSCODE \r\n            New Code and Description :3\r\n"
                                "           Same Code and Description :1\r\n"
                                "     Same Code different Description :0\r\n"
                                "                            New Rate :0\r\n"
                                "New Packages will need to be created manually\r\n"
                                "Check script.txt for new package details/scripts."));
    EXPECT_EQ(run.outcome.messages, QStringList{UpdateRunJob::doneMessage()});
}

TEST_F(UpdateRun, aMissingRateFileIsReportedOnceAndTheOtherPassRuns)
{
    writeList(QStringLiteral("ICD PH 2024_PROCEDURE.txt"), "10060|Incision|10000|3000|7000\r\n");
    const RunFiles run = runUpdate(m_folder, m_db.settings(), {});
    ASSERT_EQ(run.outcome.failures.size(), 1);
    EXPECT_TRUE(run.outcome.failures[0].contains("ICD PH 2024.txt"));
    EXPECT_TRUE(run.outcome.failures[0].endsWith("\r\nin Orvex.frmICD.Proc at line 0"));
    const QJsonArray passes = run.outcome.json["passes"].toArray();
    EXPECT_EQ(passes[0].toObject()["lines"].toInt(), 0);
    EXPECT_EQ(passes[1].toObject()["counters"].toObject()["phSameDescription"].toInt(), 1);
    EXPECT_EQ(run.log.count("New Code and Description :0"), 2); // both summaries, the empty pass's too
    // Without test mode the statements name the live tables, as they always did.
    writeList(QStringLiteral("ICD PH 2024.txt"), "Z99|New|1|2|3\r\n");
    const RunFiles live = runUpdate(m_folder, m_db.settings(), {});
    EXPECT_TRUE(live.script.contains("[tbMedPackage] ([PackageID]"));
    EXPECT_TRUE(live.script.contains("+1 from  [Medicare].[dbo].[tbMedPackage]),'New'"));
}

// A stop, or a list the run could not read, leaves a run that is not whole: the record, the
// end of the log, the review page and the closing message say what was not read.
TEST_F(UpdateRun, aStoppedPassOrAListNotReadIsNamedInTheRecordTheLogAndTheClosingMessage)
{
    writeList(QStringLiteral("ICD PH 2024.txt"),
              "A00|Cholera|10,000|7,000|3,000\r\nA01|x|1|2|3\r\nA02|y|1|2|3\r\n");
    writeList(QStringLiteral("ICD PH 2024_PROCEDURE.txt"), "10060|Incision|10000|7000|3000\r\n");
    jobs::JobContext context;
    context.programFolder = m_folder.path();
    context.clock = [] { return kWhen; };
    context.connection = m_db.settings();
    QDir().mkpath(m_folder.path() + QStringLiteral("/output"));
    UpdateRunJob job({});
    bool stopped = false;
    const jobs::JobOutcome outcome = job.run(context, [&](jobs::JobProgress&& p) {
        if (p.linesDone == 1 && !std::exchange(stopped, true))
            job.requestStop(); // after the first line of the diagnosis pass
    });
    const QString notRead = "lines 2 to 3 of \"ICD PH 2024.txt\": the diagnosis pass was stopped";
    const review::RunRecord record = review::readRunRecord(m_folder.outputFile("changes.json"));
    EXPECT_EQ(record.completeness.completion, review::RunCompletion::Stopped);
    EXPECT_EQ(record.completeness.notRead, QStringList{notRead});
    ASSERT_EQ(outcome.messages.size(), 1);
    EXPECT_TRUE(
        outcome.messages[0].startsWith("Stopped before the end: script.txt and scriptPH.txt hold only "
                                       "the lines read before the stop"))
        << outcome.messages[0].toStdString();
    EXPECT_TRUE(outcome.messages[0].endsWith("Not read:\n- " + notRead)) << outcome.messages[0].toStdString();
    EXPECT_TRUE(test::readBytes(m_folder.outputFile("ICD Parser Log.txt"))
                    .endsWith("*** The run was stopped before its end; these were not read:\r\n***   " +
                              notRead.toUtf8() + "\r\n"));
    EXPECT_TRUE(
        test::readBytes(m_folder.outputFile("report.html")).contains(notRead.toHtmlEscaped().toUtf8()));
    EXPECT_TRUE(outcome.summary.contains("  " + notRead));

    // "Version 2" without "ICD PH 2024 v2.txt": the procedure pass runs, the run is incomplete.
    writeList(QStringLiteral("ICD PH 2024 v2_PROCEDURE.txt"), "10060|Incision|10000|7000|3000\r\n");
    UpdateRunParams version2;
    version2.fileBase = QStringLiteral("ICD PH 2024 v2");
    const RunFiles run = runUpdate(m_folder, m_db.settings(), version2);
    const review::RunRecord incomplete = review::readRunRecord(m_folder.outputFile("changes.json"));
    EXPECT_EQ(incomplete.completeness.completion, review::RunCompletion::Incomplete);
    ASSERT_EQ(incomplete.completeness.notRead.size(), 1);
    EXPECT_TRUE(incomplete.completeness.notRead[0].startsWith("the whole diagnosis list: Cannot open"));
    EXPECT_TRUE(incomplete.completeness.notRead[0].contains("ICD PH 2024 v2.txt"));
    ASSERT_EQ(run.outcome.messages.size(), 1);
    EXPECT_TRUE(run.outcome.messages[0].startsWith("Not done: the run is incomplete, and \"Apply to "
                                                   "database\u2026\" refuses it."))
        << run.outcome.messages[0].toStdString();
    EXPECT_TRUE(
        run.log.contains("*** The run is incomplete; these were not read:\r\n***   the whole diagnosis "
                         "list: Cannot open"));
}

TEST_F(UpdateRun, awkwardRateFilesAreReadLineByLineAndNeverScriptAWrongAmount)
{
    // CR-only line ends; a 100,000-character description; a NUL, after which a list item
    // would read its amounts as 0.
    const QByteArray longDescription(100000, 'x');
    writeList(QStringLiteral("ICD PH 2024.txt"), "A00|Cholera|10,000|7,000|3,000\rZ01|" + longDescription +
                                                     QByteArrayLiteral("|1|2|3\rA00|Cholera|1|2|3\0junk|\r"));
    // LF-only line ends: the whole file is one line whose PF would read 300090000.
    writeList(QStringLiteral("ICD PH 2024_PROCEDURE.txt"),
              "10060|Incision|10000|7000|3000\n90000|New|5|6|7\n");
    for (const auto strategy : {reconcile::LookupStrategy::Batched, reconcile::LookupStrategy::PerLine}) {
        UpdateRunParams params;
        params.strategy = strategy;
        const RunFiles run = runUpdate(m_folder, m_db.settings(), params);

        ASSERT_EQ(run.outcome.failures.size(), 2) << run.outcome.failures.join('\n').toStdString();
        EXPECT_TRUE(run.outcome.failures[0].startsWith("Line 3 of "));
        EXPECT_TRUE(run.outcome.failures[0].contains("NUL"));
        EXPECT_TRUE(run.outcome.failures[1].contains("ICD PH 2024_PROCEDURE.txt"));
        EXPECT_TRUE(run.outcome.failures[1].contains("line feed"));
        EXPECT_TRUE(run.outcome.failures[1].endsWith("\r\nin Orvex.frmICD.Proc at line 1"));
        const QJsonArray passes = run.outcome.json["passes"].toArray();
        const QJsonObject diagnosis = passes[0].toObject()["counters"].toObject();
        EXPECT_EQ(diagnosis["linesRead"].toInt(), 3);
        EXPECT_EQ(diagnosis["phSameDescription"].toInt(), 1);
        EXPECT_EQ(diagnosis["phNewCode"].toInt(), 1);
        EXPECT_EQ(passes[1].toObject()["counters"].toObject()["linesRead"].toInt(), 1);
        EXPECT_TRUE(run.script.contains("VALUES('Z01','" + longDescription + "','1',"));
        EXPECT_EQ(run.scriptPH, "use MEDICARE\r\n\r\n\r\n"); // no rate taken from a broken line
        // The lines left out make the run incomplete, and the closing message names them.
        ASSERT_EQ(run.outcome.messages.size(), 1);
        EXPECT_TRUE(run.outcome.messages[0].startsWith("Not done: the run is incomplete"));
        EXPECT_TRUE(
            run.outcome.messages[0].contains("- line 3 of \"ICD PH 2024.txt\": holds a NUL character"))
            << run.outcome.messages[0].toStdString();
    }
}

TEST_F(UpdateRun, anUnwritableReportFileEndsTheRunNamingItAndReleasesTheSet)
{
    writeList(QStringLiteral("ICD PH 2024.txt"), "A00|Cholera|10,000|7,000|3,000\r\n");
    const QString blocked = m_folder.outputFile(QStringLiteral("script.txt"));
    ASSERT_TRUE(QDir().mkpath(blocked)); // a folder where the script goes
    try {
        runUpdate(m_folder, m_db.settings(), {});
        ADD_FAILURE() << "the run went on without script.txt";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(QDir::toNativeSeparators(blocked))) << e.message().toStdString();
    }
    ASSERT_TRUE(QDir(blocked).removeRecursively());
    EXPECT_TRUE(runUpdate(m_folder, m_db.settings(), {}).log.contains("Same Code and Description :1"));
}

TEST_F(UpdateRun, aRunThatFailsPartWayLeavesNoScriptThatLooksComplete)
{
    const QByteArray unfinished =
        "-- The run that wrote this script did not finish: the script is incomplete and must not be run.\r\n";
    auto expectNoReviewOrRecord = [this] {
        for (const char* name : {"report.html", "changes.csv", "changes.json"})
            EXPECT_FALSE(QFile::exists(m_folder.outputFile(name))) << name;
        EXPECT_EQ(QDir(m_folder.outputFile(QString())).entryList({"*.part"}, QDir::Files | QDir::Hidden),
                  QStringList());
    };
    writeList(QStringLiteral("ICD PH 2024_PROCEDURE.txt"), "10060|Incision|10000|7000|3000\r\n");
#ifdef Q_OS_LINUX
    {
        // The disk fills up while scriptPH.txt is written: its last line would be an UPDATE
        // without its WHERE.
        QByteArray lines;
        for (int i = 0; i < 3000; ++i)
            lines += "A00|CHOLERA|10,000|3,000|7,500\r\n";
        writeList(QStringLiteral("ICD PH 2024.txt"), lines);
        std::optional<test::FileSizeLimit> full(std::in_place, 100000);
        try {
            runUpdate(m_folder, m_db.settings(), {});
            ADD_FAILURE() << "the run claimed to be done on a full disk";
        } catch (const Error& e) {
            full.reset();
            EXPECT_TRUE(e.message().contains(".txt\": File too large")) << e.message().toStdString();
            EXPECT_FALSE(e.message().contains("Unknown error")) << e.message().toStdString();
        }
        full.reset();
        EXPECT_FALSE(QFile::exists(m_folder.outputFile("scriptPH.txt")));
        EXPECT_EQ(test::readBytes(m_folder.outputFile("script.txt")),
                  unfinished + "use Build_file\r\n\r\n\r\n");
        const QDir output(m_folder.outputFile(QString()));
        for (const QString& name : output.entryList({"*.txt"}, QDir::Files)) {
            const QByteArray bytes = test::readBytes(output.filePath(name));
            EXPECT_TRUE(bytes.isEmpty() || bytes.endsWith("\r\n")) << name.toStdString() << " is cut off";
        }
        expectNoReviewOrRecord();
    }
#endif
    // The window closed during the run: the scripts say that it did not finish.
    writeList(QStringLiteral("ICD PH 2024.txt"), "A00|CHOLERA|10,000|3,000|7,500\r\nA02|New|1|2|3\r\n");
    jobs::JobContext context;
    context.programFolder = m_folder.path();
    context.clock = [] { return kWhen; };
    context.connection = m_db.settings();
    UpdateRunJob job({});
    const jobs::JobOutcome outcome = job.run(context, [&](const jobs::JobProgress& p) {
        if (p.linesDone == 1)
            job.requestAbandon();
    });
    EXPECT_EQ(outcome.ending, jobs::JobEnding::Abandoned);
    const QByteArray scriptPH = test::readBytes(m_folder.outputFile("scriptPH.txt"));
    EXPECT_TRUE(scriptPH.startsWith(unfinished +
                                    "use MEDICARE\r\n\r\n\r\n\r\nUPDATE [Medicare].[dbo].[tbMedPackage] "
                                    "SET [Amount]='10000'"))
        << scriptPH.toStdString();
    EXPECT_EQ(test::readBytes(m_folder.outputFile("script.txt")), unfinished + "use Build_file\r\n\r\n\r\n");
    expectNoReviewOrRecord();

    // A stop keeps the scripts as written.
    UpdateRunJob stopped({});
    stopped.run(context, [&](const jobs::JobProgress& p) {
        if (p.linesDone == 1)
            stopped.requestStop();
    });
    EXPECT_TRUE(test::readBytes(m_folder.outputFile("scriptPH.txt")).startsWith("use MEDICARE\r\n"));
}

TEST_F(UpdateRun, aFailingOrLostDatabaseIsReportedAndALostOneEndsTheRun)
{
    writeList(QStringLiteral("ICD PH 2024.txt"),
              "A00|Cholera|10,000|7,000|3,000\r\nA01|x|1|2|3\r\nA02|y|1|2|3\r\nA03|z|1|2|3\r\n");
    writeList(QStringLiteral("ICD PH 2024_PROCEDURE.txt"), "10060|Incision|10000|7000|3000\r\n");
    auto connection = db::Connection::open(m_db.settings());
    int sent = 0;
    int failFrom = 0, failTo = 0; // statements failFrom..failTo fail
    connection->setBeforeStatementHook([&] {
        ++sent;
        if (sent >= failFrom && sent <= failTo)
            throw Error(QStringLiteral("The connection to the server was lost."));
    });

    // One failed lookup: reported with its line, the run goes on and completes its files.
    UpdateRunParams perLine;
    perLine.strategy = reconcile::LookupStrategy::PerLine;
    failFrom = failTo = 1;
    const RunFiles run = runUpdate(m_folder, m_db.settings(), perLine, connection.get());
    ASSERT_EQ(run.outcome.failures.size(), 1);
    EXPECT_EQ(run.outcome.failures[0],
              "The connection to the server was lost.\r\nin Orvex.frmICD.Proc at line 1");
    EXPECT_EQ(run.outcome.json["passes"]
                  .toArray()[1]
                  .toObject()["counters"]
                  .toObject()["phSameDescription"]
                  .toInt(),
              1);
    EXPECT_EQ(run.log.count("New Code and Description :"), 2);
    const review::RunRecord record = review::readRunRecord(m_folder.outputFile("changes.json"));
    EXPECT_EQ(record.completeness.completion, review::RunCompletion::Incomplete);
    EXPECT_EQ(record.completeness.notRead,
              QStringList{"line 1 of \"ICD PH 2024.txt\": The connection to the server was lost."});
    EXPECT_NE(run.outcome.messages, QStringList{UpdateRunJob::doneMessage()});

    // Lost for good after the first statement: the batches fail, then three lines in a row.
    sent = 0;
    failFrom = 2;
    failTo = 1000000;
    try {
        runUpdate(m_folder, m_db.settings(), {}, connection.get());
        ADD_FAILURE() << "a run without its database claimed to be done";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().startsWith("The update run stopped at line 3 of "))
            << e.message().toStdString();
        EXPECT_TRUE(e.message().endsWith(
            "Not read: lines 1 to 4 of \"ICD PH 2024.txt\" and the whole procedure list."))
            << e.message().toStdString();
    }
    const QByteArray log = test::readBytes(m_folder.outputFile("ICD Parser Log.txt"));
    EXPECT_TRUE(log.contains("*** The run stopped before its end")) << log.toStdString();
    EXPECT_FALSE(log.contains("New Code and Description :"));
    EXPECT_TRUE(
        test::readBytes(m_folder.outputFile("scriptPH.txt"))
            .startsWith("-- The run that wrote this script did not finish: the script is incomplete and "
                        "must not be run.\r\nuse MEDICARE\r\n"));
}

// The batched lookups against the line-by-line reference, over both real 2024 lists and
// the sample database: the same files byte for byte and the same JSON.
TEST(UpdateRunStrategies, batchedAgreesWithLineByLineOnTheRealLists)
{
    QTemporaryDir databases;
    db::buildSampleDatabases(databases.path(), false);
    db::ConnectionSettings settings;
    settings.embeddedFolder = databases.path();

    auto runWith = [&](reconcile::LookupStrategy strategy) {
        test::TempProgramFolder folder;
        for (const char* name : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"})
            QFile::copy(test::sourcePath(QStringLiteral("data/philhealth-caserates-2024/") + name),
                        folder.path() + QLatin1Char('/') + name);
        UpdateRunParams params;
        params.verB = true;
        params.updateDescriptions = true;
        params.strategy = strategy;
        return runUpdate(folder, settings, params);
    };
    const RunFiles perLine = runWith(reconcile::LookupStrategy::PerLine);
    const RunFiles batched = runWith(reconcile::LookupStrategy::Batched);
    auto withoutFolder = [](QJsonObject json) { // each run has its own program folder
        QJsonArray passes = json["passes"].toArray();
        for (qsizetype i = 0; i < passes.size(); ++i) {
            QJsonObject pass = passes[i].toObject();
            pass.remove("file");
            passes[i] = pass;
        }
        json["passes"] = passes;
        json.remove("review");
        return json;
    };
    EXPECT_EQ(withoutFolder(perLine.outcome.json), withoutFolder(batched.outcome.json));
    EXPECT_TRUE(perLine.script == batched.script);
    EXPECT_TRUE(perLine.scriptPH == batched.scriptPH);
    EXPECT_TRUE(perLine.log == batched.log);
    const QJsonArray passes = batched.outcome.json["passes"].toArray();
    EXPECT_EQ(passes[0].toObject()["lines"].toInt() + passes[1].toObject()["lines"].toInt(), 8923);
    EXPECT_LE(batched.outcome.statementsSent, 40u);
    EXPECT_LT(batched.outcome.statementsSent * 50, perLine.outcome.statementsSent);
}

} // namespace
