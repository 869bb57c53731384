#include "reconcile/ScanJob.h"

#include "Error.h"
#include "report/ReportFileSet.h"
#include "support/SmallDatabases.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::reconcile;
using orvex::test::SmallDatabases;
using orvex::test::TempProgramFolder;

namespace {

const QString kScriptHeader = QStringLiteral("use Build_file\r\n\r\n\r\n");
const QString kScriptPHHeader = QStringLiteral("use MEDICARE\r\n\r\n\r\n");

struct Scan
{
    SmallDatabases dbs;
    TempProgramFolder folder;

    ScanResult run(const QStringList& lines, bool ph, LookupStrategy strategy = LookupStrategy::Batched,
                   bool fixFormat = false)
    {
        ScanParams params;
        params.lines = lines;
        params.phMode = ph;
        params.fixFormat = fixFormat;
        params.keepResultRows = true;
        params.connection = dbs.settings();
        params.strategy = strategy;
        return ScanJob(params).run();
    }

    QByteArray file(const QString& name) const { return test::readBytes(folder.outputFile(name)); }

    // Runs both lookup strategies and requires the same lists, counters and files.
    ScanResult runBoth(const QStringList& lines, bool ph)
    {
        const ScanResult perLine = run(lines, ph, LookupStrategy::PerLine);
        const auto filesOfPerLine = reportFiles();
        const ScanResult batched = run(lines, ph, LookupStrategy::Batched);
        EXPECT_EQ(perLine.counters, batched.counters);
        EXPECT_EQ(perLine.lists, batched.lists);
        EXPECT_EQ(filesOfPerLine, reportFiles());
        return batched;
    }

    std::vector<QByteArray> reportFiles() const
    {
        std::vector<QByteArray> contents;
        for (const char* name : {"New Code.txt", "script.txt", "scriptPH.txt", "SameCodediffdesc.txt",
                                 "SameCodeDiffDesc Script.txt", "Same description different code.txt"})
            contents.push_back(QFile::exists(folder.outputFile(name)) ? file(name) : QByteArray());
        return contents;
    }
};

QByteArray crlf(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toLatin1() + "\r\n";
    return bytes;
}

std::vector<ResultRow> rows(std::initializer_list<ResultRow> list)
{
    return list;
}

} // namespace

TEST(ScanJob, newCodeWritesInsertAndReportLine)
{
    Scan scan;
    const auto r =
        scan.runBoth({"A00.0|Cholera due to Vibrio cholerae 01, biovar cholerae|6,000|1,800|4,200"}, false);
    EXPECT_EQ(r.counters.newCode, 1);
    EXPECT_EQ(r.counters.linesRead, 1);
    EXPECT_EQ(r.list(ResultList::NewCode),
              rows({{"A00.0 - Cholera due to Vibrio cholerae 01, biovar cholerae", ""}}));
    EXPECT_EQ(scan.file("script.txt"),
              kScriptHeader.toLatin1() +
                  crlf({"INSERT INTO dbo.tbICDdiagMain (CODE,Description) "
                        "VALUES('A00.0','Cholera due to Vibrio cholerae 01, biovar cholerae');"}));
    EXPECT_EQ(scan.file("New Code.txt"),
              crlf({"A00.0   Cholera due to Vibrio cholerae 01, biovar cholerae"}));
    EXPECT_EQ(scan.file("Different Code and Description.txt"), QByteArray());
    EXPECT_FALSE(QFile::exists(scan.folder.outputFile("scriptPH.txt")));
}

