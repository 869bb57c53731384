// The review files of both scans and of the package rate script: their changes by class,
// one row each with the values read and proposed, and the PH scan's page in a real browser.
#include "ratelist/SourceFile.h"
#include "reconcile/ScanJob.h"
#include "review/ChangeClass.h"
#include "review/ReviewRun.h"
#include "support/Browser.h"
#include "support/ReviewPageRows.h"
#include "support/SmallDatabases.h"
#include "support/TestPaths.h"
#include "tools/ToolJobs.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace orvex;
using review::ChangeClass;

namespace {

std::map<ChangeClass, int> classCounts(const jobs::Findings& changes)
{
    std::map<ChangeClass, int> counts;
    for (const jobs::Finding& f : changes)
        ++counts[*review::classOf(f)];
    return counts;
}

const jobs::Finding* changeOf(const jobs::Findings& changes, ChangeClass c, const QString& key)
{
    for (const jobs::Finding& f : changes)
        if (review::classOf(f) == c && f.key == key)
            return &f;
    return nullptr;
}

class ScanReview : public ::testing::Test
{
protected:
    void SetUp() override { test::addScanGoldenRows(dbs); }

    reconcile::ScanResult scan(bool ph)
    {
        reconcile::ScanParams params;
        params.sourceFile = test::fixturePath("scan/small-list.txt");
        params.keepResultRows = true;
        params.lines = ratelist::readSourceFile(params.sourceFile);
        params.phMode = ph;
        params.connection = dbs.settings();
        params.user = QStringLiteral("clerk");
        reconcile::ScanJob job(params);
        jobs::JobContext context;
        context.programFolder = folder.path();
        context.connection = dbs.settings();
        outcome = job.run(context, {});
        page = QString::fromUtf8(test::readBytes(folder.outputFile("report.html")));
        csv = QString::fromUtf8(test::readBytes(folder.outputFile("changes.csv")));
        return job.result();
    }

    test::SmallDatabases dbs;
    test::TempProgramFolder folder;
    jobs::JobOutcome outcome;
    QString page, csv;
};

} // namespace

TEST_F(ScanReview, icdScanKeepsNewCodesAndDescriptionChanges)
{
    const reconcile::ScanResult result = scan(false);
    EXPECT_EQ(
        classCounts(result.changes),
        (std::map<ChangeClass, int>{{ChangeClass::NewIcdCode, 4}, {ChangeClass::IcdDescriptionChange, 1}}));
    const jobs::Finding* changed = changeOf(result.changes, ChangeClass::IcdDescriptionChange, "A00.1");
    ASSERT_NE(changed, nullptr);
    EXPECT_EQ(changed->read.value("Description"), "Cholera due to Vibrio cholerae 01, biovar eltor");
    EXPECT_EQ(changed->proposed.value("Description"), "CHOLERA DUE TO VIBRIO CHOLERAE 01, BIOVAR ELTOR");
    EXPECT_EQ(changed->sourceLine, 3);
    EXPECT_TRUE(page.contains("<section id=\"icd-description-change\""));
    EXPECT_FALSE(page.contains("<section id=\"new-code\""));
    EXPECT_FALSE(page.contains("<th>Amount before</th>")); // the ICD scan proposes no amounts
    EXPECT_TRUE(csv.contains("\r\nnew-icd-code,dbo.tbICDdiagMain,A00.9,A00.9,,\"Cholera, unspecified\"," +
                             QDir::toNativeSeparators(test::fixturePath("scan/small-list.txt")) + ",4\r\n"))
        << csv.toStdString();
    EXPECT_TRUE(outcome.summary.contains("Review page: " +
                                         QDir::toNativeSeparators(folder.outputFile("report.html"))));
    EXPECT_EQ(outcome.json["review"].toObject()["changes"].toString(), folder.outputFile("changes.csv"));
}

