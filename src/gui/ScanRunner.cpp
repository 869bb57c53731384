#include "gui/ScanRunner.h"

#include "Error.h"

#include <QMutexLocker>
#include <QThread>

#include <exception>

namespace orvex::gui {

namespace {
constexpr int kBatchIntervalMs = 50;

ScanRunner::LineHook& lineHook()
{
    static ScanRunner::LineHook hook;
    return hook;
}
} // namespace

ScanRunner::ScanRunner(QObject* parent) : QObject(parent)
{
    m_timer.setInterval(kBatchIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &ScanRunner::deliverBatch);
}

ScanRunner::~ScanRunner()
{
    if (isRunning()) {
        requestWindowClosing();
        m_thread->wait();
        delete m_thread;
    }
}

void ScanRunner::setLineHook(LineHook hook)
{
    lineHook() = std::move(hook);
}

void ScanRunner::start(reconcile::ScanParams params)
{
    if (isRunning())
        return;
    m_stopRequested = false;
    {
        QMutexLocker lock(&m_mutex);
        m_pending = ScanBatch{};
        m_hasPending = false;
        m_result.reset();
        m_error.reset();
    }
    m_job = std::make_unique<reconcile::ScanJob>(std::move(params));
    reconcile::ScanJob* job = m_job.get();
    m_thread = QThread::create([this, job] {
        try {
            reconcile::ScanResult result =
                job->run([this](const reconcile::ScanProgress& p) { onWorkerLine(p); });
            QMutexLocker lock(&m_mutex);
            m_result = std::move(result);
        } catch (const Error& e) {
            QMutexLocker lock(&m_mutex);
            m_error = e.message();
        } catch (const std::exception& e) {
            QMutexLocker lock(&m_mutex);
            m_error = QString::fromLocal8Bit(e.what());
        }
    });
    m_thread->setObjectName(QStringLiteral("scan"));
    const quint64 run = ++m_runNumber;
    connect(m_thread, &QThread::finished, this, [this, run] {
        if (run == m_runNumber)
            deliverEnd(); // unless waitForFinished delivered this run already
    });
    m_thread->start();
    m_timer.start();
}

void ScanRunner::requestStop()
{
    if (!m_job)
        return;
    m_stopRequested = true;
    m_job->requestStop();
}

void ScanRunner::requestWindowClosing()
{
    if (!m_job)
        return;
    m_stopRequested = true;
    m_job->requestWindowClosing();
}

void ScanRunner::onWorkerLine(const reconcile::ScanProgress& progress)
{
    {
        QMutexLocker lock(&m_mutex);
        m_pending.linesDone = progress.linesDone;
        m_pending.lineCount = progress.lineCount;
        m_pending.counters = progress.counters;
        m_pending.groupName = progress.groupName;
        m_pending.packageId = progress.packageId;
        m_pending.newRows.insert(m_pending.newRows.end(), progress.newRows.begin(), progress.newRows.end());
        m_hasPending = true;
    }
    if (lineHook())
        lineHook()(progress);
}

void ScanRunner::deliverBatch()
{
    ScanBatch batch;
    {
        QMutexLocker lock(&m_mutex);
        if (!m_hasPending)
            return;
        batch = std::move(m_pending);
        m_pending = ScanBatch{};
        m_hasPending = false;
    }
    emit progressed(batch);
}

void ScanRunner::waitForFinished()
{
    if (!isRunning())
        return;
    m_thread->wait();
    deliverEnd();
}

void ScanRunner::deliverEnd()
{
    if (!isRunning())
        return; // already delivered (waitForFinished came first)
    m_thread->wait();
    m_thread->deleteLater();
    m_thread = nullptr;
    m_timer.stop();
    deliverBatch();

    std::optional<reconcile::ScanResult> result;
    std::optional<QString> error;
    {
        QMutexLocker lock(&m_mutex);
        result = std::move(m_result);
        error = std::move(m_error);
        m_result.reset();
        m_error.reset();
    }
    m_job.reset();
    if (result)
        emit finished(*result);
    else
        emit failed(error.value_or(QStringLiteral("The scan ended without a result.")));
}

} // namespace orvex::gui
