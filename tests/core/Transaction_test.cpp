#include "db/Transaction.h"

#include "Error.h"
#include "db/Connection.h"
#include "support/ConnectionFixtures.h"
#include "support/SqliteOdbc.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using orvex::Error;
using namespace orvex::db;

namespace {

// The same small databases reached embedded and through the SQLite ODBC driver.
class TransactionTest : public ::testing::TestWithParam<ConnectionSettings::Kind>
{
protected:
    void SetUp() override
    {
        const bool odbc = GetParam() == ConnectionSettings::Kind::Odbc;
        if (odbc)
            ORVEX_SKIP_WITHOUT_SQLITE_ODBC();
        orvex::test::writeSmallDatabases(m_dir.path(),
                                         odbc ? QStringLiteral("NOCASE") : QStringLiteral("CI_AS"));
        m_settings.kind = GetParam();
        if (odbc)
            m_settings.odbcConnectionString = QStringLiteral("DRIVER={SQLite3};Database=%1")
                                                  .arg(m_dir.filePath(QStringLiteral("Build_FILE.db")));
        else
            m_settings.embeddedFolder = m_dir.path();
    }

    static int packages(Connection& c, const QString& name)
    {
        QSqlQuery q =
            c.exec(QStringLiteral("select count(*) from Medicare.tbMedPackage where Package = ?"), {name});
        return q.next() ? q.value(0).toInt() : -1;
    }

    static void insertPackage(Connection& c, const QString& name)
    {
        c.exec(QStringLiteral("insert into Medicare.tbMedPackage (PackageID, Package) values ('990', ?)"),
               {name});
    }

    QTemporaryDir m_dir;
    ConnectionSettings m_settings;
};

TEST_P(TransactionTest, keepsCommittedWorkAndRollsBackTheRest)
{
    auto connection = Connection::open(m_settings);
    {
        Transaction tx(*connection);
        insertPackage(*connection, QStringLiteral("KEPT"));
        tx.commit();
        EXPECT_FALSE(tx.isActive());
    }
    {
        Transaction tx(*connection);
        insertPackage(*connection, QStringLiteral("DROPPED"));
    }
    try {
        Transaction tx(*connection, Transaction::Mode::Write);
        insertPackage(*connection, QStringLiteral("THROWN"));
        connection->exec(QStringLiteral("select * from Medicare.noSuchTable"));
        tx.commit();
    } catch (const Error&) {
    }
    auto other = Connection::open(m_settings); // sees only what was committed
    EXPECT_EQ(packages(*other, QStringLiteral("KEPT")), 1);
    EXPECT_EQ(packages(*other, QStringLiteral("DROPPED")), 0);
    EXPECT_EQ(packages(*other, QStringLiteral("THROWN")), 0);
    // The connection is usable again after each ending.
    Transaction again(*connection);
    again.commit();
}

TEST_P(TransactionTest, aWriteTransactionHoldsTheLockFromItsStart)
{
    auto first = Connection::open(m_settings);
    ConnectionSettings impatient = m_settings; // gives up on a lock at once
    impatient.odbcConnectionString += QStringLiteral(";Timeout=1");
    auto second = Connection::open(impatient);
    if (GetParam() == ConnectionSettings::Kind::Embedded)
        second->exec(QStringLiteral("pragma busy_timeout = 0"));
    {
        Transaction deferred(*first); // nothing written yet: no lock
        Transaction tx(*second, Transaction::Mode::Write);
        tx.commit();
    }
    Transaction writer(*first, Transaction::Mode::Write);
    try {
        Transaction blocked(*second, Transaction::Mode::Write);
        ADD_FAILURE() << "a second writer began";
    } catch (const Error& e) {
        // The lock, in words the user can act on; not the statement that met it.
        EXPECT_TRUE(e.message().startsWith("Cannot use " + impatient.describe() +
                                           " now: another program or window holds a lock on it ("))
            << e.what();
        EXPECT_TRUE(e.message().endsWith("Nothing was changed; try again when it has finished.")) << e.what();
        EXPECT_FALSE(e.message().contains("Statement")) << e.what();
    }
    writer.commit();
    Transaction after(*second, Transaction::Mode::Write);
    after.commit();
}

INSTANTIATE_TEST_SUITE_P(Backends, TransactionTest,
                         ::testing::Values(ConnectionSettings::Kind::Embedded,
                                           ConnectionSettings::Kind::Odbc),
                         [](const auto& info) {
                             return info.param == ConnectionSettings::Kind::Odbc ? "Odbc" : "Embedded";
                         });

} // namespace
