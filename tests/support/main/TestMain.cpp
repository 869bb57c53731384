// Test entry point: Qt needs an application object before most of its classes work.
#include <gtest/gtest.h>

#ifdef ORVEX_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
#ifdef ORVEX_TEST_WIDGETS
    // Window tests never open real windows, also when test discovery runs them outside ctest.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    TestApplication app(argc, argv);
    TestApplication::setApplicationName(QStringLiteral("orvex-tests"));
    return RUN_ALL_TESTS();
}
