#include "db/Connection.h"

#include "Error.h"
#include "db/CiAsCollation.h"
#include "db/Dialect.h"
#include "db/OdbcConnectionString.h"
#include "db/OdbcLoginProbe.h"
#include "db/Queries.h"
#include "db/SignIn.h"
#include "db/SqliteHandle.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QUrl>

#include <atomic>

namespace orvex::db {

namespace {

const QString kBuildFile = QStringLiteral("Build_FILE");
constexpr char kBuildFileSchema[] = "Build_FILE"; // SQLite keeps the pointer
const QString kMedicare = QStringLiteral("Medicare");

QString nextConnectionName()
{
    static std::atomic<quint64> counter{0};
    return QStringLiteral("orvex-db-%1").arg(++counter);
}

QString fileOf(const QString& folder, const QString& database)
{
    return QDir(folder).filePath(database + QStringLiteral(".db"));
}

// A statement for messages: one line, at most 160 characters.
QString shortForm(const QString& sql)
{
    QString s = sql.simplified();
    if (s.size() > 160)
        s = s.left(157) + QStringLiteral("...");
    return s;
}

QString errorText(const QSqlError& e)
{
    // The database's own words; Qt's driver text ("Unable to fetch row") only when
    // there are none.
    QString db = e.databaseText().trimmed();
    if (!db.isEmpty())
        return db;
    const QString driver = e.driverText().trimmed();
    return driver.isEmpty() ? QStringLiteral("unknown error") : driver;
}

// Another session holds a lock: SQLite's busy or locked (primary result codes 5 and 6; the
// ODBC driver gives only its words), SQL Server's lock time-out.
bool isLockConflict(const ConnectionSettings& settings, const QSqlError& e)
{
    if (settings.kind == ConnectionSettings::Kind::Embedded) {
        bool numeric = false;
        const int code = e.nativeErrorCode().toInt(&numeric) & 0xFF;
        return numeric && (code == 5 || code == 6);
    }
    const QString text = e.databaseText();
    return text.contains(QLatin1String("database is locked"), Qt::CaseInsensitive) ||
           text.contains(QLatin1String("database table is locked"), Qt::CaseInsensitive) ||
           text.contains(QLatin1String("Lock request time out period exceeded"), Qt::CaseInsensitive);
}

Error statementFailed(const ConnectionSettings& settings, const QSqlQuery& query, const QString& sql)
{
    // Nothing the user can do about the statement: only the wait helps.
    if (isLockConflict(settings, query.lastError()))
        return Error(Error::Kind::Database,
                     QStringLiteral("Cannot use %1 now: another program or window holds a lock on it (%2). "
                                    "Nothing was changed; try again when it has finished.")
                         .arg(settings.describe(), errorText(query.lastError())));
    return Error(Error::Kind::Database,
                 QStringLiteral("A statement failed on %1: %2. Statement: %3")
                     .arg(settings.describe(), errorText(query.lastError()), shortForm(sql)));
}

// Closes and forgets a Qt connection that failed half-way through opening.
class PendingConnection
{
public:
    PendingConnection(const QString& driver, const QString& name)
        : m_name(name), m_db(QSqlDatabase::addDatabase(driver, name))
    {
    }
    ~PendingConnection()
    {
        if (m_keep)
            return;
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase& db() { return m_db; }
    void keep() { m_keep = true; }

private:
    QString m_name;
    QSqlDatabase m_db;
    bool m_keep = false;
};

// Runs a set-up statement (not counted); returns the error text, empty on success.
QString runSetup(QSqlDatabase& db, const QString& sql, const QVariantList& params = {})
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        return errorText(q.lastError());
    for (const QVariant& p : params)
        q.addBindValue(p);
    if (!q.exec())
        return errorText(q.lastError());
    return QString();
}

Product detectProduct(QSqlDatabase& db)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    return q.exec(QStringLiteral("select sqlite_version()")) ? Product::Sqlite : Product::SqlServer;
}

void requireFile(const QString& path, const QString& database)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw Error(
            Error::Kind::Database,
            QStringLiteral("The database %1 is missing: %2 does not exist. Choose the folder that holds "
                           "Build_FILE.db and Medicare.db, or build the sample databases there with: "
                           "orvex-cli --db \"%3\" db init")
                .arg(database, QDir::toNativeSeparators(path),
                     QDir::toNativeSeparators(QFileInfo(path).absolutePath())));
    if (!info.isFile() || !info.isReadable())
        throw Error(Error::Kind::Database,
                    QStringLiteral("The database %1 cannot be read: %2 is not a readable file.")
                        .arg(database, QDir::toNativeSeparators(path)));
}

