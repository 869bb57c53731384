// The ICD table browser and the code search, driven from the window like a user.
#include "WindowTestSupport.h"
#include "db/ActivityLog.h"
#include "gui/BrowseComponents.h"
#include "gui/FrmIcdSearch.h"
#include "gui/FrmTableBrowser.h"
#include "support/SmallDatabases.h"
#include "support/TestPaths.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
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

// The editor the grid has open, or null.
QLineEdit* openEditor(const QTableView* grid)
{
    for (QLineEdit* editor : grid->viewport()->findChildren<QLineEdit*>())
        if (editor->isVisible())
            return editor;
    return nullptr;
}

// What a user does to change a cell: double-click it, select its text, type.
bool typeIntoCell(QTableView* grid, int row, int column, const QString& text)
{
    const QRect cell = grid->visualRect(grid->model()->index(row, column));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QLineEdit* editor = openEditor(grid);
    if (!editor)
        return false;
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, text);
    return true;
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

    // Edit in place: double-click the description, type, Enter, and Yes to the question.
    m_seams.queueAnswer(QMessageBox::Yes);
    ASSERT_TRUE(typeIntoCell(grid, 1, 1, QStringLiteral("Diseases of the circulatory system (I00-I99)")));
    QTest::keyClick(openEditor(grid), Qt::Key_Return);
    ASSERT_TRUE(processEventsUntil([this] { return !m_seams.messages().isEmpty(); }));
    EXPECT_EQ(column(grid, 1).value(1), QStringLiteral("Diseases of the circulatory system (I00-I99)"));
    m_seams.clearShown();

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
    m_seams.queueAnswer(QMessageBox::Yes);
    ASSERT_TRUE(typeIntoCell(grid, 0, 1, QStringLiteral("changed")));
    QTest::keyClick(openEditor(grid), Qt::Key_Return);
    ASSERT_TRUE(processEventsUntil([this] { return m_seams.messages().size() == 2; }));
    EXPECT_TRUE(m_seams.messages()[1].contains(QLatin1String("chapters are locked")))
        << m_seams.messages()[1].toStdString();
    EXPECT_EQ(column(grid, 1), QStringList{"Codes for special purposes"}); // the added row, as it was
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
            // Typed while the codes are read: the matches show once they have arrived.
            EXPECT_TRUE(processEventsUntil([dialog] { return dialog->isLoaded(); }));
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

// The codes are read after the dialog opens: a database that cannot be read closes it and
// its reason is shown; the window stays usable.
TEST(IcdCodeSearch, aDatabaseThatCannotBeReadClosesTheSearchWithItsReason)
{
    GuiSeams seams;
    TempProgramFolder folder;
    db::ConnectionSettings settings;
    settings.embeddedFolder = folder.path() + "/no databases here";
    gui::FrmIcd window(seams.services(), settings);
    window.show();
    click(control<QPushButton>(window, "cmdICDDLL"));
    ASSERT_EQ(seams.messages().size(), 1);
    EXPECT_TRUE(seams.messages().first().contains(QLatin1String("no databases here")))
        << seams.messages().first().toStdString();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(control<QPushButton>(window, "cmdICDDLL")->isEnabled());
}

