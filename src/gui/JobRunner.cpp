#include "gui/JobRunner.h"

#include "Error.h"

#include <QMutexLocker>
#include <QThread>
#include <QThreadPool>

#include <exception>

namespace orvex::gui {

namespace {
constexpr int kBatchIntervalMs = 50;
} // namespace

JobRunner::JobRunner(QObject* parent) : QObject(parent)
{
    m_timer.setInterval(kBatchIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &JobRunner::deliverBatch);
}

JobRunner::~JobRunner()
{
    if (isRunning()) {
        requestAbandon();
        m_thread->wait();
        delete m_thread;
    }
}

void JobRunner::start(std::shared_ptr<jobs::Job> job, jobs::JobContext context)
{
    if (isRunning() || !job)
        return;
    m_stopRequested = false;
    {
        QMutexLocker lock(&m_mutex);
        m_pending = jobs::JobProgress{};
        m_hasPending = false;
        m_outcome.reset();
        m_error.reset();
    }
    m_job = std::move(job);
    jobs::Job* running = m_job.get();
    m_thread = QThread::create([this, running, context = std::move(context)] {
        try {
            jobs::JobOutcome outcome =
                running->run(context, [this](jobs::JobProgress&& p) { onWorkerStep(std::move(p)); });
            QMutexLocker lock(&m_mutex);
            m_outcome = std::move(outcome);
        } catch (const Error& e) {
            QMutexLocker lock(&m_mutex);
            m_error = e.message();
        } catch (const std::exception& e) {
            QMutexLocker lock(&m_mutex);
            m_error = QString::fromLocal8Bit(e.what());
        }
    });
    m_thread->setObjectName(running->title());
    const quint64 run = ++m_runNumber;
    connect(m_thread, &QThread::finished, this, [this, run] {
        if (run == m_runNumber)
            deliverEnd(); // unless waitForFinished delivered this run already
    });
    m_thread->start();
    m_timer.start();
}

void JobRunner::requestStop()
{
    if (!m_job)
        return;
    m_stopRequested = true;
    m_job->requestStop();
}

void JobRunner::requestAbandon()
{
    if (!m_job)
        return;
    m_stopRequested = true;
    m_job->requestAbandon();
}

void JobRunner::onWorkerStep(jobs::JobProgress&& progress)
{
    const StepHook& hook = m_stepHook;
    std::optional<jobs::JobProgress> copy;
    if (hook)
        copy = progress;
    {
        QMutexLocker lock(&m_mutex);
        if (m_hasPending)
            m_pending.merge(std::move(progress));
        else
            m_pending = std::move(progress);
        m_hasPending = true;
    }
    if (copy)
        hook(*copy);
}

void JobRunner::deliverBatch()
{
    jobs::JobProgress batch;
    {
        QMutexLocker lock(&m_mutex);
        if (!m_hasPending)
            return;
        batch = std::move(m_pending);
        m_pending = jobs::JobProgress{};
        m_hasPending = false;
    }
    emit progressed(batch);
}

void JobRunner::waitForFinished()
{
    if (!isRunning())
        return;
    m_thread->wait();
    deliverEnd();
}

void JobRunner::deliverEnd()
{
    if (!isRunning())
        return; // already delivered (waitForFinished came first)
    m_thread->wait();
    m_thread->deleteLater();
    m_thread = nullptr;
    m_timer.stop();
    deliverBatch();

    std::optional<jobs::JobOutcome> outcome;
    std::optional<QString> error;
    {
        QMutexLocker lock(&m_mutex);
        outcome = std::move(m_outcome);
        error = std::move(m_error);
        m_outcome.reset();
        m_error.reset();
    }
    // The job stays readable during finished(); a handler may start the next run.
    std::shared_ptr<jobs::Job> done = std::move(m_job);
    if (outcome)
        emit finished(done.get(), *outcome);
    else
        emit failed(error.value_or(QStringLiteral("The %1 ended without a result.").arg(done->title())));
    disposeOffThisThread(std::move(done), std::move(outcome));
}

// A scan of 100,000 lines leaves a result and a --json object that take over 100 ms to
// free: they are freed on a pool thread instead of the window's (the job only when nobody
// kept it).
void JobRunner::disposeOffThisThread(std::shared_ptr<jobs::Job> job, std::optional<jobs::JobOutcome> outcome)
{
    if (job.use_count() > 1)
        job.reset();
    QThreadPool::globalInstance()->start([job = std::move(job), outcome = std::move(outcome)]() mutable {
        job.reset();
        outcome.reset();
    });
}

} // namespace orvex::gui
