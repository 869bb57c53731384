#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>

namespace orvex {
class Error;
}

namespace orvex::db {

class Dialect;
class Query;

// The database product decides the statement dialect, not the Qt driver: an ODBC
// connection to SQLite speaks SQLite.
enum class Product { SqlServer, Sqlite };

struct ConnectionSettings
{
    enum class Kind { Embedded, Odbc };
    Kind kind = Kind::Embedded;
    QString embeddedFolder;       // holds Build_FILE.db and Medicare.db (ODBC to SQLite: where
                                  // to find them; default: the data source's own folder)
    QString odbcConnectionString; // DRIVER=...;SERVER=...;... without the password
    QString password;             // added at open time; never shown, stored or logged
    int loginTimeoutSeconds = 10;

    // For messages: names the database, never the password.
    QString describe() const;
};

// The error of a failed ODBC login, from the driver's words: a driver that cannot be loaded
// names the sign-in form's "ODBC driver" field, a refused server certificate says which of
// "Encrypt" and "Trust server certificate" to change. The password never shows.
Error odbcLoginFailure(const ConnectionSettings& settings, const QString& driverText);

// One open connection, used only by the thread that opened it. A worker opens its own
// from the same settings.
class Connection
{
public:
    // Throws orvex::Error naming the database and what is wrong.
    static std::unique_ptr<Connection> open(const ConnectionSettings& settings);
    // The central update server: "central.db" in the embedded folder, opened read-only, or
    // the ODBC data source. Nothing is checked beyond the login. Throws orvex::Error.
    static std::unique_ptr<Connection> openCentral(const ConnectionSettings& settings);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const ConnectionSettings& settings() const { return m_settings; }
    Product product() const { return m_product; }
    const Dialect& dialect() const;
    // The dialect `query` is rendered in here: a JSON key list goes in one parameter on
    // SQLite (json_each) unless mainFileIsAttached, and on a SQL Server that reads JSON
    // (OPENJSON, serverHasOpenJson); elsewhere a parameter a key.
    const Dialect& dialectFor(const Query& query);

    // Prepares `sql`, binds `params` in order, executes it and returns the positioned-
    // before-first query. Counts one statement sent. Throws orvex::Error with the
    // database's message on failure.
    QSqlQuery exec(const QString& sql, const QVariantList& params = {});
    // Executes `sql` as it stands, unprepared, for statements that carry no values. On SQL
    // Server it is a batch of its own, so a USE lasts for the session (inside a prepared
    // statement it would end with it). Counted and hooked like exec().
    void execDirect(const QString& sql);
    // Like exec(), but the prepared statement is kept for the next call with the same text:
    // for statements sent thousands of times in one go (a log line per change, a row check
    // per change). The query returned is the kept one: read what is needed from it before
    // the next call with the same text, and call finish() on a read one.
    QSqlQuery& execPrepared(const QString& sql, const QVariantList& params = {});
    // The same for a query of db/Queries.h, rendered for this connection's product; a query
    // is one statement here, except for execDirect, which sends each of its statements.
    // Throws orvex::Error also when a name of the query is left unbound or is none of its.
    QSqlQuery exec(const Query& query);
    QSqlQuery& execPrepared(const Query& query);
    void execDirect(const Query& query);
    // Whether the query sends anything on this connection's product.
    bool sends(const Query& query) const;

    quint64 statementsSent() const { return m_statementsSent; }
    // Statements that failed, and the message of the last one: for a caller that must know
    // whether a job it ran passed a failure over (inside a transaction, one may have ended it).
    quint64 statementsFailed() const { return m_statementsFailed; }
    QString lastFailure() const { return m_lastFailure; }

    // Whether SQL Server reads JSON here (2016 and later, both databases at compatibility
    // level 130 or more): asked once per connection; false on SQLite and when it cannot tell.
    bool serverHasOpenJson();

    // SQLite behind ODBC whose data source's own file is one of the attached databases: a
    // statement that reads json_each (a table of "main") then holds a read lock on the file
    // that a write to it under its attached name waits for until the busy timeout.
    bool mainFileIsAttached() const { return m_mainFileIsAttached; }

    // Seam for benchmarks and tests (a simulated round trip, a failure injection):
    // called before each statement is sent. Production code never sets it.
    void setBeforeStatementHook(std::function<void()> hook) { m_beforeStatement = std::move(hook); }
    // Seam for benchmarks and differential tests: at most `rows` rows per set statement of
    // db/RowSets.h (1: a statement per row, the line-by-line reference); 0, the default, as
    // many as the form takes. Production code never sets it.
    void setRowsPerSetStatement(int rows) { m_rowsPerSetStatement = rows; }
    int rowsPerSetStatement() const { return m_rowsPerSetStatement; }

    // The Qt connection; queries made on it must not outlive this object.
    QSqlDatabase database() const;
    QString connectionName() const { return m_connectionName; }

private:
    Connection(ConnectionSettings settings, QString connectionName, Product product);
    // Counts `failure` and keeps its message; returns it to be thrown.
    const Error& noted(const Error& failure);
    void beforeStatement();

    ConnectionSettings m_settings;
    QString m_connectionName;
    QSqlDatabase m_database;
    Product m_product;
    quint64 m_statementsSent = 0;
    std::optional<bool> m_openJson;
    bool m_mainFileIsAttached = false;
    int m_rowsPerSetStatement = 0;
    quint64 m_statementsFailed = 0;
    QString m_lastFailure;
    std::function<void()> m_beforeStatement;
    std::unordered_map<QString, QSqlQuery> m_prepared; // execPrepared's statements, by text
};

} // namespace orvex::db
