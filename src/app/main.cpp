// orvex: the window. Signs in, shows the main window and runs until it closes.
#include "Error.h"
#include "OrvexVersion.h"
#include "gui/AppStartup.h"
#include "gui/SignInDialog.h"
#include "gui/WindowServices.h"
#include "platform/PooledThreads.h"
#include "platform/PortableInstall.h"
#include "platform/ProgramFolder.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>

namespace {

// Without a display Qt would abort with a platform-plugin message; say what to do instead.
bool displayAvailable()
{
#if defined(Q_OS_LINUX)
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

// --workdir DIR: the program folder (source files, output folder, sample databases).
// Returns false, after telling the user, when DIR is not a folder.
bool applyOptions(const QApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Kestra Orvex, the window. orvex-cli runs every job headless."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption workdir(
        QStringLiteral("workdir"),
        QStringLiteral("Program folder (source files, rate files, output folder)."), QStringLiteral("DIR"));
    parser.addOption(workdir);
    parser.process(app); // exits on --help, --version and unknown options

    if (!parser.isSet(workdir))
        return true;
    const QString folder = parser.value(workdir);
    if (!QFileInfo(folder).isDir()) {
        orvex::gui::WindowServices().error(nullptr,
                                           QStringLiteral("The program folder %1 given by --workdir does not "
                                                          "exist. Create it or name another one.")
                                               .arg(folder));
        return false;
    }
    orvex::ProgramFolder::setOverride(folder);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (!displayAvailable()) {
        std::fputs("orvex: no display is available. Run the scan headless instead, for example:\n"
                   "  orvex-cli scan --ph --update-resource\n",
                   stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvex"));
    QApplication::setApplicationVersion(QLatin1String(orvex::version::text));
    QApplication::setOrganizationName(QStringLiteral("Kestra"));
    orvex::keepSettingsBesideIfPortable();
    if (!applyOptions(app))
        return 2;

    int exitCode = 0;
    try {
        auto settings = std::make_unique<orvex::db::SignInSettings>();
        orvex::gui::SignInDialogPrompt prompt(settings.get());
        orvex::gui::AppStartup startup(prompt, std::move(settings), orvex::gui::WindowServices{});
        if (startup.start()) // not signed in: end silently
            exitCode = app.exec();
    } catch (const orvex::Error& e) {
        orvex::gui::WindowServices().error(nullptr, e.message());
        exitCode = 1;
    }
    orvex::endPooledThreads(); // the window and its jobs are gone by now
    return exitCode;
}
