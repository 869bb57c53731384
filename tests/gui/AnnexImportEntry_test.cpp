#include "gui/AnnexImportEntry.h"

#include "caserates/UpdateRunJob.h"

#include "WindowTestSupport.h"
#include "annex/MadeUpAnnex.h"
#include "support/SmallDatabases.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace orvex;
using namespace orvex::test;
using gui::AnnexImportEntry;
using gui::FrmIcd;

namespace {
const QString kAnnexB = QStringLiteral("data/philhealth-caserates-2024/AnnexB-ListofProcedureCaseRates.pdf");

gui::JobRunner* annexRunner(const FrmIcd& window)
{
    return window.jobRunner();
}

bool waitForImportEnd(const FrmIcd& window)
{
    return processEventsUntil([&window] { return !annexRunner(window)->isRunning(); });
}
} // namespace

// The annex prints no year: the list takes the year of txtFileName, and txtFileName then
// names the new list for Step 2. A second import asks before it replaces the list.
TEST(AnnexImportEntry, importsTheAnnexIntoTheYearsListAndNamesItForStep2)
{
    TempProgramFolder folder;
    GuiSeams seams;
    FrmIcd window{seams.services(), db::ConnectionSettings{}};
    seams.pdf = sourcePath(kAnnexB);
    auto* fileName = control<QLineEdit>(window, "txtFileName");
    auto* button = control<QPushButton>(window, "cmdImportAnnex");
    ASSERT_TRUE(fileName && button);
    EXPECT_EQ(button->text(), QStringLiteral("Import annex…"));
    fileName->setText(QStringLiteral("ICD PH 2024 v2"));

    click(button);
    ASSERT_TRUE(waitForImportEnd(window));
    const QString list = folder.path() + "/ICD PH 2024_PROCEDURE.txt";
    EXPECT_EQ(readBytes(list),
              readBytes(sourcePath("data/philhealth-caserates-2024/ICD PH 2024_PROCEDURE.txt")));
    EXPECT_EQ(fileName->text(), QStringLiteral("ICD PH 2024"));
    EXPECT_EQ(button->text(), QStringLiteral("Import annex…"));
    EXPECT_EQ(control<QLabel>(window, "lblAnnexImport")->text(),
              QStringLiteral("\"ICD PH 2024_PROCEDURE.txt\": 4313 rows"));
    ASSERT_EQ(seams.messages().size(), 1);
    EXPECT_TRUE(seams.messages().first().startsWith("kind: procedure\npages: 110\nrows: 4313\n"))
        << seams.messages().first().toStdString();
    EXPECT_TRUE(control<QPlainTextEdit>(window, "txtLog")
                    ->toPlainText()
                    .contains("codes printed twice: 1 (kept both: 77401)"));

    seams.clearShown();
    writeBytes(list, "kept");
    seams.queueAnswer(QMessageBox::No);
    click(button);
    ASSERT_TRUE(waitForImportEnd(window));
    ASSERT_EQ(seams.messages().size(), 1);
    EXPECT_TRUE(
        seams.messages().first().startsWith("\"ICD PH 2024_PROCEDURE.txt\" exists already in the folder\n"))
        << seams.messages().first().toStdString();
    EXPECT_EQ(readBytes(list), "kept");
}

