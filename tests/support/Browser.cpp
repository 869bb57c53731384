#include "support/Browser.h"

#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <gtest/gtest.h>

namespace orvex::test {

QString browserDom(const QString& pagePath, const QString& fragment, const QString& profileFolder)
{
    QString browser;
    for (const char* name : {"chromium", "chromium-browser"}) {
        if (browser.isEmpty())
            browser = QStandardPaths::findExecutable(QLatin1String(name));
    }
    if (browser.isEmpty())
        return {};

    QUrl url = QUrl::fromLocalFile(pagePath);
    if (!fragment.isEmpty())
        url.setFragment(fragment);
    QProcess chromium;
    chromium.start(browser, {"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                             "--user-data-dir=" + profileFolder + "/chromium", "--virtual-time-budget=2000",
                             "--dump-dom", url.toString(QUrl::FullyEncoded)});
    const bool finished = chromium.waitForFinished(120'000);
    EXPECT_TRUE(finished) << chromium.errorString().toStdString();
    EXPECT_EQ(chromium.exitCode(), 0) << chromium.readAllStandardError().toStdString();
    return QString::fromUtf8(chromium.readAllStandardOutput());
}

} // namespace orvex::test
