// Pictures of the online update tab, the table browser and the code search for the README,
// made offscreen on the sample databases: saved into ORVEX_SCREENSHOT_DIR when it is set.
#include "WindowTestSupport.h"
#include "gui/FrmIcdSearch.h"
#include "gui/FrmTableBrowser.h"
#include "gui/OnlineUpdateTab.h"
#include "gui/Twips.h"
#include "sampledb/SampleDatabases.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

using namespace orvex;
using namespace orvex::test;

TEST(BridgesScreenshot, onlineUpdateTableBrowserAndCodeSearch)
{
    if (qEnvironmentVariableIsEmpty("ORVEX_SCREENSHOT_DIR"))
        GTEST_SKIP() << "set ORVEX_SCREENSHOT_DIR to make the README pictures";
    GuiSeams seams;
    QTemporaryDir dir;
    sampledb::buildSampleDatabases(dir.path(), false);
    seams.setSettingsFile(dir.filePath(QStringLiteral("settings.ini")));
    db::ConnectionSettings settings;
    settings.embeddedFolder = dir.path();
    gui::FrmIcd window(seams.services(), settings);
    const gui::Twips tw = gui::Twips::of(&window);
    window.resize(tw.px(19650), tw.px(12255));
    window.show();

    control<QTabWidget>(window, "SSTab1")->setCurrentIndex(3);
    click(control<QPushButton>(window, "cmdCheckOnline"));
    auto* wiring = window.findChild<gui::OnlineUpdateTab*>(QStringLiteral("onlineUpdate"));
    ASSERT_TRUE(processEventsUntil([wiring] { return !wiring->isRunning(); }));
    saveScreenshot(&window, QStringLiteral("online-update.png"));

    control<QTabWidget>(window, "SSTab1")->setCurrentIndex(2);
    click(control<QPushButton>(window, "cmdICD_0"));
    auto* browser = window.findChild<gui::FrmTableBrowser*>();
    ASSERT_NE(browser, nullptr);
    QTest::keyClicks(control<QLineEdit>(*browser, "txtFind"), QStringLiteral("typhoid"));
    click(control<QPushButton>(*browser, "cmdFind"));
    saveScreenshot(browser, QStringLiteral("table-browser.png"));
    browser->close();

    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<gui::FrmIcdSearch*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QTest::keyClicks(control<QLineEdit>(*dialog, "txtSearch"), QStringLiteral("fever typhoid"));
        ASSERT_TRUE(processEventsUntil([dialog] { return dialog->isLoaded(); }));
        saveScreenshot(dialog, QStringLiteral("code-search.png"));
        dialog->reject();
    });
    click(control<QPushButton>(window, "cmdICDDLL"));
}
