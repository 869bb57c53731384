// Files and folders handed to the desktop: a launcher that cannot open them is noticed by
// its exit, and the window names the path instead.
#include "support/TestPaths.h"

#include "WindowTestSupport.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>

using namespace orvex;
using gui::FrmIcd;

namespace {

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
constexpr bool kLauncherWatched = true;
#else
constexpr bool kLauncherWatched = false;
#endif

struct LauncherWindow
{
    test::GuiSeams seams;
    test::TempProgramFolder folder;
    std::unique_ptr<FrmIcd> window;

    explicit LauncherWindow(const QString& launcher)
    {
        seams.useDesktopLauncher(launcher);
        window = std::make_unique<FrmIcd>(seams.services(), db::ConnectionSettings{});
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
};

} // namespace

TEST(DesktopOpen, aLauncherWithNoMethodForTheFolderGetsTheFolderNamed)
{
    if (!kLauncherWatched)
        GTEST_SKIP() << "the desktop's own service is asked here";
    QTemporaryDir dir;
    const QString launcher =
        test::writeDesktopLauncher(dir.path(), 3, "xdg-open: no method available for opening '$1'");
    LauncherWindow w(launcher);
    test::click(test::control<QPushButton>(*w.window, "cmdOpenFolder"));
    ASSERT_TRUE(test::processEventsUntil([&] { return !w.seams.messages().isEmpty(); }));
    const QString output = w.folder.path() + QStringLiteral("/output");
    EXPECT_EQ(QString::fromUtf8(test::readBytes(dir.path() + "/opened.txt")), output);
    ASSERT_EQ(w.seams.messages().size(), 1);
    const QString message = w.seams.messages().first();
    EXPECT_TRUE(message.startsWith(QLatin1String("No file browser could be opened.")));
    EXPECT_TRUE(message.contains(QDir::toNativeSeparators(output))) << message.toStdString();
    EXPECT_TRUE(message.endsWith(
        QStringLiteral("The desktop said: xdg-open: no method available for opening '%1'").arg(output)))
        << message.toStdString();
}

TEST(DesktopOpen, aLauncherThatCannotBeStartedGetsTheFolderNamed)
{
    if (!kLauncherWatched)
        GTEST_SKIP() << "the desktop's own service is asked here";
    QTemporaryDir dir;
    LauncherWindow w(dir.path() + QStringLiteral("/no-such-launcher"));
    test::click(test::control<QPushButton>(*w.window, "cmdOpenFolder"));
    ASSERT_TRUE(test::processEventsUntil([&] { return !w.seams.messages().isEmpty(); }));
    EXPECT_TRUE(w.seams.messages().first().contains(QDir::toNativeSeparators(w.folder.path() + "/output")));
    EXPECT_TRUE(w.seams.messages().first().endsWith(QLatin1String("no-such-launcher could not be started.")))
        << w.seams.messages().first().toStdString();
}

TEST(DesktopOpen, aLauncherThatOpensTheFolderShowsNothing)
{
    if (!kLauncherWatched)
        GTEST_SKIP() << "the desktop's own service is asked here";
    QTemporaryDir dir;
    LauncherWindow w(test::writeDesktopLauncher(dir.path(), 0));
    test::click(test::control<QPushButton>(*w.window, "cmdOpenFolder"));
    ASSERT_TRUE(test::processEventsUntil([&] { return QFile::exists(dir.path() + "/opened.txt"); }));
    QTest::qWait(300); // the launcher's exit
    EXPECT_TRUE(w.seams.messages().isEmpty()) << w.seams.messages().join('\n').toStdString();
}
