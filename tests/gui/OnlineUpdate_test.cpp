// Tab "Online Update" driven like a user: Check Online, then Update DB.
#include "WindowTestSupport.h"
#include "apply/UndoApply.h"
#include "db/ActivityLog.h"
#include "gui/OnlineUpdateTab.h"
#include "sampledb/SampleDatabases.h"
#include "support/SmallDatabases.h"
#include "support/TestPaths.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

using namespace orvex;
using namespace orvex::test;

TEST(OnlineUpdateTab, checkOnlineFillsTheGridAFailureKeepsItAndUpdateDbAppliesIt)
{
    GuiSeams seams;
    TempProgramFolder program; // the undo file goes to its output folder
    QTemporaryDir dir;
    sampledb::buildSampleDatabases(dir.path(), false);
    seams.setSettingsFile(dir.filePath(QStringLiteral("settings.ini"))); // no saved profile
    db::ConnectionSettings settings;
    settings.embeddedFolder = dir.path();
    gui::FrmIcd window(seams.services(), settings);
    window.show();
    auto* wiring = window.findChild<gui::OnlineUpdateTab*>(QStringLiteral("onlineUpdate"));
    ASSERT_NE(wiring, nullptr);
    auto* grid = control<QTableWidget>(window, "GridU");
    control<QTabWidget>(window, "SSTab1")->setCurrentIndex(3);

    // Before "Check Online" the grid is empty: nothing to ask about, nothing changed.
    click(control<QPushButton>(window, "cmdUpdateDB"));
    ASSERT_TRUE(processEventsUntil([wiring] { return !wiring->isRunning(); }));
    EXPECT_EQ(seams.messages(),
              QStringList{"Nothing to change: the grid holds no rows. Click \"Check Online\" first."});
    seams.clearShown();

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
    for (int c = 0; c < grid->columnCount(); ++c) // every heading shows whole
        EXPECT_GE(grid->horizontalHeader()->sectionSize(c), grid->horizontalHeader()->sectionSizeHint(c))
            << grid->horizontalHeaderItem(c)->text().toStdString();

    // The central server is gone: its message, and the grid as it was.
    ASSERT_TRUE(
        QFile::rename(dir.filePath(QStringLiteral("central.db")), dir.filePath(QStringLiteral("gone.db"))));
    click(control<QPushButton>(window, "cmdCheckOnline"));
    ASSERT_TRUE(processEventsUntil([wiring] { return !wiring->isRunning(); }));
    ASSERT_EQ(seams.messages().size(), 1);
    EXPECT_TRUE(seams.messages()[0].contains(QLatin1String("central.db")))
        << seams.messages()[0].toStdString();
    EXPECT_EQ(grid->rowCount(), 663);

    // Update DB asks first, naming the counts and the central server; No changes nothing.
    seams.clearShown();
    auto connection = db::Connection::open(settings);
    const QStringList before = test::columnValues(
        *connection,
        QStringLiteral("select CODE || '|' || Description from Build_FILE.tbICDdiagMain order by rowid"));
    click(control<QPushButton>(window, "cmdUpdateDB"));
    ASSERT_TRUE(processEventsUntil([wiring] { return !wiring->isRunning(); }));
    ASSERT_EQ(seams.messages().size(), 1);
    const QString question = seams.messages()[0];
    EXPECT_TRUE(
        question.startsWith(QStringLiteral("Update tbICDdiagMain from the central server ")) &&
        question.contains(QLatin1String("central.db")) &&
        question.contains(QLatin1String("It adds 638 new codes and replaces the description of 25 codes.")))
        << question.toStdString();
    EXPECT_TRUE(db::ActivityLog(*connection).last(0).isEmpty());

    // Yes applies what the grid shows, and the undo file is offered.
    seams.clearShown();
    seams.queueAnswer(QMessageBox::Yes);
    click(control<QPushButton>(window, "cmdUpdateDB"));
    ASSERT_TRUE(processEventsUntil([wiring] { return !wiring->isRunning(); }));
    const QString undoFile = apply::lastUndoFile(program.path() + QStringLiteral("/output"));
    ASSERT_FALSE(undoFile.isEmpty());
    EXPECT_EQ(
        seams.messages(),
        (QStringList{question, QStringLiteral("Done. 638 added, 25 updated.\n\n\"Undo last apply\" on tab "
                                              "\"Update 2024\" takes it back (%1).")
                                   .arg(QDir::toNativeSeparators(undoFile))}));
    EXPECT_EQ(db::ActivityLog(*connection).last(0).size(),
              663 + 2); // the changes, the update and its undo file
    EXPECT_NE(test::columnValues(*connection, QStringLiteral("select CODE || '|' || Description from "
                                                             "Build_FILE.tbICDdiagMain order by rowid")),
              before);

    // "Undo last apply" takes it back exactly.
    auto* tabs = control<QTabWidget>(window, "SSTab1");
    for (int i = 0; i < tabs->count(); ++i)
        if (tabs->tabText(i).remove(QLatin1Char('&')) == QLatin1String("Update 2024"))
            tabs->setCurrentIndex(i);
    auto* undo = control<QPushButton>(window, "cmdUndoApply");
    ASSERT_TRUE(undo->isVisible() && undo->isEnabled());
    seams.clearShown();
    seams.queueAnswer(QMessageBox::Yes);
    click(undo);
    ASSERT_TRUE(processEventsUntil([wiring] { return !wiring->isRunning(); }));
    ASSERT_EQ(seams.messages().size(), 2) << seams.messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(seams.messages()[1].startsWith(QLatin1String("Undone: run ")))
        << seams.messages()[1].toStdString();
    EXPECT_EQ(test::columnValues(*connection, QStringLiteral("select CODE || '|' || Description from "
                                                             "Build_FILE.tbICDdiagMain order by rowid")),
              before);
    EXPECT_FALSE(undo->isEnabled());
}

