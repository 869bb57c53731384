#pragma once

namespace orvex::db {

class Connection;

// A transaction on one connection for as long as the guard lives: begun by the
// constructor, rolled back by the destructor unless commit() ran. Tools that change data
// hold one around their statements, so a failure half-way (an exception, a lost server)
// leaves the tables as they were.
//
//     db::Transaction tx(connection, db::Transaction::Mode::Write);
//     const qint64 next = connection.exec(sql.maxPackageId()) ...;  // nobody else can take it
//     connection.exec(sql.insertPackage(), {next, ...});
//     tx.commit();
//
// Mode::Write takes the write lock at once (SQLite: of both database files; SQL Server: an
// exclusive application lock "orvex-write" held by the transaction, so two Orvex tools
// never reserve the same identifier; read the largest one WITH (UPDLOCK, HOLDLOCK) too
// where programs other than Orvex insert), for tools that read a largest identifier and
// then insert the next one. Deferred begins like a plain BEGIN:
// the first write takes the lock. Transactions do not nest: one guard per connection at
// a time. The statement texts are db/Queries.h's.
class Transaction
{
public:
    enum class Mode { Deferred, Write };

    // Throws orvex::Error when the transaction cannot begin (database locked by another
    // writer past the busy timeout, connection lost).
    explicit Transaction(Connection& connection, Mode mode = Mode::Deferred);
    ~Transaction(); // rolls back unless committed; never throws
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Throws orvex::Error when the commit fails; the destructor then rolls back.
    void commit();
    bool isActive() const { return m_active; }

private:
    void rollback() noexcept;

    Connection& m_connection;
    bool m_active = false;
};

} // namespace orvex::db