// A URI that opens the file for reading and writing and never creates it.
QString existingFileUri(const QString& path)
{
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
           QStringLiteral("?mode=rw");
}

// ATTACH never creates the file: a URI with mode=rw where URIs are on (embedded),
// and a file that was checked to exist just before in any case.
void attach(QSqlDatabase& db, const QString& path, const QString& database, bool asUri)
{
    requireFile(path, database);
    const QString target = asUri ? existingFileUri(path) : path;
    const QString failure = runSetup(db, QStringLiteral("attach database ? as %1").arg(database), {target});
    if (!failure.isEmpty())
        throw Error(Error::Kind::Database, QStringLiteral("The database %1 (%2) cannot be opened: %3.")
                                               .arg(database, QDir::toNativeSeparators(path), failure));
}

// A transaction over both files commits as one only with rollback journals: a file another
// program switched to a write-ahead log is switched back (SQLite's default, which this
// connection keeps, is a journal deleted at commit and synced).
void useRollbackJournal(QSqlDatabase& db, const QString& database, const QString& path)
{
    auto journalMode = [&](const QString& sql, QString* failure) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(sql.arg(database)) || !q.next()) {
            *failure = errorText(q.lastError());
            return QString();
        }
        return q.value(0).toString().toLower();
    };
    QString failure;
    if (journalMode(QStringLiteral("pragma %1.journal_mode"), &failure) != QLatin1String("wal"))
        return;
    if (journalMode(QStringLiteral("pragma %1.journal_mode = delete"), &failure) != QLatin1String("delete"))
        throw Error(Error::Kind::Database,
                    QStringLiteral("The database %1 (%2) uses a write-ahead log, which another program set, "
                                   "and cannot be switched back to a rollback journal: %3. Close the "
                                   "programs that use it and try again.")
                        .arg(database, QDir::toNativeSeparators(path),
                             failure.isEmpty() ? QStringLiteral("the log is in use") : failure));
}

bool isAttached(QSqlDatabase& db, const QString& database)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("pragma database_list")))
        return false;
    while (q.next())
        if (q.value(1).toString().compare(database, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Whether the file of "main" is also attached under another name.
bool attachesMainFile(QSqlDatabase& db)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("pragma database_list")))
        return false;
    QString main;
    QStringList others;
    while (q.next()) {
        const QString file = q.value(2).toString();
        if (file.isEmpty())
            continue;
        const QString path = QFileInfo(file).canonicalFilePath();
        if (q.value(1).toString() == QLatin1String("main"))
            main = path;
        else
            others << path;
    }
    return !main.isEmpty() && others.contains(main);
}

QString mainDatabaseFolder(QSqlDatabase& db)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("pragma database_list")))
        return QString();
    while (q.next())
        if (q.value(1).toString() == QLatin1String("main") && !q.value(2).toString().isEmpty())
            return QFileInfo(q.value(2).toString()).absolutePath();
    return QString();
}

QString whereIs(const ConnectionSettings& settings, Product product, const QString& database,
                const QString& folder)
{
    if (product == Product::Sqlite && !folder.isEmpty())
        return QStringLiteral("%1 (%2)").arg(database, QDir::toNativeSeparators(fileOf(folder, database)));
    return QStringLiteral("%1 on %2").arg(database, settings.describe());
}

// A read of the columns the tool relies on in one table; it fails when the table, a column
// or the table's collation is missing.
struct TableProbe
{
    const char* database;
    const char* table;
    const char* columns; // for the message
    const QueryText& query;
};

