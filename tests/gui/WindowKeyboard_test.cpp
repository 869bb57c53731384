// The main window used from the keyboard: the log box, choosing a source file, buttons
// pressed with Return and the order Tab walks the controls in.
#include "gui/FrmIcd.h"

#include "WindowTestSupport.h"
#include "support/SmallDatabases.h"
#include "support/TestPaths.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace orvex;
using namespace orvex::test;
using gui::FrmIcd;

namespace {

// The window shown and active, so that keys reach the focused control.
struct KeyboardWindow
{
    GuiSeams seams;
    TempProgramFolder folder;
    SmallDatabases dbs;
    std::unique_ptr<FrmIcd> window;

    KeyboardWindow()
    {
        writeBytes(folder.path() + QStringLiteral("/ICD PH 2024.txt"), "A02|Salmonella|1|2|3\r\n");
        writeBytes(folder.path() + QStringLiteral("/ICD PH 2024_PROCEDURE.txt"), "90000|New proc|5|6|7\r\n");
        window = std::make_unique<FrmIcd>(seams.services(), dbs.settings());
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    template <class T = QWidget> T* widget(const char* name) const { return control<T>(*window, name); }
};

} // namespace

TEST(WindowKeyboard, theLogBoxTakesNoTypingAndTabLeavesIt)
{
    KeyboardWindow k;
    auto* log = k.widget<QPlainTextEdit>("txtLog");
    ASSERT_NE(log, nullptr);
    QTest::mouseClick(log->viewport(), Qt::LeftButton);
    ASSERT_TRUE(log->hasFocus());
    QTest::keyClicks(log, QStringLiteral("A01.0 typed"));
    QTest::keyClick(log, Qt::Key_Return);
    QTest::keyClick(log, Qt::Key_Tab);
    EXPECT_FALSE(log->hasFocus()) << "Tab moves on";
    EXPECT_EQ(log->toPlainText(), QString());

    QTest::mouseClick(log->viewport(), Qt::LeftButton);
    QTest::keyClick(log, Qt::Key_Backtab);
    EXPECT_FALSE(log->hasFocus()) << "Shift+Tab moves back";
    EXPECT_EQ(log->toPlainText(), QString());

    // The next run starts from the box as the tool left it: only the run's own lines.
    click(k.widget("cmdProcess"));
    ASSERT_TRUE(waitForScanEnd(*k.window));
    EXPECT_TRUE(log->toPlainText().startsWith(QStringLiteral("\nDiagnosis/ICDCode\n")))
        << log->toPlainText().toStdString();
    EXPECT_FALSE(log->toPlainText().contains(QStringLiteral("typed")));
    EXPECT_FALSE(log->toPlainText().contains(QLatin1Char('\t')));
}