TEST(ScanJob, knownCodeIsComparedExactly)
{
    Scan scan;
    scan.dbs.addIcd("A00.0", "Cholera due to Vibrio cholerae 01, biovar cholerae");
    scan.dbs.addIcd("A00.1", "cholera due to vibrio cholerae 01, biovar eltor");
    scan.dbs.addIcd("A00.9", "Cholera, unspecified ");
    const auto r =
        scan.runBoth({"a00.0|Cholera due to Vibrio cholerae 01, biovar cholerae",
                      "A00.1|Cholera due to Vibrio cholerae 01, biovar eltor", "A00.9 |Cholera, unspecified"},
                     false);
    // The code matches with the database's collation; the description comparison is exact.
    EXPECT_EQ(r.list(ResultList::SameCodeAndDescription),
              rows({{"A00.0 - Cholera due to Vibrio cholerae 01, biovar cholerae",
                     "a00.0 - Cholera due to Vibrio cholerae 01, biovar cholerae"}}));
    EXPECT_EQ(r.counters.sameCodeAndDescription, 1);
    EXPECT_EQ(r.counters.sameCodeDifferentDescription, 2);
    EXPECT_EQ(
        scan.file("SameCodediffdesc.txt"),
        crlf({"[DATABASE]A00.1   cholera due to vibrio cholerae 01, biovar eltor",
              "[SOURCE F]A00.1   Cholera due to Vibrio cholerae 01, biovar eltor", "", "",
              "[DATABASE]A00.9   Cholera, unspecified ", "[SOURCE F]A00.9   Cholera, unspecified", "", ""}));
    EXPECT_EQ(
        scan.file("SameCodeDiffDesc Script.txt"),
        kScriptHeader.toLatin1() +
            crlf(
                {"UPDATE dbo.tbICDdiagMain SET Description='Cholera due to Vibrio cholerae 01, biovar eltor' "
                 "WHERE CODE='A00.1';",
                 "UPDATE dbo.tbICDdiagMain SET Description='Cholera, unspecified' WHERE CODE='A00.9';"}));
    EXPECT_EQ(scan.file("New Code.txt"), QByteArray());
}

TEST(ScanJob, sameDescriptionUnderAnotherCode)
{
    Scan scan;
    scan.dbs.addIcd("A09", "Diarrhoea and gastroenteritis of presumed infectious origin");
    const auto r = scan.runBoth({"A09.0|DIARRHOEA AND GASTROENTERITIS OF PRESUMED INFECTIOUS ORIGIN"}, false);
    EXPECT_TRUE(r.list(ResultList::NewCode).empty());
    EXPECT_EQ(r.list(ResultList::SameDescriptionDifferentCode),
              rows({{"A09 - Diarrhoea and gastroenteritis of presumed infectious origin",
                     "A09.0 - DIARRHOEA AND GASTROENTERITIS OF PRESUMED INFECTIOUS ORIGIN"}}));
    EXPECT_EQ(r.counters.sameDescriptionDifferentCode, 1);
    EXPECT_EQ(scan.file("Same description different code.txt"),
              crlf({"[DATABASE]A09   Diarrhoea and gastroenteritis of presumed infectious origin",
                    "[SOURCE F]A09.0DIARRHOEA AND GASTROENTERITIS OF PRESUMED INFECTIOUS ORIGIN", ""}));
}

TEST(ScanJob, storedNullsShowAsNullOnReportLines)
{
    Scan scan;
    scan.dbs.addIcd(QVariant(), "Orphan description");
    scan.dbs.addIcd("B01", QVariant());
    const auto r = scan.runBoth({"X99|Orphan description", "B01|Varicella"}, false);
    EXPECT_EQ(r.list(ResultList::SameDescriptionDifferentCode),
              rows({{" - Orphan description", "X99 - Orphan description"}}));
    EXPECT_EQ(r.counters.sameCodeDifferentDescription, 1); // a NULL description never equals
    EXPECT_EQ(scan.file("Same description different code.txt"),
              crlf({"[DATABASE]Null   Orphan description", "[SOURCE F]X99Orphan description", ""}));
    EXPECT_EQ(scan.file("SameCodediffdesc.txt"),
              crlf({"[DATABASE]B01   Null", "[SOURCE F]B01   Varicella", "", ""}));
}

