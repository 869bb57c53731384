#include "annex/AnnexImport.h"
#include "annex/MadeUpAnnex.h"
#include "support/CliRun.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>
#include <semaphore>

using namespace orvex::test;

namespace {
const QString kAnnexDir = QStringLiteral("data/philhealth-caserates-2024/");

MadeUpAnnex smallAnnex()
{
    MadeUpAnnex annex;
    annex.pages = {
        {{"A00.0", {"CHOLERA DUE TO VIBRIO CHOLERAE 01"}, {"11,700.00", "8,190.00", "3,510.00"}},
         {"A01.0+ J17.0*",
          {"PNEUMONIA IN TYPHOID", "FEVER; CARDIO-", "OESOPHAGEAL HENOCH(-SCHÖNLEIN)"},
          {"29,250.00", "20,475.00", "8,775.00"}}},
        {{"87207", {"OUTPATIENT MALARIA PACKAGE"}, {"1,170.00", "1,170.00", "-"}},
         {"Codes with *", {"Rates applicable to all sessions"}, {}}},
    };
    return annex;
}

const QByteArray kSmallList = "A00.0|CHOLERA DUE TO VIBRIO CHOLERAE 01|11,700.00|8,190.00|3,510.00\r\n"
                              "A01.0+ J17.0*|PNEUMONIA IN TYPHOID FEVER; CARDIO-OESOPHAGEAL "
                              "HENOCH(-SCH\xd6NLEIN)|29,250.00|20,475.00|8,775.00\r\n"
                              "87207|OUTPATIENT MALARIA PACKAGE|1,170.00|1,170.00|-\r\n";

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files);
}

// A page of `count` one-letter words, each shown by an operator of its own, on `spots`
// places of a grid (4.5 points apart, 120 to a line) one after the other and over again.
QByteArray wordsPage(int count, int spots)
{
    QByteArray content = "BT /F1 3 Tf\n";
    for (int i = 0; i < count; ++i) {
        const int spot = i % spots;
        content += "1 0 0 1 " + QByteArray::number(20 + spot % 120 * 4.5, 'f', 1) + ' ' +
                   QByteArray::number(100 + spot / 120 * 6) + " Tm (" + QByteArray(1, char('a' + i % 26)) +
                   ") Tj\n";
    }
    return content + "ET\n";
}
} // namespace

// The published 2024 annexes give the shipped rate lists byte for byte, under the year's names.
TEST(AnnexImport, realAnnexesGiveTheShippedListsByteForByte)
{
    TempProgramFolder folder;
    const struct
    {
        const char* pdf;
        const char* list;
        const char* summary;
    } annexes[] = {
        {"AnnexA-ListofMedicalCaseRates.pdf", "ICD PH 2024.txt", "kind: medical\npages: 105\nrows: 4610\n"},
        {"AnnexB-ListofProcedureCaseRates.pdf", "ICD PH 2024_PROCEDURE.txt",
         "kind: procedure\npages: 110\nrows: 4313\n"},
    };
    for (const auto& a : annexes) {
        const CliTextRun run = runCliText({"import-annex", sourcePath(kAnnexDir + a.pdf), "--year", "2024"});
        ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
        EXPECT_TRUE(run.out.startsWith(QString::fromLatin1(a.summary))) << run.out.toStdString();
        EXPECT_EQ(readBytes(folder.path() + "/" + a.list), readBytes(sourcePath(kAnnexDir + a.list)))
            << a.list;
    }
    const CliTextRun again =
        runCliText({"import-annex", sourcePath(kAnnexDir + annexes[1].pdf), "--year", "2024"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.err.contains("exists already; it is replaced only when asked to (--force)"))
        << again.err.toStdString();
}

TEST(AnnexImport, madeUpAnnexWrapsHyphensFootnoteAndSummary)
{
    TempProgramFolder folder;
    smallAnnex().write(folder.path() + "/annex.pdf");
    const CliTextRun run = runCliText({"import-annex", folder.path() + "/annex.pdf"});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_EQ(readBytes(folder.path() + "/ICD PH 2031.txt"), kSmallList); // the year printed in the title
    EXPECT_EQ(run.out, "kind: medical\npages: 2\nrows: 3\n"
                       "case rate = facility fee + professional fee: 2 rows checked, 0 mismatches\n"
                       "codes printed twice: 0\npages without rows: none\nfootnote lines skipped: 1\n"
                       "written: " +
                           QDir::toNativeSeparators(folder.path() + "/ICD PH 2031.txt") + "\n");

    // Replacing needs --force; -o names the file; --kind must agree with the headings.
    const QString out = folder.path() + "/mine.txt";
    writeBytes(out, "old");
    EXPECT_EQ(runCliText({"import-annex", folder.path() + "/annex.pdf", "-o", out}).exitCode, 1);
    EXPECT_EQ(readBytes(out), "old");
    EXPECT_EQ(runCliText({"import-annex", folder.path() + "/annex.pdf", "-o", out, "--force"}).exitCode, 0);
    EXPECT_EQ(readBytes(out), kSmallList);
    const CliTextRun wrongKind = runCliText(
        {"import-annex", folder.path() + "/annex.pdf", "--kind", "procedure", "-o", out, "--force"});
    EXPECT_EQ(wrongKind.exitCode, 1);
    EXPECT_TRUE(wrongKind.err.contains("marks a medical annex, not a procedure one"))
        << wrongKind.err.toStdString();
}

TEST(AnnexImport, brokenChecksWriteNothing)
{
    TempProgramFolder folder;
    MadeUpAnnex annex = smallAnnex();
    annex.pages[0][0].amounts[0] = "11,800.00";                                       // rate != HF + PF
    annex.pages[0].push_back({"A00.0", {"CHOLERA AGAIN"}, {"1.00", "1.00", "0.00"}}); // printed twice
    annex.pages[0].push_back({"B99", {"NO AMOUNTS"}, {}});                            // not a row
    annex.pages.push_back({});                                                        // a page without rows
    annex.write(folder.path() + "/annex.pdf");
    const CliTextRun run = runCliText({"import-annex", folder.path() + "/annex.pdf"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.contains("3 rows checked, 1 mismatches (\"A00.0\" (page 1))"))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("codes printed twice: 1 (kept both: A00.0)"));
    EXPECT_TRUE(run.out.contains("pages without rows: 3"));
    EXPECT_TRUE(run.out.contains("problem: page 1: \"B99\" has no amounts")) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains("nothing was written"));
    EXPECT_EQ(filesIn(folder.path()), QStringList{"annex.pdf"});
}

