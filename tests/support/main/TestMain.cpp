// Test entry point: Qt needs an application object before most of its classes work.
#include "platform/PooledThreads.h"

#include <gtest/gtest.h>

#if defined(ORVEX_TEST_WIDGETS)
#include <QApplication>
using TestApplication = QApplication;
#elif defined(ORVEX_TEST_GUI)
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
#if defined(ORVEX_TEST_WIDGETS) || defined(ORVEX_TEST_GUI)
    // Window tests never open real windows, also when test discovery runs them outside ctest.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#if defined(Q_OS_WIN)
    // Offscreen on Windows reads its fonts from one folder, by default one beside Qt that
    // does not exist: without the system's fonts a drawn text (a made-up annex) has no glyphs.
    if (qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR") && !qEnvironmentVariableIsEmpty("WINDIR"))
        qputenv("QT_QPA_FONTDIR", (qEnvironmentVariable("WINDIR") + QStringLiteral("\\Fonts")).toUtf8());
#endif
#endif
    TestApplication app(argc, argv);
    TestApplication::setApplicationName(QStringLiteral("orvex-tests"));
    const int failed = RUN_ALL_TESTS();
    orvex::endPooledThreads();
    return failed;
}
