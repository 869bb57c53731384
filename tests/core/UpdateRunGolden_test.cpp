// The update run over a small made-up pair of rate lists that holds every class of line,
// against a small database: every file it writes, its log box and its JSON, compared byte for
// byte with reviewed golden files, with both lookup strategies. ORVEX_UPDATE_GOLDEN=1 rewrites
// the golden files from the current output.
#include "caserates/UpdateRunJob.h"

#include "reconcile/ScanReportWriter.h"
#include "report/ReportFileSet.h"
#include "support/Golden.h"
#include "support/SmallDatabases.h"
#include "support/SqliteOdbc.h"
#include "support/TestPaths.h"
#include "support/UpdateRunFixture.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::caserates;

namespace {

const QDateTime kWhen(QDate(2024, 2, 14), QTime(9, 30, 0));

// `odbc`: through the SQLite ODBC driver instead of the embedded one.
void runAndCompare(const UpdateRunParams& options, const QString& goldenName, bool odbc = false)
{
    test::SmallDatabases db(odbc);
    test::fillForUpdateRun(db);
    const QString golden = test::fixturePath("update-run/" + goldenName);
    for (const auto strategy : {reconcile::LookupStrategy::PerLine, reconcile::LookupStrategy::Batched}) {
        SCOPED_TRACE(strategy == reconcile::LookupStrategy::Batched ? "batched" : "per-line");
        test::TempProgramFolder folder;
        for (const char* name : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"})
            QFile::copy(test::fixturePath(QStringLiteral("update-run/") + name), folder.path() + '/' + name);
        jobs::JobContext context;
        context.programFolder = folder.path();
        context.clock = [] { return kWhen; };
        context.connection = db.settings();
        UpdateRunParams params = options;
        params.strategy = strategy;
        const jobs::JobOutcome outcome = UpdateRunJob(params).run(context, {});
        EXPECT_TRUE(outcome.failures.isEmpty()) << outcome.failures.join('\n').toStdString();

        QStringList files;
        for (int slot = 0; slot < report::kSlotCount; ++slot) {
            const QString name = report::slotFileName(report::Slot(slot));
            if (slot != int(report::Slot::LogFile))
                files << name;
        }
        test::expectGoldenFiles(folder.path() + "/output", files, golden);
        test::expectFolderHolds(
            folder.path() + "/output",
            files + QStringList{"ICD Parser Log.txt", "report.html", "changes.csv", "changes.json"});
        // The log's date line follows the system's locale.
        QByteArray log = test::readBytes(folder.outputFile("ICD Parser Log.txt"));
        log.replace(reconcile::ScanReportWriter::generalDateTime(kWhen).toLatin1(), "<date and time>");
        test::expectGolden(log, golden + "/ICD Parser Log.txt.golden", "ICD Parser Log.txt");

        QJsonObject json = outcome.json;
        QJsonArray passes = json["passes"].toArray();
        for (qsizetype i = 0; i < passes.size(); ++i) {
            QJsonObject pass = passes[i].toObject();
            pass["file"] = pass["file"].toString().replace(folder.path(), "<program folder>");
            passes[i] = pass;
        }
        json["passes"] = passes;
        QJsonObject review = json["review"].toObject();
        for (const char* key : {"page", "changes", "record"})
            review[key] = review[key].toString().replace(folder.path(), "<program folder>");
        json["review"] = review;
        test::expectGolden(QJsonDocument(json).toJson(), golden + "/update.json.golden", "the JSON object");
    }
}

} // namespace

TEST(UpdateRunGolden, defaultRun)
{
    runAndCompare({}, "default");
}

TEST(UpdateRunGolden, defaultRunThroughOdbc)
{
    ORVEX_SKIP_WITHOUT_SQLITE_ODBC();
    runAndCompare({}, "default", true);
}

TEST(UpdateRunGolden, verBWithDescriptionUpdates)
{
    UpdateRunParams params;
    params.verB = true;
    params.updateDescriptions = true;
    runAndCompare(params, "ver-b");
}

TEST(UpdateRunGolden, testTables)
{
    UpdateRunParams params;
    params.testSuffix = QStringLiteral("_TEST");
    params.updateDescriptions = true;
    runAndCompare(params, "test-mode");
}