void checkTables(QSqlDatabase& db, const ConnectionSettings& settings, Product product, const QString& folder)
{
    static const TableProbe probes[] = {
        {"Build_FILE", "tbICDdiagMain", "CODE, Description", queries::probeIcd},
        {"Medicare", "tbMed_MedicalCaseRates", "ICDCode, Description, CaseType, PackageID",
         queries::probeCaseRates},
        {"Medicare", "tbMedPackage", "PackageID, Package, Amount, PF, MedRoomBoard", queries::probePackages},
    };
    for (const TableProbe& probe : probes) {
        const QString failure = runSetup(db, Query(probe.query).renderOne(product).sql);
        if (failure.isEmpty())
            continue;
        QString hint;
        if (failure.contains(QLatin1String("collation"), Qt::CaseInsensitive))
            hint = QStringLiteral(" Its columns use the CI_AS collation, which only the embedded connection "
                                  "(--db) provides.");
        throw Error(
            Error::Kind::Database,
            QStringLiteral("The database %1 cannot be used: %2. It needs the table %3 with the columns %4.%5")
                .arg(whereIs(settings, product, QLatin1String(probe.database), folder), failure,
                     QLatin1String(probe.table), QLatin1String(probe.columns), hint));
    }
}

// The SQLite ODBC driver would create a missing database file; say so instead.
void refuseMissingSqliteFile(const ConnectionSettings& settings)
{
    const QString driver = odbcAttribute(settings.odbcConnectionString, QStringLiteral("DRIVER"));
    const QString file = odbcAttribute(settings.odbcConnectionString, QStringLiteral("Database"));
    if (!driver.contains(QLatin1String("sqlite"), Qt::CaseInsensitive) || file.isEmpty() ||
        file == QLatin1String(":memory:") || QFileInfo::exists(file))
        return;
    throw Error(Error::Kind::Database, QStringLiteral("The database file %1 named by %2 does not exist.")
                                           .arg(QDir::toNativeSeparators(file), settings.describe()));
}

QString withoutPassword(QString reason, const ConnectionSettings& settings)
{
    if (!settings.password.isEmpty())
        reason.replace(settings.password, QStringLiteral("***"));
    return reason;
}

QString openFailure(const QSqlDatabase& db, const ConnectionSettings& settings)
{
    return withoutPassword(errorText(db.lastError()), settings);
}

