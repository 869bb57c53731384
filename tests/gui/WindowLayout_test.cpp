// Where the main window's controls are and stay while texts change: tab "Update 2024" under
// a long import status, the header under a long source file name, "ICD Updates" beside the
// counters, the columns of the result lists.
#include "gui/FrmIcd.h"
#include "gui/FrmSrc.h"

#include "YearListsWindow.h"
#include "annex/MadeUpAnnex.h"
#include "support/SmallDatabases.h"
#include "support/TestPaths.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolTip>
#include <QTreeView>

using namespace orvex;
using namespace orvex::test;
using gui::FrmIcd;

namespace {

// Where every named control of `page` sits, in the page's coordinates.
QMap<QString, QRect> geometries(const QWidget* page)
{
    QMap<QString, QRect> at;
    for (const QWidget* w : page->findChildren<QWidget*>()) {
        if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")) && w->isVisible())
            at.insert(w->objectName(), QRect(w->mapTo(page, QPoint(0, 0)), w->size()));
    }
    return at;
}

// The tool-tip a user resting the pointer on `w` sees.
QString toolTipOf(QWidget* w)
{
    const QPoint at(4, w->height() / 2);
    QHelpEvent help(QEvent::ToolTip, at, w->mapToGlobal(at));
    QCoreApplication::sendEvent(w, &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

} // namespace

QT_BEGIN_NAMESPACE
inline void PrintTo(const QRect& r, std::ostream* os)
{
    *os << r.x() << ',' << r.y() << ' ' << r.width() << 'x' << r.height();
}
QT_END_NAMESPACE

TEST(WindowLayout, aLongImportStatusMovesNoControlOfTabUpdate2024)
{
    TempProgramFolder folder;
    GuiSeams seams;
    FrmIcd window{seams.services(), db::ConnectionSettings{}};
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QWidget* page = control<QWidget>(window, "cmdImportAnnex")->parentWidget();
    settle();
    const QMap<QString, QRect> before = geometries(page);
    ASSERT_TRUE(before.contains("lblAnnexImport"));

    MadeUpAnnex annex;
    annex.pages = {{{"A00.0",
                     {"CHOLERA DUE TO VIBRIO CHOLERAE 01, BIOVAR CHOLERAE"},
                     {"10,000.00", "3,000.00", "7,000.00"}}}};
    seams.pdf = folder.path() + "/A made-up annex of medical case rates with a long file name.pdf";
    annex.write(seams.pdf);
    writeBytes(folder.path() + "/ICD PH 2031.txt", "kept");
    auto* status = control<QLabel>(window, "lblAnnexImport");
    QStringList statuses;
    QList<QMap<QString, QRect>> seen;
    seams.onShown = [&](const QString&) {
        settle();
        statuses << status->text();
        seen << geometries(page);
    };
    seams.queueAnswer(QMessageBox::No);
    click(control<QWidget>(window, "cmdImportAnnex"));
    statuses << status->text(); // the file name while the import reads
    settle();
    seen << geometries(page);
    ASSERT_TRUE(processEventsUntil([&window] { return !window.isJobRunning(); }));
    settle();
    statuses << status->text();
    seen << geometries(page);

    EXPECT_EQ(statuses.last(), QStringLiteral("\"ICD PH 2031.txt\" was kept; nothing was written."));
    ASSERT_EQ(seen.size(), statuses.size());
    for (qsizetype i = 0; i < seen.size(); ++i) {
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            EXPECT_EQ(seen[i].value(it.key()), it.value())
                << it.key().toStdString() << " moved with the status \"" << statuses[i].toStdString() << '"';
    }
    // A status longer than its room shows whole in the tool-tip.
    ASSERT_GT(status->fontMetrics().horizontalAdvance(status->text()), status->width());
    EXPECT_EQ(toolTipOf(status), status->text());
}

namespace {

// The window over small databases with the year's lists, also listed as source files.
struct ShownWithLists : YearListsWindow
{
    ShownWithLists() { window->fillSourceFiles(); }
    void bringTabToFront(int index) const
    {
        QTabBar* bar = widget<QTabWidget>("SSTab1")->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
};

bool showsWhole(const QLabel* label)
{
    return label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width();
}

} // namespace

TEST(WindowLayout, lblSrcShowsTheWholeFileNameAfterStep2AndALongOneInItsToolTip)
{
    ShownWithLists s;
    auto* lblSrc = s.widget<QLabel>("lblSrc");
    const QRect designed = lblSrc->geometry();
    s.bringTabToFront(0);
    auto* list = s.widget<QAbstractItemView>("lstSourceFiles");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(0, 0)).center());
    s.bringTabToFront(4);
    click(s.widget("cmdProcess")); // reads the year's lists and names the selected source file
    ASSERT_TRUE(waitForScanEnd(*s.window));
    settle();
    EXPECT_EQ(lblSrc->text(), QStringLiteral("Source File: ICD PH 2024.txt"));
    EXPECT_TRUE(showsWhole(lblSrc)) << lblSrc->width();
    EXPECT_EQ(lblSrc->geometry(), designed);

    const QString longName =
        QStringLiteral("ICD rates of the yearly update as the central office sent them.txt");
    writeBytes(s.folder.path() + QLatin1Char('/') + longName, "A00.0|Cholera\r\n");
    s.window->fillSourceFiles();
    s.bringTabToFront(0);
    const QStringList names = [&] {
        QStringList n;
        for (const auto& row : listRows(*s.window, "lstSourceFiles"))
            n << row.text;
        return n;
    }();
    doubleClickSourceFile(*s.window, int(names.indexOf(longName)));
    settle();
    EXPECT_EQ(lblSrc->text(), QStringLiteral("Source File: ") + longName);
    EXPECT_FALSE(showsWhole(lblSrc)) << "cut, not pushing the window wider";
    EXPECT_EQ(lblSrc->geometry(), designed);
    EXPECT_EQ(toolTipOf(lblSrc), QDir::toNativeSeparators(s.folder.path() + QLatin1Char('/') + longName));
}

TEST(WindowLayout, icdUpdatesOpensClearOfTheCountersAndLeavesTheFocus)
{
    ShownWithLists s;
    s.bringTabToFront(0);
    auto* list = s.widget<QAbstractItemView>("lstSourceFiles");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(0, 0)).center());
    ASSERT_TRUE(list->hasFocus());
    QTest::keyClick(list, Qt::Key_Return);
    waitForJobOf(*list); // the list loads off the window's thread
    settle();
    ASSERT_NE(s.window->frmSRC(), nullptr);
    ASSERT_TRUE(s.window->frmSRC()->isVisible());
    EXPECT_EQ(QApplication::activeWindow(), s.window.get());
    EXPECT_TRUE(list->hasFocus());
    const QRect opened = s.window->frmSRC()->frameGeometry();
    for (const char* name : {"lblnew", "lblsame", "lblDifDesc", "lblDifCode", "lblNewPH", "lblsamePH",
                             "lblDifDescPH", "lblNewRate", "lblnewCode_3", "lblnewCode_0"}) {
        const auto* counter = s.widget(name);
        const QRect at(counter->mapToGlobal(QPoint(0, 0)), counter->size());
        EXPECT_FALSE(opened.intersects(at)) << name;
    }
}

TEST(WindowLayout, theColumnsOfAResultListShareItsWidth)
{
    ShownWithLists s;
    s.bringTabToFront(0);
    click(s.widget("lbldifferentdesc_1"));
    auto* view = s.widget<QTreeView>("lsvSameCodeDifDesc");
    ASSERT_TRUE(view->isVisible());
    for (const QSize size : {s.window->size(), s.window->size() + QSize(400, 0)}) {
        s.window->resize(size);
        settle();
        const int width = view->viewport()->width();
        EXPECT_NEAR(view->header()->sectionSize(0), width / 2.0, 1) << width;
        EXPECT_NEAR(view->header()->sectionSize(0) + view->header()->sectionSize(1), width, 1);
    }
    s.bringTabToFront(1);
    auto* ph = s.widget<QTreeView>("lsvSameCodeDifDescPH");
    settle();
    EXPECT_NEAR(ph->header()->sectionSize(1), ph->viewport()->width() / 2.0, 1);
}
