#pragma once

#include "db/Connection.h"
#include "reconcile/ScanTypes.h"

#include <atomic>
#include <functional>

namespace orvex::reconcile {

enum class LookupStrategy { Batched, PerLine };

struct ScanParams
{
    QStringList lines;   // the loaded list, one item per line
    bool phMode = false; // the PhilHealth scan
    bool fixFormat = false;
    db::ConnectionSettings connection;            // the job opens its own connection from these...
    db::Connection* existingConnection = nullptr; // ...unless one is given (same thread only)
    QString groupName = QStringLiteral("Header"); // lblHeader when the run starts
    QString packageId;                            // lblPackageID when the run starts
    LookupStrategy strategy = LookupStrategy::Batched;
};

// The reconciliation scan of a rate list against the ICD-10 table and, in PH mode, the
// case-rate and package tables. Writes the report set into the program folder's output
// folder. Runs on the calling thread; requestStop/requestWindowClosing may be called from
// any thread and take effect between lines.
class ScanJob
{
public:
    using ProgressFn = std::function<void(const ScanProgress&)>;

    explicit ScanJob(ScanParams params);

    // Throws orvex::Error (naming the line) on a database, file or conversion failure;
    // the report files are closed by then.
    ScanResult run(const ProgressFn& progress = {});

    void requestStop() { m_stop.store(ScanEnding::Stopped); }
    void requestWindowClosing() { m_stop.store(ScanEnding::WindowClosing); }

private:
    ScanParams m_params;
    std::atomic<ScanEnding> m_stop{ScanEnding::Finished};
};

} // namespace orvex::reconcile
