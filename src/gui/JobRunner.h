#pragma once

#include "jobs/Job.h"

#include <QMutex>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QThread;

namespace orvex::gui {

// Runs one job at a time on a worker thread (which opens its own connection from the
// context's settings). The worker only buffers its progress; a timer on the window's
// thread hands the buffer over every 50 ms as one merged batch, so the window stays
// responsive however fast the steps go.
class JobRunner : public QObject
{
    Q_OBJECT
public:
    using StepHook = std::function<void(const jobs::JobProgress&)>;

    explicit JobRunner(QObject* parent = nullptr);
    ~JobRunner() override; // a run still going is abandoned and awaited

    // Ignored while a run is going. The caller may keep its own typed pointer to the job to
    // read its result at the end.
    void start(std::shared_ptr<jobs::Job> job, jobs::JobContext context);
    bool isRunning() const { return m_thread != nullptr; }
    // The running job; null otherwise (finished() hands it over as its argument).
    jobs::Job* job() const { return m_job.get(); }

    void requestStop();
    void requestAbandon();
    bool stopRequested() const { return m_stopRequested.load(); }

    // Blocks until the worker has returned, then delivers its last batch and its end
    // (finished or failed) before returning. Does nothing when no run is going.
    void waitForFinished();

    // Called on the worker thread after every step, once its progress is buffered: lets a
    // test hold a run at a given step. Set before a run starts.
    void setStepHook(StepHook hook) { m_stepHook = std::move(hook); }

signals:
    void progressed(const orvex::jobs::JobProgress& batch);
    void finished(orvex::jobs::Job* job, const orvex::jobs::JobOutcome& outcome);
    void failed(const QString& message);

private:
    void onWorkerStep(jobs::JobProgress&& progress);
    void deliverBatch();
    void deliverEnd();
    static void disposeOffThisThread(std::shared_ptr<jobs::Job> job, std::optional<jobs::JobOutcome> outcome);

    StepHook m_stepHook;
    QTimer m_timer;
    QThread* m_thread = nullptr;
    std::shared_ptr<jobs::Job> m_job;
    std::atomic<bool> m_stopRequested{false};
    quint64 m_runNumber = 0;

    QMutex m_mutex; // guards what follows, written by the worker
    jobs::JobProgress m_pending;
    bool m_hasPending = false;
    std::optional<jobs::JobOutcome> m_outcome;
    std::optional<QString> m_error;
};

} // namespace orvex::gui

Q_DECLARE_METATYPE(orvex::jobs::JobProgress)
Q_DECLARE_METATYPE(orvex::jobs::JobOutcome)
