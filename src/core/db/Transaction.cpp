#include "db/Transaction.h"

#include "Error.h"
#include "db/Connection.h"
#include "db/Dialect.h"
#include "db/Queries.h"

#include <QSqlError>

namespace orvex::db {

namespace {
// SQL Server: the driver's transaction calls (autocommit off, SQLEndTran). A BEGIN
// TRANSACTION sent as a prepared statement would run inside the driver's prepare-and-execute
// batch, which must end with the transaction count it began with.
void driverCall(Connection& connection, bool ok, const char* what)
{
    if (ok)
        return;
    throw Error(Error::Kind::Database, QStringLiteral("Cannot %1 a transaction on %2: %3.")
                                           .arg(QLatin1String(what), connection.settings().describe(),
                                                connection.database().lastError().text().trimmed()));
}
} // namespace

Transaction::Transaction(Connection& connection, Mode mode) : m_connection(connection)
{
    if (connection.dialect().transactionsThroughDriver()) {
        QSqlDatabase db = connection.database();
        driverCall(connection, db.transaction(), "begin");
    } else {
        m_connection.exec(queries::beginTransaction);
    }
    m_active = true;
    if (mode == Mode::Write) {
        try {
            for (const RenderedStatement& lock : Query(queries::takeWriteLock).render(connection.product()))
                m_connection.exec(lock.sql, lock.params);
        } catch (...) {
            rollback(); // a throwing constructor runs no destructor
            throw;
        }
    }
}

Transaction::~Transaction()
{
    rollback();
}

void Transaction::rollback() noexcept
{
    if (!m_active)
        return;
    m_active = false;
    try {
        if (m_connection.dialect().transactionsThroughDriver())
            m_connection.database().rollback();
        else
            m_connection.exec(queries::rollbackTransaction);
    } catch (...) {
        // A lost connection rolls back on the server's side; nothing more to do here.
    }
}

void Transaction::commit()
{
    if (m_connection.dialect().transactionsThroughDriver()) {
        QSqlDatabase db = m_connection.database();
        driverCall(m_connection, db.commit(), "commit");
    } else {
        m_connection.exec(queries::commitTransaction);
    }
    m_active = false;
}

} // namespace orvex::db
