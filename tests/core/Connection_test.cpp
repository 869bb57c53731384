#include "db/Connection.h"

#include "Error.h"
#include "db/Queries.h"
#include "support/ConnectionFixtures.h"
#include "support/LoopbackSocket.h"
#include "support/SqliteOdbc.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

using orvex::Error;
using namespace orvex::db;

namespace {

ConnectionSettings embedded(const QString& folder)
{
    ConnectionSettings s;
    s.kind = ConnectionSettings::Kind::Embedded;
    s.embeddedFolder = folder;
    return s;
}

ConnectionSettings odbc(const QString& connectionString, const QString& password = {}, int timeout = 10)
{
    ConnectionSettings s;
    s.kind = ConnectionSettings::Kind::Odbc;
    s.odbcConnectionString = connectionString;
    s.password = password;
    s.loginTimeoutSeconds = timeout;
    return s;
}

QString openError(const ConnectionSettings& settings)
{
    try {
        Connection::open(settings);
    } catch (const Error& e) {
        return e.message();
    }
    ADD_FAILURE() << "the connection opened";
    return QString();
}

QStringList firstColumn(QSqlQuery q)
{
    QStringList values;
    while (q.next())
        values << q.value(0).toString();
    return values;
}

// A local TCP port that nothing listens on: bound once to get a free number, then closed.
int closedPort()
{
    const auto fd = orvex::test::openTcpSocket();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    orvex::test::SocketLength length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    orvex::test::closeSocket(fd);
    return ntohs(address.sin_port);
}

} // namespace

TEST(Connection, embeddedLookupsFollowTheCiAsCollation)
{
    QTemporaryDir dir;
    orvex::test::writeSmallDatabases(dir.path());
    auto connection = Connection::open(embedded(dir.path()));
    ASSERT_EQ(connection->product(), Product::Sqlite);

    // Case and trailing blanks do not matter, on either side.
    EXPECT_EQ(firstColumn(connection->exec(Query(queries::icdByCode).bind("code", QStringLiteral("a00.0")))),
              QStringList{"A00.0"});
    EXPECT_EQ(
        firstColumn(connection->exec(Query(queries::icdByCode).bind("code", QStringLiteral("A00.0   ")))),
        QStringList{"A00.0"});
    EXPECT_EQ(firstColumn(connection->exec(Query(queries::icdByCode).bind("code", QStringLiteral("b99")))),
              QStringList{"B99 "});
    // An accented capital matches its small letter, but not the letter without accent.
    EXPECT_EQ(firstColumn(connection->exec(Query(queries::icdByCode).bind("code", QStringLiteral("é01")))),
              QStringList{"É01"});
    EXPECT_TRUE(firstColumn(connection->exec(Query(queries::icdByCode).bind("code", QStringLiteral("E01"))))
                    .isEmpty());
    // Two stored rows equal under the collation come back in storage order.
    EXPECT_EQ(firstColumn(connection->exec(Query(queries::icdByCode).bind("code", QStringLiteral("D50")))),
              (QStringList{"D50", "d50"}));
    EXPECT_EQ(
        firstColumn(connection->exec(Query(queries::packageByName).bind("name", QStringLiteral("anémie")))),
        QStringList{"103"});
}

