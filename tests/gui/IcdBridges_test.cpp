// The ICD table browser and the code search, driven from the window like a user.
#include "WindowTestSupport.h"
#include "db/ActivityLog.h"
#include "gui/BrowseComponents.h"
#include "gui/FrmIcdSearch.h"
#include "gui/FrmTableBrowser.h"
#include "support/SmallDatabases.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>

using namespace orvex;
using namespace orvex::test;

namespace {

class RecordingComponents : public gui::BrowseComponents
{
public:
    explicit RecordingComponents(QStringList& calls) : m_calls(calls) {}
    void Connect(const gui::BrowseDatabase&) override { m_calls << QStringLiteral("Connect"); }
    void newbrowse(const gui::BrowseRequest& r) override
    {
        m_calls << QStringLiteral("newbrowse %1 %2 %3 %4 %5 %6 find-first=%7 edit=%8 add=%9 delete=%10")
                       .arg(r.PropTable, r.PropDatabaseName, r.PropOperation, r.PropFieldList,
                            r.PropFieldSizes, r.propfindfield1 + QLatin1Char('/') + r.propfindfield2)
                       .arg(r.propfindbeforelisting)
                       .arg(r.StaffAllowEdit)
                       .arg(r.StaffAllowadd)
                       .arg(r.StaffAllowDelete);
    }

private:
    QStringList& m_calls;
};

gui::FrmTableBrowser* openBrowser()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* browser = qobject_cast<gui::FrmTableBrowser*>(w); browser && browser->isVisible())
            return browser;
    return nullptr;
}

QStringList column(const QTableView* grid, int c)
{
    QStringList values;
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        values << grid->model()->index(r, c).data().toString();
    return values;
}

class IcdBridges : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_db.exec(QStringLiteral("Build_FILE"),
                  QStringLiteral("insert into tbIcdDiagChapter (code, Description) values "
                                 "('I', 'Certain infectious and parasitic diseases'), ('II', 'Neoplasms'), "
                                 "('IX', 'Diseases of the circulatory system')"));
        m_db.addIcd(QStringLiteral("A01.0"), QStringLiteral("Typhoid fever"));
        m_db.addIcd(QStringLiteral("A01"), QStringLiteral("Typhoid and paratyphoid fevers"));
        m_db.addIcd(QStringLiteral("A00"), QStringLiteral("Cholera"));
        m_window = std::make_unique<gui::FrmIcd>(m_seams.services(), m_db.settings());
        m_window->show();
    }
    void TearDown() override
    {
        if (gui::FrmTableBrowser* browser = openBrowser())
            browser->close();
        m_window.reset();
    }

    QStringList log()
    {
        auto connection = db::Connection::open(m_db.settings());
        QStringList lines;
        for (const db::ActivityLogEntry& e : db::ActivityLog(*connection).last(0))
            lines << e.text;
        return lines;
    }

    GuiSeams m_seams;
    SmallDatabases m_db;
    std::unique_ptr<gui::FrmIcd> m_window;
};

} // namespace

TEST(TableBrowserBridge, initialisesOnceAndSaysSoWhenTheComponentsAreMissing)
{
    GuiSeams seams;
    QWidget window;
    QStringList calls;
    int created = 0;
    gui::TableBrowserBridge bridge(
        &window, seams.services(), [] { return gui::BrowseDatabase{}; },
        [&] {
            ++created;
            return std::make_unique<RecordingComponents>(calls);
        });
    bridge.OpenTableBrowser(QStringLiteral("tbIcdDiagChapter"));
    bridge.OpenTableBrowser(QStringLiteral("tbICDDiagMain"));
    EXPECT_EQ(created, 1);
    EXPECT_EQ(calls, (QStringList{"Connect",
                                  "newbrowse tbIcdDiagChapter BUILD_FILE AEDF code,Description 1200,3000 "
                                  "code/Description find-first=1 edit=1 add=1 delete=0",
                                  "newbrowse tbICDDiagMain BUILD_FILE AEDF code,Description 1200,3000 "
                                  "code/Description find-first=1 edit=1 add=1 delete=0"}));

    gui::TableBrowserBridge missing(
        &window, seams.services(), [] { return gui::BrowseDatabase{}; },
        [] { return std::unique_ptr<gui::BrowseComponents>(); });
    missing.OpenTableBrowser(QStringLiteral("tbIcdDiag3Code"));
    missing.OpenTableBrowser(QStringLiteral("tbIcdDiag3Code"));
    EXPECT_FALSE(missing.initialised());
    EXPECT_EQ(seams.messages(),
              (QStringList{"KestraMain and  Kestra DLLS.", "KestraMain and  Kestra DLLS."}));
}