// The driver manager's words for a driver it cannot find or load (unixODBC, Windows).
bool isMissingDriver(const QString& reason)
{
    for (const char* sign : {"Can't open lib", "Data source name not found", "IM002", "IM003"}) {
        if (reason.contains(QLatin1String(sign), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// The driver's words for a server certificate it did not accept (OpenSSL on Linux and
// macOS, Schannel on Windows).
bool isCertificateFailure(const QString& reason)
{
    for (const char* sign : {"certificate verify failed", "certificate chain", "self-signed certificate",
                             "self signed certificate", "not trusted", "SEC_E_UNTRUSTED_ROOT"}) {
        if (reason.contains(QLatin1String(sign), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// Which of the sign-in form's two choices to change for a certificate the driver refused.
QString certificateAdvice(const QString& connectionString)
{
    const std::optional<OdbcEncrypt> encrypt =
        odbcEncryptFromName(odbcAttribute(connectionString, QStringLiteral("Encrypt")));
    if (encrypt == OdbcEncrypt::Strict)
        return QStringLiteral(
            "With \"Encrypt\" set to \"strict\" the certificate is always checked: install the server's "
            "certificate (or its issuer's) on this computer, or set \"Encrypt\" to \"yes\" and tick \"Trust "
            "server certificate\" (--encrypt yes --trust-server-certificate on the command line).");
    return QStringLiteral(
        "Install the server's certificate (or its issuer's) on this computer, or, for a server with a "
        "self-signed certificate, tick \"Trust server certificate\" on the sign-in form "
        "(--trust-server-certificate on the command line). \"Encrypt\" set to \"no\" is not needed "
        "for this.");
}

Error loginFailed(const ConnectionSettings& settings, const QString& driverText)
{
    return odbcLoginFailure(settings, driverText);
}

// Some drivers wait for ever on a server that accepts the connection and never answers:
// a login that has not returned a few seconds after its own timeout is given up.
void requireLoginAnswers(const ConnectionSettings& settings, const QString& connectionString,
                         const QString& options, int timeoutSeconds)
{
    constexpr int kGraceSeconds = 5;
    const OdbcLoginOutcome probe =
        probeOdbcLogin(connectionString, options, std::chrono::seconds(timeoutSeconds + kGraceSeconds));
    if (probe.kind == OdbcLoginOutcome::Kind::Failed)
        throw loginFailed(settings, probe.error);
    if (probe.kind == OdbcLoginOutcome::Kind::NoAnswer) {
        throw Error(
            Error::Kind::Database,
            QStringLiteral("Cannot connect to %1: the server did not answer the login within %2 seconds. "
                           "Check the server name and port, and that a SQL Server is running there.")
                .arg(settings.describe())
                .arg(timeoutSeconds + kGraceSeconds));
    }
}

// Logs in to the ODBC data source within the login timeout; the password is added for
// the login only.
void openOdbc(QSqlDatabase& db, const ConnectionSettings& settings)
{
    refuseMissingSqliteFile(settings);
    QString connectionString = settings.odbcConnectionString;
    if (!settings.password.isEmpty())
        connectionString = withOdbcAttribute(connectionString, QStringLiteral("PWD"), settings.password);
    db.setDatabaseName(connectionString);
    const int timeout = settings.loginTimeoutSeconds > 0 ? settings.loginTimeoutSeconds : 10;
    const QString options =
        QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1;SQL_ATTR_CONNECTION_TIMEOUT=%1").arg(timeout);
    requireLoginAnswers(settings, connectionString, options, timeout);
    db.setConnectOptions(options);
    const bool opened = db.open();
    // The password lives on in the driver's session only, not in the Qt connection.
    db.setDatabaseName(settings.odbcConnectionString);
    if (!opened)
        throw loginFailed(settings, errorText(db.lastError()));
}

} // namespace

Error odbcLoginFailure(const ConnectionSettings& settings, const QString& driverText)
{
    const QString reason = withoutPassword(driverText, settings);
    if (isMissingDriver(reason)) {
        const QString driver = odbcAttribute(settings.odbcConnectionString, QStringLiteral("DRIVER"));
        return Error(Error::Kind::Database,
                     QStringLiteral("The ODBC driver \"%1\" is not installed on this computer or cannot be "
                                    "loaded (%2). Install it, or name an installed driver in the sign-in "
                                    "form's \"ODBC driver\" field.")
                         .arg(driver.isEmpty() ? QStringLiteral("of the data source") : driver, reason));
    }
    if (isCertificateFailure(reason)) {
        return Error(
            Error::Kind::Database,
            QStringLiteral("Cannot connect to %1: the server's certificate was not accepted (%2). %3")
                .arg(settings.describe(), reason, certificateAdvice(settings.odbcConnectionString)));
    }
    return Error(Error::Kind::Database,
                 QStringLiteral("Cannot connect to %1: %2. Check the server name, the user and the password, "
                                "and that the server is running.")
                     .arg(settings.describe(), reason));
}

QString ConnectionSettings::describe() const
{
    if (kind == Kind::Embedded)
        return QStringLiteral("the embedded databases in %1").arg(QDir::toNativeSeparators(embeddedFolder));
    return QStringLiteral("the ODBC data source \"%1\"").arg(withoutOdbcPassword(odbcConnectionString));
}

std::unique_ptr<Connection> Connection::open(const ConnectionSettings& settings)
{
    const QString name = nextConnectionName();
    Product product = Product::Sqlite;

    if (settings.kind == ConnectionSettings::Kind::Embedded) {
        if (settings.embeddedFolder.isEmpty())
            throw Error(Error::Kind::Database,
                        QStringLiteral("No folder is given for the embedded databases."));
        // Both files are checked before anything is opened, so a missing one is named
        // and never created.
        const QString buildFile = fileOf(settings.embeddedFolder, kBuildFile);
        const QString medicare = fileOf(settings.embeddedFolder, kMedicare);
        requireFile(buildFile, kBuildFile);
        requireFile(medicare, kMedicare);

        // Build_FILE.db is the main database, under its own name, and Medicare.db is
        // attached: SQLite commits a transaction that writes both files as one (through a
        // super-journal beside the main file) only when the main database is a file.
        PendingConnection pending(QStringLiteral("QSQLITE"), name);
        QSqlDatabase& db = pending.db();
        db.setDatabaseName(existingFileUri(buildFile));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open())
            throw Error(Error::Kind::Database,
                        QStringLiteral("The database %1 (%2) cannot be opened: %3.")
                            .arg(kBuildFile, QDir::toNativeSeparators(buildFile), openFailure(db, settings)));
        nameMainSchema(db, kBuildFileSchema);
        registerCiAsCollation(db);
        // Read before anything is attached, so that a file that is no database is named.
        const QString unreadable =
            runSetup(db, QStringLiteral("select count(*) from Build_FILE.sqlite_master"));
        if (!unreadable.isEmpty())
            throw Error(Error::Kind::Database,
                        QStringLiteral("The database %1 (%2) cannot be opened: %3.")
                            .arg(kBuildFile, QDir::toNativeSeparators(buildFile), unreadable));
        attach(db, medicare, kMedicare, true);
        useRollbackJournal(db, kBuildFile, buildFile);
        useRollbackJournal(db, kMedicare, medicare);
        product = detectProduct(db);
        checkTables(db, settings, product, settings.embeddedFolder);
        pending.keep();
        return std::unique_ptr<Connection>(new Connection(settings, name, product));
    }

    PendingConnection pending(QStringLiteral("QODBC"), name);
    QSqlDatabase& db = pending.db();
    openOdbc(db, settings);

    product = detectProduct(db);
    QString folder;
    if (product == Product::Sqlite) {
        // SQLite behind ODBC: the two files lie in the folder of the data source's own
        // file (or the embedded folder when one is set) and are attached like the
        // embedded ones, without URI (the driver may not enable them).
        folder = settings.embeddedFolder.isEmpty() ? mainDatabaseFolder(db) : settings.embeddedFolder;
        for (const QString& database : {kBuildFile, kMedicare}) {
            if (isAttached(db, database))
                continue;
            if (folder.isEmpty())
                throw Error(
                    Error::Kind::Database,
                    QStringLiteral("The ODBC data source %1 is SQLite but names no database file next "
                                   "to which Build_FILE.db and Medicare.db could be found.")
                        .arg(settings.describe()));
            attach(db, fileOf(folder, database), database, false);
        }
    }
    checkTables(db, settings, product, folder);
    const bool mainAttached = product == Product::Sqlite && attachesMainFile(db);
    pending.keep();
    std::unique_ptr<Connection> connection(new Connection(settings, name, product));
    connection->m_mainFileIsAttached = mainAttached;
    return connection;
}

std::unique_ptr<Connection> Connection::openCentral(const ConnectionSettings& settings)
{
    const QString name = nextConnectionName();
    if (settings.kind == ConnectionSettings::Kind::Odbc) {
        PendingConnection pending(QStringLiteral("QODBC"), name);
        openOdbc(pending.db(), settings);
        const Product product = detectProduct(pending.db());
        pending.keep();
        return std::unique_ptr<Connection>(new Connection(settings, name, product));
    }
    const QString path = QDir(settings.embeddedFolder).filePath(QStringLiteral("central.db"));
    if (!QFileInfo(path).isFile())
        throw Error(
            Error::Kind::Database,
            QStringLiteral("The central update database %1 does not exist. Build it with: orvex-cli --db "
                           "\"%2\" db init (the other databases there are left as they are), or choose the "
                           "central server's profile.")
                .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(settings.embeddedFolder)));
    PendingConnection pending(QStringLiteral("QSQLITE"), name);
    QSqlDatabase& db = pending.db();
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        throw Error(Error::Kind::Database,
                    QStringLiteral("Cannot open the central update database %1: %2.")
                        .arg(QDir::toNativeSeparators(path), openFailure(db, settings)));
    registerCiAsCollation(db);
    pending.keep();
    return std::unique_ptr<Connection>(new Connection(settings, name, Product::Sqlite));
}

Connection::Connection(ConnectionSettings settings, QString connectionName, Product product)
    : m_settings(std::move(settings)), m_connectionName(std::move(connectionName)),
      m_database(QSqlDatabase::database(m_connectionName, false)), m_product(product)
{
}

Connection::~Connection()
{
    m_prepared.clear(); // before the database they were prepared on
    m_database.close();
    m_database = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

const Dialect& Connection::dialect() const
{
    return Dialect::of(m_product);
}

QSqlDatabase Connection::database() const
{
    return m_database;
}

const Error& Connection::noted(const Error& failure)
{
    ++m_statementsFailed;
    m_lastFailure = failure.message();
    return failure;
}

void Connection::beforeStatement()
{
    if (!m_beforeStatement)
        return;
    try {
        m_beforeStatement();
    } catch (const Error& e) {
        // What fails before a statement is sent (a lost connection) fails the statement.
        throw noted(Error(Error::Kind::Database, e.message()));
    }
}

QSqlQuery Connection::exec(const QString& sql, const QVariantList& params)
{
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw noted(statementFailed(m_settings, query, sql));
    for (const QVariant& p : params)
        query.addBindValue(p);
    beforeStatement();
    ++m_statementsSent;
    if (!query.exec())
        throw noted(statementFailed(m_settings, query, sql));
    return query;
}

QSqlQuery& Connection::execPrepared(const QString& sql, const QVariantList& params)
{
    auto it = m_prepared.find(sql);
    if (it == m_prepared.end()) {
        QSqlQuery query(m_database);
        query.setForwardOnly(true);
        if (!query.prepare(sql))
            throw noted(statementFailed(m_settings, query, sql));
        it = m_prepared.emplace(sql, std::move(query)).first;
    }
    QSqlQuery& query = it->second;
    query.finish();
    for (qsizetype i = 0; i < params.size(); ++i)
        query.bindValue(int(i), params[i]);
    beforeStatement();
    ++m_statementsSent;
    if (!query.exec()) {
        const Error failure = statementFailed(m_settings, query, sql);
        m_prepared.erase(it);
        throw noted(failure);
    }
    return query;
}

const Dialect& Connection::dialectFor(const Query& query)
{
    if (!query.hasJsonKeys(m_product))
        return Dialect::of(m_product);
    // A parameter a key where a json_each statement would hold a read lock that a later
    // write waits for (mainFileIsAttached).
    if (m_product == Product::Sqlite)
        return Dialect::of(m_product, !m_mainFileIsAttached);
    // Only a query with a JSON key list asks the server what it reads.
    return Dialect::of(m_product, serverHasOpenJson());
}

QSqlQuery Connection::exec(const Query& query)
{
    const RenderedStatement statement = query.renderOne(dialectFor(query));
    return exec(statement.sql, statement.params);
}

QSqlQuery& Connection::execPrepared(const Query& query)
{
    const RenderedStatement statement = query.renderOne(dialectFor(query));
    return execPrepared(statement.sql, statement.params);
}

void Connection::execDirect(const Query& query)
{
    for (const RenderedStatement& statement : query.render(m_product)) {
        if (!statement.params.isEmpty())
            throw Error(Error::Kind::Database,
                        QStringLiteral("The statement %1 carries values and cannot be sent as it stands.")
                            .arg(query.text().name()));
        execDirect(statement.sql);
    }
}

bool Connection::sends(const Query& query) const
{
    return query.sends(m_product);
}

void Connection::execDirect(const QString& sql)
{
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    beforeStatement();
    ++m_statementsSent;
    if (!query.exec(sql))
        throw noted(statementFailed(m_settings, query, sql));
}

} // namespace orvex::db

namespace orvex::db {

bool Connection::serverHasOpenJson()
{
    if (!m_openJson) {
        m_openJson = false;
        if (m_product == Product::SqlServer) {
            try {
                QSqlQuery q = exec(queries::serverCompatibility);
                m_openJson = q.next() && q.value(1).toInt() == 2 && q.value(0).toInt() >= 130;
            } catch (const Error&) {
                // A server that cannot tell gets the VALUES rows every version reads.
            }
        }
    }
    return *m_openJson;
}

} // namespace orvex::db
