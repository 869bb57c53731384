#pragma once

#include "jobs/Finding.h"
#include "jobs/Job.h"
#include "jobs/NetChanges.h"
#include "reconcile/ScanJob.h"
#include "review/RunRecord.h"

namespace orvex::report {
class ReportFileSet;
}

namespace orvex::caserates {

struct CaseRatePass;

struct UpdateRunParams
{
    QString fileBase = QStringLiteral("ICD PH 2024"); // txtFileName: the two rate files' base name
    bool verB = false;                                // chkVerB: keep tbMedPackage_NEW in step too
    bool updateDescriptions = false;                  // chkUpdateDesc
    QString testSuffix;                               // "" or "_TEST" (the tool-tip of txtCopySuffix)
    QString selectedSourceFile;                       // the item of lstSourceFiles, for lblSrc
    QString packageId;                                // lblPackageID when the run starts
    QString logText;                                  // txtLog when the run starts
    QString user; // who runs it, named on the review page; empty: the workstation's user
    reconcile::LookupStrategy strategy = reconcile::LookupStrategy::Batched;
    // Made again by an apply to check its record: the record is kept (record()), not
    // written, and no review files are written.
    bool recordOnly = false;
};

// "Step 2. Create update scripts": the diagnosis pass, then the procedure pass, over the
// program folder's rate files, into one freshly emptied report set with scriptPH.txt. A
// stop ends the running pass; the next one still runs. A closing window ends the run at
// once. Failures inside a pass (an unreadable rate file, a failed lookup) are reported and
// passed over; three failed lines in a row mean the database is gone and end the run.
// What a stop or a failure left unread is named in the run record, the log and the
// closing message.
class UpdateRunJob final : public jobs::Job
{
public:
    explicit UpdateRunJob(UpdateRunParams params) : m_params(std::move(params)) {}

    QString title() const override { return QStringLiteral("update"); }
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;

    // The closing message of a complete run.
    static QString doneMessage();

    // What the last run did not read, and why.
    const review::RunCompleteness& completeness() const { return m_completeness; }

    // Every finding of the last run that proposes a change (and the notes of amounts of 0),
    // in the order the reports list them, with the values read and proposed.
    const jobs::Findings& changes() const { return m_changes; }
    // The record of the last run with recordOnly; empty otherwise.
    const review::RunRecord& record() const { return m_record; }

private:
    QJsonObject runPass(const CaseRatePass& pass, const jobs::JobContext& context, db::Connection& connection,
                        report::ReportFileSet& files, const jobs::ProgressFn& progress, QStringList& logBox,
                        QStringList& failures);

    UpdateRunParams m_params;
    jobs::NetChanges m_net; // the passes' findings, folded into m_changes at the end
    jobs::Findings m_changes;
    review::RunCompleteness m_completeness;
    review::RunRecord m_record;
};

} // namespace orvex::caserates