namespace {
QStringList g_qtMessages;
void keepQtMessage(QtMsgType, const QMessageLogContext&, const QString& message)
{
    g_qtMessages << message;
}
} // namespace

// Files that are no readable annex: a clear message naming the file, nothing written, and
// nothing of Poppler's own ("Error: Incorrect password") before it.
TEST(AnnexImport, badFilesAreRefusedWithAClearMessage)
{
    TempProgramFolder folder;
    const QString dir = folder.path() + "/";
    writeBytes(dir + "empty.pdf", {});
    writeBytes(dir + "letter.txt", "Dear colleague,\r\n");
    writeBytes(dir + "damaged.pdf",
               "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R\nstartxref\n99999\n%%EOF");
    writeBytes(dir + "encrypted.pdf", encryptedPdfBytes());
    writePlainPdf(dir + "letter.pdf", {"Dear colleague,", "the case rates follow next month."});
    writePictureOnlyPdf(dir + "scanned.pdf", 200);
    MadeUpAnnex noKind = smallAnnex();
    noKind.codeHeading = "Code";
    noKind.write(dir + "nokind.pdf");
    MadeUpAnnex noYear = smallAnnex();
    noYear.title = "Annex A - List of Medical Case Rates";
    noYear.write(dir + "noyear.pdf");

    const struct
    {
        const char* file;
        const char* message;
        int exitCode = 1; // refused; 5: a file that cannot be read
    } cases[] = {
        {"missing.pdf", "no such file", 5},
        {"empty.pdf", "the file is empty"},
        {"letter.txt", "not a PDF file"},
        {"damaged.pdf", "damaged"},
        {"encrypted.pdf", "encrypted with a password"},
        {"letter.pdf", "not a case-rate annex: page 1 has no table headed \"ICD Code\" or \"RVS Code\""},
        {"scanned.pdf", "page 1 has no text layer"},
        {"nokind.pdf", "does not tell medical from procedure codes"},
        {"noyear.pdf", "the annex prints no year"},
    };
    const QStringList before = filesIn(folder.path());
    g_qtMessages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepQtMessage);
    for (const auto& c : cases) {
        const QString path = QDir::toNativeSeparators(dir + c.file);
        const CliTextRun run = runCliText({"import-annex", dir + c.file});
        EXPECT_EQ(run.exitCode, c.exitCode) << c.file;
        EXPECT_TRUE(run.err.startsWith("orvex-cli: \"" + path + "\": ")) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.message)) << c.file << ": " << run.err.toStdString();
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(g_qtMessages.filter(QRegularExpression("^Error")).isEmpty())
        << g_qtMessages.join('\n').toStdString();
    EXPECT_EQ(filesIn(folder.path()), before);
    EXPECT_TRUE(filesIn(folder.path() + "/output").isEmpty());
}

