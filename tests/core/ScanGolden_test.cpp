// Whole report sets of a small list, compared byte for byte with reviewed golden files.
// ORVEX_UPDATE_GOLDEN=1 rewrites the golden files from the current output.
#include "ratelist/SourceFile.h"
#include "reconcile/ScanJob.h"
#include "support/Golden.h"
#include "support/SmallDatabases.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::reconcile;

namespace {

const QStringList kReportFiles = {"New Code.txt",
                                  "script.txt",
                                  "scriptPH.txt",
                                  "SameCodediffdesc.txt",
                                  "SameCodeDiffDesc Script.txt",
                                  "Same description different code.txt",
                                  "Different Code and Description.txt"};

void fill(test::SmallDatabases& dbs)
{
    dbs.addIcd("A00.0", "Cholera due to Vibrio cholerae 01, biovar cholerae");
    dbs.addIcd("A00.1", "Cholera due to Vibrio cholerae 01, biovar eltor");
    dbs.addIcd("I42.30", QStringLiteral("L\u00f6ffler's endocarditis"));
    dbs.addIcd("I42.9", "Cardiomyopathy, unspecified");
    dbs.addPackage("120", "CHOLERA", 7800, 5460, 2340);
    dbs.addPackage("99", "LOEFFLER ENDOCARDITIS", 30000, 21000, 9000);
    dbs.addCaseRate("A00.0", "CHOLERA DUE TO VIBRIO CHOLERAE 01, BIOVAR CHOLERAE", "120");
    dbs.addCaseRate("A00.1", "CHOLERA DUE TO VIBRIO CHOLERAE 01, BIOVAR ELTOR", "120");
    dbs.addCaseRate("I42.9", "Cardiomyopathy, unspecified", "99");
}

void scanAndCompare(bool ph, const QString& goldenName)
{
    test::SmallDatabases dbs;
    fill(dbs);
    test::TempProgramFolder folder;
    for (const LookupStrategy strategy : {LookupStrategy::PerLine, LookupStrategy::Batched}) {
        ScanParams params;
        params.lines = ratelist::readSourceFile(test::fixturePath("scan/small-list.txt"));
        params.phMode = ph;
        params.strategy = strategy;
        params.connection = dbs.settings();
        ScanJob(params).run();
        test::expectGoldenFiles(folder.path() + "/output", kReportFiles,
                                test::fixturePath("scan/" + goldenName));
    }
}

} // namespace

TEST(ScanGolden, phScanOfASmallList)
{
    scanAndCompare(true, "ph-golden");
}

TEST(ScanGolden, icdScanOfASmallList)
{
    scanAndCompare(false, "icd-golden");
}