TEST(ScanJob, apostrophesAreLookedUpAndEscaped)
{
    Scan scan;
    scan.dbs.addIcd("I42.3", "L\u00f6ffler's endocarditis");
    scan.dbs.addIcd("Q'1", "Quoted code");
    const auto r = scan.runBoth(
        {QStringLiteral("X42.3|L\u00f6ffler's endocarditis"), "Q'1|Quoted code", "Z'9|Ann's disease"}, false);
    EXPECT_EQ(r.list(ResultList::SameDescriptionDifferentCode).size(), 1u);
    EXPECT_EQ(r.counters.sameCodeAndDescription, 1); // the code with an apostrophe is found
    EXPECT_EQ(r.list(ResultList::NewCode), rows({{"Z'9 - Ann's disease", ""}}));
    EXPECT_EQ(
        scan.file("script.txt"),
        kScriptHeader.toLatin1() +
            crlf({"INSERT INTO dbo.tbICDdiagMain (CODE,Description) VALUES('Z''9','Ann''s disease');"}));
    EXPECT_EQ(scan.file("New Code.txt"), crlf({"Z'9   Ann's disease"}));
}

TEST(ScanJob, phScanSkipsDescriptionComparisonOfKnownCodes)
{
    Scan scan;
    scan.dbs.addIcd("A00.0", "Cholera due to Vibrio cholerae 01, biovar cholerae");
    scan.dbs.addPackage("7", "CHOLERA", 7800, 5460, 2340);
    scan.dbs.addCaseRate("A00.0", "CHOLERA DUE TO VIBRIO CHOLERAE 01, BIOVAR CHOLERAE", "7");
    scan.dbs.addCaseRate("A00.1", "CHOLERA ELTOR", "7");
    const auto r =
        scan.runBoth({"|CHOLERA|||",
                      "A00.0|CHOLERA DUE TO VIBRIO CHOLERAE 01, BIOVAR CHOLERAE|11,700.00|8,190.00|3,510.00",
                      "A00.1|CHOLERA DUE TO VIBRIO CHOLERAE 01, BIOVAR ELTOR|11,700.00|8,190.00|3,510.00"},
                     true);
    EXPECT_TRUE(r.list(ResultList::SameCodeAndDescription).empty());
    EXPECT_TRUE(r.list(ResultList::SameCodeDifferentDescription).empty());
    EXPECT_EQ(r.counters.newCode, 1); // A00.1 is new to the ICD table
    EXPECT_EQ(r.counters.phSameDescription, 1);
    EXPECT_EQ(r.counters.phSameCodeDifferentDescription, 1);
    EXPECT_EQ(r.list(ResultList::PhSameCodeDifferentDescription),
              rows({{"A00.1 - CHOLERA ELTOR", "A00.1 - CHOLERA DUE TO VIBRIO CHOLERAE 01, BIOVAR ELTOR"}}));
    EXPECT_EQ(r.groupName, "CHOLERA");
    EXPECT_EQ(
        scan.file("scriptPH.txt"),
        kScriptPHHeader.toLatin1() +
            crlf({"", "/* [DATABASE] CHOLERA ELTOR",
                  "   [SOURCE F] CHOLERA DUE TO VIBRIO CHOLERAE 01, BIOVAR ELTOR */",
                  "UPDATE [Medicare].[dbo].[tbMed_MedicalCaseRates] SET Description='CHOLERA DUE TO VIBRIO "
                  "CHOLERAE 01, BIOVAR ELTOR' WHERE ICDCode='A00.1';",
                  "", ""}));
}