TEST_F(IcdBridges, aTableOpensAfterAFindAndAnEditOrAdditionIsSavedAndLogged)
{
    click(control<QPushButton>(*m_window, "cmdICD_1"));
    gui::FrmTableBrowser* browser = openBrowser();
    ASSERT_NE(browser, nullptr);
    auto* grid = control<QTableView>(*browser, "grdBrowse");
    EXPECT_EQ(grid->model()->rowCount(), 0); // find before listing

    QTest::keyClicks(control<QLineEdit>(*browser, "txtFind"), QStringLiteral("diseases"));
    click(control<QPushButton>(*browser, "cmdFind"));
    EXPECT_EQ(column(grid, 0), (QStringList{"I", "IX"}));

    // Edit in place: double-click the description, type, Enter.
    const QModelIndex cell = grid->model()->index(1, 1);
    grid->setCurrentIndex(cell);
    grid->edit(cell);
    auto* editor = grid->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("Diseases of the circulatory system (I00-I99)"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the view commits the editor's text queued
    EXPECT_EQ(column(grid, 1).value(1), QStringLiteral("Diseases of the circulatory system (I00-I99)"));

    QTest::keyClicks(control<QLineEdit>(*browser, "txtNewCode"), QStringLiteral("XXII"));
    QTest::keyClicks(control<QLineEdit>(*browser, "txtNewDescription"),
                     QStringLiteral("Codes for special purposes"));
    click(control<QPushButton>(*browser, "cmdAdd"));
    EXPECT_TRUE(m_seams.messages().isEmpty()) << m_seams.messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(log(),
              (QStringList{"Edited tbIcdDiagChapter row \"IX\" \"Diseases of the circulatory system\" to "
                           "\"IX\" \"Diseases of the circulatory system (I00-I99)\"",
                           "Added to tbIcdDiagChapter row \"XXII\" \"Codes for special purposes\""}));

    // A change the database refuses: its message, and the row as it was.
    m_db.exec(QStringLiteral("Build_FILE"),
              QStringLiteral("create trigger refuse before update on tbIcdDiagChapter "
                             "begin select raise(abort, 'chapters are locked'); end"));
    EXPECT_FALSE(grid->model()->setData(grid->model()->index(0, 1), QStringLiteral("changed"), Qt::EditRole));
    ASSERT_EQ(m_seams.messages().size(), 1);
    EXPECT_TRUE(m_seams.messages()[0].contains(QLatin1String("chapters are locked")));
    EXPECT_EQ(column(grid, 1).value(0), QStringLiteral("Certain infectious and parasitic diseases"));
    EXPECT_EQ(log().size(), 2);
}

TEST_F(IcdBridges, theCodeSearchFindsByWordsAndShowsTheChosenCode)
{
    QStringList seen;
    auto drive = [&seen](const QString& typed, bool choose) {
        QTimer::singleShot(0, [&seen, typed, choose] {
            auto* dialog = qobject_cast<gui::FrmIcdSearch*>(QApplication::activeModalWidget());
            if (!dialog) {
                ADD_FAILURE() << "no search dialog";
                return;
            }
            QTest::keyClicks(control<QLineEdit>(*dialog, "txtSearch"), typed);
            const auto* results = control<QTreeWidget>(*dialog, "lsvResults");
            seen.clear();
            for (int i = 0; i < results->topLevelItemCount(); ++i)
                seen << results->topLevelItem(i)->text(0);
            if (choose)
                QTest::keyClick(control<QLineEdit>(*dialog, "txtSearch"), Qt::Key_Return);
            else
                dialog->reject();
        });
    };
    drive(QStringLiteral("fever typhoid"), true);
    click(control<QPushButton>(*m_window, "cmdICDDLL"));
    EXPECT_EQ(seen, (QStringList{"A01.0", "A01"}));
    EXPECT_EQ(m_seams.messages(), QStringList{"A01.0 - Typhoid fever"});

    drive(QStringLiteral("%_'"), false);
    click(control<QPushButton>(*m_window, "cmdICDDLL"));
    EXPECT_TRUE(seen.isEmpty());
    EXPECT_EQ(m_seams.messages().size(), 1); // cancelled: no message
}

// The browser lists 2,000 rows at a time and says how many the find gives and how many
// are listed; scrolling to the end lists the rest.
TEST_F(IcdBridges, theBrowserListsTwoThousandRowsAPageAndCountsTheRows)
{
    m_db.exec(QStringLiteral("Build_FILE"),
              QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < 2345) "
                             "insert into tbICDdiagMain (CODE, Description, ALLOWASPRIMARY) "
                             "select printf('Z%04d', i), 'Made-up code ' || i, 1 from n"));
    click(control<QPushButton>(*m_window, "cmdICD_0"));
    gui::FrmTableBrowser* browser = openBrowser();
    ASSERT_NE(browser, nullptr);
    auto* grid = control<QTableView>(*browser, "grdBrowse");
    auto* rowCount = control<QLabel>(*browser, "lblRowCount");
    ASSERT_NE(rowCount, nullptr);
    EXPECT_EQ(rowCount->text(), QString()) << "nothing found yet";

    // Every row, found from the keyboard: Tab to "Find", Return.
    browser->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(browser));
    QTest::keyClick(control<QLineEdit>(*browser, "txtFind"), Qt::Key_Tab);
    auto* cmdFind = control<QPushButton>(*browser, "cmdFind");
    ASSERT_TRUE(cmdFind->hasFocus());
    QTest::keyClick(cmdFind, Qt::Key_Return);
    EXPECT_EQ(grid->model()->rowCount(), 2000);
    EXPECT_EQ(rowCount->text(),
              QStringLiteral("%L1 rows, the first %L2 listed (scroll for more)").arg(2348).arg(2000));

    QCoreApplication::processEvents(); // the scroll bar gets its range
    grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum); // dragged to its end
    ASSERT_EQ(grid->model()->rowCount(), 2348);
    EXPECT_EQ(rowCount->text(), QStringLiteral("%L1 rows").arg(2348));

    auto* find = control<QLineEdit>(*browser, "txtFind");
    find->selectAll();
    QTest::keyClicks(find, QStringLiteral("cholera"));
    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_EQ(column(grid, 0), QStringList{"A00"});
    EXPECT_EQ(rowCount->text(), QStringLiteral("1 row"));
}
