#include "gui/SampleBuildProgress.h"

#include "Error.h"
#include "gui/JobRunner.h"
#include "sampledb/SampleDatabases.h"
#include "sampledb/SampleProvisionJob.h"

#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <optional>

namespace orvex::gui {

namespace {

// Shows how far the build got; it cannot be cancelled (the build is all or nothing and
// takes a second or two), so Esc and the close button do nothing.
class SampleBuildWindow final : public QDialog
{
public:
    SampleBuildWindow()
        : m_text(new QLabel(QStringLiteral("Building the sample databases"))), m_bar(new QProgressBar)
    {
        setObjectName(QStringLiteral("frmSampleBuild"));
        setWindowTitle(QStringLiteral("Kestra Orvex"));
        setWindowFlags(windowFlags() & ~Qt::WindowCloseButtonHint);
        m_text->setObjectName(QStringLiteral("lblSampleBuild"));
        m_bar->setObjectName(QStringLiteral("prgSampleBuild"));
        m_bar->setRange(0, 0); // busy until the first step
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(QStringLiteral("First start: the sample databases are built.")));
        layout->addWidget(m_text);
        layout->addWidget(m_bar);
        setMinimumWidth(360);
    }

    void showProgress(const jobs::JobProgress& batch)
    {
        if (!batch.text.isEmpty())
            m_text->setText(batch.text);
        if (batch.lineCount > 0) {
            m_bar->setRange(0, batch.lineCount);
            m_bar->setValue(batch.linesDone);
        }
    }

    void reject() override {}

private:
    QLabel* m_text;
    QProgressBar* m_bar;
};

} // namespace

void provisionWithProgress(const QString& folder)
{
    if (sampledb::embeddedDatabasesPresent(folder))
        return;
    SampleBuildWindow window;
    JobRunner runner;
    QEventLoop loop;
    std::optional<QString> failure;
    QObject::connect(&runner, &JobRunner::progressed, &window,
                     [&window](const jobs::JobProgress& batch) { window.showProgress(batch); });
    QObject::connect(&runner, &JobRunner::finished, &loop, [&loop] { loop.quit(); });
    QObject::connect(&runner, &JobRunner::failed, &loop, [&loop, &failure](const QString& message) {
        failure = message;
        loop.quit();
    });
    window.show();
    runner.start(std::make_shared<sampledb::SampleProvisionJob>(folder), jobs::JobContext{});
    loop.exec();
    if (failure)
        throw Error(Error::Kind::File, *failure);
}

} // namespace orvex::gui