TEST(ScanJob, absentPackageIsInsertedOncePerGroup)
{
    Scan scan;
    const QString insert = QStringLiteral(
        "INSERT INTO [Medicare].[dbo].[tbMedPackage] "
        "([PackageID],[Package],[Amount],[PF],[MedRoomBoard],[Status],"
        "[CaseType])  VALUES((select MAX(convert(BIGINT,packageID))+1 from  [Medicare].[dbo].[tbMedPackage]),"
        "'MISCARRIAGE','6000','1800','4200','1','1');");
    auto caseRate = [](const QString& code, const QString& group) {
        return QStringLiteral(
                   "INSERT INTO [Medicare].[dbo].[tbMed_MedicalCaseRates] ([ICDCode],[Description],"
                   "[CaseType],[PackageID])  VALUES('%1','Abortion','1',(select packageid from  "
                   "[Medicare].[dbo].[tbMedPackage] where Package  = '%2'));")
            .arg(code, group);
    };
    const auto r = scan.runBoth({"|MISCARRIAGE|||", "O03.9|Abortion|6,000|1,800|4,200",
                                 "O04.9|Abortion|6,000|1,800|4,200", "|miscarriage |||",
                                 "O05.9|Abortion|6,000|1,800|4,200"},
                                true);
    EXPECT_EQ(r.counters.phNewCode, 3);
    EXPECT_EQ(r.counters.newCode, 3);
    EXPECT_EQ(r.list(ResultList::PhNewCode).front(), (ResultRow{"O03.9 - Abortion", ""}));
    EXPECT_EQ(scan.file("scriptPH.txt"),
              kScriptPHHeader.toLatin1() +
                  crlf({"", insert, "", "", caseRate("O03.9", "MISCARRIAGE"), "", "",
                        caseRate("O04.9", "MISCARRIAGE"), "", "", caseRate("O05.9", "miscarriage"), ""}));
}

TEST(ScanJob, existingPackageIsReferencedAndUpdatedWhenAmountsDiffer)
{
    Scan scan;
    scan.dbs.addPackage("99", "DENGUE", 10000, 3000, 7000);
    scan.dbs.addPackage("100", "TYPHOID", 10000, 3000, 7000);
    const auto r = scan.runBoth({"|DENGUE|||", "A90|Dengue fever|10,000|3,000|7,000", "|TYPHOID|||",
                                 "A01.0|Typhoid fever|19,500.00|5,850.00|13,650.00"},
                                true);
    EXPECT_EQ(r.packageId, "100");
    EXPECT_EQ(
        scan.file("scriptPH.txt"),
        kScriptPHHeader.toLatin1() +
            crlf({"",
                  "INSERT INTO [Medicare].[dbo].[tbMed_MedicalCaseRates] ([ICDCode],[Description],[CaseType],"
                  "[PackageID])  VALUES('A90','Dengue fever','1','99');",
                  "", "",
                  "update  [Medicare].[dbo].[tbMedPackage] set [Amount]='19500.00',[PF]='5850.00',"
                  "[MedRoomBoard]='13650.00' where packageid = '100'",
                  "", "",
                  "INSERT INTO [Medicare].[dbo].[tbMed_MedicalCaseRates] ([ICDCode],[Description],[CaseType],"
                  "[PackageID])  VALUES('A01.0','Typhoid fever','1','100');",
                  ""}));
}

TEST(ScanJob, unreadableAmountsReadAsZero)
{
    Scan scan;
    scan.dbs.addPackage("5", "EMPTY", 0, QVariant(), 0);
    scan.dbs.addPackage("6", "SPACED", 11100, 3330, 7770);
    scan.run({"|EMPTY|||", "A00.0|x||abc|", "|SPACED|||", "E85.8 |Other amyloidosis |11,100|3 ,330|7,770"},
             true);
    // Empty, malformed and NULL all read 0; "3 330" reads 3330: no update block at all.
    EXPECT_FALSE(scan.file("scriptPH.txt").contains("update "));
}

TEST(ScanJob, linesBeforeTheFirstHeaderUseTheStartingGroup)
{
    Scan scan;
    scan.dbs.addPackage("1", "Header", 0, 0, 0);
    ScanParams params;
    params.lines = {"A00.0|Cholera|||"};
    params.phMode = true;
    params.connection = scan.dbs.settings();
    const auto r = ScanJob(params).run();
    EXPECT_EQ(r.packageId, "1");
    EXPECT_EQ(r.counters.phNewCode, 1);
}

