#include "gui/AppStartup.h"

#include "WindowTestSupport.h"
#include "gui/SignInDialog.h"
#include "platform/ProgramFolder.h"
#include "support/TestPaths.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

using namespace orvex;
using namespace orvex::test;
using gui::AppStartup;
using gui::SignInDialog;
using gui::SignInDialogPrompt;

namespace {

// A program folder without an output folder yet, its own sign-in settings, and the
// sign-in dialog answered by `answers` in turn instead of a person.
struct Startup
{
    GuiSeams seams;
    QTemporaryDir folder;
    int asks = 0;
    std::vector<std::function<int(SignInDialog&)>> answers;
    std::unique_ptr<SignInDialogPrompt> prompt;
    std::unique_ptr<AppStartup> startup;

    Startup()
    {
        ProgramFolder::setOverride(folder.path());
        auto driver = [this](SignInDialog& dialog) {
            const int index = asks++;
            if (index >= int(answers.size())) {
                ADD_FAILURE() << "asked more often than expected";
                return int(QDialog::Rejected);
            }
            return answers[size_t(index)](dialog);
        };
        auto settings = std::make_unique<db::SignInSettings>(folder.path() + "/signin.ini");
        prompt = std::make_unique<SignInDialogPrompt>(settings.get(), driver);
        startup = std::make_unique<AppStartup>(*prompt, std::move(settings), seams.services());
    }
    ~Startup()
    {
        startup.reset();
        ProgramFolder::setOverride(QString());
    }

    static bool mainWindowShown()
    {
        for (const QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("frmICD") && w->isVisible())
                return true;
        return false;
    }
};

int cancel(SignInDialog&)
{
    return QDialog::Rejected;
}

} // namespace

TEST(AppStartup, cancelledSignInShowsNothingAndEnds)
{
    Startup s;
    s.answers = {cancel};
    EXPECT_EQ(s.startup->start(), nullptr);
    EXPECT_EQ(s.asks, 1);
    EXPECT_EQ(s.startup->window(), nullptr);
    EXPECT_FALSE(Startup::mainWindowShown());
    EXPECT_FALSE(s.startup->currentUser().connected());
    EXPECT_FALSE(QDir(s.folder.path() + "/output").exists()) << "start-up stopped before the output folder";
    EXPECT_TRUE(s.seams.messages().isEmpty()) << "nothing is shown to the user";
}

TEST(AppStartup, failedConnectionAsksAgainWithTheReasonUntilTheUserGivesUp)
{
    Startup s;
    const QString missing = s.folder.path() + "/no such folder";
    QString errorShown;
    s.answers = {
        [&](SignInDialog& d) {
            d.findChild<QLineEdit*>("txtEmbeddedFolder")->setText(missing);
            return int(QDialog::Accepted);
        },
        [&](SignInDialog& d) {
            const auto* error = d.findChild<QLabel*>("lblSignInError");
            errorShown = error->isHidden() ? QString() : error->text();
            return int(QDialog::Rejected);
        },
    };
    EXPECT_EQ(s.startup->start(), nullptr);
    EXPECT_EQ(s.asks, 2);
    EXPECT_TRUE(errorShown.contains(QDir::toNativeSeparators(missing))) << errorShown.toStdString();
    EXPECT_FALSE(Startup::mainWindowShown());
}

TEST(AppStartup, signedInOnTheSampleShowsTheWindowWithItsSourceFiles)
{
    Startup s;
    writeBytes(s.folder.path() + "/icd rates.txt", "A00.0|Cholera\r\n");
    writeBytes(s.folder.path() + "/rates.txt", "A00.0|Cholera\r\n");
    s.answers = {[](SignInDialog&) { return int(QDialog::Accepted); }}; // the default: embedded sample
    // The first sign-in builds the sample databases off the window's thread, saying so.
    bool buildShown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&buildShown] {
        for (QWidget* w : QApplication::topLevelWidgets())
            buildShown = buildShown || (w->objectName() == QLatin1String("frmSampleBuild") && w->isVisible());
    });
    watch.start(1);

    gui::FrmIcd* window = s.startup->start();
    watch.stop();
    EXPECT_TRUE(buildShown);
    EXPECT_TRUE(QFile::exists(s.folder.path() + "/db/Build_FILE.db"));
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(s.startup->currentUser().connected());
    EXPECT_EQ(window->currentUser(), &s.startup->currentUser());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), gui::FrmIcd::caption());
    EXPECT_EQ(control<QTabWidget>(*window, "SSTab1")->currentIndex(), 4);
    EXPECT_TRUE(QDir(s.folder.path() + "/output").exists());
    std::vector<reconcile::ResultRow> expected{{QStringLiteral("icd rates.txt"), QString()}};
    EXPECT_EQ(listRows(*window, "lstSourceFiles"), expected);
    window->close();
}
