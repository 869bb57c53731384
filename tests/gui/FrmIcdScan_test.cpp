// The scans driven through the window, compared with the scan job run directly on the
// same databases.
#include "gui/FrmIcd.h"

#include "WindowTestSupport.h"
#include "gui/FrmSrc.h"
#include "gui/Twips.h"
#include "ratelist/UpdateResource.h"
#include "reconcile/ScanJob.h"
#include "sampledb/SampleDatabases.h"
#include "support/TestPaths.h"
#include "text/Windows1252.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QTabWidget>

using namespace orvex;
using namespace orvex::test;
using gui::FrmIcd;
using reconcile::ResultList;
using reconcile::ScanEnding;

namespace {

const QString kDone = QStringLiteral(
    "Done.  Click 'Open Output Folder' to view scripts.  Run script.txt, SameCodeDiffDesc Script.txt, and "
    "scriptPH.txt to update your database.");

const QString kComparing = reconcile::phaseCaption(reconcile::ScanPhase::Comparing, false);

db::ConnectionSettings embeddedIn(const QString& folder)
{
    db::ConnectionSettings settings;
    settings.kind = db::ConnectionSettings::Kind::Embedded;
    settings.embeddedFolder = folder;
    return settings;
}

// A program folder with the sample databases in its db folder, and the window on them.
struct ScanWindow
{
    GuiSeams seams;
    TempProgramFolder folder;
    db::ConnectionSettings settings;
    std::unique_ptr<FrmIcd> window;