TEST(ScanJob, blankLinesAreCountedButGetNoClassRowOrStatement)
{
    Scan scan;
    scan.dbs.addIcd("A00.0", "Cholera");
    scan.dbs.addPackage("7", "CHOLERA", 7800, 5460, 2340);
    scan.dbs.addCaseRate("A00.0", "Cholera", "7");
    // An empty last item would otherwise update package 7 with empty amounts.
    const auto r = scan.runBoth({"|CHOLERA|||", "A00.0|Cholera|7,800|5,460|2,340", "", " \t "}, true);
    EXPECT_EQ(r.counters, (ScanCounters{0, 0, 0, 0, 0, 1, 0, 4}));
    for (const auto& list : r.lists)
        EXPECT_TRUE(list.empty());
    EXPECT_EQ(scan.file("scriptPH.txt"), kScriptPHHeader.toLatin1());
    EXPECT_EQ(scan.file("script.txt"), kScriptHeader.toLatin1());
    EXPECT_EQ(scan.file("New Code.txt"), QByteArray());
}

TEST(ScanJob, descriptionsCannotLeaveTheCommentBlock)
{
    Scan scan;
    scan.dbs.addPackage("7", "G", 0, 0, 0);
    scan.dbs.addCaseRate("A1", "old */ DROP TABLE x; /*", "7");
    scan.run({"|G|||", "A1|new /* text */ DELETE FROM t; --"}, true);
    EXPECT_EQ(scan.file("scriptPH.txt"),
              kScriptPHHeader.toLatin1() +
                  crlf({"", "/* [DATABASE] old * / DROP TABLE x; / *",
                        "   [SOURCE F] new / * text * / DELETE FROM t; -- */",
                        "UPDATE [Medicare].[dbo].[tbMed_MedicalCaseRates] SET Description='new /* text */ "
                        "DELETE FROM t; --' WHERE ICDCode='A1';",
                        "", ""}));
}

// Every line break of every file in the output folder is a CR LF that the writer put there.
void expectNoTextStartsALine(const TempProgramFolder& folder)
{
    const QDir output(folder.outputFile(QString()));
    for (const QString& name : output.entryList({"*.txt"}, QDir::Files)) {
        const QByteArray bytes = test::readBytes(output.filePath(name));
        EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n")) << name.toStdString();
        EXPECT_EQ(bytes.count('\r'), bytes.count("\r\n")) << name.toStdString();
        for (const QByteArray& line : bytes.split('\n')) {
            EXPECT_FALSE(line.trimmed().startsWith("GO")) << name.toStdString() << ": " << line.toStdString();
            EXPECT_FALSE(line.trimmed().startsWith("DROP"))
                << name.toStdString() << ": " << line.toStdString();
        }
    }
}

TEST(ScanJob, lineBreaksInListedOrStoredTextStartNoLineOfAnyFile)
{
    const QString hostile = QStringLiteral("x\nGO\nDROP TABLE tbX8\nGO\ny");
    const QString inLiteral = QStringLiteral(
        "'x' + NCHAR(10) + 'GO' + NCHAR(10) + 'DROP TABLE tbX8' + NCHAR(10) + 'GO' + NCHAR(10) + 'y'");
    {
        Scan scan;
        scan.dbs.addIcd("A2", "old\r\nGO\r\nDROP TABLE tbX8");
        scan.run({"A1|" + hostile, "A2|" + hostile, "A3\nGO|Hepatitis A\nwithout hepatic coma"}, false);
        EXPECT_EQ(
            scan.file("script.txt"),
            kScriptHeader.toLatin1() +
                crlf({"INSERT INTO dbo.tbICDdiagMain (CODE,Description) VALUES('A1'," + inLiteral + ");",
                      "INSERT INTO dbo.tbICDdiagMain (CODE,Description) VALUES('A3' + NCHAR(10) + 'GO',"
                      "'Hepatitis A' + NCHAR(10) + 'without hepatic coma');"}));
        EXPECT_EQ(scan.file("SameCodeDiffDesc Script.txt"),
                  kScriptHeader.toLatin1() +
                      crlf({"UPDATE dbo.tbICDdiagMain SET Description=" + inLiteral + " WHERE CODE='A2';"}));
        EXPECT_EQ(scan.file("SameCodediffdesc.txt"),
                  crlf({"[DATABASE]A2   old  GO  DROP TABLE tbX8", "[SOURCE F]A2   x GO DROP TABLE tbX8 GO y",
                        "", ""}));
        expectNoTextStartsALine(scan.folder);
    }
    {
        Scan scan;
        scan.dbs.addPackage("7", "G", 0, 0, 0);
        scan.dbs.addCaseRate("A1", "old\r\nGO\r\nDROP TABLE tbX8", "7");
        scan.run({"|G|||", "A1|" + hostile, "|H\nGO|||", "B1|Hepatitis A\nwithout hepatic coma|1|2|3"}, true);
        const QByteArray script = scan.file("scriptPH.txt");
        EXPECT_TRUE(script.contains(
            crlf({"/* [DATABASE] old  GO  DROP TABLE tbX8", "   [SOURCE F] x GO DROP TABLE tbX8 GO y */",
                  "UPDATE [Medicare].[dbo].[tbMed_MedicalCaseRates] SET Description=" + inLiteral +
                      " WHERE ICDCode='A1';"})))
            << script.toStdString();
        EXPECT_TRUE(
            script.contains("[CaseType])  VALUES((select MAX(convert(BIGINT,packageID))+1 from  "
                            "[Medicare].[dbo].[tbMedPackage]),'H' + NCHAR(10) + 'GO','1','2','3','1','1');"))
            << script.toStdString();
        EXPECT_TRUE(script.contains("VALUES('B1','Hepatitis A' + NCHAR(10) + 'without hepatic coma',"))
            << script.toStdString();
        expectNoTextStartsALine(scan.folder);
    }
}

