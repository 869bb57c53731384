#pragma once

#include "caserates/CaseRateWriter.h"
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
    QString fileBase = QStringLiteral("ICD PH 2024"); // the two rate files' base name
    bool verB = false;               // "Philhealth Ver B.": keep tbMedPackage_NEW in step too
    bool updateDescriptions = false; // "Update Descriptions"
    QString testSuffix;              // "" or "_TEST": the test copies' suffix
    QString selectedSourceFile;      // the source file chosen, shown as the run starts
    QString packageId;               // the package shown when the run starts
    QString logText;                 // the log box when the run starts
    QString user;                    // who runs it, named on the review page; empty: the workstation's user
    reconcile::LookupStrategy strategy = reconcile::LookupStrategy::Batched;
    // Made again by an apply to check its record: the record is kept (result().record), not
    // written, and no review files are written.
    bool recordOnly = false;
};

// What one pass read and found.
struct UpdatePass
{
    QString name; // "diagnosis", "procedure"
    QString file; // the rate file's path
    int lineCount = 0;
    QStringList errors; // the failures passed over in this pass
    PassCounters counters;
    std::vector<reconcile::ResultRow> newCodes;            // jobs::ResultList::PhNewCode
    std::vector<reconcile::ResultRow> changedDescriptions; // jobs::ResultList::PhSameCodeDifferentDescription
};

struct UpdateRunResult
{
    std::vector<UpdatePass> passes;
    // Every finding that proposes a change (and the notes of amounts of 0), in the order the
    // reports list them, with the values read and proposed.
    jobs::Findings changes;
    review::RunCompleteness completeness; // what the run did not read, and why
    review::RunRecord record;             // the record with recordOnly; empty otherwise
    QString reviewPage;                   // output/report.html; empty when none was written
};

// "Step 2. Create update scripts": the diagnosis pass, then the procedure pass, over the
// program folder's rate files, into one freshly emptied report set with scriptPH.txt. A
// stop ends the running pass; the next one still runs. An abandon (the window closing) ends it at
// once. Failures inside a pass (an unreadable rate file, a failed lookup) are reported and
// passed over; three failed lines in a row mean the database is gone and end the run.
// What a stop or a failure left unread is named in the run record, the log and the
// closing message.
class UpdateRunJob final : public jobs::JobWithResult<UpdateRunResult>
{
public:
    explicit UpdateRunJob(UpdateRunParams params) : m_params(std::move(params)) {}

    QString title() const override { return QStringLiteral("update"); }
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;

    // The closing message of a complete run.
    static QString doneMessage();

private:
    UpdatePass runPass(const CaseRatePass& pass, const jobs::JobContext& context, db::Connection& connection,
                       report::ReportFileSet& files, const jobs::ProgressFn& progress, QStringList& logBox,
                       QStringList& failures);

    UpdateRunParams m_params;
    jobs::NetChanges m_net; // the passes' findings, folded into the result's changes at the end
};

} // namespace orvex::caserates
