// The review page and the change list of the update run over the small made-up rate lists
// (every class of change, Ver B on), with a line whose code and description are hostile; the
// page also opened in a real headless browser.
#include "caserates/UpdateRunJob.h"

#include "Error.h"
#include "review/ChangeClass.h"
#include "review/ReviewRun.h"
#include "review/RunRecord.h"
#include "review/TextDiff.h"
#include "support/Browser.h"
#include "support/ReviewPageRows.h"
#include "support/SmallDatabases.h"
#include "support/TestPaths.h"
#include "support/UpdateRunFixture.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace orvex;
using review::ChangeClass;

namespace {

const QByteArray kHostileLine = "=HYPERLINK(\"x\")|<script>alert(\"x\")</script>, & more|1,000|600|400\r\n";

class ReviewFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        test::fillForUpdateRun(db);
        for (const char* name : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"})
            QFile::copy(test::fixturePath(QStringLiteral("update-run/") + name), folder.path() + '/' + name);
        const QString diagnosis = folder.path() + "/ICD PH 2024.txt";
        test::writeBytes(diagnosis, test::readBytes(diagnosis) + kHostileLine);
        // Left by an earlier run: the run replaces it.
        test::writeBytes(folder.outputFile("report.html"), "stale");

        jobs::JobContext context;
        context.programFolder = folder.path();
        context.clock = [] { return QDateTime(QDate(2024, 2, 14), QTime(9, 30, 0)); };
        context.connection = db.settings();
        caserates::UpdateRunParams params;
        params.verB = true;
        params.updateDescriptions = true;
        params.user = QStringLiteral("records<clerk>");
        caserates::UpdateRunJob job(params);
        outcome = job.run(context, {});
        changes = job.result().changes;
        pageBytes = test::readBytes(folder.outputFile("report.html"));
        page = QString::fromUtf8(pageBytes);
        rows = test::reviewPageRows(pageBytes);
        csv = test::readBytes(folder.outputFile("changes.csv"));
    }

    int count(ChangeClass c) const
    {
        return int(std::count_if(changes.begin(), changes.end(),
                                 [c](const jobs::Finding& f) { return review::classOf(f) == c; }));
    }

    test::SmallDatabases db;
    test::TempProgramFolder folder;
    jobs::JobOutcome outcome;
    jobs::Findings changes;
    QByteArray pageBytes;
    QString page;
    std::vector<test::ReviewPageRow> rows;
    QByteArray csv;
};

} // namespace

TEST_F(ReviewFiles, theRunKeepsItsChangesWithTheValuesReadAndProposed)
{
    ASSERT_TRUE(outcome.failures.isEmpty()) << outcome.failures.join('\n').toStdString();
    for (const ChangeClass c : review::kChangeClasses)
        EXPECT_GT(count(c), 0) << review::className(c).toStdString();
    const auto rate = std::find_if(changes.begin(), changes.end(), [](const jobs::Finding& f) {
        return review::classOf(f) == ChangeClass::RateChange && f.code == "10080";
    });
    ASSERT_NE(rate, changes.end());
    EXPECT_EQ(rate->read.value("Amount"), "20000");
    EXPECT_EQ(rate->proposed.value("Amount"), "21000");
    EXPECT_EQ(rate->sourceLine, 2);
    EXPECT_EQ(rate->sourceFile, folder.path() + "/ICD PH 2024_PROCEDURE.txt");
    // Package 8 gets 6,500 from A01.0's line, then 6,000 again from the lines after it: the
    // last line holds, so the run changes nothing there.
    EXPECT_TRUE(std::none_of(changes.begin(), changes.end(), [](const jobs::Finding& f) {
        return review::classOf(f) == ChangeClass::RateChange && f.key == "8";
    }));
    // The page shows that line as overridden.
    EXPECT_TRUE(page.contains("<h2>Lines a later line overrides (1)</h2>")) << page.toStdString();
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const test::ReviewPageRow& r) {
        return r.section == "overridden" && r.rowClass == "change overridden" && r.code == "A01.0" &&
               r.listFile == "ICD PH 2024.txt" && r.listLine == 2;
    }));
    EXPECT_TRUE(outcome.summary.contains("Review page: " +
                                         QDir::toNativeSeparators(folder.outputFile("report.html"))));
    EXPECT_EQ(outcome.json["review"].toObject()["changes"].toString(), folder.outputFile("changes.csv"));
}