TEST(ScanJob, onlyAFixFormatScanWritesTheFixFormatFile)
{
    Scan scan;
    scan.run({"A000|Cholera"}, false, LookupStrategy::Batched, true);
    const QByteArray fixed = scan.file("OutputICDFile2.txt");
    EXPECT_EQ(fixed, crlf({"A00.0|Cholera"}));
    scan.run({"A00.0|Cholera"}, false);
    scan.run({"|G|||", "A00.0|Cholera"}, true);
    EXPECT_EQ(scan.file("OutputICDFile2.txt"), fixed);
}

TEST(ScanJob, summaryIsAppendedToTheLogOfEveryRun)
{
    Scan scan;
    scan.dbs.addIcd("A00.0", "Cholera");
    scan.run({"A00.0|Cholera", "B00|Herpes"}, false);
    scan.run({"C00|Lip"}, false);
    const QString log = QString::fromLatin1(scan.file("ICD Parser Log.txt"));
    const QStringList lines = log.split("\r\n");
    ASSERT_EQ(lines.size(), 2 * 14 + 1);
    EXPECT_EQ(lines.mid(0, 5), (QStringList{"", "", "", "", QString(42, '*')}));
    EXPECT_TRUE(lines[5].startsWith(QString(14, ' ')));
    EXPECT_EQ(lines.mid(6, 7), (QStringList{QString(42, '*'), "", "            New Code and Description : 1 ",
                                            "           Same Code and Description : 1 ",
                                            "     Same Code different Description : 0 ",
                                            "     Same Description different Code : 0 ", ""}));
    EXPECT_EQ(lines[13], QString(42, '*'));
    EXPECT_EQ(lines[14 + 8], "            New Code and Description : 1 ");
    EXPECT_EQ(lines[14 + 9], "           Same Code and Description : 0 ");
    // Every other file holds the second run only.
    EXPECT_EQ(scan.file("New Code.txt"), crlf({"C00   Lip"}));
}

TEST(ScanJob, fixFormatRewritesLinesOnly)
{
    Scan scan;
    const auto r = scan.run({"A000|Cholera", "|ACUTE GASTROENTERITIS|||", "AB", ""}, false,
                            LookupStrategy::Batched, true);
    EXPECT_EQ(r.counters, (ScanCounters{0, 0, 0, 0, 0, 0, 0, 4}));
    EXPECT_EQ(scan.file("OutputICDFile2.txt"),
              crlf({"A00.0|Cholera", "|AC.UTE GASTROENTERITIS|||", "AB.", "."}));
    EXPECT_EQ(scan.file("script.txt"), kScriptHeader.toLatin1());
    EXPECT_TRUE(scan.file("ICD Parser Log.txt").contains("New Code and Description : 0 "));
}

