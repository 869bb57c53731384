#include "sampledb/SampleProvisionJob.h"

#include "sampledb/SampleDatabases.h"

#include <QDir>
#include <QFileInfo>

namespace orvex::sampledb {

jobs::JobOutcome SampleProvisionJob::run(const jobs::JobContext&, const jobs::ProgressFn& progress)
{
    jobs::JobOutcome outcome;
    if (embeddedDatabasesPresent(m_folder))
        return outcome;
    // Two steps per missing file: built under its temporary name, then put in place.
    int steps = 0;
    for (const QString& name : sampleDatabaseFiles())
        steps += QFileInfo::exists(QDir(m_folder).filePath(name)) ? 0 : 2;
    int done = 0;
    auto report = [&](const QString& text) {
        jobs::JobProgress p;
        p.linesDone = done;
        p.lineCount = steps;
        p.text = text;
        if (progress)
            progress(std::move(p));
    };
    report(QStringLiteral("Building the sample databases"));
    const SampleBuild build =
        buildSampleDatabases(m_folder, false, [&](SampleBuildStep step, const QString& name) {
            if (step == SampleBuildStep::MovedAside)
                return;
            ++done;
            report(step == SampleBuildStep::Built ? QStringLiteral("Built %1").arg(name)
                                                  : QStringLiteral("Placed %1").arg(name));
        });
    outcome.messages << QStringLiteral("Built %1.").arg(build.built.join(QStringLiteral(", ")));
    return outcome;
}

} // namespace orvex::sampledb
