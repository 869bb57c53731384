#pragma once

#include "jobs/Job.h"

#include <QString>

namespace orvex::sampledb {

// The first sign-in's build of the sample databases into the default folder
// (provisionEmbeddedFolder) as a job, so that the window program builds them off its
// thread and shows how far it got: each file built and put in place is a step.
class SampleProvisionJob final : public jobs::Job
{
public:
    explicit SampleProvisionJob(QString folder) : m_folder(std::move(folder)) {}
    QString title() const override { return QStringLiteral("sample databases"); }
    // Builds only when the folder holds no database file. Throws orvex::Error, and leaves
    // the folder as it was, when a file cannot be built.
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;

private:
    QString m_folder;
};

} // namespace orvex::sampledb
