// Pictures of the activity log, the sign-in dialog and a scan in its comparing phase for
// the README, made offscreen on the sample databases: saved into ORVEX_SCREENSHOT_DIR when
// it is set.
#include "WindowTestSupport.h"
#include "gui/FrmSrc.h"
#include "gui/SignInDialog.h"
#include "gui/Twips.h"
#include "reconcile/ScanJob.h"
#include "sampledb/SampleDatabases.h"
#include "support/TestPaths.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>

using namespace orvex;
using namespace orvex::test;

namespace {
bool screenshotsWanted()
{
    return !qEnvironmentVariableIsEmpty("ORVEX_SCREENSHOT_DIR");
}
} // namespace

TEST(DialogsScreenshot, activityLogAfterCheckDuplicatesFiltered)
{
    if (!screenshotsWanted())
        GTEST_SKIP() << "set ORVEX_SCREENSHOT_DIR to make the README pictures";
    GuiSeams seams;
    QTemporaryDir dir;
    sampledb::buildSampleDatabases(dir.path(), false);
    seams.setSettingsFile(dir.filePath(QStringLiteral("settings.ini")));
    db::ConnectionSettings settings;
    settings.embeddedFolder = dir.path();
    gui::FrmIcd window(seams.services(), settings);
    window.show();

    control<QTabWidget>(window, "SSTab1")->setCurrentIndex(2);
    click(control<QPushButton>(window, "cmdCheckDuplicates"));
    QWidget* log = nullptr;
    ASSERT_TRUE(processEventsUntil([&] {
        log = window.findChild<QWidget*>(QStringLiteral("frmActivityLog"));
        return log && log->isVisible() && !window.isJobRunning();
    }));
    auto* filter = control<QLineEdit>(*log, "txtLogFilter");
    filter->setFocus();
    QTest::keyClicks(filter, QStringLiteral("D50"));
    ASSERT_GT(control<QTableView>(*log, "grdActivityLog")->model()->rowCount(), 0);
    saveScreenshot(log, QStringLiteral("activity-log.png"));
}

TEST(DialogsScreenshot, signInWithTrustedServerCertificate)
{
    if (!screenshotsWanted())
        GTEST_SKIP() << "set ORVEX_SCREENSHOT_DIR to make the README pictures";
    db::SqlServerProfile ward;
    ward.name = QStringLiteral("Ward");
    ward.server = QStringLiteral("sql01\\HIS");
    ward.user = QStringLiteral("kestra");
    gui::SignInDialog dialog({ward});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    click(control<QRadioButton>(dialog, "optSqlServer"));
    auto* encrypt = control<QComboBox>(dialog, "cboEncrypt");
    encrypt->setFocus();
    QTest::keyClick(encrypt, Qt::Key_Y); // "yes"
    ASSERT_EQ(encrypt->currentText(), QStringLiteral("yes"));
    auto* trust = control<QCheckBox>(dialog, "chkTrustServerCertificate");
    if (!trust->isChecked())
        click(trust);
    ASSERT_TRUE(trust->isChecked());
    ASSERT_TRUE(control<QLabel>(dialog, "lblCertificateWarning")->isVisible());
    auto* password = control<QLineEdit>(dialog, "txtPassword");
    password->setFocus();
    QTest::keyClicks(password, QStringLiteral("secret"));
    saveScreenshot(&dialog, QStringLiteral("sign-in.png"));
}

TEST(DialogsScreenshot, scanHeldWhileComparingShowsItsPhase)
{
    if (!screenshotsWanted())
        GTEST_SKIP() << "set ORVEX_SCREENSHOT_DIR to make the README pictures";
    GuiSeams seams;
    TempProgramFolder folder;
    db::ConnectionSettings settings;
    settings.embeddedFolder = folder.path() + QStringLiteral("/db");
    sampledb::buildSampleDatabases(settings.embeddedFolder, false);
    gui::FrmIcd window(seams.services(), settings);
    const gui::Twips tw = gui::Twips::of(&window);
    window.resize(tw.px(19650), tw.px(12255));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    clickAndWait(control<QWidget>(window, "cmdLoadUpdate"));
    window.frmSRC()->hide();
    control<QTabWidget>(window, "SSTab1")->setCurrentIndex(1);
    const QString comparing = reconcile::phaseCaption(reconcile::ScanPhase::Comparing, false);
    HoldScanAtLine hold(window, 2000, comparing);
    click(control<QWidget>(window, "cmdScanPH"));
    ASSERT_TRUE(hold.waitUntilHeld());
    ASSERT_TRUE(processEventsUntil([&] {
        return shownText(window, "lblPhase") == comparing && shownText(window, "lblCount").toInt() == 2000;
    }));
    saveScreenshot(&window, QStringLiteral("scan-phase.png"));

    click(control<QWidget>(window, "cmdScanPH")); // "Stop"
    ASSERT_TRUE(waitForScanEnd(window));
}