TEST(ScanJob, stopRequestFinishesTheLineAndWritesTheSummary)
{
    Scan scan;
    ScanParams params;
    params.lines = {"A1|a", "A2|b", "A3|c", "A4|d"};
    params.connection = scan.dbs.settings();
    ScanJob job(params);
    const auto r = job.run([&](const ScanProgress& p) {
        if (p.phase == ScanPhase::Comparing && p.linesDone == 2)
            job.requestStop();
    });
    EXPECT_EQ(r.ending, ScanEnding::Stopped);
    EXPECT_EQ(r.counters.linesRead, 2);
    EXPECT_EQ(scan.file("New Code.txt"), crlf({"A1   a", "A2   b"}));
    EXPECT_TRUE(scan.file("ICD Parser Log.txt").contains("New Code and Description : 2 "));
    // A job lets its lines go once compared: it runs once, and a second run says so.
    try {
        job.run();
        ADD_FAILURE() << "a second run of the same job went on";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("start a new scan")) << e.message().toStdString();
    }
    EXPECT_EQ(scan.file("New Code.txt"), crlf({"A1   a", "A2   b"}));
}

TEST(ScanJob, anAbandonedScanWritesNoSummaryButClosesTheFiles)
{
    Scan scan;
    ScanParams params;
    params.lines = {"A1|a", "A2|b", "A3|c"};
    params.connection = scan.dbs.settings();
    ScanJob job(params);
    const auto r = job.run([&](const ScanProgress& p) {
        if (p.phase == ScanPhase::Comparing)
            job.requestAbandon();
    });
    EXPECT_EQ(r.ending, ScanEnding::Abandoned);
    EXPECT_EQ(r.counters.linesRead, 1);
    EXPECT_EQ(scan.file("ICD Parser Log.txt"), QByteArray());
    EXPECT_EQ(scan.file("New Code.txt"), crlf({"A1   a"})); // flushed and closed
}

TEST(ScanJob, unwritableOutputFolderFailsClearly)
{
    Scan scan;
    QDir(scan.folder.path()).rmdir(QStringLiteral("output"));
    QFile blocker(scan.folder.path() + "/output");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    blocker.close();
    try {
        scan.run({"A1|a"}, false);
        FAIL() << "the scan claimed success";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("ICD Parser Log.txt")) << e.message().toStdString();
    }
}

TEST(ScanJob, databaseLostMidRunNamesTheLine)
{
    Scan scan;
    auto connection = db::Connection::open(scan.dbs.settings());
    ScanParams params;
    params.lines = {"A1|a", "A2|b", "A3|c"};
    params.existingConnection = connection.get();
    params.strategy = LookupStrategy::PerLine;
    ScanJob job(params);
    try {
        job.run([&](const ScanProgress& p) {
            if (p.phase == ScanPhase::Comparing && p.linesDone == 1)
                connection->database().close();
        });
        FAIL() << "the scan claimed success";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("line 2")) << e.message().toStdString();
    }
    // The log marks the half-written reports.
    EXPECT_TRUE(scan.file("ICD Parser Log.txt").startsWith("*** The run stopped before its end"));
    EXPECT_TRUE(scan.file("ICD Parser Log.txt").contains("The scan stopped at line 2"));
    // The files were closed: a new run can open them again. The scripts say that the run did
    // not finish; no review page or record stands beside them.
    EXPECT_EQ(scan.file("New Code.txt"), crlf({"A1   a"}));
    EXPECT_EQ(scan.file("script.txt"),
              "-- The run that wrote this script did not finish: the script is incomplete "
              "and must not be run.\r\n" +
                  kScriptHeader.toLatin1() +
                  crlf({"INSERT INTO dbo.tbICDdiagMain (CODE,Description) VALUES('A1','a');"}));
    for (const char* name : {"report.html", "changes.csv", "changes.json"})
        EXPECT_FALSE(QFile::exists(scan.folder.outputFile(name))) << name;
    EXPECT_NO_THROW(scan.run({"A9|z"}, false));
}