TEST_F(ReviewFiles, thePageIsSelfContainedAndEscapesWhatTheListsSay)
{
    EXPECT_TRUE(page.startsWith("<!DOCTYPE html>"));
    EXPECT_TRUE(page.trimmed().endsWith("</html>"));
    for (const ChangeClass c : review::kChangeClasses) {
        EXPECT_TRUE(page.contains(QStringLiteral("<section id=\"%1\"").arg(review::className(c))));
        EXPECT_TRUE(page.contains(QStringLiteral("%1 (%2)</h2>").arg(review::classHeading(c)).arg(count(c))));
    }
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                            [](const test::ReviewPageRow& r) { return r.rowClass == "change"; }),
              qsizetype(changes.size()));
    // Nothing fetched: no address, no external script, style or image.
    for (const char* outside : {"http:", "https:", "src=", "<link", "url("})
        EXPECT_FALSE(page.contains(outside)) << outside;
    EXPECT_EQ(page.count("<script>"), 1); // the page's own
    // The hostile text is data: it cannot end the element that holds it.
    EXPECT_EQ(page.count("</script>"), 2);
    EXPECT_FALSE(page.contains("alert(\"x\")</script>"));
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const test::ReviewPageRow& r) {
        return r.descriptionAfter == "<script>alert(\"x\")</script>, & more";
    }));
    EXPECT_TRUE(page.contains("records&lt;clerk&gt;"));
    EXPECT_TRUE(page.contains("<td id=\"run-date\">2024-02-14 09:30:00</td>"));
    EXPECT_TRUE(page.contains(db.settings().describe().toHtmlEscaped()));
}

TEST_F(ReviewFiles, theChangeListOpensInASpreadsheetAsWritten)
{
    ASSERT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
    const QString text = QString::fromUtf8(csv.mid(3));
    EXPECT_TRUE(text.endsWith("\r\n"));
    EXPECT_FALSE(QString(text).remove("\r\n").contains('\n')); // every line ends CR LF
    EXPECT_TRUE(text.startsWith("class,table,key,code,description before,description after,Amount before,"
                                "Amount after,PF before,PF after,MedRoomBoard before,MedRoomBoard after,"
                                "Amount change percent,source file,source line\r\n"));
    // One row per change; the stored description with its line break stays in one quoted field.
    EXPECT_EQ(text.count("\r\n") - 1, int(changes.size()) + 1);
    EXPECT_TRUE(text.contains("\"Enteropathogenic E. coli\r\ninfection\""));
    // A code that would be a formula gets an apostrophe; quotes and commas are quoted.
    EXPECT_TRUE(
        text.contains("new-code,[Medicare]..tbMed_MedicalCaseRates,\"'=HYPERLINK(\"\"x\"\")\","
                      "\"'=HYPERLINK(\"\"x\"\")\",,\"<script>alert(\"\"x\"\")</script>, & more\",,1000,"))
        << text.toStdString();
    // A negative change is a number, not a formula.
    EXPECT_TRUE(text.contains(",10000,0,7000,7000,3000,3000,-100.0%,"));
}

TEST(ReviewTextDiff, marksTheWordsThatDiffer)
{
    using K = review::DiffPart::Kind;
    EXPECT_EQ(review::wordDiff("Incision of pilonidal cyst", "Incision and drainage of pilonidal cyst"),
              (std::vector<review::DiffPart>{
                  {K::Same, "Incision "}, {K::Inserted, "and drainage "}, {K::Same, "of pilonidal cyst"}}));
    EXPECT_EQ(review::wordDiff("a b", "a c"),
              (std::vector<review::DiffPart>{{K::Same, "a "}, {K::Deleted, "b"}, {K::Inserted, "c"}}));
    EXPECT_EQ(review::wordDiff("", "new"), (std::vector<review::DiffPart>{{K::Inserted, "new"}}));
}

namespace {
// The longest common run of words with the whole table, as the page was first made: the
// diff must give the same parts, ties included, however it saves work.
std::vector<review::DiffPart> wholeTableDiff(const QStringList& a, const QStringList& b)
{
    using K = review::DiffPart::Kind;
    const qsizetype n = a.size(), m = b.size();
    std::vector<int> common(size_t((n + 1) * (m + 1)), 0);
    auto at = [m, &common](qsizetype i, qsizetype j) -> int& { return common[size_t(i * (m + 1) + j)]; };
    for (qsizetype i = n - 1; i >= 0; --i)
        for (qsizetype j = m - 1; j >= 0; --j)
            at(i, j) = a[i] == b[j] ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));
    std::vector<review::DiffPart> parts;
    const auto add = [&parts](K kind, const QString& text) {
        if (!parts.empty() && parts.back().kind == kind)
            parts.back().text += text;
        else
            parts.push_back({kind, text});
    };
    qsizetype i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && a[i] == b[j]) {
            add(K::Same, a[i++]);
            ++j;
        } else if (i < n && (j == m || at(i + 1, j) >= at(i, j + 1))) {
            add(K::Deleted, a[i++]);
        } else {
            add(K::Inserted, b[j++]);
        }
    }
    return parts;
}
} // namespace

TEST(ReviewTextDiff, givesTheWholeTablesPartsForRandomTexts)
{
    // Few distinct words, so that most texts share starts and the table has many ties.
    const QString vocabulary[] = {"a", "b", "c", " ", ","};
    QRandomGenerator random(11);
    for (int round = 0; round < 3000; ++round) {
        QStringList a, b;
        for (int k = int(random.bounded(12)); k > 0; --k)
            a << vocabulary[random.bounded(5)];
        b = a.mid(0, random.bounded(int(a.size()) + 1));
        for (int k = int(random.bounded(8)); k > 0; --k)
            b << vocabulary[random.bounded(5)];
        const QString before = a.join(QString()), after = b.join(QString());
        // Words as the page takes them: runs of letters and digits, every other character alone.
        const auto words = [](const QString& text) {
            QStringList out;
            for (qsizetype i = 0; i < text.size(); ++i) {
                if (text[i].isLetterOrNumber() && !out.isEmpty() && out.back().back().isLetterOrNumber())
                    out.back() += text[i];
                else
                    out << QString(text[i]);
            }
            return out;
        };
        ASSERT_EQ(review::wordDiff(before, after), wholeTableDiff(words(before), words(after)))
            << before.toStdString() << " | " << after.toStdString();
    }
}

