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

void scanAndCompare(bool ph, const QString& goldenName)
{
    test::SmallDatabases dbs;
    test::addScanGoldenRows(dbs);
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
        // Nothing else: no fix-format result, no temporary file, no ICD scan's scriptPH.txt.
        QStringList held = kReportFiles;
        if (!ph)
            held.removeOne("scriptPH.txt");
        held << "ICD Parser Log.txt"
             << "report.html"
             << "changes.csv"
             << "changes.json";
        test::expectFolderHolds(folder.path() + "/output", held);
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
