// Tab "Update 2024" driven like a user: the suffix controls and "Step 2. Create update
// scripts" with its two passes, stop, close and failures.
#include "caserates/UpdateRunJob.h"
#include "gui/FrmIcd.h"

#include "WindowTestSupport.h"
#include "gui/Twips.h"
#include "sampledb/SampleDatabases.h"
#include "support/ReviewPageRows.h"
#include "support/SmallDatabases.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace orvex;
using namespace orvex::test;
using gui::FrmIcd;

namespace {

struct UpdateWindow
{
    GuiSeams seams;
    TempProgramFolder folder;
    SmallDatabases dbs;
    std::unique_ptr<FrmIcd> window;

    UpdateWindow()
    {
        dbs.addPackage(QStringLiteral("7"), QStringLiteral("CHOLERA PKG"), 10000, 3000, 7000);
        dbs.addCaseRate(QStringLiteral("A00"), QStringLiteral("Cholera"), QStringLiteral("7"));
        writeList("ICD PH 2024.txt", "A00|CHOLERA|10,000|3,000|7,500\r\nA02|Salmonella|1|2|3\r\n"
                                     "A03|Shigellosis|1|2|3\r\n");
        writeList("ICD PH 2024_PROCEDURE.txt", "90000|New proc|5|6|7\r\n");
        window = std::make_unique<FrmIcd>(seams.services(), dbs.settings());
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void writeList(const char* name, const QByteArray& bytes)
    {
        writeBytes(folder.path() + QLatin1Char('/') + QLatin1String(name), bytes);
    }
    QWidget* widget(const char* name) const { return control<QWidget>(*window, name); }
    QString text(const char* name) const { return shownText(*window, name); }
    QString log() const { return control<QPlainTextEdit>(*window, "txtLog")->toPlainText(); }
    QByteArray output(const char* name) const { return readBytes(folder.outputFile(QLatin1String(name))); }
};

} // namespace

TEST(FrmIcdUpdate, testTableAndVersion2SetTheSuffixesAndTheFileName)
{
    GuiSeams seams;
    FrmIcd window{seams.services(), db::ConnectionSettings{}};
    auto* suffix = control<QLineEdit>(window, "txtCopySuffix");
    EXPECT_EQ(suffix->text(), QStringLiteral("_2_14_2024"));
    EXPECT_TRUE(suffix->toolTip().isEmpty());

    click(control<QWidget>(window, "chkTest"));
    EXPECT_EQ(suffix->text(), QStringLiteral("_TEST"));
    EXPECT_EQ(suffix->toolTip(), QStringLiteral("_TEST"));

    click(control<QWidget>(window, "optVer2"));
    EXPECT_EQ(control<QLineEdit>(window, "txtFileName")->text(), QStringLiteral("ICD PH 2024 v2"));
    EXPECT_EQ(suffix->text(), QStringLiteral("_05_03_2024"));
    EXPECT_EQ(suffix->toolTip(), QStringLiteral("_TEST")) << "the test suffix is not touched";

    click(control<QWidget>(window, "chkTest"));
    EXPECT_EQ(suffix->text(), QStringLiteral("_2_14_2024"));
    EXPECT_TRUE(suffix->toolTip().isEmpty());
}

TEST(FrmIcdUpdate, step1NamesTheCopiesItMadeAndThoseThatExistAlreadyAndRefusesABadSuffix)
{
    UpdateWindow u;
    auto* suffix = control<QLineEdit>(*u.window, "txtCopySuffix");
    auto type = [suffix](const QString& text) {
        suffix->setFocus();
        QTest::keyClick(suffix, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(suffix, text);
    };
    type(QStringLiteral("_2024]; drop table x --"));
    click(u.widget("cmdBackUPTables"));
    EXPECT_FALSE(u.window->isJobRunning()) << "refused before anything runs";
    ASSERT_EQ(u.seams.messages().size(), 1);
    EXPECT_TRUE(u.seams.messages()[0].contains(QLatin1String("No table was copied.")));

    type(QStringLiteral("_2024"));
    click(u.widget("cmdBackUPTables"));
    EXPECT_FALSE(u.widget("cmdProcess")->isEnabled());
    ASSERT_TRUE(waitForScanEnd(*u.window));
    const QString made = u.seams.messages().last();
    EXPECT_TRUE(
        made.startsWith(QLatin1String("Done. 3 copies made with the suffix _2024:\ntbMedPackage_2024: 1 row\n"
                                      "tbMed_MedicalCaseRates_2024: 1 row\ntbMed_Procedures_2024: ")))
        << made.toStdString();
    EXPECT_TRUE(made.contains(QLatin1String("\n\nAdded to the live tables: the ID column of tbMedPackage, ")))
        << made.toStdString();
    {
        auto connection = db::Connection::open(u.dbs.settings());
        QSqlQuery copied =
            connection->exec(QStringLiteral("select count(*) from Medicare.tbMedPackage_2024"));
        ASSERT_TRUE(copied.next());
        EXPECT_EQ(copied.value(0).toInt(), 1);
    }

    // The same suffix again: no fresh copies, and it says which exist, in plain words.
    u.dbs.addPackage(QStringLiteral("8"), QStringLiteral("TYPHOID PKG"), 1, 2, 3);
    click(u.widget("cmdBackUPTables"));
    ASSERT_TRUE(waitForScanEnd(*u.window));
    const QString again = u.seams.messages().last();
    EXPECT_TRUE(
        again.startsWith(QLatin1String("No copy was made with the suffix _2024.\nThese copies exist already "
                                       "with this suffix, from an earlier backup, and were kept as they "
                                       "were (type another suffix for new copies):\n"
                                       "tbMedPackage_2024: 1 row\ntbMed_MedicalCaseRates_2024: 1 row\n")))
        << again.toStdString();
    for (const char* sql : {"Statement", "SELECT", "select", "insert", "CREATE", "create"})
        EXPECT_FALSE(again.contains(QLatin1String(sql))) << sql << ": " << again.toStdString();
}

TEST(FrmIcdUpdate, step2WritesBothPassesShowsTheLastAndOpensLogAndScript)
{
    UpdateWindow u;
    click(u.widget("chkTest"));
    HoldScanAtLine hold(*u.window, 1);
    click(u.widget("cmdProcess"));
    ASSERT_TRUE(hold.waitUntilHeld());
    EXPECT_EQ(u.text("cmdProcess"), QStringLiteral("Stop"));
    EXPECT_TRUE(u.widget("cmdProcess")->isEnabled());
    for (const char* name : {"cmdScan", "cmdScanPH", "cmdBackUPTables", "txtFileName", "chkTest",
                             "cmdCreateNewPackage", "cmdCheckDuplicates"})
        EXPECT_FALSE(u.widget(name)->isEnabled()) << name;
    click(u.widget("cmdProcess")); // "Stop": ends the diagnosis pass after the held line
    ASSERT_TRUE(waitForScanEnd(*u.window));

    EXPECT_EQ(u.text("cmdProcess"), QStringLiteral("Step 2. Create update scripts"));
    EXPECT_TRUE(u.widget("cmdScan")->isEnabled());
    // Not "Done.": the closing message says what the stop left unread.
    ASSERT_EQ(u.seams.messages().size(), 1);
    EXPECT_TRUE(u.seams.messages()[0].startsWith(QStringLiteral("Stopped before the end:")))
        << u.seams.messages()[0].toStdString();
    EXPECT_TRUE(u.seams.messages()[0].endsWith(
        QStringLiteral("Not read:\n- lines 2 to 3 of \"ICD PH 2024.txt\": the diagnosis pass was stopped")))
        << u.seams.messages()[0].toStdString();
    EXPECT_EQ(u.seams.openedFolders, (QStringList{u.folder.outputFile(QStringLiteral("ICD Parser Log.txt")),
                                                  u.folder.outputFile(QStringLiteral("scriptPH.txt"))}));
    // The stop ended the diagnosis pass after its first line; the procedure pass ran whole
    // and is what the counters and lists show.
    const QByteArray script = u.output("script.txt");
    EXPECT_FALSE(script.contains("A02")) << script.toStdString();
    EXPECT_TRUE(script.contains("VALUES('90000'"));
    EXPECT_TRUE(u.output("scriptPH.txt").contains("[tbMedPackage_TEST] SET")) << "test mode";
    EXPECT_EQ(u.text("lblCount"), QStringLiteral("1"));
    EXPECT_EQ(u.text("lblNewPH"), QStringLiteral("1"));
    EXPECT_EQ(listRows(*u.window, "lsvNewCodePH").size(), 1u);
    EXPECT_TRUE(u.log().startsWith(QStringLiteral("\nDiagnosis/ICDCode\n"))) << u.log().toStdString();
    EXPECT_TRUE(u.log().endsWith(QStringLiteral("New Packages will need to be created manually\n"
                                                "Check script.txt for new package details/scripts.")));
}

TEST(FrmIcdUpdate, openReportShowsTheReviewPageOfTheLastRun)
{
    UpdateWindow u;
    EXPECT_FALSE(u.widget("cmdOpenReport")->isEnabled()) << "no run yet";
    click(u.widget("cmdProcess"));
    EXPECT_FALSE(u.widget("cmdOpenReport")->isEnabled()) << "while the run replaces the page";
    ASSERT_TRUE(waitForScanEnd(*u.window));
    ASSERT_TRUE(u.widget("cmdOpenReport")->isEnabled());
    const std::vector<test::ReviewPageRow> rows = test::reviewPageRows(u.output("report.html"));
    EXPECT_TRUE(
        std::any_of(rows.begin(), rows.end(), [](const test::ReviewPageRow& r) { return r.code == "A02"; }));
    u.seams.openedFolders.clear();
    click(u.widget("cmdOpenReport"));
    EXPECT_EQ(u.seams.openedFolders, QStringList{u.folder.outputFile(QStringLiteral("report.html"))});

    // A window opened later finds the page there.
    FrmIcd next(u.seams.services(), u.dbs.settings());
    auto* openReport = control<QWidget>(next, "cmdOpenReport");
    ASSERT_TRUE(openReport->isEnabled());
    u.seams.openedFolders.clear();
    click(openReport);
    EXPECT_EQ(u.seams.openedFolders, QStringList{u.folder.outputFile(QStringLiteral("report.html"))});
}

TEST(FrmIcdUpdate, filesTheDesktopCannotOpenAreNamedWithTheirFolder)
{
#if !defined(Q_OS_UNIX) || defined(Q_OS_MACOS)
    GTEST_SKIP() << "the desktop's own service is asked here";
#endif
    UpdateWindow u;
    QTemporaryDir launcherFolder;
    u.seams.useDesktopLauncher(
        writeDesktopLauncher(launcherFolder.path(), 3, "xdg-open: no method available for opening '$1'"));
    u.window = std::make_unique<FrmIcd>(u.seams.services(), u.dbs.settings());
    u.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(u.window.get()));
    const QString output = QDir::toNativeSeparators(u.folder.path() + QStringLiteral("/output"));
    const auto named = [&](const QString& message, const char* file) {
        return message.contains(QLatin1String(file)) && message.contains(output) &&
               message.contains(QLatin1String("no method available for opening"));
    };

    click(u.widget("cmdProcess"));
    ASSERT_TRUE(waitForScanEnd(*u.window));
    ASSERT_TRUE(processEventsUntil([&] {
        return u.seams.messages().filter(QLatin1String("No program could be started")).size() == 2;
    })) << u.seams.messages().join('\n').toStdString();
    const QStringList notOpened = u.seams.messages().filter(QLatin1String("No program could be started"));
    // The two launchers end in either order.
    for (const char* file : {"\"ICD Parser Log.txt\"", "\"scriptPH.txt\""})
        EXPECT_TRUE(
            std::any_of(notOpened.begin(), notOpened.end(), [&](const QString& m) { return named(m, file); }))
            << file << '\n'
            << notOpened.join('\n').toStdString();

    u.seams.clearShown();
    click(u.widget("cmdOpenReport"));
    ASSERT_TRUE(processEventsUntil([&] { return !u.seams.messages().isEmpty(); }));
    EXPECT_TRUE(u.seams.messages()[0].startsWith(
        QStringLiteral("No program could be started to show \"%1\". Open it in a web browser.")
            .arg(QDir::toNativeSeparators(u.folder.outputFile(QStringLiteral("report.html"))))))
        << u.seams.messages()[0].toStdString();
}

TEST(FrmIcdUpdate, closingTheWindowInTheFirstPassEndsTheRunThere)
{
    UpdateWindow u;
    HoldScanAtLine hold(*u.window, 1);
    click(u.widget("cmdProcess"));
    ASSERT_TRUE(hold.waitUntilHeld());
    EXPECT_TRUE(u.window->close());
    EXPECT_FALSE(u.window->isJobRunning());
    EXPECT_TRUE(u.seams.messages().isEmpty());
    EXPECT_TRUE(u.seams.openedFolders.isEmpty());
    EXPECT_FALSE(u.output("script.txt").contains("90000")) << "no procedure pass";
    // The report files were closed: they can be replaced at once.
    EXPECT_TRUE(QFile::remove(u.folder.outputFile(QStringLiteral("ICD Parser Log.txt"))));
}

TEST(FrmIcdUpdate, aMissingListIsAnApplicationErrorAndTheOtherPassStillRuns)
{
    UpdateWindow u;
    QFile::remove(u.folder.path() + QStringLiteral("/ICD PH 2024_PROCEDURE.txt"));
    click(u.widget("cmdProcess"));
    ASSERT_TRUE(waitForScanEnd(*u.window));
    const QStringList messages = u.seams.messages();
    ASSERT_EQ(messages.size(), 2) << messages.join('\n').toStdString();
    EXPECT_TRUE(messages[0].contains(QLatin1String("ICD PH 2024_PROCEDURE.txt")));
    // The run read one list of two: it says so instead of "Done.".
    EXPECT_TRUE(messages[1].startsWith("Not done: the run is incomplete")) << messages[1].toStdString();
    EXPECT_TRUE(messages[1].contains("ICD PH 2024_PROCEDURE.txt")) << messages[1].toStdString();
    EXPECT_TRUE(u.output("script.txt").contains("'A02'"));
    EXPECT_TRUE(u.widget("cmdProcess")->isEnabled());
}

// The README's picture of tab "Update 2024" after a run over both 2024 lists on the sample
// databases; saved into ORVEX_SCREENSHOT_DIR when it is set.
TEST(UpdateScreenshot, afterStep1AndStep2OnTheSampleDatabases)
{
    const QString pictures = qEnvironmentVariable("ORVEX_SCREENSHOT_DIR");
    if (pictures.isEmpty())
        GTEST_SKIP() << "set ORVEX_SCREENSHOT_DIR to make the README pictures";
    GuiSeams seams;
    TempProgramFolder folder;
    db::ConnectionSettings settings;
    settings.embeddedFolder = folder.path() + QStringLiteral("/db");
    sampledb::buildSampleDatabases(settings.embeddedFolder, false);
    for (const char* list : {"ICD PH 2024.txt", "ICD PH 2024_PROCEDURE.txt"})
        ASSERT_TRUE(QFile::copy(sourcePath(QStringLiteral("data/philhealth-caserates-2024/") + list),
                                folder.path() + QLatin1Char('/') + QLatin1String(list)));
    FrmIcd window(seams.services(), settings);
    window.resize(gui::Twips::of(&window).px(19650), gui::Twips::of(&window).px(12255));
    window.show();
    control<QTabWidget>(window, "SSTab1")->setCurrentIndex(4);
    click(control<QWidget>(window, "chkVerB"));
    click(control<QWidget>(window, "chkUpdateDesc"));
    click(control<QWidget>(window, "cmdBackUPTables"));
    ASSERT_TRUE(waitForScanEnd(window));
    click(control<QWidget>(window, "cmdProcess"));
    ASSERT_TRUE(waitForScanEnd(window));
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.grab().save(QDir(pictures).filePath(QStringLiteral("update-2024.png")), "PNG"));
}