    ScanWindow()
    {
        settings = embeddedIn(folder.path() + "/db");
        sampledb::buildSampleDatabases(settings.embeddedFolder, false);
        window = std::make_unique<FrmIcd>(seams.services(), settings);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    QWidget* widget(const char* name) const { return control<QWidget>(*window, name); }
    QString text(const char* name) const { return shownText(*window, name); }
    int count(const char* name) const { return text(name).toInt(); }

    // The scan job on the same lines and databases, without the window.
    reconcile::ScanResult direct(const QStringList& lines, bool ph) const
    {
        reconcile::ScanParams params;
        params.lines = lines;
        params.phMode = ph;
        params.connection = settings;
        params.keepResultRows = true;
        return reconcile::ScanJob(params).run();
    }

    void expectWindowShows(const reconcile::ScanResult& r) const
    {
        const reconcile::ScanCounters& c = r.counters;
        EXPECT_EQ(count("lblnew"), c.newCode);
        EXPECT_EQ(count("lblsame"), c.sameCodeAndDescription);
        EXPECT_EQ(count("lblDifDesc"), c.sameCodeDifferentDescription);
        EXPECT_EQ(count("lblDifCode"), c.sameDescriptionDifferentCode);
        EXPECT_EQ(count("lblNewPH"), c.phNewCode);
        EXPECT_EQ(count("lblsamePH"), c.phSameDescription);
        EXPECT_EQ(count("lblDifDescPH"), c.phSameCodeDifferentDescription);
        EXPECT_EQ(count("lblCount"), c.linesRead);
        EXPECT_EQ(text("lblHeader"), r.groupName);
        EXPECT_EQ(text("lblPackageID"), r.packageId);
        // The window's list views, named here on their own so that a wrong mapping shows.
        const std::pair<ResultList, const char*> views[] = {
            {ResultList::NewCode, "lsvNewCode"},
            {ResultList::SameCodeAndDescription, "lsvSameCodeDescription"},
            {ResultList::SameCodeDifferentDescription, "lsvSameCodeDifDesc"},
            {ResultList::SameDescriptionDifferentCode, "lsvSameDescDifCode"},
            {ResultList::PhNewCode, "lsvNewCodePH"},
            {ResultList::PhSameCodeDifferentDescription, "lsvSameCodeDifDescPH"}};
        for (const auto& [which, view] : views)
            EXPECT_EQ(listRows(*window, view), r.list(which)) << view;
    }

    void expectIdle() const
    {
        EXPECT_FALSE(window->isJobRunning());
        EXPECT_EQ(text("cmdScan"), QStringLiteral("Go Scan"));
        EXPECT_EQ(text("cmdScanPH"), QStringLiteral("Scan"));
        for (const char* name : {"cmdScan", "cmdScanPH", "cmdLoadUpdate", "lstSourceFiles", "chkFixFormat"})
            EXPECT_TRUE(widget(name)->isEnabled()) << name;
    }
};

} // namespace

TEST(FrmIcdScan, phScanOfUpdateResourceShowsWhatTheJobFinds)
{
    ScanWindow s;
    clickAndWait(s.widget("cmdLoadUpdate"));
    click(s.widget("cmdScanPH"));
    EXPECT_TRUE(s.window->phMode());
    ASSERT_TRUE(waitForScanEnd(*s.window));

    const reconcile::ScanResult expected = s.direct(ratelist::loadBuiltinUpdateResource(), true);
    ASSERT_EQ(expected.counters.linesRead, s.window->frmSRC()->lineCount());
    EXPECT_GT(expected.counters.phNewCode + expected.counters.phSameDescription +
                  expected.counters.phSameCodeDifferentDescription,
              0);
    s.expectWindowShows(expected);
    EXPECT_EQ(s.window->lastEnding(), ScanEnding::Finished);
    EXPECT_EQ(s.seams.messages(), QStringList{kDone});
    EXPECT_EQ(control<QProgressBar>(*s.window, "prgScan")->value(), expected.counters.linesRead);
    s.expectIdle();
    EXPECT_TRUE(QFile::exists(s.folder.outputFile("scriptPH.txt")));
}

TEST(FrmIcdScan, icdScanOfSourceFileShowsWhatTheJobFinds)
{
    ScanWindow s;
    // A slice of the update resource as a source file in the program folder.
    const QStringList lines = ratelist::loadBuiltinUpdateResource().mid(0, 400);
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += cp1252::encode(line) + "\r\n";
    writeBytes(s.folder.path() + "/icd slice.txt", bytes);
    s.window->fillSourceFiles();
    doubleClickSourceFile(*s.window, 0);
    ASSERT_NE(s.window->frmSRC(), nullptr);
    ASSERT_EQ(s.window->frmSRC()->lines(), lines);

    click(s.widget("cmdScan"));
    EXPECT_FALSE(s.window->phMode());
    ASSERT_TRUE(waitForScanEnd(*s.window));
    // The review page names the list the window scanned.
    EXPECT_TRUE(readBytes(s.folder.outputFile(QStringLiteral("report.html"))).contains("icd slice.txt"));
    const reconcile::ScanResult expected = s.direct(lines, false);
    EXPECT_EQ(expected.counters.linesRead, 400);
    s.expectWindowShows(expected);
    EXPECT_EQ(s.seams.messages(), QStringList{kDone});
    s.expectIdle();
}

TEST(FrmIcdScan, runningScanLocksWhatWouldStartAnotherAndStopsOnSecondClick)
{
    ScanWindow s;
    clickAndWait(s.widget("cmdLoadUpdate"));
    HoldScanAtLine hold(*s.window, 100, kComparing);
    click(s.widget("cmdScanPH"));
    ASSERT_TRUE(hold.waitUntilHeld());

    EXPECT_TRUE(s.window->isJobRunning());
    EXPECT_EQ(s.text("cmdScanPH"), QStringLiteral("Stop"));
    EXPECT_TRUE(s.widget("cmdScanPH")->isEnabled());
    for (const char* name : {"cmdScan", "cmdLoadUpdate", "lstSourceFiles", "chkFixFormat"})
        EXPECT_FALSE(s.widget(name)->isEnabled()) << name;

    // What the held run has done so far reaches the window while it runs.
    EXPECT_TRUE(processEventsUntil([&s] { return s.count("lblCount") == 100; }));
    EXPECT_EQ(s.text("lblPhase"), kComparing);
    EXPECT_EQ(control<QProgressBar>(*s.window, "prgScan")->value(), 100);
    EXPECT_NE(s.text("lblHeader"), QStringLiteral("Header")) << "the group name in force is shown";

    click(s.widget("cmdScanPH"));
    EXPECT_EQ(s.text("cmdScanPH"), QStringLiteral("Scan")) << "the caption returns at the click";
    ASSERT_TRUE(waitForScanEnd(*s.window));

    EXPECT_EQ(s.window->lastEnding(), ScanEnding::Stopped);
    const reconcile::ScanResult expected = s.direct(ratelist::loadBuiltinUpdateResource().mid(0, 100), true);
    s.expectWindowShows(expected);
    EXPECT_EQ(s.count("lblCount"), 100);
    ASSERT_EQ(s.seams.messages().size(), 1);
    EXPECT_TRUE(s.seams.messages()[0].startsWith(QStringLiteral("Stopped before the end: The reports and "
                                                                "scripts hold only the lines read")))
        << s.seams.messages()[0].toStdString();
    EXPECT_TRUE(
        s.seams.messages()[0].endsWith(QStringLiteral(" of the update resource: the scan was stopped")))
        << s.seams.messages()[0].toStdString();
    s.expectIdle();
}

TEST(FrmIcdScan, closingDuringRunStopsWithoutSummaryAndClosesCleanly)
{
    ScanWindow s;
    clickAndWait(s.widget("cmdLoadUpdate"));
    HoldScanAtLine hold(*s.window, 50, kComparing);
    click(s.widget("cmdScan"));
    ASSERT_TRUE(hold.waitUntilHeld());

    click(s.widget("cmdClose"));
    EXPECT_FALSE(s.window->isJobRunning()) << "the close waits for the worker";
    EXPECT_FALSE(s.window->isVisible());
    EXPECT_FALSE(s.window->frmSRC()->isVisible());
    EXPECT_EQ(s.window->lastEnding(), ScanEnding::Abandoned);
    EXPECT_EQ(s.count("lblCount"), 50);
    EXPECT_EQ(s.seams.messages(), QStringList{kDone}) << "the done message is shown in every ending";
}

TEST(FrmIcdScan, closingTheWindowItselfDuringRunEndsTheSameWay)
{
    ScanWindow s;
    clickAndWait(s.widget("cmdLoadUpdate"));
    HoldScanAtLine hold(*s.window, 10, kComparing);
    click(s.widget("cmdScanPH"));
    ASSERT_TRUE(hold.waitUntilHeld());
    EXPECT_TRUE(s.window->close());
    EXPECT_FALSE(s.window->isJobRunning());
    EXPECT_EQ(s.window->lastEnding(), ScanEnding::Abandoned);
    EXPECT_EQ(s.seams.messages(), QStringList{kDone});
}

TEST(FrmIcdScan, failingRunShowsItsErrorAndLeavesTheWindowUsable)
{
    GuiSeams seams;
    TempProgramFolder folder;
    FrmIcd window(seams.services(), embeddedIn(folder.path() + "/no databases here"));
    window.show();
    clickAndWait(control<QWidget>(window, "cmdLoadUpdate"));
    click(control<QWidget>(window, "cmdScanPH"));
    ASSERT_TRUE(waitForScanEnd(window));

    ASSERT_EQ(seams.messages().size(), 1);
    EXPECT_TRUE(seams.messages().first().contains(QLatin1String("no databases here")))
        << seams.messages().first().toStdString();
    EXPECT_FALSE(window.lastEnding().has_value());
    EXPECT_EQ(control<QAbstractButton>(window, "cmdScanPH")->text(), QStringLiteral("Scan"));
    for (const char* name : {"cmdScan", "cmdScanPH", "cmdLoadUpdate", "lstSourceFiles", "chkFixFormat"})
        EXPECT_TRUE(control<QWidget>(window, name)->isEnabled()) << name;

    // Usable: the same click runs again and reports again.
    click(control<QWidget>(window, "cmdScanPH"));
    ASSERT_TRUE(waitForScanEnd(window));
    EXPECT_EQ(seams.messages().size(), 2);
}

// Stop in the reading of the list: lblPhase names it, the bar counts the list's lines read,
// and no line is compared.
TEST(FrmIcdScan, stopWhileReadingTheListShowsThePhaseAndComparesNothing)
{
    ScanWindow s;
    clickAndWait(s.widget("cmdLoadUpdate"));
    const int lineCount = s.window->frmSRC()->lineCount();
    HoldScanAtLine hold(*s.window, 500, QStringLiteral("Reading the list"));
    click(s.widget("cmdScanPH"));
    ASSERT_TRUE(hold.waitUntilHeld());
    EXPECT_TRUE(
        processEventsUntil([&s] { return s.text("lblPhase") == QStringLiteral("Reading the list"); }));
    const auto* bar = control<QProgressBar>(*s.window, "prgScan");
    EXPECT_EQ(bar->maximum(), lineCount);
    EXPECT_EQ(bar->value(), 500);

    click(s.widget("cmdScanPH")); // "Stop"
    ASSERT_TRUE(waitForScanEnd(*s.window));
    EXPECT_EQ(s.window->lastEnding(), ScanEnding::Stopped);
    EXPECT_EQ(s.count("lblCount"), 0);
    EXPECT_EQ(s.text("lblPhase"), QString()) << "no phase once the run has ended";
    ASSERT_EQ(s.seams.messages().size(), 1);
    EXPECT_TRUE(s.seams.messages()[0].startsWith(QStringLiteral("Stopped before the end")))
        << s.seams.messages()[0].toStdString();
    s.expectIdle();
}

// Stop while the reports are written, once every line was compared: the bar counts the
// files, and the stop leaves no review page or run record that would look whole.
TEST(FrmIcdScan, stopWhileWritingTheReportsLeavesNoReviewAndSaysSo)
{
    ScanWindow s;
    clickAndWait(s.widget("cmdLoadUpdate"));
    const int lineCount = s.window->frmSRC()->lineCount();
    HoldScanAtLine hold(*s.window, 1, QStringLiteral("Writing the reports"));
    click(s.widget("cmdScanPH"));
    ASSERT_TRUE(hold.waitUntilHeld());
    EXPECT_TRUE(
        processEventsUntil([&s] { return s.text("lblPhase") == QStringLiteral("Writing the reports"); }));
    const auto* bar = control<QProgressBar>(*s.window, "prgScan");
    EXPECT_EQ(bar->maximum(), 4);
    EXPECT_EQ(bar->value(), 1);
    EXPECT_EQ(s.text("cmdScanPH"), QStringLiteral("Stop"));

    click(s.widget("cmdScanPH"));
    ASSERT_TRUE(waitForScanEnd(*s.window));
    EXPECT_EQ(s.window->lastEnding(), ScanEnding::Stopped);
    EXPECT_EQ(s.count("lblCount"), lineCount);
    EXPECT_EQ(bar->value(), lineCount) << "the bar ends on the lines compared";
    EXPECT_EQ(s.text("lblPhase"), QString());
    for (const char* name : {"report.html", "changes.csv", "changes.json"})
        EXPECT_FALSE(QFile::exists(s.folder.outputFile(name))) << name;
    EXPECT_TRUE(QFile::exists(s.folder.outputFile("scriptPH.txt")));
    ASSERT_EQ(s.seams.messages().size(), 1);
    EXPECT_TRUE(s.seams.messages()[0].startsWith(QStringLiteral("Stopped while the reports were written")))
        << s.seams.messages()[0].toStdString();
    s.expectIdle();
}

TEST(FrmIcdScan, fixFormatRewritesLinesAndCountsOnlyThem)
{
    ScanWindow s;
    clickAndWait(s.widget("cmdLoadUpdate"));
    control<QTabWidget>(*s.window, "SSTab1")->setCurrentIndex(2); // "Tools", where the check box is
    click(s.widget("chkFixFormat"));
    ASSERT_TRUE(control<QAbstractButton>(*s.window, "chkFixFormat")->isChecked());
    click(s.widget("cmdScan"));
    ASSERT_TRUE(waitForScanEnd(*s.window));

    reconcile::ScanParams params;
    params.lines = s.window->frmSRC()->lines();
    params.fixFormat = true;
    params.connection = s.settings;
    s.expectWindowShows(reconcile::ScanJob(params).run());
    EXPECT_EQ(s.count("lblCount"), s.window->frmSRC()->lineCount());
    EXPECT_EQ(s.count("lblnew"), 0);
    EXPECT_TRUE(QFile::exists(s.folder.outputFile("OutputICDFile2.txt")));
    EXPECT_EQ(s.seams.messages(), QStringList{kDone});
}

TEST(FrmIcdScan, nextRunStartsFromTheGroupNameTheLastOneLeft)
{
    ScanWindow s;
    clickAndWait(s.widget("cmdLoadUpdate"));
    click(s.widget("cmdScanPH"));
    ASSERT_TRUE(waitForScanEnd(*s.window));
    const QString lastGroup = s.text("lblHeader");
    const QString lastPackage = s.text("lblPackageID");
    ASSERT_NE(lastGroup, QStringLiteral("Header"));

    // A list of code lines only: every line uses the group name the window shows.
    const QStringList codesOnly{QStringLiteral("ZZ9.1|NOT A CODE OF ANY TABLE|1,000|300|700")};
    s.window->frmSRC()->setLines(codesOnly);
    click(s.widget("cmdScanPH"));
    ASSERT_TRUE(waitForScanEnd(*s.window));

    reconcile::ScanParams params;
    params.lines = codesOnly;
    params.phMode = true;
    params.connection = s.settings;
    params.groupName = lastGroup;
    params.packageId = lastPackage;
    params.keepResultRows = true;
    const reconcile::ScanResult expected = reconcile::ScanJob(params).run();
    EXPECT_EQ(expected.groupName, lastGroup);
    s.expectWindowShows(expected);
    EXPECT_EQ(s.count("lblNewPH"), 1);
}

TEST(FrmIcdScan, viewStaysAsChosenThroughAScan)
{
    ScanWindow s;
    control<QTabWidget>(*s.window, "SSTab1")->setCurrentIndex(0); // where the lists are
    click(s.widget("lbldifferentdesc_1"));
    clickAndWait(s.widget("cmdLoadUpdate"));
    click(s.widget("cmdScan"));
    ASSERT_TRUE(waitForScanEnd(*s.window));
    EXPECT_EQ(s.window->view(), gui::IcdView::SameCodeDifDesc);
    EXPECT_TRUE(s.widget("lsvSameCodeDifDesc")->isVisible());
    EXPECT_TRUE(s.widget("Line7")->isVisible());
    EXPECT_FALSE(s.widget("lsvNewCode")->isVisible());
}

// The picture of the README: the window after a PH scan of the update resource. Written
// to the path in ORVEX_SCREENSHOT when that is set.
TEST(MainWindowScreenshot, afterPhScanOfUpdateResource)
{
    ScanWindow s;
    s.window->resize(gui::Twips::of(s.window.get()).px(19650), gui::Twips::of(s.window.get()).px(12255));
    clickAndWait(s.widget("cmdLoadUpdate"));
    s.window->frmSRC()->hide();
    control<QTabWidget>(*s.window, "SSTab1")->setCurrentIndex(1);
    click(s.widget("cmdScanPH"));
    ASSERT_TRUE(waitForScanEnd(*s.window));
    QCoreApplication::processEvents();

    const QImage picture = s.window->grab().toImage();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), s.window->size() * s.window->devicePixelRatio());
    const QString target = qEnvironmentVariable("ORVEX_SCREENSHOT");
    if (!target.isEmpty()) {
        EXPECT_TRUE(picture.save(target, "PNG")) << target.toStdString();
    }
}
