#pragma once

#include "db/Connection.h"
#include "jobs/Job.h"
#include "ratelist/ListLines.h"
#include "reconcile/ScanTypes.h"
#include "review/RunRecord.h"

#include <functional>
#include <optional>

namespace orvex::reconcile {

enum class LookupStrategy { Batched, PerLine };

// Where a scan's lines come from, so that an apply can read them again: a source file of the
// program folder (read as the window reads one), the update resource, or neither (lines
// handed over as they are, whose run cannot be applied).
enum class ScanList { Given, SourceFile, UpdateResource };

struct ScanParams
{
    ratelist::ListLines lines; // the loaded list, one item per line
    bool phMode = false;       // the PhilHealth scan
    bool fixFormat = false;
    // Where the convenience run(progress) connects: opens its own connection from these...
    db::ConnectionSettings connection;
    db::Connection* existingConnection = nullptr; // ...unless one is lent (same thread only)
    QString groupName = QStringLiteral("Header"); // the group in force when the run starts
    QString packageId;                            // the package shown when the run starts
    LookupStrategy strategy = LookupStrategy::Batched;
    QString sourceFile; // the list's path, for the review files ("" for the built-in resource)
    ScanList list = ScanList::Given;
    QString listFile; // the file `lines` were read from ("" with UpdateResource: the built-in one)
    QString user;     // who runs it, for the review page ("": the system's user name)
    // The result keeps the rows of the six lists and the changes (the command line's --json,
    // tests): the window takes the rows from the progress, and holding them again for a list
    // of hundreds of thousands of lines would double what the scan holds.
    bool keepResultRows = false;
};

// The lines of `list` read again from `listFile` as the window and the command line read
// them. Throws orvex::Error naming the file when it cannot be read, or for ScanList::Given.
QStringList readScanList(ScanList list, const QString& listFile);

// The reconciliation scan of a rate list against the ICD-10 table and, in PH mode, the
// case-rate and package tables. Writes the report set into the context's output folder;
// result() holds the lists and counters of the last run(context, progress).
class ScanJob final : public jobs::JobWithResult<ScanResult>
{
public:
    using ProgressFn = std::function<void(const ScanProgress&)>;

    explicit ScanJob(ScanParams params);

    QString title() const override { return QStringLiteral("scan"); }
    // The job shape: progress in the job's words, summary lines, the JSON object, result().
    jobs::JobOutcome run(const jobs::JobContext& context, const jobs::ProgressFn& progress) override;

    // The same run with the scan's own types. Throws orvex::Error (naming the line) on a
    // database, file or conversion failure; the report files are closed by then.
    ScanResult scan(const jobs::JobContext& context, const ProgressFn& progress = {});

    // scan() in the program folder of ProgramFolder, with the wall clock and the params'
    // connection: for tests and benchmarks.
    ScanResult run(const ProgressFn& progress = {});

    // The scan's progress as the window and the command line take it.
    static jobs::JobProgress toJobProgress(const ScanProgress& progress);
    // The counters, and the lists when the result kept their rows.
    static QJsonObject toJson(const ScanResult& result);

private:
    ScanEnding ending() const;
    // What a stop after `linesRead` lines left unread; complete when nothing was left.
    review::RunCompleteness stoppedAt(int linesRead) const;

    ScanParams m_params;
    qsizetype m_lineCount = 0; // of m_params.lines, which a scan lets go once compared
};

} // namespace orvex::reconcile
