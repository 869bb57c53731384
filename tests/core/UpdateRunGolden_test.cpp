// The update run over a small made-up pair of rate lists that holds every class of line,
// against a small database: every file it writes, its log box and its JSON, compared byte for
// byte with reviewed golden files, with both lookup strategies. ORVEX_UPDATE_GOLDEN=1 rewrites
// the golden files from the current output.
#include "caserates/UpdateRunJob.h"

#include "reconcile/ScanReportWriter.h"
#include "report/ReportFileSet.h"
#include "support/Golden.h"
#include "support/SmallDatabases.h"
#include "support/TestPaths.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::caserates;

namespace {

const QDateTime kWhen(QDate(2024, 2, 14), QTime(9, 30, 0));

void fill(test::SmallDatabases& db)
{
    db.addPackage("7", "CHOLERA", 10000, 3000, 7000);
    db.addPackage("8", "INTESTINAL INFECTIONS", 6000, 1800, 4200);
    db.addPackage("9", "ALZHEIMER DISEASE", 11100, 7770, 3330);
    db.addPackage("10", "PERITONSILLAR ABSCESS", 10000, 7000, 3000);
    db.addPackage("30", "INCISION AND DRAINAGE", 20000, 6000, 14000);
    db.addPackage("31", "DEBRIDEMENT", QVariant(), QVariant(), QVariant()); // amounts never entered
    db.addCaseRate("A00", "Cholera", "7");
    db.addCaseRate("A01.0", "TYPHOID FEVER", "8");
    db.addCaseRate("A02.0", "Salmonella enteritis", "8");
    db.addCaseRate("A03", "Shigellosis", "8");
    db.addCaseRate("A04", "Enteropathogenic E. coli\r\ninfection", "8");
    db.addCaseRate("A05", "Foodborne staphylococcal intoxication", "7");
    db.addCaseRate("B05", "Measles", "99"); // its package is gone
    db.addCaseRate("G30.9", "Alzheimer's disease, unspecified", "9");
    db.addCaseRate("J36", "Peritonsillar abscess", "10");
    db.addCaseRate("X'01", "Made-up code", "8");
    const QString procedure = QStringLiteral(
        "INSERT INTO tbMed_Procedures (RVSCODE, Description, PackageID, Status) VALUES (?, ?, ?, 1)");
    db.exec("Medicare", procedure, {"10060", "Incision and drainage of abscess", "30"});
    db.exec("Medicare", procedure, {"10080", "Incision of pilonidal cyst", "30"});
    db.exec("Medicare", procedure, {"11000", "DEBRIDEMENT OF SKIN", "31"});
    const QString newStyle =
        QStringLiteral("INSERT INTO tbMedPackage_NEW (PackageID, Code, Package, Amount, PF, "
                       "MedRoomBoard, Status) VALUES (?, ?, ?, ?, ?, ?, 1)");
    db.exec("Medicare", newStyle, {"1", "A00", "CHOLERA", 10000, 3000, 7000});
    db.exec("Medicare", newStyle, {"2", "X'01", "MADE-UP", 6000, 1800, 4200});
    db.exec("Medicare", newStyle, {"3", "10060", "INCISION AND DRAINAGE", 20000, 6000, 14000});
}

// `odbc`: through the SQLite ODBC driver instead of the embedded one.
void runAndCompare(const UpdateRunParams& options, const QString& goldenName, bool odbc = false)
{
    test::SmallDatabases db(odbc);
    fill(db);
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
