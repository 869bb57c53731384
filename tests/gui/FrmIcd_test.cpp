#include "gui/FrmIcd.h"

#include "OrvexVersion.h"
#include "WindowTestSupport.h"
#include "gui/FrmSrc.h"
#include "gui/ReportListView.h"
#include "gui/Twips.h"
#include "ratelist/UpdateResource.h"
#include "support/TestPaths.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QSemaphore>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeView>

using namespace orvex;
using namespace orvex::test;
using gui::FrmIcd;
using gui::IcdView;

namespace {

// The text a control shows: caption, default text or combo text.
QString shownText(const QWidget* w)
{
    if (const auto* b = qobject_cast<const QAbstractButton*>(w))
        return b->text();
    if (const auto* l = qobject_cast<const QLabel*>(w))
        return l->text();
    if (const auto* e = qobject_cast<const QLineEdit*>(w))
        return e->text();
    if (const auto* c = qobject_cast<const QComboBox*>(w))
        return c->currentText();
    if (const auto* t = qobject_cast<const QPlainTextEdit*>(w))
        return t->toPlainText();
    return QStringLiteral("<no text>");
}

QStringList headers(const QWidget& window, const char* name)
{
    QStringList texts;
    const auto* view = control<QTreeView>(window, name);
    if (!view)
        return texts;
    for (int c = 0; c < view->model()->columnCount(); ++c)
        texts.append(view->model()->headerData(c, Qt::Horizontal).toString());
    return texts;
}

struct Shown
{
    GuiSeams seams;
    TempProgramFolder folder;
    FrmIcd window{seams.services(), db::ConnectionSettings{}};