TEST_F(ScanReview, phScanKeepsEveryChangeOfItsScripts)
{
    const reconcile::ScanResult result = scan(true);
    EXPECT_EQ(classCounts(result.changes), (std::map<ChangeClass, int>{{ChangeClass::NewIcdCode, 4},
                                                                       {ChangeClass::NewPackage, 1},
                                                                       {ChangeClass::RateChange, 1},
                                                                       {ChangeClass::NewCaseRate, 5},
                                                                       {ChangeClass::DescriptionChange, 1}}));
    const jobs::Finding* rate = changeOf(result.changes, ChangeClass::RateChange, "120");
    ASSERT_NE(rate, nullptr);
    EXPECT_EQ(rate->read.value("Amount"), "7800");
    EXPECT_EQ(rate->proposed.value("Amount"), "11700.00");
    EXPECT_EQ(rate->code, "A00.9");
    EXPECT_EQ(rate->sourceLine, 4);
    const jobs::Finding* package = changeOf(result.changes, ChangeClass::NewPackage, "MISCARRIAGE");
    ASSERT_NE(package, nullptr);
    EXPECT_EQ(package->proposed.value("MedRoomBoard"), "4200");
    const std::vector<test::ReviewPageRow> rows = test::reviewPageRows(page.toUtf8());
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const test::ReviewPageRow& r) {
        return r.code == "A00.9" && r.amounts.mid(0, 3) == QStringList{"7800", "11700.00", "+50.0%"};
    }));
    EXPECT_TRUE(
        csv.contains("\r\nrate-change,[Medicare].[dbo].[tbMedPackage],120,A00.9,,CHOLERA,7800,11700.00,"
                     "5460,8190.00,2340,3510.00,+50.0%,"))
        << csv.toStdString();
}

TEST_F(ScanReview, phScanPageShowsItsSectionsInABrowser)
{
    const reconcile::ScanResult result = scan(true);
    const QString dom = test::browserDom(folder.outputFile("report.html"), "", folder.path());
    if (dom.isNull())
        GTEST_SKIP() << "chromium is not installed (scripts/install-deps.sh installs it)";
    for (const ChangeClass c : review::kPhScanClasses)
        EXPECT_TRUE(dom.contains(QStringLiteral("<section id=\"%1\"").arg(review::className(c))));
    // The changes an apply makes, and the ones a later line overrides.
    const qsizetype rows = qsizetype(test::reviewPageRows(page.toUtf8()).size());
    EXPECT_GE(rows, qsizetype(result.changes.size()));
    EXPECT_TRUE(dom.contains(QStringLiteral("%1 of %1 rows shown").arg(rows)));
}

TEST(PackageRateReview, keepsEveryRaisedPackage)
{
    test::SmallDatabases dbs;
    dbs.addPackage("120", "CHOLERA", 7800, 5460, 2340);
    test::TempProgramFolder folder;
    tools::PackageRateJob job({});
    jobs::JobContext context;
    context.programFolder = folder.path();
    context.connection = dbs.settings();
    const jobs::JobOutcome outcome = job.run(context, {});
    ASSERT_EQ(job.result().changes.size(), 1u);
    const jobs::Finding& f = job.result().changes.front();
    EXPECT_EQ(review::classOf(f), ChangeClass::RateChange);
    EXPECT_EQ(f.table, "[Medicare].[dbo].[tbMedPackage2023]");
    EXPECT_EQ(f.read.value("Amount"), "7800");
    EXPECT_EQ(f.proposed.value("Amount"), "10140");
    const QString csv = QString::fromUtf8(test::readBytes(folder.outputFile("changes.csv")));
    EXPECT_TRUE(
        csv.contains("\r\nrate-change,[Medicare].[dbo].[tbMedPackage2023],120,120,,CHOLERA,7800,10140,"
                     "5460,7098,2340,3042,"))
        << csv.toStdString();
    EXPECT_TRUE(outcome.summary.contains("Review page: " +
                                         QDir::toNativeSeparators(folder.outputFile("report.html"))));
}
