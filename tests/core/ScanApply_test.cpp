// Applying both scans and the package rate script over the small made-up list, and undoing
// the apply, on the embedded database and through the SQLite ODBC driver: the same run
// afterwards finds nothing left to change, the undo puts every row back, and a record of
// another kind or a row changed since the run is refused with nothing changed.
#include "apply/ApplyPreflight.h"
#include "apply/ApplyRun.h"
#include "apply/UndoApply.h"

#include "Error.h"
#include "ratelist/SourceFile.h"
#include "reconcile/ScanJob.h"
#include "support/SmallDatabases.h"
#include "support/SqliteOdbc.h"
#include "support/TestPaths.h"
#include "tools/ToolJobs.h"

#include <gtest/gtest.h>

using namespace orvex;

namespace {

const QDateTime kWhen(QDate(2024, 2, 14), QTime(9, 30, 0));

class ScanApply : public ::testing::TestWithParam<bool>
{
protected:
    ScanApply() : dbs(GetParam()) {}

    void SetUp() override
    {
        if (GetParam()) // the same tables through the SQLite ODBC driver
            ORVEX_SKIP_WITHOUT_SQLITE_ODBC();
        test::addScanGoldenRows(dbs);
        connection = db::Connection::open(dbs.settings());
    }

    jobs::JobContext context(int minutes = 0)
    {
        jobs::JobContext c;
        c.programFolder = folder.path();
        c.clock = [minutes] { return kWhen.addSecs(60 * minutes); };
        c.existingConnection = connection.get();
        return c;
    }

    // Runs the scan and returns what its record proposes.
    apply::ApplyCounts scan(bool ph, int minutes = 0)
    {
        reconcile::ScanParams params;
        params.sourceFile = test::fixturePath("scan/small-list.txt");
        params.list = reconcile::ScanList::SourceFile;
        params.listFile = params.sourceFile;
        params.lines = ratelist::readSourceFile(params.sourceFile);
        params.phMode = ph;
        reconcile::ScanJob(params).run(context(minutes), {});
        return apply::countChanges(record());
    }

    apply::ApplyCounts raisePackages(const QString& year, int minutes = 0)
    {
        tools::PackageRateParams params;
        params.yearText = year;
        tools::PackageRateJob(params).run(context(minutes), {});
        return apply::countChanges(record());
    }

    review::RunRecord record() { return review::readRunRecord(folder.outputFile("changes.json")); }

    apply::ApplyResult apply(const QString& kind = {}, int minutes = 1)
    {
        return apply::applyRun(*connection, folder.path() + "/output", {"tester", "ws1"},
                               kWhen.addSecs(60 * minutes), kind);
    }

