// The maintenance tools driven through the window: cloning, duplicates, the rate script.
#include "db/ActivityLog.h"
#include "support/SmallDatabases.h"
#include "support/TestPaths.h"

#include "WindowTestSupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>

using namespace orvex;
using gui::FrmIcd;

namespace {

int count(db::Connection& c, const QString& sql)
{
    QSqlQuery q = c.exec(sql);
    return q.next() ? q.value(0).toInt() : -1;
}

} // namespace

TEST(FrmIcdTools, cloneNamesTheNewPackageOnDoneAndTheCodeOnNotFound)
{
    test::GuiSeams seams;
    test::SmallDatabases dbs;
    dbs.addPackage("12", "Cholera", 9000, 2700, 6300);
    dbs.addCaseRate("A00.0", "Cholera", "12");
    dbs.addCaseRate("A00.1", "Cholera eltor", "12"); // the package is shared: A00.0 is split off
    FrmIcd window(seams.services(), dbs.settings());
    auto* box = test::control<QLineEdit>(window, "txtICDSplit");
    auto* button = test::control<QPushButton>(window, "cmdCreateNewPackage");

    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("A00.0"));
    test::click(button);
    EXPECT_FALSE(button->isEnabled()); // until the job has ended
    EXPECT_FALSE(test::control<QWidget>(window, "cmdScan")->isEnabled());
    ASSERT_TRUE(test::waitForScanEnd(window));
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(seams.messages(),
              QStringList{"Done. The ICD code \"A00.0\" has the new package 13, a copy of package 12."});
    EXPECT_TRUE(box->text().isEmpty());

    seams.clearShown();
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("Z99"));
    test::click(button);
    ASSERT_TRUE(test::waitForScanEnd(window));
    EXPECT_EQ(seams.messages(),
              QStringList{"Not Found. tbMed_MedicalCaseRates holds no case rate for the ICD code \"Z99\"."});
    EXPECT_EQ(box->text(), QStringLiteral("Z99"));

    auto connection = db::Connection::open(dbs.settings());
    EXPECT_EQ(count(*connection, QStringLiteral("select count(*) from Medicare.tbMedPackage")), 2);
}

TEST(FrmIcdTools, deleteDuplicatesAsksWithTheNumberAndDeletesOnlyOnYes)
{
    test::GuiSeams seams;
    test::SmallDatabases dbs;
    dbs.addIcd("D50", "First");
    dbs.addIcd("D50", "Second");
    dbs.addIcd("D50", "Third");
    FrmIcd window(seams.services(), dbs.settings());
    auto* button = test::control<QPushButton>(window, "cmdDeleteDuplicates");

    seams.queueAnswer(QMessageBox::No);
    test::click(button);
    ASSERT_TRUE(test::waitForScanEnd(window));
    ASSERT_EQ(seams.messages().size(), 1);
    EXPECT_TRUE(seams.messages()[0].startsWith(QLatin1String("Delete 2 duplicate rows from tbICDdiagMain?")));
    EXPECT_TRUE(seams.messages()[0].endsWith(QLatin1String(
        "The row each such code keeps:\nD50 (3 rows) keeps \"First\"; 2 rows with another description go")))
        << seams.messages()[0].toStdString();
    auto connection = db::Connection::open(dbs.settings());
    EXPECT_EQ(count(*connection, QStringLiteral("select count(*) from Build_FILE.tbICDdiagMain")), 3);

    seams.queueAnswer(QMessageBox::Yes);
    test::click(button);
    ASSERT_TRUE(test::processEventsUntil([&] { return seams.messages().size() == 3; }));
    EXPECT_EQ(seams.messages()[2], QStringLiteral("Done. 2 duplicate ICD rows deleted."));
    EXPECT_EQ(count(*connection, QStringLiteral("select count(*) from Build_FILE.tbICDdiagMain")), 1);
    EXPECT_EQ(db::ActivityLog(*connection).last(0).size(), 2);
}

