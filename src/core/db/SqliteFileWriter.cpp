#include "db/SqliteFileWriter.h"

#include "Error.h"
#include "db/CiAsCollation.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>

namespace orvex::db {

namespace {

QString nextConnectionName()
{
    static std::atomic<quint64> counter{0};
    return QStringLiteral("orvex-sample-%1").arg(++counter);
}

// One private QSQLITE connection, closed and forgotten on every path out.
class FileConnection
{
public:
    FileConnection(const QString& path, const QString& options) : m_path(path), m_name(nextConnectionName())
    {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        m_db.setDatabaseName(path);
        m_db.setConnectOptions(options);
        if (!m_db.open())
            fail(QStringLiteral("cannot be opened"), m_db.lastError());
        registerCiAsCollation(m_db);
    }
    ~FileConnection()
    {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    FileConnection(const FileConnection&) = delete;
    FileConnection& operator=(const FileConnection&) = delete;

    QSqlDatabase& db() { return m_db; }

    [[noreturn]] void fail(const QString& what, const QSqlError& error) const
    {
        throw Error(Error::Kind::Database,
                    QStringLiteral("The database file %1 %2: %3")
                        .arg(QDir::toNativeSeparators(m_path), what, error.text().trimmed()));
    }

    void run(const QString& sql)
    {
        QSqlQuery q(m_db);
        if (!q.exec(sql))
            fail(QStringLiteral("rejected \"%1\"").arg(sql.left(80)), q.lastError());
    }

private:
    QString m_path;
    QString m_name;
    QSqlDatabase m_db;
};

QString insertStatement(const sample::TableRows& t)
{
    QStringList marks;
    for (qsizetype i = 0; i < t.columns.size(); ++i)
        marks.append(QStringLiteral("?"));
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(t.table, t.columns.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
}

void insertRows(FileConnection& file, const sample::TableRows& t)
{
    QSqlQuery q(file.db());
    if (!q.prepare(insertStatement(t)))
        file.fail(QStringLiteral("cannot take rows for %1").arg(t.table), q.lastError());
    for (const QVariantList& row : t.rows) {
        for (qsizetype i = 0; i < row.size(); ++i)
            q.bindValue(int(i), row[i]);
        if (!q.exec())
            file.fail(QStringLiteral("refused a row of %1 (%2)").arg(t.table, row.value(0).toString()),
                      q.lastError());
    }
}

} // namespace

void writeSqliteFile(const QString& path, const sqliteschema::Schema& schema,
                     const QList<sample::TableRows>& tables)
{
    FileConnection file(path, QString());
    // A new file that is thrown away on failure needs no journal and no syncing.
    file.run(QStringLiteral("PRAGMA journal_mode=OFF"));
    file.run(QStringLiteral("PRAGMA synchronous=OFF"));
    if (!file.db().transaction())
        file.fail(QStringLiteral("cannot start a transaction"), file.db().lastError());
    for (const QString& sql : schema.tables)
        file.run(sql);
    for (const sample::TableRows& t : tables)
        insertRows(file, t);
    for (const QString& sql : schema.indexes)
        file.run(sql);
    if (!file.db().commit())
        file.fail(QStringLiteral("cannot commit"), file.db().lastError());
}

QList<TableCount> countSqliteTables(const QString& path)
{
    FileConnection file(path, QStringLiteral("QSQLITE_OPEN_READONLY"));
    QSqlQuery names(file.db());
    if (!names.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid")))
        file.fail(QStringLiteral("cannot list its tables"), names.lastError());
    QList<TableCount> counts;
    while (names.next())
        counts.append({names.value(0).toString(), 0});
    for (TableCount& c : counts) {
        // The table name comes from the file's own catalogue, quoted as an identifier.
        QSqlQuery q(file.db());
        const QString quoted = QLatin1Char('"') +
                               QString(c.table).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
                               QLatin1Char('"');
        if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM ") + quoted) || !q.next())
            file.fail(QStringLiteral("cannot count the rows of %1").arg(c.table), q.lastError());
        c.rows = q.value(0).toLongLong();
    }
    return counts;
}

} // namespace orvex::db
