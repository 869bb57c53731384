#pragma once

// The shape of every long operation of the tool (the scan, the update run, the backup and
// every later tool). A job runs on one thread from start to end; the window runs it on a
// worker thread (gui::JobRunner), the command line directly (cli::runJob). Neither knows
// what the job does.
//
// How a new tool implements a job:
//  1. Parameters: a struct of its own, handed to the constructor (what the window's
//     controls or the command's options say). Nothing global: the program folder, the
//     clock and the database come in the JobContext given to run().
//  2. Derive from jobs::Job (or jobs::JobWithResult<Result> to hand over a typed result)
//     and implement title() and run(context, progress):
//     - open the database with context.openConnection() (the worker's own connection, or
//       the one the caller lent on its thread); change data inside a db::Transaction and
//       write the activity log (db::ActivityLog);
//     - between steps (a line, a statement, a table) check stopRequest(): on
//       StopRequest::Stop finish the current step and end as the tool's stop says; on
//       StopRequest::Abandon (the window is closing) end at once without closing reports
//       or messages;
//     - report progress through progress(...) after a step: lines done of total, counters
//       and captions and rows added to a result list in the tool's own words
//       (jobs/Vocabulary.h), lines added to the log box, a free text line. The window
//       applies them in batches to its labels and lists; the command line shows a
//       progress line;
//     - read the time only through context.now(), files only under context.programFolder;
//     - on a failure that ends the job throw orvex::Error with a message a user can act on
//       (file, line, code) after closing what it opened (RAII does it); a failure that the
//       job passes over goes into JobOutcome::failures (and, to show it as it happens,
//       JobProgress::failures);
//     - return a JobOutcome: how it ended, the closing messages, the files to open for the
//       user, summary lines for the terminal and the --json object. A job whose caller
//       reads what it found derives from JobWithResult<Result> and fills m_result.
//  3. Findings (what a comparison found and proposes to change) are jobs::Finding records
//     (Finding.h) that writers render into reports and scripts; later tools apply or undo
//     them from the same records.
//  4. Window: a tab builds the parameters and calls JobRunner::start(job, context); it
//     gets finished(job, outcome) or failed(message), and reads a typed result from the
//     std::shared_ptr of the concrete job it kept. Command line: a command parses its
//     options, builds the job and returns cli::runJob(ctx, job, options).

#include "db/Connection.h"
#include "jobs/Vocabulary.h"

#include <QDateTime>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace orvex::jobs {

// What a job needs besides its own parameters.
struct JobContext
{
    QString programFolder;                        // rate files are read here; the output folder lies under it
    std::function<QDateTime()> clock;             // empty: the wall clock
    db::ConnectionSettings connection;            // the job opens its own connection from these...
    db::Connection* existingConnection = nullptr; // ...unless one is lent (same thread only)
    // Where reports, scripts and the run record go instead of the program folder's output
    // folder ("": there): an apply that runs a run again keeps output/ as it was reviewed.
    QString otherOutputFolder;

    QDateTime now() const { return clock ? clock() : QDateTime::currentDateTime(); }
    QString outputFolder() const
    {
        return otherOutputFolder.isEmpty() ? programFolder + QStringLiteral("/output") : otherOutputFolder;
    }
    QString programFile(const QString& name) const { return programFolder + QLatin1Char('/') + name; }

    // The lent connection, or a new one from `connection` kept alive in `own`. Throws
    // orvex::Error naming the database when it cannot be opened.
    db::Connection& openConnection(std::unique_ptr<db::Connection>& own) const;
};

// A row added to a result list.
struct AddedRow
{
    ResultList list = ResultList::NewCode;
    QString text;   // first column
    QString second; // second column, empty where the list has one column
    bool operator==(const AddedRow&) const = default;
};

// What a job reports after a step. Counters and captions are the current values (the last
// report wins); rows, log lines and failures are what this step added.
struct JobProgress
{
    int linesDone = 0;
    int lineCount = 0;
    QString text; // free text: the pass or step running, a file name
    QMap<Counter, int> counters;
    QMap<Caption, QString> captions;
    bool clearViews = false; // the counters and result lists start over with this step
    std::vector<AddedRow> rowsAdded;
    QStringList logLines; // lines appended to the log box
    QStringList failures; // failures passed over in this step, to be shown as they happen

    // Folds a later report into this one, as a batch of both.
    void merge(JobProgress&& later);
};

// Receives a job's progress; calls go to the thread that runs the job.
using ProgressFn = std::function<void(JobProgress&&)>;

enum class JobEnding {
    Finished, // every step ran
    Stopped,  // a stop request ended it after a step
    Abandoned // ended at once (the window is closing): no closing report, no messages
};

enum class StopRequest { None, Stop, Abandon };

struct JobOutcome
{
    JobEnding ending = JobEnding::Finished;
    QStringList messages;    // closing messages, in order ("Done.")
    QStringList failures;    // failures passed over; non-empty makes the command exit 3
    QStringList filesToOpen; // opened for the user by the window; printed by the command line
    QStringList summary;     // lines the command line prints
    QJsonObject json;        // the command's --json object
    quint64 statementsSent = 0;
    double elapsedSeconds = 0;
};

class Job
{
public:
    virtual ~Job() = default;

    // Lower-case name for messages and the progress line: "scan", "update", "backup".
    virtual QString title() const = 0;
    // Whether the job writes the ICD tables: while it runs, the window lets nobody edit or
    // browse them.
    virtual bool changesIcdTables() const { return false; }

    // Runs on the calling thread to the end. Throws orvex::Error when the job cannot go on.
    virtual JobOutcome run(const JobContext& context, const ProgressFn& progress) = 0;

    // From any thread; the job sees it at its next check.
    void requestStop();
    void requestAbandon() { m_stop.store(StopRequest::Abandon); }
    StopRequest stopRequest() const { return m_stop.load(); }

protected:
    bool shouldContinue() const { return stopRequest() == StopRequest::None; }
    // Forgets a stop request (not an abandon), for a job whose stop ends one part
    // only. Returns true when there was one.
    bool takeStopRequest();

private:
    std::atomic<StopRequest> m_stop{StopRequest::None};
};

// A job whose caller reads what it found once it has run: the caller keeps the concrete
// job's std::shared_ptr and reads result() after the end.
template <typename Result> class JobWithResult : public Job
{
public:
    const Result& result() const { return m_result; }

protected:
    Result m_result{}; // filled by run(), which starts it over when a job may run twice
};

} // namespace orvex::jobs