TEST(FrmIcdTools, checkLogOpensTheActivityLogNewestFirstAndItsFilterNarrowsIt)
{
    test::GuiSeams seams;
    test::SmallDatabases dbs;
    dbs.addIcd("D50", "First");
    dbs.addIcd("D50", "Second");
    dbs.addIcd("F20", "Schizophrenia");
    dbs.addIcd("F20", "Schizophrenia");
    FrmIcd window(seams.services(), dbs.settings());

    test::click(test::control<QPushButton>(window, "cmdCheckDuplicates"));
    auto* log = window.findChild<QWidget*>(QStringLiteral("frmActivityLog"));
    ASSERT_TRUE(test::processEventsUntil([&] {
        log = window.findChild<QWidget*>(QStringLiteral("frmActivityLog"));
        return log && log->isVisible();
    }));
    EXPECT_EQ(seams.messages(), QStringList{"Check log."});
    auto* grid = test::control<QTableView>(*log, "grdActivityLog");
    const auto textAt = [grid](int row) { return grid->model()->index(row, 3).data().toString(); };
    ASSERT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(textAt(0), QStringLiteral("F20 Schizophrenia 2")); // newest first
    EXPECT_EQ(textAt(1), QStringLiteral("D50 Second 2"));
    EXPECT_EQ(test::shownText(*log, "lblLogCount"), QStringLiteral("2 entries"));

    auto* filter = test::control<QLineEdit>(*log, "txtLogFilter");
    filter->setFocus();
    QTest::keyClicks(filter, QStringLiteral("d50"));
    ASSERT_EQ(grid->model()->rowCount(), 1);
    EXPECT_EQ(textAt(0), QStringLiteral("D50 Second 2"));
    EXPECT_EQ(test::shownText(*log, "lblLogCount"), QStringLiteral("1 of 2 entries"));

    // The button reads the log afresh: the delete's lines come first.
    seams.queueAnswer(QMessageBox::Yes);
    test::click(test::control<QPushButton>(window, "cmdDeleteDuplicates"));
    ASSERT_TRUE(test::processEventsUntil([&] { return seams.messages().size() == 3; }));
    test::click(test::control<QPushButton>(window, "cmdActivityLog"));
    ASSERT_TRUE(test::processEventsUntil([&] { return grid->model()->rowCount() == 2; }));
    EXPECT_TRUE(
        textAt(0).startsWith(QLatin1String("Duplicate ICD row deleted from tbICDdiagMain: code \"D50\"")))
        << textAt(0).toStdString();
    EXPECT_EQ(test::shownText(*log, "lblLogCount"), QStringLiteral("2 of 4 entries"));

    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_FALSE(log->isVisible());
}

TEST(FrmIcdTools, theIcdTablesAreNeitherBrowsedNorSearchedWhileTheDeleteWritesThem)
{
    test::GuiSeams seams;
    test::SmallDatabases dbs;
    dbs.addIcd("D50", "First");
    dbs.addIcd("D50", "Second");
    FrmIcd window(seams.services(), dbs.settings());
    test::click(test::control<QPushButton>(window, "cmdICD_0"));
    auto* browser = test::control<QWidget>(window, "frmTableBrowser");
    ASSERT_NE(browser, nullptr);
    const std::vector<QWidget*> icdControls{test::control<QWidget>(window, "cmdICD_0"),
                                            test::control<QWidget>(window, "cmdICD_3"),
                                            test::control<QWidget>(window, "cmdICDDLL"), browser};

    test::click(test::control<QPushButton>(window, "cmdCheckDuplicates")); // reads only
    for (QWidget* w : icdControls)
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString() << " while the check runs";
    ASSERT_TRUE(test::processEventsUntil([&] { return window.findChild<QWidget*>("frmActivityLog"); }));
    ASSERT_TRUE(test::waitForScanEnd(window));

    // Another writer holds the tables, so the delete waits for them with its controls off.
    auto writer = db::Connection::open(dbs.settings());
    writer->exec(QStringLiteral("begin immediate"));
    seams.queueAnswer(QMessageBox::Yes);
    test::click(test::control<QPushButton>(window, "cmdDeleteDuplicates"));
    ASSERT_TRUE(test::processEventsUntil([&] { return seams.messages().size() == 2; }));
    EXPECT_TRUE(window.isJobRunning());
    for (QWidget* w : icdControls)
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString() << " while the delete runs";
    writer->exec(QStringLiteral("rollback"));
    ASSERT_TRUE(test::waitForScanEnd(window));
    EXPECT_EQ(seams.messages().last(), QStringLiteral("Done. 1 duplicate ICD rows deleted."));
    for (QWidget* w : icdControls)
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString() << " after the delete";
}

TEST(FrmIcdTools, packageRatesShowTheFactorRefuseABadYearAndOpenTheScript)
{
    test::GuiSeams seams;
    test::TempProgramFolder program;
    test::SmallDatabases dbs;
    dbs.addPackage("1", "ONE", 1000, 300, 700);
    FrmIcd window(seams.services(), dbs.settings());
    auto* percent = test::control<QLineEdit>(window, "txtUpdateMedPackage");
    auto* factor = test::control<QLabel>(window, "lblUpdateMedPackageFactor");
    EXPECT_EQ(factor->text(), QStringLiteral("= +30 %"));
    percent->setText(QStringLiteral("5"));
    EXPECT_EQ(factor->text(), QStringLiteral("= +50 %"));

    test::control<QComboBox>(window, "cboYear")->setEditText(QStringLiteral("]; drop table x --"));
    test::click(test::control<QPushButton>(window, "cmdUpdateMedPackage"));
    ASSERT_TRUE(test::waitForScanEnd(window));
    ASSERT_EQ(seams.messages().size(), 1);
    EXPECT_TRUE(seams.messages()[0].contains(QLatin1String("cannot be part of a table name")));

    test::control<QComboBox>(window, "cboYear")->setEditText(QStringLiteral("2023"));
    test::click(test::control<QPushButton>(window, "cmdUpdateMedPackage"));
    ASSERT_TRUE(test::waitForScanEnd(window));
    const QString script = program.outputFile(QStringLiteral("UpdatePackageRates.txt"));
    EXPECT_EQ(seams.openedFolders, QStringList{script});
    EXPECT_EQ(seams.messages().last(), QStringLiteral("Done."));
    EXPECT_TRUE(test::readBytes(script).startsWith(
        "UPDATE [Medicare].[dbo].[tbMedPackage2023] SET Amount = '1500',"));
}