// A 50 MB PDF (a page of incompressible picture) is turned down before it is opened.
TEST(AnnexImport, fileLargerThanAnAnnexIsRefused)
{
    TempProgramFolder folder;
    const QString path = folder.path() + "/big.pdf";
    writePictureOnlyPdf(path, 6800);
    ASSERT_GT(QFile(path).size(), 50'000'000);
    const CliTextRun run = runCliText({"import-annex", path});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("big.pdf\": the file is %1 MB, larger than an annex can be "
                                                "(at most 32 MB); not a case-rate annex")
                                     .arg(double(QFile(path).size()) / (1024 * 1024), 0, 'f', 1)))
        << run.err.toStdString();
    EXPECT_EQ(filesIn(folder.path()), QStringList{"big.pdf"});
}

// Rows drawn invisibly (render mode 3) or white on the white page are not what a reader
// sees: they are skipped, counted and named in the summary, and the list holds the rest.
TEST(AnnexImport, onlyTextAReaderSeesIsImported)
{
    TempProgramFolder folder;
    MadeUpAnnex annex = smallAnnex();
    annex.pages[0].push_back(
        {"ZZ9.9", {"INVISIBLE ROW"}, {"99,999.00", "99,999.00", "0.00"}, Ink::Invisible});
    annex.pages[1].insert(annex.pages[1].begin(),
                          {"ZZ9.8", {"WHITE ROW"}, {"1.00", "1.00", "0.00"}, Ink::White});
    const QString byHand = folder.path() + "/by-hand.pdf", byQt = folder.path() + "/by-qt.pdf";
    writeBytes(byHand, handWrittenPdf({annex.pageContent(0), annex.pageContent(1)}));
    annex.write(byQt); // white on white with QPainter; Qt cannot draw the invisible row

    const struct
    {
        QString pdf;
        const char* skipped;
    } cases[] = {
        {byHand, "hidden words skipped: 12 (\"ZZ9.9\" (page 1), \"INVISIBLE\" (page 1), \"ROW\" (page 1), "
                 "\"99,999.00\" (page 1), \"99,999.00\" (page 1), \"0.00\" (page 1), \"ZZ9.8\" (page 2), "
                 "\"WHITE\" (page 2), \"ROW\" (page 2), \"1.00\" (page 2), ... (12 in all))\n"},
        {byQt, "hidden words skipped: 6 (\"ZZ9.8\" (page 2), \"WHITE\" (page 2), \"ROW\" (page 2), "
               "\"1.00\" (page 2), \"1.00\" (page 2), \"0.00\" (page 2))\n"},
    };
    for (const auto& c : cases) {
        const QString out = folder.path() + "/list.txt";
        const CliTextRun run = runCliText({"import-annex", c.pdf, "-o", out, "--force"});
        ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
        EXPECT_EQ(readBytes(out), kSmallList) << c.pdf.toStdString();
        EXPECT_TRUE(run.out.contains("rows: 3\n")) << run.out.toStdString();
        EXPECT_TRUE(run.out.contains(c.skipped)) << run.out.toStdString();
    }

    // A page whose every word is hidden shows no text, as a scanned page with its invisible
    // text layer does.
    MadeUpAnnex unseen = smallAnnex();
    unseen.title.clear();
    for (auto& page : unseen.pages)
        page = {{"A00.0", {"CHOLERA"}, {"1.00", "1.00", "0.00"}, Ink::Invisible}};
    QByteArray page = unseen.pageContent(0);
    page.replace("0 Tr", "3 Tr"); // headings and footer too
    writeBytes(folder.path() + "/unseen.pdf", handWrittenPdf({page}));
    const CliTextRun run = runCliText({"import-annex", folder.path() + "/unseen.pdf"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("page 1 shows no text a reader sees: its 25 words are invisible"))
        << run.err.toStdString();
}

// A page with far more words than an annex page holds is refused, naming the page, without
// waiting for Poppler to place them all: many words, or text shown by very many operators.
TEST(AnnexImport, pageWithMoreTextThanAnAnnexIsRefused)
{
    TempProgramFolder folder;
    const QByteArray first = smallAnnex().pageContent(0);
    const struct
    {
        const char* name;
        QByteArray page;
    } cases[] = {
        {"words.pdf", wordsPage(6'000, 6'000)}, // every word on a spot of its own
        {"shown.pdf", wordsPage(150'000, 1)},   // all on one spot: minutes for Poppler to place
    };
    for (const auto& c : cases) {
        const QString path = folder.path() + "/" + c.name;
        writeBytes(path, handWrittenPdf({first, c.page}));
        const CliTextRun run = runCliText({"import-annex", path, "-o", folder.path() + "/list.txt"});
        EXPECT_EQ(run.exitCode, 1) << c.name;
        EXPECT_TRUE(run.err.contains(QStringLiteral("%1\": page 2 holds more text than a page of an annex "
                                                    "(over 5000 words); not a case-rate annex")
                                         .arg(c.name)))
            << run.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(folder.path() + "/list.txt"));
}

// Stop ends the reading of a page inside Poppler: a page whose overlapping words take Poppler
// long to place does not hold the stop up.
TEST(AnnexImport, stopEndsTheReadingOfAPage)
{
    TempProgramFolder folder;
    const QString path = folder.path() + "/annex.pdf";
    writeBytes(path, handWrittenPdf({smallAnnex().pageContent(0), wordsPage(9'000, 1)}));
    orvex::annex::AnnexImportParams params;
    params.pdfPath = path;
    orvex::annex::AnnexImportJob job(params);
    std::counting_semaphore<2> firstPageRead{0}; // released again when the job ends, however it ends
    orvex::jobs::JobOutcome outcome;
    QString failure;
    // A QThread, as the window runs its jobs: under Wine a plain std::thread that used Qt
    // crashed in Qt's per-thread clean-up when it ended.
    std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            outcome = job.run({folder.path(), {}, {}, nullptr}, [&](orvex::jobs::JobProgress&& step) {
                if (step.linesDone == 1)
                    firstPageRead.release();
            });
        } catch (const orvex::Error& e) {
            failure = e.message();
        }
        firstPageRead.release(); // a job that fails on page 1 must not leave the test waiting
    }));
    worker->start();
    firstPageRead.acquire(); // page 2 is being read now
    job.requestStop();
    worker->wait();
    EXPECT_EQ(failure, QString());
    EXPECT_EQ(outcome.ending, orvex::jobs::JobEnding::Stopped);
    EXPECT_EQ(filesIn(folder.path()), QStringList{"annex.pdf"});
}

// Annex C lists, for ICD-10 and RVS codes alike, three case rates per code: it is no rate
// list, whatever kind is given.
TEST(AnnexImport, annexOfSeveralCaseRatesPerCodeIsNoRateList)
{
    TempProgramFolder folder;
    MadeUpAnnex annex = smallAnnex();
    annex.codeHeading = "Code";
    annex.caseRatesPerCode = 2;
    annex.write(folder.path() + "/annex-c.pdf");
    for (const QStringList& kind : {QStringList{}, QStringList{"--kind", "medical"}}) {
        const CliTextRun run =
            runCliText(QStringList{"import-annex", folder.path() + "/annex-c.pdf", "--year", "2024"} + kind);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(
            run.err.contains("annex-c.pdf\": not a rate list: its table gives 2 case rates for each code"))
            << run.err.toStdString();
    }
    EXPECT_EQ(filesIn(folder.path()), QStringList{"annex-c.pdf"});
}

TEST(AnnexImport, stopBetweenPagesWritesNothing)
{
    TempProgramFolder folder;
    smallAnnex().write(folder.path() + "/annex.pdf");
    orvex::annex::AnnexImportParams params;
    params.pdfPath = folder.path() + "/annex.pdf";
    orvex::annex::AnnexImportJob job(params);
    QList<int> pagesSeen;
    const auto outcome = job.run({folder.path(), {}, {}, nullptr}, [&](orvex::jobs::JobProgress&& step) {
        pagesSeen << step.linesDone;
        job.requestStop();
    });
    EXPECT_EQ(outcome.ending, orvex::jobs::JobEnding::Stopped);
    EXPECT_FALSE(job.result().written);
    EXPECT_EQ(pagesSeen, QList<int>{1});
    EXPECT_EQ(filesIn(folder.path()), QStringList{"annex.pdf"});
}

TEST(Inspect, annexPdfShowsTheRowsItWouldWrite)
{
    TempProgramFolder folder;
    smallAnnex().write(folder.path() + "/annex.pdf");
    const CliTextRun run = runCliText({"inspect", folder.path() + "/annex.pdf"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(
        run.out.startsWith("1\tcode\tA00.0\tCHOLERA DUE TO VIBRIO CHOLERAE 01\t11700.00\t8190.00\t3510.00\n"))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.endsWith("3\tcode\t87207\tOUTPATIENT MALARIA PACKAGE\t1170.00\t1170.00\t-\n"));
    EXPECT_TRUE(run.err.contains("annex rows: 3\n"));
    EXPECT_EQ(filesIn(folder.path()), QStringList{"annex.pdf"});
}