TEST(Connection, missingFileIsNamedAndNothingIsCreated)
{
    QTemporaryDir dir;
    orvex::test::writeSmallDatabases(dir.path());
    QFile::remove(dir.filePath(QStringLiteral("Medicare.db")));

    const QString message = openError(embedded(dir.path()));
    EXPECT_TRUE(message.contains(QLatin1String("Medicare"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QLatin1String("does not exist"))) << message.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("Medicare.db"))));

    QTemporaryDir empty;
    const QString second = openError(embedded(empty.path()));
    EXPECT_TRUE(second.contains(QLatin1String("Build_FILE"))) << second.toStdString();
    EXPECT_TRUE(QDir(empty.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST(Connection, corruptFileIsNamedAndLeftAlone)
{
    QTemporaryDir dir;
    orvex::test::writeSmallDatabases(dir.path());
    const QString path = dir.filePath(QStringLiteral("Build_FILE.db"));
    const QByteArray garbage = QByteArray("This is not a database at all.\n").repeated(200);
    orvex::test::writeBytes(path, garbage);

    const QString message = openError(embedded(dir.path()));
    EXPECT_TRUE(message.contains(QLatin1String("Build_FILE"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QLatin1String("not a database"))) << message.toStdString();
    EXPECT_EQ(orvex::test::readBytes(path), garbage);
}

// A transaction over both files commits as one only when the main database is a file and
// both keep a rollback journal that is synced: Build_FILE.db is the main database under its
// own name, and a file switched to a write-ahead log is switched back.
TEST(Connection, embeddedFilesCommitAsOne)
{
    QTemporaryDir dir;
    orvex::test::writeSmallDatabases(dir.path());
    orvex::test::runOnSqliteFile(dir.filePath(QStringLiteral("Medicare.db")),
                                 {QStringLiteral("pragma journal_mode = wal")});
    auto connection = Connection::open(embedded(dir.path()));
    QSqlQuery list = connection->exec(QStringLiteral("pragma database_list"));
    QStringList files;
    while (list.next())
        files << list.value(1).toString() + '=' + QFileInfo(list.value(2).toString()).fileName();
    EXPECT_EQ(files, (QStringList{"Build_FILE=Build_FILE.db", "Medicare=Medicare.db"}));
    for (const char* database : {"Build_FILE", "Medicare"}) {
        EXPECT_EQ(firstColumn(connection->exec(QStringLiteral("pragma %1.journal_mode").arg(database))),
                  QStringList{"delete"})
            << database;
        EXPECT_NE(firstColumn(connection->exec(QStringLiteral("pragma %1.synchronous").arg(database))),
                  QStringList{"0"})
            << database;
    }
    // "main" still names the main file.
    EXPECT_EQ(firstColumn(connection->exec(QStringLiteral("select count(*) from main.tbICDdiagMain"))),
              firstColumn(connection->exec(QStringLiteral("select count(*) from Build_FILE.tbICDdiagMain"))));
}

TEST(Connection, databaseWithoutTheExpectedTablesIsRefusedUnchanged)
{
    QTemporaryDir dir;
    orvex::test::writeSmallDatabases(dir.path());
    const QString path = dir.filePath(QStringLiteral("Medicare.db"));
    QFile::remove(path);
    orvex::test::runOnSqliteFile(path, {QStringLiteral("create table tbOther (x text)")});
    const QByteArray before = orvex::test::readBytes(path);

    const QString message = openError(embedded(dir.path()));
    EXPECT_TRUE(message.contains(QLatin1String("Medicare"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QLatin1String("tbMed_MedicalCaseRates"))) << message.toStdString();
    EXPECT_EQ(orvex::test::readBytes(path), before);
}

TEST(Connection, execBindsNullsCountsStatementsAndCallsTheHook)
{
    QTemporaryDir dir;
    orvex::test::writeSmallDatabases(dir.path());
    auto connection = Connection::open(embedded(dir.path()));
    EXPECT_EQ(connection->statementsSent(), 0u);

    int hookCalls = 0;
    connection->setBeforeStatementHook([&] { ++hookCalls; });
    QSqlQuery q = connection->exec(QStringLiteral("select ? is null, ? is null, ?"),
                                   {QVariant(), QStringLiteral("x"), QStringLiteral("O'Brien")});
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 1);
    EXPECT_EQ(q.value(1).toInt(), 0);
    EXPECT_EQ(q.value(2).toString(), QStringLiteral("O'Brien"));
    q = QSqlQuery();
    connection->exec(Query(queries::icdByCode).bind("code", QStringLiteral("C10")));
    EXPECT_EQ(connection->statementsSent(), 2u);
    EXPECT_EQ(hookCalls, 2);

    // A failing hook keeps the statement from being sent.
    connection->setBeforeStatementHook([] { throw Error(QStringLiteral("injected")); });
    EXPECT_THROW(connection->exec(QStringLiteral("select 1")), Error);
    EXPECT_EQ(connection->statementsSent(), 2u);
}

TEST(Connection, failingStatementNamesTheDatabaseMessageAndTheStatement)
{
    QTemporaryDir dir;
    orvex::test::writeSmallDatabases(dir.path());
    auto connection = Connection::open(embedded(dir.path()));
    try {
        connection->exec(QStringLiteral("select NoSuchColumn from Build_FILE.tbICDdiagMain where CODE = ?"),
                         {QStringLiteral("A00")});
        FAIL() << "the statement ran";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(QLatin1String("no such column: NoSuchColumn")))
            << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(QLatin1String("select NoSuchColumn from Build_FILE.tbICDdiagMain")));
    }
}

TEST(Connection, eachConnectionHasItsOwnQtNameAndRemovesItOnClose)
{
    QTemporaryDir dir;
    orvex::test::writeSmallDatabases(dir.path());
    QString first;
    QString second;
    {
        auto a = Connection::open(embedded(dir.path()));
        auto b = Connection::open(embedded(dir.path()));
        first = a->connectionName();
        second = b->connectionName();
        EXPECT_NE(first, second);
        EXPECT_TRUE(QSqlDatabase::contains(first));

        // A worker thread opens its own connection from the same settings.
        QStringList seenByWorker;
        std::thread worker([&] {
            auto own = Connection::open(a->settings());
            seenByWorker =
                firstColumn(own->exec(Query(queries::icdByCode).bind("code", QStringLiteral("c10"))));
        });
        worker.join();
        EXPECT_EQ(seenByWorker, QStringList{"C10"});
    }
    EXPECT_FALSE(QSqlDatabase::contains(first));
    EXPECT_FALSE(QSqlDatabase::contains(second));
}

TEST(Connection, odbcToSqliteBindsParametersAndNulls)
{
    ORVEX_SKIP_WITHOUT_SQLITE_ODBC();
    QTemporaryDir dir;
    orvex::test::writeSmallDatabases(dir.path(), QStringLiteral("NOCASE"));
    const QString source =
        QStringLiteral("DRIVER={SQLite3};Database=%1").arg(dir.filePath(QStringLiteral("Build_FILE.db")));
    auto connection = Connection::open(odbc(source));
    ASSERT_EQ(connection->product(), Product::Sqlite);
    EXPECT_EQ(connection->database().driverName(), QStringLiteral("QODBC"));

    EXPECT_EQ(firstColumn(connection->exec(Query(queries::icdByCode).bind("code", QStringLiteral("a00.0")))),
              QStringList{"A00.0"});
    EXPECT_EQ(
        firstColumn(connection->exec(Query(queries::caseRateByCode).bind("code", QStringLiteral("D50")))),
        QStringList{"D50"});
    QSqlQuery q = connection->exec(QStringLiteral("select ? is null, ? is null, ?"),
                                   {QVariant(), QStringLiteral("x"), QStringLiteral("É'é")});
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 1);
    EXPECT_EQ(q.value(1).toInt(), 0);
    EXPECT_EQ(q.value(2).toString(), QStringLiteral("É'é"));
    q = QSqlQuery();
    EXPECT_EQ(connection->statementsSent(), 3u);
}