// What the import names in txtFileName is what "Step 2. Create update scripts" reads.
TEST(AnnexImportEntry, step2RunsOnTheImportedList)
{
    TempProgramFolder folder;
    GuiSeams seams;
    SmallDatabases dbs;
    dbs.addPackage(QStringLiteral("7"), QStringLiteral("INCISION PKG"), 7098, 1638, 5460);
    dbs.exec(
        QStringLiteral("Medicare"),
        QStringLiteral("insert into tbMed_Procedures (RVSCODE, Description, PackageID) values (?, ?, ?)"),
        {QStringLiteral("10060"), QStringLiteral("Incision"), QStringLiteral("7")});
    writeBytes(folder.path() + "/ICD PH 2024.txt", "A00|CHOLERA|1|2|3\r\n");
    FrmIcd window{seams.services(), dbs.settings()};
    seams.pdf = sourcePath(kAnnexB);
    control<QLineEdit>(window, "txtFileName")->setText(QStringLiteral("ICD PH 2024 v2"));
    click(control<QPushButton>(window, "cmdImportAnnex"));
    ASSERT_TRUE(waitForImportEnd(window));
    ASSERT_EQ(control<QLineEdit>(window, "txtFileName")->text(), QStringLiteral("ICD PH 2024"));

    click(control<QPushButton>(window, "cmdProcess"));
    ASSERT_TRUE(waitForScanEnd(window));
    EXPECT_EQ(control<QLabel>(window, "lblCount")->text(), QStringLiteral("4313"));
    EXPECT_EQ(control<QLabel>(window, "lblNewPH")->text(), QStringLiteral("4312"));
    EXPECT_EQ(control<QLabel>(window, "lblsamePH")->text(), QStringLiteral("0"));
    EXPECT_EQ(control<QLabel>(window, "lblDifDescPH")->text(), QStringLiteral("1"));
    const QByteArray script = readBytes(folder.outputFile(QStringLiteral("script.txt")));
    EXPECT_TRUE(script.contains("VALUES('10080','INCISION AND DRAINAGE OF PILONIDAL CYST'"));
    EXPECT_EQ(seams.messages().last(), caserates::UpdateRunJob::doneMessage());
}

// Progress shows page by page; the button stops the run between pages and nothing is written.
TEST(AnnexImportEntry, showsProgressPerPageAndStops)
{
    TempProgramFolder folder;
    GuiSeams seams;
    FrmIcd window{seams.services(), db::ConnectionSettings{}};
    seams.pdf = sourcePath(kAnnexB);
    gui::JobRunner* runner = annexRunner(window);
    ASSERT_NE(runner, nullptr);
    QSemaphore held;
    runner->setStepHook([&held, runner](const jobs::JobProgress& progress) {
        if (progress.linesDone != 3)
            return;
        held.release();
        while (!runner->stopRequested())
            QThread::msleep(1);
    });
    auto* button = control<QPushButton>(window, "cmdImportAnnex");
    auto* status = control<QLabel>(window, "lblAnnexImport");
    click(button);
    ASSERT_TRUE(processEventsUntil([&held] { return held.tryAcquire(); }));
    ASSERT_TRUE(processEventsUntil([status] { return status->text().startsWith("page 3 of 110: "); }))
        << status->text().toStdString();
    EXPECT_EQ(button->text(), QStringLiteral("Stop"));
    EXPECT_FALSE(control<QWidget>(window, "cmdProcess")->isEnabled()) << "one job at a time";

    click(button);
    ASSERT_TRUE(waitForImportEnd(window));
    EXPECT_EQ(status->text(), QStringLiteral("Stopped; nothing was written."));
    EXPECT_EQ(button->text(), QStringLiteral("Import annex…"));
    EXPECT_TRUE(seams.messages().isEmpty());
    EXPECT_FALSE(QFile::exists(folder.path() + "/ICD PH 2024_PROCEDURE.txt"));
}

TEST(AnnexImportEntry, aFileThatIsNoPdfGetsAClearMessage)
{
    TempProgramFolder folder;
    GuiSeams seams;
    FrmIcd window{seams.services(), db::ConnectionSettings{}};
    const QString path = folder.path() + "/rates.pdf";
    writeBytes(path, "A00.0|CHOLERA|1|1|0\r\n");
    seams.pdf = path;
    click(control<QPushButton>(window, "cmdImportAnnex"));
    ASSERT_TRUE(waitForImportEnd(window));
    ASSERT_EQ(seams.messages().size(), 1);
    EXPECT_TRUE(seams.messages().first().contains("rates.pdf\": not a PDF file"))
        << seams.messages().first().toStdString();
    EXPECT_EQ(control<QLineEdit>(window, "txtFileName")->text(), QStringLiteral("ICD PH 2024"));
}

