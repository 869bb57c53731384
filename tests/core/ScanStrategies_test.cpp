// The batched lookups must give exactly what the line-by-line lookups give: same lists,
// counters and report files, on the real 2024 lists and the update resource against the
// sample database.
#include "db/Connection.h"
#include "ratelist/SourceFile.h"
#include "ratelist/UpdateResource.h"
#include "reconcile/ScanJob.h"
#include "reconcile/ScanLookups.h"
#include "sampledb/SampleDatabases.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::reconcile;

namespace {

const char* const kReportFiles[] = {"New Code.txt",
                                    "script.txt",
                                    "scriptPH.txt",
                                    "SameCodediffdesc.txt",
                                    "SameCodeDiffDesc Script.txt",
                                    "Same description different code.txt",
                                    "Different Code and Description.txt"};

class ScanStrategies : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_databases = new QTemporaryDir;
        sampledb::buildSampleDatabases(s_databases->path(), false);
    }
    static void TearDownTestSuite()
    {
        delete s_databases;
        s_databases = nullptr;
    }

    struct Run
    {
        ScanResult result;
        std::vector<QByteArray> files;
    };

    static Run scan(const QStringList& lines, bool ph, LookupStrategy strategy)
    {
        test::TempProgramFolder folder;
        ScanParams params;
        params.lines = lines;
        params.phMode = ph;
        params.strategy = strategy;
        params.keepResultRows = true;
        params.connection.embeddedFolder = s_databases->path();
        Run run{ScanJob(params).run(), {}};
        for (const char* name : kReportFiles) {
            const QString path = folder.outputFile(name);
            run.files.push_back(QFile::exists(path) ? test::readBytes(path) : QByteArray("(absent)"));
        }
        return run;
    }

    static void expectSame(const QStringList& lines, bool ph)
    {
        const Run perLine = scan(lines, ph, LookupStrategy::PerLine);
        const Run batched = scan(lines, ph, LookupStrategy::Batched);
        EXPECT_EQ(perLine.result.counters, batched.result.counters);
        for (int i = 0; i < kResultListCount; ++i)
            EXPECT_EQ(perLine.result.lists[i], batched.result.lists[i])
                << jobs::jsonKey(ResultList(i)).toStdString();
        EXPECT_EQ(perLine.result.groupName, batched.result.groupName);
        EXPECT_EQ(perLine.result.packageId, batched.result.packageId);
        for (size_t i = 0; i < perLine.files.size(); ++i)
            EXPECT_TRUE(perLine.files[i] == batched.files[i]) << kReportFiles[i];
        // Far fewer round trips, or the batching is not working.
        EXPECT_LT(batched.result.statementsSent * 50, perLine.result.statementsSent);
    }

    static QTemporaryDir* s_databases;
};

QTemporaryDir* ScanStrategies::s_databases = nullptr;

QStringList rateList(const char* name)
{
    return ratelist::readSourceFile(
        test::sourcePath(QStringLiteral("data/philhealth-caserates-2024/") + name));
}

} // namespace

TEST_F(ScanStrategies, updateResourceAgree)
{
    const QStringList lines = ratelist::loadBuiltinUpdateResource();
    expectSame(lines, true);
    expectSame(lines, false);
}

TEST_F(ScanStrategies, medicalListAgree)
{
    const QStringList lines = rateList("ICD PH 2024.txt");
    ASSERT_EQ(lines.size(), 4610);
    expectSame(lines, false);
    expectSame(lines, true);
}

TEST_F(ScanStrategies, procedureListAgree)
{
    expectSame(rateList("ICD PH 2024_PROCEDURE.txt"), true);
}

TEST_F(ScanStrategies, everyClassOccursOnTheSampleDatabase)
{
    const ScanResult ph = scan(ratelist::loadBuiltinUpdateResource(), true, LookupStrategy::Batched).result;
    EXPECT_GT(ph.counters.newCode, 0);
    EXPECT_GT(ph.counters.sameDescriptionDifferentCode, 0);
    EXPECT_GT(ph.counters.phNewCode, 0);
    EXPECT_GT(ph.counters.phSameDescription, 0);
    EXPECT_GT(ph.counters.phSameCodeDifferentDescription, 0);
    EXPECT_EQ(ph.counters.linesRead, 9221);
    const ScanResult icd = scan(rateList("ICD PH 2024.txt"), false, LookupStrategy::Batched).result;
    EXPECT_GT(icd.counters.sameCodeDifferentDescription, 0);
    EXPECT_GT(icd.counters.newCode, 0);
}

// The batched lookups serve the lines in the order announced; asked out of that order (a
// line asking again, another skipped), they still give each key's own row.
TEST_F(ScanStrategies, batchedLookupsAskedOutOfOrderGiveEachKeysRow)
{
    db::ConnectionSettings settings;
    settings.embeddedFolder = s_databases->path();
    const auto connection = db::Connection::open(settings);
    const auto batched = makeBatchedLookups(*connection, false);
    const auto batchedPh = makeBatchedLookups(*connection, true); // asks only whether a code is known
    const auto perLine = makePerLineLookups(*connection);
    const QStringList codes{"A00.0", "ZZ9.9", "A01.0", "a00.0"};
    std::vector<PlannedLookup> planned;
    for (const QString& code : codes)
        planned.push_back({code, QStringLiteral("NOT A DESCRIPTION"), QStringLiteral("Header")});
    batched->prefetch(planned);
    batchedPh->prefetch(planned);
    const auto row = [](const std::optional<IcdRow>& r) {
        return r ? r->code.toString() + QLatin1Char('|') + r->description.toString() : QStringLiteral("none");
    };
    for (const QString& code : {codes[2], codes[0], codes[0], codes[3], codes[1]}) {
        const std::optional<IcdRow> expected = perLine->icdByCode(code);
        EXPECT_EQ(row(batched->icdByCode(code)), row(expected)) << code.toStdString();
        EXPECT_EQ(batchedPh->icdCodeKnown(code), expected.has_value()) << code.toStdString();
        EXPECT_EQ(batchedPh->caseRateByCode(code).has_value(), perLine->caseRateByCode(code).has_value());
    }
    EXPECT_NE(row(batched->icdByCode(codes[0])), QStringLiteral("none"));
    EXPECT_TRUE(batchedPh->icdCodeKnown(codes[0]));
    EXPECT_FALSE(batchedPh->icdCodeKnown(codes[1]));
}
