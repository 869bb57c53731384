// The main window used from the keyboard: the log box, choosing a source file, buttons
// pressed with Return and the order Tab walks the controls in.
#include "gui/FrmIcd.h"
#include "gui/FrmSrc.h"

#include "YearListsWindow.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

using namespace orvex;
using namespace orvex::test;
using gui::FrmIcd;

namespace {

using KeyboardWindow = YearListsWindow;

} // namespace

TEST(WindowKeyboard, theLogBoxTakesNoTypingAndTabLeavesIt)
{
    KeyboardWindow k;
    auto* log = k.widget<QPlainTextEdit>("txtLog");
    ASSERT_NE(log, nullptr);
    QTest::mouseClick(log->viewport(), Qt::LeftButton);
    ASSERT_TRUE(log->hasFocus());
    QTest::keyClicks(log, QStringLiteral("A01.0 typed"));
    QTest::keyClick(log, Qt::Key_Return);
    QTest::keyClick(log, Qt::Key_Tab);
    EXPECT_FALSE(log->hasFocus()) << "Tab moves on";
    EXPECT_EQ(log->toPlainText(), QString());

    QTest::mouseClick(log->viewport(), Qt::LeftButton);
    QTest::keyClick(log, Qt::Key_Backtab);
    EXPECT_FALSE(log->hasFocus()) << "Shift+Tab moves back";
    EXPECT_EQ(log->toPlainText(), QString());

    // The next run starts from the box as the tool left it: only the run's own lines.
    click(k.widget("cmdProcess"));
    ASSERT_TRUE(waitForScanEnd(*k.window));
    EXPECT_TRUE(log->toPlainText().startsWith(QStringLiteral("\nDiagnosis/ICDCode\n")))
        << log->toPlainText().toStdString();
    EXPECT_FALSE(log->toPlainText().contains(QStringLiteral("typed")));
    EXPECT_FALSE(log->toPlainText().contains(QLatin1Char('\t')));
}

namespace {

// The controls Tab reaches from `start`, one round, by the objectName of the control (or
// of the control a focused part belongs to).
QStringList tabRound(QWidget* start)
{
    QStringList names;
    QWidget* at = start;
    for (int step = 0; step < 100; ++step) {
        QWidget* named = at;
        while (named && (named->objectName().isEmpty() || named->objectName().startsWith("qt_spinbox")))
            named = named->parentWidget();
        names.append(named ? named->objectName() : QStringLiteral("?"));
        QTest::keyClick(at, Qt::Key_Tab);
        at = QApplication::focusWidget();
        if (!at || at == start)
            break;
    }
    return names;
}

} // namespace

TEST(WindowKeyboard, tabFollowsTheVisualOrder)
{
    KeyboardWindow k;
    click(k.widget("cmdOpenFolder"));
    ASSERT_TRUE(k.widget("cmdOpenFolder")->hasFocus());
    EXPECT_EQ(tabRound(k.widget("cmdOpenFolder")), (QStringList{"cmdOpenFolder",
                                                                "cmdICDDLL",
                                                                "cmdClose",
                                                                "qt_tabwidget_tabbar",
                                                                "cmdBackUPTables",
                                                                "txtCopySuffix",
                                                                "chkTest",
                                                                "optVer2",
                                                                "chkVerB",
                                                                "cmdProcess",
                                                                "txtFileName",
                                                                "cboYear",
                                                                "txtSuffix",
                                                                "chkUpdateDesc",
                                                                "cmdUpdateMedPackage",
                                                                "txtUpdateMedPackage",
                                                                "cmdImportAnnex",
                                                                "cmdCreateNewPackage",
                                                                "txtICDSplit",
                                                                "Text1",
                                                                "cmdCreateNewPackageProc",
                                                                "txtRVSSplit",
                                                                "Text2",
                                                                "txtLog"}));
}

TEST(WindowKeyboard, tabOnTabIcdWalksTheScanThenTheSourceFilesThenTheList)
{
    KeyboardWindow k;
    auto* tabs = k.widget<QTabWidget>("SSTab1");
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(0).center());
    ASSERT_EQ(tabs->currentIndex(), 0);
    click(k.widget("cmdOpenFolder"));
    EXPECT_EQ(tabRound(k.widget("cmdOpenFolder")),
              (QStringList{"cmdOpenFolder", "cmdICDDLL", "cmdClose", "qt_tabwidget_tabbar", "cmdScan",
                           "lstSourceFiles", "lsvNewCode"}));
}

TEST(WindowKeyboard, returnSpaceAndKeypadEnterChooseTheSourceFileRow)
{
    KeyboardWindow k;
    for (const char* name : {"icd a.txt", "icd b.txt", "icd c.txt"})
        writeBytes(k.folder.path() + QLatin1Char('/') + QLatin1String(name), "A00.0|Cholera\r\n");
    k.window->fillSourceFiles();
    auto* tabs = k.widget<QTabWidget>("SSTab1");
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(0).center());
    click(k.widget("cmdScan")); // nothing chosen yet: "Select a file."
    k.seams.clearShown();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    auto* list = k.widget<QAbstractItemView>("lstSourceFiles");
    ASSERT_TRUE(list->hasFocus());

    // Tab into the list puts the first row in focus; Return chooses it, and the list keeps
    // the focus while the file loads.
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_TRUE(waitForScanEnd(*k.window)); // the list loads
    EXPECT_EQ(shownText(*k.window, "lblSrc"), QStringLiteral("Source File: icd a.txt"));
    EXPECT_TRUE(list->hasFocus());
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Space);
    ASSERT_TRUE(waitForScanEnd(*k.window)); // the list loads
    EXPECT_EQ(shownText(*k.window, "lblSrc"), QStringLiteral("Source File: icd b.txt"));
    EXPECT_EQ(k.window->sourceFilePath(), k.folder.path() + QStringLiteral("/icd b.txt"));
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_TRUE(waitForScanEnd(*k.window)); // the list loads
    EXPECT_EQ(shownText(*k.window, "lblSrc"), QStringLiteral("Source File: icd c.txt"));
    ASSERT_NE(k.window->frmSRC(), nullptr);
    EXPECT_EQ(k.window->frmSRC()->lines(), QStringList{"A00.0|Cholera"});
    EXPECT_TRUE(k.seams.messages().isEmpty()) << k.seams.messages().join("/").toStdString();
}

TEST(WindowKeyboard, returnAndKeypadEnterPressTheFocusedButton)
{
    KeyboardWindow k;
    auto* openFolder = k.widget("cmdOpenFolder");
    click(openFolder);
    ASSERT_TRUE(openFolder->hasFocus());
    QTest::keyClick(openFolder, Qt::Key_Return);
    QTest::keyClick(openFolder, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(k.seams.openedFolders.size(), 3);

    // A button reached with Tab: Step 2 starts on Return.
    click(k.widget("txtFileName"));
    QTest::keyClick(k.widget("txtFileName"), Qt::Key_Backtab);
    auto* process = k.widget("cmdProcess");
    ASSERT_TRUE(process->hasFocus());
    QTest::keyClick(process, Qt::Key_Return);
    EXPECT_TRUE(k.window->isJobRunning()) << "the run started";
    ASSERT_TRUE(waitForScanEnd(*k.window));
    EXPECT_TRUE(
        k.widget<QPlainTextEdit>("txtLog")->toPlainText().contains(QStringLiteral("Diagnosis/ICDCode")));
}