namespace {

// Answers the central server dialog, once it is shown modally, as a user would: the SQL
// Server choice with `server` typed, or the embedded one (`server` empty), then OK.
void answerCentralServerDialog(const QString& server)
{
    auto answer = std::make_shared<std::function<void()>>();
    *answer = [server, answer] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != QLatin1String("dlgCentralServer")) {
            QTimer::singleShot(10, *answer);
            return;
        }
        click(control<QWidget>(*dialog, server.isEmpty() ? "optEmbedded" : "optSqlServer"));
        if (!server.isEmpty()) {
            auto* edit = control<QLineEdit>(*dialog, "txtServer");
            edit->selectAll();
            QTest::keyClicks(edit, server);
        }
        click(control<QDialogButtonBox>(*dialog, "buttons")->button(QDialogButtonBox::Ok));
    };
    QTimer::singleShot(0, *answer);
}

} // namespace

// Another central server empties the grid: its rows would be applied in the new server's
// name. lblGridSource names the server the rows came from, or the one that will be read.
TEST(OnlineUpdateTab, switchingTheCentralServerEmptiesTheGridAndTheLabelNamesTheSource)
{
    GuiSeams seams;
    TempProgramFolder program;
    QTemporaryDir dir;
    sampledb::buildSampleDatabases(dir.path(), false);
    seams.setSettingsFile(dir.filePath(QStringLiteral("settings.ini")));
    db::ConnectionSettings settings;
    settings.embeddedFolder = dir.path();
    gui::FrmIcd window(seams.services(), settings);
    window.show();
    auto* wiring = window.findChild<gui::OnlineUpdateTab*>(QStringLiteral("onlineUpdate"));
    auto* grid = control<QTableWidget>(window, "GridU");
    auto* source = control<QLabel>(window, "lblGridSource");
    control<QTabWidget>(window, "SSTab1")->setCurrentIndex(3);
    EXPECT_TRUE(source->isVisible());
    EXPECT_TRUE(source->text().startsWith(QStringLiteral("No rows yet"))) << source->text().toStdString();

    click(control<QPushButton>(window, "cmdCheckOnline"));
    ASSERT_TRUE(processEventsUntil([wiring] { return !wiring->isRunning(); }));
    ASSERT_EQ(grid->rowCount(), 663);
    const QString central = QDir::toNativeSeparators(QDir(dir.path()).filePath(QStringLiteral("central.db")));
    EXPECT_EQ(source->text(), QStringLiteral("663 rows of the central server \"%1\".").arg(central));

    answerCentralServerDialog(QStringLiteral("sql99.ward.local"));
    click(control<QPushButton>(window, "cmdCentralServer"));
    EXPECT_EQ(grid->rowCount(), 0);
    EXPECT_EQ(grid->columnCount(), 0);
    EXPECT_EQ(source->text(), QStringLiteral("No rows: the central server is now sql99.ward.local. \"Check "
                                             "Online\" reads its update table."));
    click(control<QPushButton>(window, "cmdUpdateDB"));
    ASSERT_TRUE(processEventsUntil([wiring] { return !wiring->isRunning(); }));
    EXPECT_EQ(seams.messages(),
              QStringList{"Nothing to change: the grid holds no rows. Click \"Check Online\" first."});

    // Back to the embedded server: read again, named again.
    answerCentralServerDialog(QString());
    click(control<QPushButton>(window, "cmdCentralServer"));
    EXPECT_TRUE(source->text().contains(central)) << source->text().toStdString();
    click(control<QPushButton>(window, "cmdCheckOnline"));
    ASSERT_TRUE(processEventsUntil([wiring] { return !wiring->isRunning(); }));
    EXPECT_EQ(grid->rowCount(), 663);
    EXPECT_EQ(source->text(), QStringLiteral("663 rows of the central server \"%1\".").arg(central));

    // The same server chosen again keeps the rows it gave.
    answerCentralServerDialog(QString());
    click(control<QPushButton>(window, "cmdCentralServer"));
    EXPECT_EQ(grid->rowCount(), 663);
}
