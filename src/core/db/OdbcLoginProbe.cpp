#include "db/OdbcLoginProbe.h"

#include <QSqlDatabase>
#include <QSqlError>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace orvex::db {

namespace {
struct SharedOutcome
{
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    OdbcLoginOutcome outcome;
};

QString nextProbeName()
{
    static std::atomic<quint64> counter{0};
    return QStringLiteral("orvex-login-probe-%1").arg(++counter);
}

OdbcLoginOutcome tryLogin(const QString& name, const QString& connectionString, const QString& options)
{
    OdbcLoginOutcome outcome;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
        db.setDatabaseName(connectionString);
        db.setConnectOptions(options);
        if (db.open()) {
            outcome.kind = OdbcLoginOutcome::Kind::Opened;
        } else {
            outcome.kind = OdbcLoginOutcome::Kind::Failed;
            const QSqlError e = db.lastError();
            outcome.error =
                e.databaseText().trimmed().isEmpty() ? e.driverText().trimmed() : e.databaseText().trimmed();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return outcome;
}
} // namespace

OdbcLoginOutcome probeOdbcLogin(const QString& connectionString, const QString& connectOptions,
                                std::chrono::milliseconds deadline)
{
    auto shared = std::make_shared<SharedOutcome>();
    std::thread login([shared, name = nextProbeName(), connectionString, connectOptions] {
        OdbcLoginOutcome outcome = tryLogin(name, connectionString, connectOptions);
        const std::lock_guard lock(shared->mutex);
        shared->outcome = std::move(outcome);
        shared->finished = true;
        shared->done.notify_all();
    });
    std::unique_lock lock(shared->mutex);
    if (!shared->done.wait_for(lock, deadline, [&] { return shared->finished; })) {
        lock.unlock();
        login.detach(); // it owns what it uses; nothing waits for it
        return OdbcLoginOutcome{};
    }
    lock.unlock();
    login.join();
    return shared->outcome;
}

} // namespace orvex::db
