// Test entry point: Qt needs an application object before most of its classes work.
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
#endif
    TestApplication app(argc, argv);
    TestApplication::setApplicationName(QStringLiteral("orvex-tests"));
    return RUN_ALL_TESTS();
}
