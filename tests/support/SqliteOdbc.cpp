#include "support/SqliteOdbc.h"

#include "support/ConnectionFixtures.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace orvex::test {

namespace {

// The driver manager's or driver's own words, else Qt's.
QString reasonOf(const QSqlError& e)
{
    return e.databaseText().trimmed().isEmpty() ? e.text() : e.databaseText().trimmed();
}

// NoCreat: a driver that cannot see the file must not leave an empty one elsewhere.
QString probeSqliteOdbc()
{
    QTemporaryDir dir;
    const QString file = QDir::toNativeSeparators(dir.filePath(QStringLiteral("odbc-probe.db")));
    runOnSqliteFile(
        file,
        {QStringLiteral("create table probe (x integer)"), QStringLiteral("insert into probe values (42)")},
        false);
    const QString name = QStringLiteral("orvex-test-odbc-probe");
    QString why;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
        db.setDatabaseName(QStringLiteral("DRIVER={SQLite3};Database=%1;NoCreat=1").arg(file));
        if (!db.isValid()) {
            why = QStringLiteral("Qt's ODBC driver is not available");
        } else if (!db.open()) {
            why = QStringLiteral("the SQLite ODBC driver \"SQLite3\" cannot open %1: %2")
                      .arg(file, reasonOf(db.lastError()));
        } else {
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("select x from probe")) || !q.next() || q.value(0).toInt() != 42)
                why = QStringLiteral("the SQLite ODBC driver \"SQLite3\" does not read %1 (%2)")
                          .arg(file, q.lastError().isValid() ? reasonOf(q.lastError())
                                                             : QStringLiteral("no row came back"));
            q = QSqlQuery();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return why;
}

} // namespace

QString sqliteOdbcUnavailable()
{
    static const QString why = probeSqliteOdbc();
    return why;
}

} // namespace orvex::test
