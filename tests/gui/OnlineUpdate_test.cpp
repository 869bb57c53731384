// Tab "Online Update" driven like a user: Check Online, then Update DB.
#include "WindowTestSupport.h"
#include "db/ActivityLog.h"
#include "db/SampleDatabases.h"
#include "gui/OnlineUpdateTab.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

using namespace orvex;
using namespace orvex::test;

TEST(OnlineUpdateTab, checkOnlineFillsTheGridAFailureKeepsItAndUpdateDbAppliesIt)
{
    GuiSeams seams;
    QTemporaryDir dir;
    db::buildSampleDatabases(dir.path(), false);
    seams.setSettingsFile(dir.filePath(QStringLiteral("settings.ini"))); // no saved profile
    db::ConnectionSettings settings;
    settings.embeddedFolder = dir.path();
    gui::FrmIcd window(seams.services(), settings);
    window.show();
    auto* wiring = window.findChild<gui::OnlineUpdateTab*>(QStringLiteral("onlineUpdate"));
    ASSERT_NE(wiring, nullptr);
    auto* grid = control<QTableWidget>(window, "GridU");
    control<QTabWidget>(window, "SSTab1")->setCurrentIndex(3);

    click(control<QPushButton>(window, "cmdCheckOnline"));
    for (const char* name : {"cmdUpdateDB", "cmdScanPH", "cmdProcess"}) // one job of the window at a time
        EXPECT_FALSE(control<QWidget>(window, name)->isEnabled()) << name;
    ASSERT_TRUE(processEventsUntil([wiring] { return !wiring->isRunning(); }));
    EXPECT_TRUE(control<QWidget>(window, "cmdUpdateDB")->isEnabled());
    EXPECT_TRUE(seams.messages().isEmpty()) << seams.messages().join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(grid->rowCount(), 663);
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), QStringLiteral("CODE"));
    EXPECT_EQ(grid->horizontalHeaderItem(5)->text(), QStringLiteral("ALLOWASPRIMARY"));
    EXPECT_FALSE(grid->item(0, 1)->text().isEmpty());

    // The central server is gone: its message, and the grid as it was.
    ASSERT_TRUE(
        QFile::rename(dir.filePath(QStringLiteral("central.db")), dir.filePath(QStringLiteral("gone.db"))));
    click(control<QPushButton>(window, "cmdCheckOnline"));
    ASSERT_TRUE(processEventsUntil([wiring] { return !wiring->isRunning(); }));
    ASSERT_EQ(seams.messages().size(), 1);
    EXPECT_TRUE(seams.messages()[0].contains(QLatin1String("central.db")))
        << seams.messages()[0].toStdString();
    EXPECT_EQ(grid->rowCount(), 663);

    // Update DB applies what the grid shows.
    seams.clearShown();
    click(control<QPushButton>(window, "cmdUpdateDB"));
    ASSERT_TRUE(processEventsUntil([wiring] { return !wiring->isRunning(); }));
    EXPECT_EQ(seams.messages(), QStringList{"Done. 638 added, 25 updated."});
    auto connection = db::Connection::open(settings);
    EXPECT_EQ(db::ActivityLog(*connection).last(0).size(), 663);
}