TEST(Connection, odbcToAMissingSqliteFileCreatesNothing)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("Build_FILE.db"));
    const QString message = openError(odbc(QStringLiteral("DRIVER={SQLite3};Database=%1").arg(missing)));
    EXPECT_TRUE(message.contains(QLatin1String("does not exist"))) << message.toStdString();
    EXPECT_FALSE(QFile::exists(missing));
}

TEST(Connection, embeddedFolderMayHoldBlanksAndUriCharacters)
{
    QTemporaryDir dir;
#ifdef Q_OS_WIN
    const QString folder = dir.filePath(QStringLiteral("Hospital data #2 x=1 100%")); // no "?" in a name
#else
    const QString folder = dir.filePath(QStringLiteral("Hospital data #2 ?x=1 100%"));
#endif
    orvex::test::writeSmallDatabases(folder);
    auto connection = Connection::open(embedded(folder));
    EXPECT_EQ(firstColumn(connection->exec(Query(queries::icdByCode).bind("code", QStringLiteral("c10")))),
              QStringList{"C10"});
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), (QStringList{"Build_FILE.db", "Medicare.db"}));
}

TEST(Connection, odbcToSqliteRefusesFilesThatNeedTheCiAsCollation)
{
    ORVEX_SKIP_WITHOUT_SQLITE_ODBC();
    QTemporaryDir dir;
    orvex::test::writeSmallDatabases(dir.path(), QStringLiteral("CI_AS"));
    const QString source =
        QStringLiteral("DRIVER={SQLite3};Database=%1").arg(dir.filePath(QStringLiteral("Build_FILE.db")));
    const QString message = openError(odbc(source));
    EXPECT_TRUE(message.contains(QLatin1String("CI_AS"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QLatin1String("Build_FILE"))) << message.toStdString();
}

TEST(Connection, deadServerGivesAClearErrorWithoutThePassword)
{
    const QString source = QStringLiteral("DRIVER={FreeTDS};SERVER=127.0.0.1;PORT=%1;TDS_Version=7.4;"
                                          "DATABASE=Build_FILE;UID=orvex")
                               .arg(closedPort());
    const QString password = QStringLiteral("S3cret;pw}");
    QElapsedTimer clock;
    clock.start();
    const QString message = openError(odbc(source, password, 2));
    EXPECT_LT(clock.elapsed(), 30000) << "hang guard";
    EXPECT_TRUE(message.startsWith(QLatin1String("Cannot connect to the ODBC data source")))
        << message.toStdString();
    EXPECT_TRUE(message.contains(QLatin1String("SERVER=127.0.0.1"))) << message.toStdString();
    EXPECT_FALSE(message.contains(QLatin1String("S3cret"))) << message.toStdString();
    EXPECT_FALSE(message.contains(QLatin1String("PWD"), Qt::CaseInsensitive)) << message.toStdString();
}

TEST(Connection, silentServerGivesAClearErrorAfterTheLoginTimeout)
{
    // A port that accepts the connection but never answers the login. Without a TDS version
    // FreeTDS retries after its timeout and then waits with no end.
    const auto fd = orvex::test::openTcpSocket();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(fd, 4), 0);
    orvex::test::SocketLength length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    // Hang guard: closing the listener resets the waiting login, so a regression fails
    // after 30 s instead of blocking the test run.
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread guard([&] {
        std::unique_lock lock(mutex);
        finished.wait_for(lock, std::chrono::seconds(30), [&] { return done; });
        orvex::test::closeSocket(fd);
    });
    const QString source =
        QStringLiteral("DRIVER={FreeTDS};SERVER=127.0.0.1;PORT=%1;UID=orvex").arg(ntohs(address.sin_port));
    QElapsedTimer clock;
    clock.start();
    const QString message = openError(odbc(source, QStringLiteral("pw"), 2));
    const qint64 elapsed = clock.elapsed();
    {
        const std::lock_guard lock(mutex);
        done = true;
    }
    finished.notify_all();
    guard.join();
    // The login timeout plus a few seconds, whatever the driver does.
    EXPECT_LT(elapsed, 9000);
    EXPECT_TRUE(message.startsWith(QLatin1String("Cannot connect to the ODBC data source")))
        << message.toStdString();
    EXPECT_TRUE(message.contains(QLatin1String("127.0.0.1"))) << message.toStdString();
}

TEST(Connection, missingOdbcDriverIsNamedAsSuch)
{
    const QString message = openError(odbc(QStringLiteral("DRIVER={No Such Driver 99};SERVER=db1;UID=sa")));
    EXPECT_TRUE(message.startsWith(QLatin1String("The ODBC driver \"No Such Driver 99\" is not installed")))
        << message.toStdString();
    EXPECT_FALSE(message.contains(QLatin1String("password"))) << message.toStdString();
}

TEST(ConnectionSettings, describeNeverShowsThePassword)
{
    const ConnectionSettings s = odbc(QStringLiteral("DRIVER={ODBC Driver 18 for SQL Server};SERVER=db1;"
                                                     "UID=sa;PWD={p;w}}};Encrypt=no"),
                                      QStringLiteral("other"));
    EXPECT_EQ(s.describe().toStdString(),
              "the ODBC data source \"DRIVER={ODBC Driver 18 for SQL Server};SERVER=db1;UID=sa;Encrypt=no\"");
    EXPECT_EQ(embedded(QStringLiteral("/x/db")).describe(),
              "the embedded databases in " + QDir::toNativeSeparators(QStringLiteral("/x/db")));
}