// An annex of several case rates per code (as Annex C is) is refused as no rate list,
// with nothing asked that the window cannot give.
TEST(AnnexImportEntry, anAnnexOfSeveralCaseRatesPerCodeIsNoRateList)
{
    TempProgramFolder folder;
    GuiSeams seams;
    FrmIcd window{seams.services(), db::ConnectionSettings{}};
    MadeUpAnnex annex;
    annex.codeHeading = QStringLiteral("Code");
    annex.caseRatesPerCode = 2;
    annex.pages = {{{"A98.4*", {"EBOLA VIRUS DISEASE"}, {"110,000.00", "90,400.00", "19,600.00"}}}};
    const QString path = folder.path() + "/AnnexC.pdf";
    annex.write(path);
    seams.pdf = path;
    click(control<QPushButton>(window, "cmdImportAnnex"));
    ASSERT_TRUE(waitForImportEnd(window));
    ASSERT_EQ(seams.messages().size(), 1);
    EXPECT_TRUE(seams.messages().first().contains(
        "AnnexC.pdf\": not a rate list: its table gives 2 case rates for each code"))
        << seams.messages().first().toStdString();
    EXPECT_FALSE(seams.messages().first().contains("give the kind"));
    EXPECT_EQ(control<QLabel>(window, "lblAnnexImport")->text(), QStringLiteral("Nothing was written."));
    EXPECT_EQ(control<QLineEdit>(window, "txtFileName")->text(), QStringLiteral("ICD PH 2024"));
}

// A list that is there already: the question names its folder and how the two differ, and
// the status says nothing is written before the answer; the same list asks nothing.
TEST(AnnexImportEntry, replacingAListNamesItsFolderAndTheDifferenceAndTheSameListAsksNothing)
{
    TempProgramFolder folder;
    GuiSeams seams;
    FrmIcd window{seams.services(), db::ConnectionSettings{}};
    MadeUpAnnex annex;
    annex.pages = {{{"A00.0", {"CHOLERA DUE TO VIBRIO CHOLERAE 01"}, {"10,000.00", "3,000.00", "7,000.00"}},
                    {"A01.0", {"TYPHOID FEVER"}, {"12,000.00", "3,600.00", "8,400.00"}}}};
    seams.pdf = folder.path() + "/annex.pdf";
    annex.write(seams.pdf);
    auto* button = control<QPushButton>(window, "cmdImportAnnex");
    auto* status = control<QLabel>(window, "lblAnnexImport");
    const QString list = folder.path() + "/ICD PH 2031.txt";
    click(button);
    ASSERT_TRUE(waitForImportEnd(window));
    const QByteArray imported = readBytes(list);
    ASSERT_EQ(imported.count('\n'), 2) << imported.toStdString();

    seams.clearShown(); // the same annex again: nothing to ask, nothing to write
    click(button);
    ASSERT_TRUE(waitForImportEnd(window));
    ASSERT_EQ(seams.messages().size(), 1);
    EXPECT_TRUE(seams.messages().first().endsWith(QStringLiteral("unchanged, the same list: ") +
                                                  QDir::toNativeSeparators(list)))
        << seams.messages().first().toStdString();
    EXPECT_EQ(status->text(), QStringLiteral("\"ICD PH 2031.txt\": 2 rows"));

    writeBytes(list, imported.left(imported.indexOf('\n') + 1) + "A01.0|TYPHOID|1|2|3\r\n");
    seams.clearShown();
    QString statusWhileAsked;
    seams.onShown = [&](const QString& text) {
        if (text.endsWith(QLatin1String("Replace it?")))
            statusWhileAsked = status->text();
    };
    seams.queueAnswer(QMessageBox::Yes);
    click(button);
    ASSERT_TRUE(waitForImportEnd(window));
    ASSERT_GE(seams.messages().size(), 1);
    EXPECT_EQ(
        seams.messages().first(),
        QStringLiteral("\"ICD PH 2031.txt\" exists already in the folder\n%1\nand holds a different list: 1 "
                       "of its lines are not in the list read from \"annex.pdf\", which has 1 lines it does "
                       "not have. Replace it?")
            .arg(QDir::toNativeSeparators(folder.path())));
    EXPECT_EQ(statusWhileAsked, QStringLiteral("\"ICD PH 2031.txt\": 2 rows read, not written yet"));
    EXPECT_EQ(readBytes(list), imported);
}