// The page in Chromium: every row laid out, the changed words and amounts marked, hostile
// text shown as text; a filter read from the address keeps the rows that hold its text.
TEST_F(ReviewFiles, opensInAHeadlessBrowserAndFilters)
{
    const QString dom = test::browserDom(folder.outputFile("report.html"), "", folder.path());
    if (dom.isNull())
        GTEST_SKIP() << "chromium is not installed (scripts/install-deps.sh installs it)";
    for (const ChangeClass c : review::kChangeClasses)
        EXPECT_TRUE(dom.contains(QStringLiteral("<section id=\"%1\"").arg(review::className(c))));
    const int all = int(rows.size());
    EXPECT_EQ(int(dom.count("<tr class=\"change")), all);
    EXPECT_TRUE(dom.contains(QStringLiteral("%1 of %1 rows shown").arg(all)));
    EXPECT_TRUE(dom.contains("<tr class=\"change overridden\"><td>A01.0</td>"));
    EXPECT_TRUE(dom.contains(">ICD PH 2024.txt:2</td>"));
    EXPECT_TRUE(dom.contains(
        "<td>Salmonella <del>enteritis</del></td><td>Salmonella <ins>gastroenteritis</ins></td>"))
        << dom.toStdString();
    EXPECT_TRUE(dom.contains("21000 <span class=\"pct\">(+5.0%)</span>"));
    EXPECT_TRUE(dom.contains("0 <span class=\"pct\">(-100.0%)</span>"));
    EXPECT_TRUE(dom.contains("<ins>&lt;script&gt;alert(\"x\")&lt;/script&gt;, &amp; more</ins>"));
    EXPECT_EQ(dom.count("<script>"), 1); // the page's own: the hostile description stayed text

    const QString filtered =
        test::browserDom(folder.outputFile("report.html"), "filter=salmonella", folder.path());
    static const QRegularExpression row(QStringLiteral("<tr class=\"change[^\"]*\">(.*?)</tr>"),
                                        QRegularExpression::DotMatchesEverythingOption);
    int shown = 0;
    for (auto it = row.globalMatch(filtered); it.hasNext(); ++shown)
        EXPECT_TRUE(it.next().captured(1).contains("salmonella", Qt::CaseInsensitive));
    EXPECT_GT(shown, 0);
    EXPECT_LT(shown, all);
    EXPECT_TRUE(filtered.contains(QStringLiteral("%1 of %2 rows shown").arg(shown).arg(all)));
}

TEST_F(ReviewFiles, theRunRecordReadsBackEveryChangeAndADamagedOneIsNamed)
{
    const QString path = folder.outputFile("changes.json");
    EXPECT_EQ(outcome.json["review"].toObject()["record"].toString(), path);
    const review::RunRecord record = review::readRunRecord(path);
    EXPECT_EQ(record.kind, "update");
    EXPECT_TRUE(record.runId.startsWith("20240214-093000-")) << record.runId.toStdString();
    EXPECT_EQ(record.when, QDateTime(QDate(2024, 2, 14), QTime(9, 30, 0)));
    EXPECT_EQ(record.user, "records<clerk>");
    EXPECT_EQ(record.database, db.settings().describe());
    EXPECT_TRUE(record.verB);
    EXPECT_TRUE(record.updateDescriptions);
    EXPECT_EQ(record.changes, changes);
    EXPECT_TRUE(test::readBytes(path).contains("\"class\": \"rate-change\""));

    const QByteArray whole = test::readBytes(path);
    test::writeBytes(path, whole.left(whole.size() / 2));
    try {
        review::readRunRecord(path);
        FAIL() << "a cut record was read";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(QDir::toNativeSeparators(path))) << e.message().toStdString();
    }
}

#ifdef Q_OS_UNIX
// A link planted in place of a review file is refused, and the file it points to stays as it was.
TEST_F(ReviewFiles, neverWritesThroughALinkInTheOutputFolder)
{
    const QString elsewhere = folder.path() + "/elsewhere.txt";
    QFile target(elsewhere);
    ASSERT_TRUE(target.open(QIODevice::WriteOnly));
    target.write("someone else's file");
    target.close();
    QFile::remove(folder.outputFile("changes.csv"));
    ASSERT_TRUE(QFile::link(elsewhere, folder.outputFile("changes.csv")));
    review::ReviewRun run;
    run.changes = changes;
    try {
        review::writeReviewFiles(run, folder.path() + "/output");
        ADD_FAILURE() << "wrote through the link";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("changes.csv")) << e.what();
    }
    EXPECT_EQ(test::readBytes(elsewhere), "someone else's file");
}
#endif
