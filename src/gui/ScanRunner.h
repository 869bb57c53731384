#pragma once

#include "reconcile/ScanJob.h"
#include "reconcile/ScanTypes.h"

#include <QMutex>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QThread;

namespace orvex::gui {

// What the window applies in one go: the latest state of the run and the rows added
// since the previous batch.
struct ScanBatch
{
    int linesDone = 0;
    int lineCount = 0;
    reconcile::ScanCounters counters;
    QString groupName;
    QString packageId;
    std::vector<std::pair<reconcile::ResultList, reconcile::ResultRow>> newRows;
};

// Runs one scan job at a time on a worker thread. The worker only buffers its progress;
// a timer on the window's thread hands the buffer over every 50 ms, so the window stays
// responsive however fast the lines go.
class ScanRunner : public QObject
{
    Q_OBJECT
public:
    using LineHook = std::function<void(const reconcile::ScanProgress&)>;

    explicit ScanRunner(QObject* parent = nullptr);
    ~ScanRunner() override; // a run still going is told the window closes and awaited

    void start(reconcile::ScanParams params);
    bool isRunning() const { return m_thread != nullptr; }

    void requestStop();
    void requestWindowClosing();
    bool stopRequested() const { return m_stopRequested.load(); }

    // Blocks until the worker has returned, then delivers its last batch and its end
    // (finished or failed) before returning. Does nothing when no run is going.
    void waitForFinished();

    // Test seam: called on the worker thread after every line, once its progress is
    // buffered. Lets a test hold a run at a given line.
    static void setLineHook(LineHook hook);

signals:
    void progressed(const orvex::gui::ScanBatch& batch);
    void finished(const orvex::reconcile::ScanResult& result);
    void failed(const QString& message);

private:
    void onWorkerLine(const reconcile::ScanProgress& progress);
    void deliverBatch();
    void deliverEnd();

    QTimer m_timer;
    QThread* m_thread = nullptr;
    std::unique_ptr<reconcile::ScanJob> m_job;
    std::atomic<bool> m_stopRequested{false};
    quint64 m_runNumber = 0;

    QMutex m_mutex; // guards what follows, written by the worker
    ScanBatch m_pending;
    bool m_hasPending = false;
    std::optional<reconcile::ScanResult> m_result;
    std::optional<QString> m_error;
};

} // namespace orvex::gui

Q_DECLARE_METATYPE(orvex::gui::ScanBatch)
Q_DECLARE_METATYPE(orvex::reconcile::ScanResult)
