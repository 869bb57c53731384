// Where the main window's controls stay while texts change: tab "Update 2024" under a
// long import status, the header under a long source file name.
#include "gui/FrmIcd.h"

#include "WindowTestSupport.h"
#include "annex/MadeUpAnnex.h"
#include "support/TestPaths.h"

#include <QHelpEvent>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QToolTip>

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