    Shown()
    {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    test::writeBytes(path, bytes);
}

} // namespace

TEST(FrmIcd, captionCarriesTheThreePartVersion)
{
    GuiSeams seams;
    FrmIcd window{seams.services(), db::ConnectionSettings{}};
    EXPECT_EQ(window.objectName(), QStringLiteral("frmICD"));
    const QString expected = QStringLiteral("Kestra Orvex ver.") + QString::number(version::major) +
                             QLatin1Char('.') + QString::number(version::minor) + QLatin1Char('.') +
                             QString::number(version::revision);
    EXPECT_EQ(window.windowTitle(), expected);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Kestra Orvex ver.") + QLatin1String(version::text));
}

TEST(FrmIcd, everyControlCarriesItsCaptionOrDefault)
{
    GuiSeams seams;
    FrmIcd window{seams.services(), db::ConnectionSettings{}};
    const std::vector<std::pair<const char*, QString>> expected = {
        {"cmdClose", "&Close"},
        {"cmdOpenFolder", "Open &Output Folder"},
        {"cmdICDDLL", "&View ICD DB"},
        {"lblSrc", "Select Source File"},
        {"Label3", "Click on description below to see items..."},
        {"lblnewCode_0", "New Rates"},
        {"lblnewCode_3", "New Codes:"},
        {"lblSameDescription_0", "Same Code and Description:"},
        {"lbldifferentdesc_1", "Same Code different Description:"},
        {"lblDifferentCode_2", "Same Description different Code:"},
        {"Label1", "Philhealth"},
        {"lblnew", "0"},
        {"lblsame", "0"},
        {"lblDifDesc", "0"},
        {"lblDifCode", "0"},
        {"lblNewPH", "0"},
        {"lblsamePH", "0"},
        {"lblDifDescPH", "0"},
        {"lblNewRate", "0"},
        {"lblCount", "0"},
        {"cmdScan", "Go Scan"},
        {"Label2", "Double-click ICD source file below then click Go Scan.->"},
        {"cmdLoadUpdate", "Load Update"},
        {"cmdScanPH", "Scan"},
        {"Label4", "Click Load Update then click Scan."},
        {"lblHeader", "Header"},
        {"lblPackageID", ""},
        {"cmdCheckDuplicates", "Check Duplicates"},
        {"cmdDeleteDuplicates", "Delete Duplicates"},
        {"chkFixFormat", "Fix Format 1"},
        {"cmdICD_0", "tbICDDiagMain"},
        {"cmdICD_1", "tbIcdDiagChapter"},
        {"cmdICD_2", "tbIcdDiagSubChapter"},
        {"cmdICD_3", "tbIcdDiag3Code"},
        {"cmdCheckOnline", "Check Online"},
        {"cmdUpdateDB", "Update DB"},
        {"txtLog", ""},
        {"cmdBackUPTables", "Step1. Create table copies on"},
        {"txtCopySuffix", "_2_14_2024"},
        {"chkTest", "Test Table"},
        {"optVer2", "Version 2"},
        {"chkVerB", "Philhealth Ver B."},
        {"cmdProcess", "Step 2. Create update scripts"},
        {"txtFileName", "ICD PH 2024"},
        {"Label5", "previous rates as of"},
        {"cboYear", "2023"},
        {"txtSuffix", "_2023"},
        {"chkUpdateDesc", "Update Descriptions"},
        {"cmdUpdateMedPackage", "Update MedPackage by%: (generates script only) "},
        {"txtUpdateMedPackage", "30"},
        {"cmdCreateNewPackage", "Create new package for ICD:"},
        {"txtICDSplit", ""},
        {"Text1", "O15.2  N83.1 Q03.8  P56.0 P56.9 "},
        {"cmdCreateNewPackageProc", "Create new package for RVSID:"},
        {"txtRVSSplit", ""},
        {"Text2", "77401"},
    };
    for (const auto& [name, text] : expected) {
        const auto* w = control<QWidget>(window, name);
        if (w) {
            EXPECT_EQ(shownText(w), text) << name;
        }
    }
    for (const char* name : {"chkFixFormat", "chkTest", "chkVerB", "chkUpdateDesc", "optVer2"})
        EXPECT_FALSE(control<QAbstractButton>(window, name)->isChecked()) << name;
    EXPECT_NE(control<QWidget>(window, "GridU"), nullptr);
}

TEST(FrmIcd, listViewsShowTheirColumnHeadings)
{
    GuiSeams seams;
    FrmIcd window{seams.services(), db::ConnectionSettings{}};
    EXPECT_EQ(headers(window, "lstSourceFiles"), QStringList{"Source Files"});
    EXPECT_EQ(headers(window, "lsvNewCode"), QStringList{"New Code"});
    EXPECT_EQ(headers(window, "lsvSameCodeDescription"), (QStringList{"Same Code and Description", "", ""}));
    EXPECT_EQ(headers(window, "lsvSameCodeDifDesc"),
              (QStringList{"Same Code different Description (DB)", "Source File"}));
    EXPECT_EQ(headers(window, "lsvSameDescDifCode"),
              (QStringList{"Same Description different Code (DB)", "Source File"}));
    EXPECT_EQ(headers(window, "lsvNewCodePH"), QStringList{"New Code"});
    EXPECT_EQ(headers(window, "lsvSameCodeDifDescPH"),
              (QStringList{"Same Code different Description (DB)", "Source File"}));
    for (const char* name : {"lstSourceFiles", "lsvNewCode", "lsvNewCodePH"})
        EXPECT_FALSE(control<QTreeView>(window, name)->header()->isHidden()) << name;
}

TEST(FrmIcd, fiveTabsWithUpdate2024InFrontAndEachControlOnItsTab)
{
    GuiSeams seams;
    FrmIcd window{seams.services(), db::ConnectionSettings{}};
    auto* tabs = control<QTabWidget>(window, "SSTab1");
    ASSERT_NE(tabs, nullptr);
    QStringList captions;
    for (int i = 0; i < tabs->count(); ++i)
        captions.append(tabs->tabText(i));
    EXPECT_EQ(captions, (QStringList{"ICD", "PH ICD Case Rates", "Tools", "Online Update", "Update 2024"}));
    EXPECT_EQ(tabs->currentIndex(), 4);

    const std::vector<std::pair<int, std::vector<const char*>>> onTab = {
        {0,
         {"Frame1", "lstSourceFiles", "cmdScan", "Label2", "lsvNewCode", "lsvSameCodeDescription",
          "lsvSameCodeDifDesc", "lsvSameDescDifCode"}},
        {1,
         {"Frame2", "cmdLoadUpdate", "cmdScanPH", "Label4", "lsvNewCodePH", "lsvSameCodeDifDescPH",
          "lblHeader", "lblPackageID"}},
        {2,
         {"cmdCheckDuplicates", "cmdDeleteDuplicates", "chkFixFormat", "cmdICD_0", "cmdICD_1", "cmdICD_2",
          "cmdICD_3"}},
        {3, {"cmdCheckOnline", "cmdUpdateDB", "GridU"}},
        {4,
         {"txtLog",
          "cmdBackUPTables",
          "txtCopySuffix",
          "chkTest",
          "optVer2",
          "chkVerB",
          "cmdProcess",
          "txtFileName",
          "Label5",
          "cboYear",
          "txtSuffix",
          "chkUpdateDesc",
          "cmdUpdateMedPackage",
          "txtUpdateMedPackage",
          "cmdCreateNewPackage",
          "txtICDSplit",
          "Text1",
          "cmdCreateNewPackageProc",
          "txtRVSSplit",
          "Text2"}},
    };
    for (const auto& [tab, names] : onTab)
        for (const char* name : names)
            EXPECT_TRUE(tabs->widget(tab)->isAncestorOf(control<QWidget>(window, name)))
                << name << " on tab " << tab;
    for (const char* name :
         {"cmdClose", "cmdOpenFolder", "cmdICDDLL", "lblSrc", "lblnew", "lblCount", "Line5"})
        EXPECT_FALSE(tabs->isAncestorOf(control<QWidget>(window, name))) << name << " belongs to the header";
}

TEST(FrmIcd, everyToolIsEnabledAtStart)
{
    GuiSeams seams;
    FrmIcd window{seams.services(), db::ConnectionSettings{}};
    for (const char* name : {"cmdScan",
                             "cmdScanPH",
                             "cmdLoadUpdate",
                             "cmdClose",
                             "cmdOpenFolder",
                             "chkFixFormat",
                             "lstSourceFiles",
                             "txtLog",
                             "cmdICD_0",
                             "cmdICD_1",
                             "cmdICD_2",
                             "cmdICD_3",
                             "cmdICDDLL",
                             "cmdBackUPTables",
                             "cmdProcess",
                             "cmdUpdateMedPackage",
                             "cmdCreateNewPackage",
                             "cmdCreateNewPackageProc",
                             "cmdCheckDuplicates",
                             "cmdDeleteDuplicates",
                             "cmdImportAnnex"}) {
        const auto* w = control<QWidget>(window, name);
        EXPECT_TRUE(w->isEnabled()) << name;
        EXPECT_FALSE(w->toolTip().contains(QLatin1String("not in this build"))) << name;
    }
}

TEST(FrmIcd, underlinesAreBlueAndHiddenAtStart)
{
    Shown s;
    for (const char* name : {"Line5", "Line6", "Line7", "Line8"}) {
        const auto* line = control<QFrame>(s.window, name);
        EXPECT_TRUE(line->isHidden()) << name;
        EXPECT_EQ(line->palette().color(QPalette::Window), QColor(78, 69, 243)) << name;
    }
    EXPECT_EQ(s.window.view(), IcdView::NewCodes);
    EXPECT_FALSE(control<QWidget>(s.window, "lsvNewCode")->isHidden());
    for (const char* name : {"lsvSameCodeDescription", "lsvSameCodeDifDesc", "lsvSameDescDifCode"})
        EXPECT_TRUE(control<QWidget>(s.window, name)->isHidden()) << name;
}

TEST(FrmIcd, fourResultListsLieInOnePlaceAtLeft3000)
{
    Shown s;
    const QRect first = control<QWidget>(s.window, "lsvNewCode")->geometry();
    EXPECT_EQ(first.left(), gui::Twips::of(&s.window).px(3000));
    for (const char* name : {"lsvSameCodeDescription", "lsvSameCodeDifDesc", "lsvSameDescDifCode"})
        EXPECT_EQ(control<QWidget>(s.window, name)->geometry(), first) << name;
}

TEST(FrmIcd, viewLabelsSwitchListAndUnderline)
{
    Shown s;
    control<QTabWidget>(s.window, "SSTab1")->setCurrentIndex(0); // where the lists are
    const std::vector<std::tuple<const char*, const char*, const char*>> clicks = {
        {"lblSameDescription_0", "lsvSameCodeDescription", "Line6"},
        {"lbldifferentdesc_1", "lsvSameCodeDifDesc", "Line7"},
        {"lblDifferentCode_2", "lsvSameDescDifCode", "Line8"},
        {"lblnewCode_3", "lsvNewCode", "Line5"},
        {"lblDifferentCode_2", "lsvSameDescDifCode", "Line8"},
        {"lblnewCode_0", "lsvNewCode", "Line5"}, // "New Rates" acts like "New Codes:"
        {"lblnewCode_0", "lsvNewCode", "Line5"}, // the chosen label again changes nothing
    };
    const char* lists[] = {"lsvNewCode", "lsvSameCodeDescription", "lsvSameCodeDifDesc",
                           "lsvSameDescDifCode"};
    const char* lines[] = {"Line5", "Line6", "Line7", "Line8"};
    for (const auto& [labelName, shownList, shownLine] : clicks) {
        click(control<QWidget>(s.window, labelName));
        for (const char* list : lists)
            EXPECT_EQ(control<QWidget>(s.window, list)->isVisible(), QByteArray(list) == shownList)
                << labelName << " / " << list;
        for (const char* line : lines)
            EXPECT_EQ(control<QWidget>(s.window, line)->isVisible(), QByteArray(line) == shownLine)
                << labelName << " / " << line;
    }
}

TEST(FrmIcd, tinyWindowKeepsHeaderAndRestoresSizes)
{
    Shown s;
    s.window.resize(1100, 760);
    QCoreApplication::processEvents();
    auto* tabs = control<QTabWidget>(s.window, "SSTab1");
    std::map<QString, QRect> header;
    for (QWidget* w : s.window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (w != tabs && !w->isWindow())
            header[w->objectName()] = w->geometry();
    ASSERT_GT(header.size(), 20u);
    const char* following[] = {"SSTab1",
                               "Frame1",
                               "Frame2",
                               "lstSourceFiles",
                               "lsvNewCode",
                               "lsvSameCodeDescription",
                               "lsvSameCodeDifDesc",
                               "lsvSameDescDifCode",
                               "lsvNewCodePH",
                               "lsvSameCodeDifDescPH"};
    std::map<QString, QRect> before;
    for (const char* name : following)
        before[name] = control<QWidget>(s.window, name)->geometry();

    s.window.resize(20, 15);
    QCoreApplication::processEvents();
    for (const auto& [name, rect] : header)
        EXPECT_EQ(control<QWidget>(s.window, name.toLatin1().constData())->geometry(), rect)
            << name.toStdString();
    for (const char* name : following) {
        const QRect r = control<QWidget>(s.window, name)->geometry();
        EXPECT_GE(r.width(), 0) << name;
        EXPECT_GE(r.height(), 0) << name;
        EXPECT_EQ(r.topLeft(), before[name].topLeft()) << name << ": positions never change";
    }

    s.window.resize(1100, 760);
    QCoreApplication::processEvents();
    for (const char* name : following)
        EXPECT_EQ(control<QWidget>(s.window, name)->geometry(), before[name]) << name;
}

TEST(FrmIcd, windowFontTabHeightAndASmallestSizeThatKeepsTheHeaderWhole)
{
    Shown s;
    const QFont font = s.window.font();
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 9.75);
    if (QFontDatabase::hasFamily(QStringLiteral("Tahoma"))) {
        EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Tahoma"));
    } else {
        QFont sans(QStringLiteral("sans-serif"));
        sans.setPointSizeF(9.75);
        EXPECT_EQ(QFontInfo(font).family(), QFontInfo(sans).family()) << "the closest sans-serif face";
    }

    const auto* tabs = control<QTabWidget>(s.window, "SSTab1");
    EXPECT_EQ(tabs->tabBar()->tabRect(0).height(), gui::Twips::of(&s.window).px(520));

    s.window.resize(20, 15);
    QCoreApplication::processEvents();
    for (const char* name : {"cmdOpenFolder", "cmdICDDLL", "cmdClose"})
        EXPECT_TRUE(s.window.rect().contains(control<QWidget>(s.window, name)->geometry())) << name;
}

TEST(FrmIcd, widerWindowWidensAllFourListsAlike)
{
    Shown s;
    s.window.resize(1000, 700);
    QCoreApplication::processEvents();
    const int narrow = control<QWidget>(s.window, "lsvNewCode")->width();
    const QRect tabBefore = control<QWidget>(s.window, "SSTab1")->geometry();
    s.window.resize(1200, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(control<QWidget>(s.window, "SSTab1")->width(), tabBefore.width() + 200);
    for (const char* name :
         {"lsvNewCode", "lsvSameCodeDescription", "lsvSameCodeDifDesc", "lsvSameDescDifCode"})
        EXPECT_EQ(control<QWidget>(s.window, name)->width(), narrow + 200) << name;
}

TEST(FrmIcd, sourceFilesAreTheIcdTextFilesOfTheProgramFolder)
{
    Shown s;
    const QString root = s.folder.path();
    writeFile(root + "/icd rates.txt", "A00.0 Cholera\r\n");
    writeFile(root + "/output/icd rates.txt", "A00.0 Cholera\r\n");
    writeFile(root + "/icd2024.TXT", "A00.0 Cholera\r\n");
    writeFile(root + "/rates.txt", "A00.0 Cholera\r\n");
    writeFile(root + "/ICD notes.doc", "x");
    writeFile(root + "/.icd hidden.txt", "x");
    QDir(root).mkpath("icd folder.txt");

    s.window.fillSourceFiles();
    QStringList names;
    for (const auto& row : listRows(s.window, "lstSourceFiles"))
        names.append(row.text);
    EXPECT_EQ(names, (QStringList{"icd rates.txt", "icd2024.TXT"}));
}

TEST(FrmIcd, scanWithEmptyListAsksForAFile)
{
    Shown s;
    click(control<QWidget>(s.window, "cmdScanPH"));
    EXPECT_TRUE(s.window.phMode());
    click(control<QWidget>(s.window, "cmdScan"));
    EXPECT_FALSE(s.window.phMode()); // set on every click, before the check
    EXPECT_EQ(s.seams.messages(), (QStringList{"Select a file.", "Select a file."}));
    EXPECT_EQ(control<QAbstractButton>(s.window, "cmdScan")->text(), QStringLiteral("Go Scan"));
    EXPECT_EQ(control<QAbstractButton>(s.window, "cmdScanPH")->text(), QStringLiteral("Scan"));
    EXPECT_FALSE(s.window.isJobRunning());
    EXPECT_TRUE(QDir(s.folder.path() + "/output").isEmpty()) << "no report file is touched";
}

TEST(FrmIcd, loadUpdateFillsList2WithTheResource)
{
    Shown s;
    EXPECT_EQ(s.window.frmSRC(), nullptr) << "the second window is created on first use";
    const QStringList resource = ratelist::loadBuiltinUpdateResource();
    for (int round = 0; round < 2; ++round) {
        clickAndWait(control<QWidget>(s.window, "cmdLoadUpdate"));
        ASSERT_NE(s.window.frmSRC(), nullptr);
        EXPECT_EQ(s.window.frmSRC()->objectName(), QStringLiteral("frmSRC"));
        EXPECT_EQ(s.window.frmSRC()->windowTitle(), QStringLiteral("ICD Updates"));
        EXPECT_TRUE(s.window.frmSRC()->isVisible());
        EXPECT_FALSE(s.window.frmSRC()->isModal());
        const auto* list2 = control<QListView>(*s.window.frmSRC(), "List2");
        ASSERT_NE(list2, nullptr);
        ASSERT_EQ(list2->model()->rowCount(), resource.size()) << "round " << round;
        EXPECT_EQ(list2->model()->index(0, 0).data().toString(), resource.first());
        EXPECT_EQ(list2->model()->index(int(resource.size()) - 1, 0).data().toString(), QString());
    }
    EXPECT_EQ(control<QLabel>(s.window, "lblSrc")->text(), QStringLiteral("Select Source File"));
    EXPECT_TRUE(s.window.sourceFilePath().isEmpty());
    EXPECT_TRUE(s.seams.messages().isEmpty());
}

TEST(FrmIcd, doubleClickLoadsTheSelectedSourceFile)
{
    Shown s;
    writeFile(s.folder.path() + "/icd rates.txt",
              "|Cholera|||\r\nA00.0|Cholera|1|2|3\rA00.1|Other\nstill one line");
    s.window.fillSourceFiles();
    doubleClickSourceFile(s.window, 0);

    ASSERT_NE(s.window.frmSRC(), nullptr) << s.seams.messages().join("/").toStdString();
    EXPECT_TRUE(s.window.frmSRC()->isVisible());
    EXPECT_EQ(s.window.frmSRC()->lines(),
              (QStringList{"|Cholera|||", "A00.0|Cholera|1|2|3", "A00.1|Other\nstill one line"}));
    EXPECT_EQ(control<QLabel>(s.window, "lblSrc")->text(), QStringLiteral("Source File: icd rates.txt"));
    EXPECT_EQ(s.window.sourceFilePath(), s.folder.path() + "/icd rates.txt");
    // The lone line feed is named, with what to do about it.
    ASSERT_EQ(s.seams.messages().size(), 1);
    EXPECT_TRUE(s.seams.messages().first().contains("icd rates.txt holds 1 line feed(s)"));
    EXPECT_TRUE(s.seams.messages().first().contains("(CR LF)"));

    // "Load Update" replaces the lines, not the file's name and path.
    clickAndWait(control<QWidget>(s.window, "cmdLoadUpdate"));
    EXPECT_EQ(control<QLabel>(s.window, "lblSrc")->text(), QStringLiteral("Source File: icd rates.txt"));
    EXPECT_EQ(s.window.sourceFilePath(), s.folder.path() + "/icd rates.txt");
}

// The list is read on the runner: meanwhile the window answers, the scans and "Load Update"
// wait disabled, the source files keep the focus, and a second choice is ignored.
TEST(FrmIcd, aSourceFileLoadsOffTheWindowsThreadWithTheScansDisabledMeanwhile)
{
    Shown s;
    writeFile(s.folder.path() + "/icd a.txt", "A00.0|Cholera\r\n");
    writeFile(s.folder.path() + "/icd b.txt", "B00.0|Herpes\r\n");
    s.window.fillSourceFiles();
    QSemaphore reached, release;
    std::atomic<bool> held{false};
    s.window.jobRunner()->setStepHook([&](const jobs::JobProgress&) {
        if (held.exchange(true))
            return;
        reached.release();
        release.acquire();
    });
    doubleClickSourceFile(s.window, 0, false);
    ASSERT_TRUE(processEventsUntil([&reached] { return reached.tryAcquire(); }));
    EXPECT_TRUE(s.window.isJobRunning());
    EXPECT_TRUE(processEventsUntil([&s] { return shownText(s.window, "lblPhase") == "Reading icd a.txt"; }));
    for (const char* name : {"cmdScan", "cmdScanPH", "cmdLoadUpdate"})
        EXPECT_FALSE(control<QWidget>(s.window, name)->isEnabled()) << name;
    EXPECT_TRUE(control<QWidget>(s.window, "lstSourceFiles")->isEnabled());
    doubleClickSourceFile(s.window, 1, false); // ignored: the first is loading

    release.release();
    ASSERT_TRUE(waitForScanEnd(s.window));
    s.window.jobRunner()->setStepHook({});
    ASSERT_NE(s.window.frmSRC(), nullptr);
    EXPECT_EQ(s.window.frmSRC()->lines(), QStringList{"A00.0|Cholera"});
    EXPECT_EQ(s.window.sourceFilePath(), s.folder.path() + "/icd a.txt");
    for (const char* name : {"cmdScan", "cmdScanPH", "cmdLoadUpdate", "lstSourceFiles"})
        EXPECT_TRUE(control<QWidget>(s.window, name)->isEnabled()) << name;
    EXPECT_TRUE(shownText(s.window, "lblPhase").isEmpty());
    EXPECT_TRUE(s.seams.messages().isEmpty()) << s.seams.messages().join("/").toStdString();
}

TEST(ReportListView, cutCellsShowTheirTextAndABorderDoubleClickFitsTheColumn)
{
    orvex::gui::ReportListView view("lsvSameCodeDifDesc", {"Database", "Source File"}, nullptr);
    const QString longText = QString("A00.0 - ") + QString(60, 'x');
    view.rows()->append(orvex::reconcile::ResultRow{"B00 - Herpes", longText});
    view.resize(800, 300);
    view.header()->resizeSection(1, 60);
    view.show();
    const QRect cut = view.visualRect(view.rows()->index(0, 1));
    const QRect whole = view.visualRect(view.rows()->index(0, 0));
    EXPECT_EQ(view.cutTextAt(cut.center()), longText);
    EXPECT_EQ(view.cutTextAt(whole.center()), QString());

    emit view.header()->sectionHandleDoubleClicked(1);
    EXPECT_GE(view.header()->sectionSize(1), view.fontMetrics().horizontalAdvance(longText));
    EXPECT_EQ(view.cutTextAt(view.visualRect(view.rows()->index(0, 1)).center()), QString());
}

TEST(FrmSrc, everyLineShowsWhole)
{
    orvex::gui::FrmSrc frm;
    const QString longLine = QStringLiteral("O03.9|Spontaneous abortion, complete or unspecified, without "
                                            "complication|6,000|1,800|4,200");
    frm.setLines({"|MISCARRIAGE|||", longLine});
    frm.show();
    QListView* list2 = frm.list2();
    const QRect rect = list2->visualRect(list2->model()->index(1, 0));
    EXPECT_GE(rect.width(), list2->fontMetrics().horizontalAdvance(longLine));
    EXPECT_EQ(list2->textElideMode(), Qt::ElideNone);
}

TEST(FrmIcd, fileGoneSinceListingLeavesEverythingAsItWas)
{
    Shown s;
    writeFile(s.folder.path() + "/icd a.txt", "A00.0|Cholera\r\n");
    writeFile(s.folder.path() + "/icd b.txt", "B00.0|Herpes\r\n");
    s.window.fillSourceFiles();
    doubleClickSourceFile(s.window, 0);
    ASSERT_NE(s.window.frmSRC(), nullptr);
    ASSERT_EQ(s.window.frmSRC()->lines(), QStringList{"A00.0|Cholera"});

    ASSERT_TRUE(QFile::remove(s.folder.path() + "/icd b.txt"));
    doubleClickSourceFile(s.window, 1);
    ASSERT_EQ(s.seams.messages().size(), 1);
    EXPECT_TRUE(s.seams.messages().first().contains(QDir::toNativeSeparators(s.folder.path() + "/icd b.txt")))
        << s.seams.messages().first().toStdString();
    EXPECT_EQ(s.window.frmSRC()->lines(), QStringList{"A00.0|Cholera"});
    EXPECT_EQ(control<QLabel>(s.window, "lblSrc")->text(), QStringLiteral("Source File: icd a.txt"));
    EXPECT_EQ(s.window.sourceFilePath(), s.folder.path() + "/icd a.txt");
}

TEST(FrmIcd, doubleClickWithoutSelectionAsksForAFile)
{
    Shown s;
    writeFile(s.folder.path() + "/icd a.txt", "A00.0|Cholera\r\n");
    s.window.fillSourceFiles();
    doubleClickSourceFile(s.window, -1);
    EXPECT_EQ(s.seams.messages(), QStringList{"Select a file."});
    EXPECT_EQ(s.window.frmSRC(), nullptr);
    EXPECT_EQ(control<QLabel>(s.window, "lblSrc")->text(), QStringLiteral("Select Source File"));
}

TEST(FrmIcd, openOutputFolderOpensTheProgramFoldersOutput)
{
    Shown s;
    click(control<QWidget>(s.window, "cmdOpenFolder"));
    EXPECT_EQ(s.seams.openedFolders, QStringList{s.folder.path() + "/output"});
}

TEST(FrmIcd, openOutputFolderWithoutAFileBrowserNamesTheFolder)
{
    Shown s;
    s.seams.desktopOpens = false;
    click(control<QWidget>(s.window, "cmdOpenFolder"));
    ASSERT_EQ(s.seams.messages().size(), 1);
    EXPECT_TRUE(s.seams.messages().first().contains(QDir::toNativeSeparators(s.folder.path() + "/output")))
        << s.seams.messages().first().toStdString();
}

TEST(FrmIcd, closeButtonClosesBothWindows)
{
    Shown s;
    clickAndWait(control<QWidget>(s.window, "cmdLoadUpdate"));
    ASSERT_TRUE(s.window.frmSRC()->isVisible());
    click(control<QWidget>(s.window, "cmdClose"));
    EXPECT_FALSE(s.window.isVisible());
    EXPECT_FALSE(s.window.frmSRC()->isVisible());
}