TEST_F(IcdBridges, anEditStartsOnlyOnADoubleClickOrF2AndIsSavedOnlyAfterTheQuestion)
{
    click(control<QPushButton>(*m_window, "cmdICD_0"));
    QPointer<gui::FrmTableBrowser> browser = openBrowser();
    ASSERT_NE(browser, nullptr);
    auto* grid = control<QTableView>(*browser, "grdBrowse");
    QTest::keyClicks(control<QLineEdit>(*browser, "txtFind"), QStringLiteral("A01"));
    QTest::keyClick(control<QLineEdit>(*browser, "txtFind"), Qt::Key_Return);
    ASSERT_EQ(column(grid, 0), (QStringList{"A01", "A01.0"}));
    const QStringList descriptions = column(grid, 1);

    // A stray keypress on a selected row edits nothing.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(0, 1)).center());
    QTest::keyClick(grid, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(grid, QStringLiteral("A01.0"));
    QTest::keyClick(grid, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(openEditor(grid), nullptr);
    EXPECT_EQ(column(grid, 1), descriptions);
    EXPECT_TRUE(m_seams.messages().isEmpty());

    // F2 edits the current cell; the question shows the old and new value, and its default
    // (No) saves nothing.
    grid->setFocus();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(1, 1)).center());
    QTest::keyClick(grid, Qt::Key_F2);
    QLineEdit* editor = openEditor(grid);
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("A01.0"));
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(processEventsUntil([this] { return !m_seams.messages().isEmpty(); }));
    EXPECT_EQ(m_seams.messages(), QStringList{"Save this change to tbICDdiagMain?\n\nCode: \"A01.0\"\n"
                                              "Description was: \"Typhoid fever\"\n"
                                              "Description becomes: \"A01.0\""});
    EXPECT_EQ(column(grid, 1), descriptions);

    // Yes saves it.
    m_seams.clearShown();
    m_seams.queueAnswer(QMessageBox::Yes);
    ASSERT_TRUE(typeIntoCell(grid, 1, 1, QStringLiteral("Typhoid fever, confirmed")));
    QTest::keyClick(openEditor(grid), Qt::Key_Return);
    ASSERT_TRUE(processEventsUntil([this] { return !m_seams.messages().isEmpty(); }));
    EXPECT_EQ(m_seams.messages().size(), 1); // asked once
    EXPECT_EQ(column(grid, 1).value(1), QStringLiteral("Typhoid fever, confirmed"));
    EXPECT_EQ(log(), QStringList{"Edited tbICDdiagMain row \"A01.0\" \"Typhoid fever\" to \"A01.0\" "
                                 "\"Typhoid fever, confirmed\""});

    // Escape cancels an edit and keeps the window; with no edit open it closes the window.
    m_seams.clearShown();
    ASSERT_TRUE(typeIntoCell(grid, 0, 1, QStringLiteral("stray")));
    QTest::keyClick(openEditor(grid), Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_EQ(openEditor(grid), nullptr);
    EXPECT_EQ(column(grid, 1).value(0), descriptions.value(0));
    EXPECT_TRUE(m_seams.messages().isEmpty());
    ASSERT_TRUE(browser->isVisible());
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_TRUE(processEventsUntil([&browser] { return browser.isNull(); }));
    EXPECT_EQ(log().size(), 1);
}

TEST_F(IcdBridges, addingACodeThatExistsAsksFirstAndTheAddedRowIsShown)
{
    click(control<QPushButton>(*m_window, "cmdICD_0"));
    gui::FrmTableBrowser* browser = openBrowser();
    ASSERT_NE(browser, nullptr);
    auto* grid = control<QTableView>(*browser, "grdBrowse");
    auto* code = control<QLineEdit>(*browser, "txtNewCode");
    auto* description = control<QLineEdit>(*browser, "txtNewDescription");

    // A code that exists: the question names its row; No (the default) adds nothing.
    QTest::keyClicks(code, QStringLiteral("a01.0"));
    QTest::keyClicks(description, QStringLiteral("Typhoid fever, again"));
    click(control<QPushButton>(*browser, "cmdAdd"));
    EXPECT_EQ(
        m_seams.messages(),
        QStringList{"The code \"a01.0\" is in tbICDdiagMain already (1 row):\n\"A01.0\" \"Typhoid fever\"\n\n"
                    "Add a second row \"a01.0\" \"Typhoid fever, again\" with the same code?"});
    EXPECT_TRUE(log().isEmpty());
    EXPECT_EQ(code->text(), QStringLiteral("a01.0")); // kept for a correction

    // Yes adds it, and the grid lists it with the other row of its code, selected.
    m_seams.clearShown();
    m_seams.queueAnswer(QMessageBox::Yes);
    click(control<QPushButton>(*browser, "cmdAdd"));
    EXPECT_EQ(m_seams.messages().size(), 1);
    EXPECT_EQ(log(), QStringList{"Added to tbICDdiagMain row \"a01.0\" \"Typhoid fever, again\""});
    EXPECT_EQ(column(grid, 0), (QStringList{"A01.0", "a01.0"}));
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_TRUE(code->text().isEmpty());

    // A new code: no question, and the grid shows it.
    m_seams.clearShown();
    QTest::keyClicks(code, QStringLiteral("A02"));
    QTest::keyClicks(description, QStringLiteral("Other salmonella infections"));
    click(control<QPushButton>(*browser, "cmdAdd"));
    EXPECT_TRUE(m_seams.messages().isEmpty());
    EXPECT_EQ(column(grid, 0), QStringList{"A02"});
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(control<QLineEdit>(*browser, "txtFind")->text(), QStringLiteral("A02"));
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