    QString refusal(const QString& kind = {})
    {
        return refusalOf([&] { apply(kind); });
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

    QStringList snapshot(const QString& packageTable = QStringLiteral("tbMedPackage"))
    {
        QStringList rows;
        for (const QString& sql :
             {QStringLiteral(
                  "select CODE || '|' || ifnull(Description,'') || '|' || ifnull(ALLOWASPRIMARY,'') "
                  "from Build_FILE.tbICDdiagMain order by rowid"),
              QStringLiteral(
                  "select PackageID || '|' || ifnull(Package,'') || '|' || ifnull(Amount,'') || '|' || "
                  "ifnull(PF,'') || '|' || ifnull(MedRoomBoard,'') || '|' || ifnull(MedDrugs,'') || '|' "
                  "|| ifnull(Status,'') || '|' || ifnull(CaseType,'') from Medicare.%1 order by rowid")
                  .arg(packageTable),
              QStringLiteral("select ICDCode || '|' || Description || '|' || ifnull(CaseType,'') || '|' || "
                             "PackageID || '|' || ifnull(Status,'') from Medicare.tbMed_MedicalCaseRates "
                             "order by rowid")})
            rows << test::columnValues(*connection, sql);
        return rows;
    }

    // Applies the last run, checks that the same run then finds nothing, undoes the apply
    // and checks that every row is back.
    void applyRunAgainUndo(bool ph, int minutes)
    {
        const QStringList before = snapshot();
        const apply::ApplyResult applied = apply(ph ? "ph-scan" : "scan", minutes);
        EXPECT_NE(snapshot(), before);
        EXPECT_EQ(scan(ph, minutes + 1).total(), 0) << apply::countChanges(record()).text().toStdString();
        apply::undoApply(*connection, applied.undoFile, {"tester", "ws1"}, kWhen.addSecs(60 * (minutes + 2)));
        EXPECT_EQ(snapshot(), before);
    }

    test::SmallDatabases dbs;
    test::TempProgramFolder folder;
    std::unique_ptr<db::Connection> connection;
};

} // namespace

TEST_P(ScanApply, icdScanAppliedLeavesNothingForTheNextScanAndUndoes)
{
    const apply::ApplyCounts counts = scan(false);
    EXPECT_EQ(counts.text(), "4 new ICD-10 codes, 1 ICD-10 description change");
    applyRunAgainUndo(false, 1);
}

TEST_P(ScanApply, phScanAppliedLeavesNothingForTheNextScanAndUndoes)
{
    const apply::ApplyCounts counts = scan(true);
    EXPECT_EQ(counts.text(),
              "4 new ICD-10 codes, 1 new package, 5 new case rates, 1 rate change, 1 description change");
    const apply::ApplyResult applied = apply("ph-scan");
    // The group's new package is numbered after the largest PackageID, and the new case
    // rates of its group refer to it; the group's last line gave its amounts.
    EXPECT_EQ(applied.newPackageIds, QStringList{"121"});
    EXPECT_EQ(test::columnValues(*connection, "select Package || '|' || Amount || '|' || Status from "
                                              "Medicare.tbMedPackage where PackageID = '121'"),
              QStringList{"MISCARRIAGE|1000.0|1"});
    EXPECT_EQ(test::columnValues(*connection, "select ICDCode || '|' || CaseType from "
                                              "Medicare.tbMed_MedicalCaseRates where PackageID = '121'"),
              (QStringList{"O03.9|1", "O05.9|1", "X00.0|1"}));
    // Case type 1 (diagnosis) in an existing package too, never the group's name.
    EXPECT_EQ(test::columnValues(*connection, "select ICDCode || '|' || CaseType from "
                                              "Medicare.tbMed_MedicalCaseRates where CaseType is not 1"),
              QStringList());
    apply::undoApply(*connection, applied.undoFile, {"tester", "ws1"}, kWhen.addSecs(120));

    scan(true, 3);
    applyRunAgainUndo(true, 4);
}

TEST_P(ScanApply, packageRatesAreRaisedInTheTableTheScriptAddressesAndUndone)
{
    dbs.exec("Medicare", "create table tbMedPackage2023 as select * from tbMedPackage");
    const QStringList live = snapshot();
    const QStringList copy = snapshot("tbMedPackage2023");
    EXPECT_EQ(raisePackages("2023").text(), "2 rate changes");
    const apply::ApplyResult applied = apply("package-rates");
    EXPECT_EQ(snapshot(), live);
    EXPECT_EQ(test::columnValues(*connection,
                                 "select Amount from Medicare.tbMedPackage2023 where PackageID = '120'"),
              QStringList{"10140"});
    // Raising rates is no list to converge on: the next script raises them again.
    EXPECT_EQ(raisePackages("2023", 2).rateChanges, 2);
    apply::undoApply(*connection, applied.undoFile, {"tester", "ws1"}, kWhen.addSecs(180));
    EXPECT_EQ(snapshot("tbMedPackage2023").join('\n').toStdString(), copy.join('\n').toStdString());

    // A factor of 0 proposes nothing.
    tools::PackageRateParams params;
    params.percentText = "0";
    tools::PackageRateJob(params).run(context(4), {});
    EXPECT_EQ(apply::countChanges(record()).total(), 0);
}

TEST_P(ScanApply, refusesARecordOfAnotherKindAndARowChangedSinceTheRun)
{
    scan(true);
    const QStringList before = snapshot();
    const QString otherKind = refusal("update");
    EXPECT_TRUE(otherKind.contains("nothing was changed: the last run in the output folder is a PH scan of "
                                   "2024-02-14 09:30:00, not an update run."))
        << otherKind.toStdString();

    scan(false);
    dbs.exec("Build_FILE", "update tbICDdiagMain set Description = 'by hand' where CODE = 'A00.1'");
    dbs.exec("Build_FILE", "insert into tbICDdiagMain (CODE, Description) values ('O05.9', 'by hand')");
    const QStringList changedByHand = snapshot();
    const QString drift = refusal("scan");
    EXPECT_TRUE(drift.contains("nothing was changed: 2 rows changed since the run read them"))
        << drift.toStdString();
    EXPECT_TRUE(drift.contains("CODE \"A00.1\" (line 3 of")) << drift.toStdString();
    EXPECT_TRUE(drift.contains("now has the description \"by hand\"")) << drift.toStdString();
    EXPECT_TRUE(drift.contains("CODE \"O05.9\" (line 10 of")) << drift.toStdString();
    EXPECT_TRUE(drift.contains("Run the ICD scan again.")) << drift.toStdString();
    EXPECT_EQ(snapshot(), changedByHand);
    EXPECT_NE(snapshot(), before);
}

// Rows of one code with different descriptions are duplicate codes, not a change since the
// run: the refusal names the code and the tool that removes them.
TEST_P(ScanApply, duplicateIcdCodesAreNamedAsSuchBeforeAndWhileApplying)
{
    scan(false);
    dbs.addIcd("A00.1", "Cholera, El Tor");
    const QStringList before = snapshot();
    const QString refused = refusal("scan");
    EXPECT_TRUE(refused.contains("nothing was changed: the ICD code \"A00.1\" is held by rows of different "
                                 "descriptions in tbICDdiagMain (duplicate ICD codes)"))
        << refused.toStdString();
    EXPECT_TRUE(refused.contains("Click \"Check Duplicates\" on tab \"Tools\"")) << refused.toStdString();
    EXPECT_FALSE(refused.contains("changed since")) << refused.toStdString();
    EXPECT_EQ(refusalOf([&] { apply::planApply(*connection, record(), folder.path() + "/output", kWhen); }),
              refused);
    EXPECT_EQ(snapshot(), before);
}

// The scans and the package rate script are made again inside the apply too: a stopped scan
// stops where it did, and a record changed since its run is refused with nothing changed.
TEST_P(ScanApply, aStoppedScanIsMadeAgainAsFarAndAChangedRecordIsRefused)
{
    reconcile::ScanParams params;
    params.sourceFile = test::fixturePath("scan/small-list.txt");
    params.list = reconcile::ScanList::SourceFile;
    params.listFile = params.sourceFile;
    params.lines = ratelist::readSourceFile(params.sourceFile);
    params.phMode = true;
    reconcile::ScanJob job(params);
    job.scan(context(), [&](const reconcile::ScanProgress& p) {
        if (p.phase == reconcile::ScanPhase::Comparing && p.linesDone == 6)
            job.requestStop();
    });
    ASSERT_EQ(record().completeness.completion, review::RunCompletion::Stopped);
    const QStringList before = snapshot();
    const apply::ApplyResult applied = apply::applyRun(*connection, folder.path() + "/output",
                                                       {"tester", "ws1"}, kWhen.addSecs(60), {}, {}, true);
    EXPECT_GT(applied.counts.total(), 0);
    EXPECT_GT(scan(true, 2).total(), 0) << "the lines the stopped scan did not read";
    apply::undoApply(*connection, applied.undoFile, {"tester", "ws1"}, kWhen.addSecs(180));
    EXPECT_EQ(snapshot(), before);

    // The package rate script's record aimed at the live table instead of the year's copy.
    dbs.exec("Medicare", "create table tbMedPackage2023 as select * from tbMedPackage");
    raisePackages("2023", 4);
    review::RunRecord aimed = record();
    for (jobs::Finding& f : aimed.changes)
        f.table = "[Medicare].[dbo].[tbMedPackage]";
    review::writeRunRecord(aimed, folder.path() + "/output");
    const QString refused = refusal("package-rates");
    EXPECT_TRUE(refused.contains("nothing was changed: the record no longer holds what the run gives now"))
        << refused.toStdString();
    EXPECT_TRUE(refused.contains("the record says rate-change of [Medicare].[dbo].[tbMedPackage] PackageID"))
        << refused.toStdString();
    EXPECT_TRUE(refused.contains("Write the package rate script again.")) << refused.toStdString();
    EXPECT_EQ(snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(Backends, ScanApply, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Odbc" : "Embedded"; });
