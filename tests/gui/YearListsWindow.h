#pragma once

// The main window over small databases with the year's two rate lists in its program folder,
// shown and active, so that keys and clicks reach the focused control.
#include "WindowTestSupport.h"
#include "support/SmallDatabases.h"
#include "support/TestPaths.h"

#include <memory>

namespace orvex::test {

struct YearListsWindow
{
    GuiSeams seams;
    TempProgramFolder folder;
    SmallDatabases dbs;
    std::unique_ptr<gui::FrmIcd> window;

    YearListsWindow()
    {
        writeBytes(folder.path() + QStringLiteral("/ICD PH 2024.txt"), "A02|Salmonella|1|2|3\r\n");
        writeBytes(folder.path() + QStringLiteral("/ICD PH 2024_PROCEDURE.txt"), "90000|New proc|5|6|7\r\n");
        window = std::make_unique<gui::FrmIcd>(seams.services(), dbs.settings());
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    template <class T = QWidget> T* widget(const char* name) const { return control<T>(*window, name); }
};

} // namespace orvex::test
