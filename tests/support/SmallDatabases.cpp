#include "support/SmallDatabases.h"

#include "db/CiAsCollation.h"
#include "db/SqliteSchema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

namespace orvex::test {

namespace {
// Opens a file on a short-lived connection of its own, with the collation registered.
template <typename Fn> void withFile(const QString& path, Fn fn)
{
    static int serial = 0;
    const QString name = QStringLiteral("small-db-%1").arg(++serial);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open()) {
            ADD_FAILURE() << "cannot open " << path.toStdString();
            return;
        }
        db::registerCiAsCollation(db);
        QSqlQuery(db).exec(QStringLiteral("PRAGMA synchronous=OFF")); // test files need no durability
        fn(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void run(QSqlDatabase& db, const QString& sql, const QVariantList& params = {})
{
    QSqlQuery q(db);
    if (!q.prepare(sql)) {
        ADD_FAILURE() << sql.toStdString() << ": " << q.lastError().text().toStdString();
        return;
    }
    for (const QVariant& p : params)
        q.addBindValue(p);
    if (!q.exec())
        ADD_FAILURE() << sql.toStdString() << ": " << q.lastError().text().toStdString();
}

void create(const QString& path, const db::sqliteschema::Schema& schema, bool forOdbc)
{
    withFile(path, [&](QSqlDatabase& db) {
        db.transaction();
        for (QString sql : schema.tables + schema.indexes)
            run(db,
                forOdbc ? sql.replace(QLatin1String("COLLATE CI_AS"), QLatin1String("COLLATE NOCASE")) : sql);
        db.commit();
    });
}
} // namespace

SmallDatabases::SmallDatabases(bool forOdbc) : m_odbc(forOdbc)
{
    create(m_dir.filePath(QStringLiteral("Build_FILE.db")), db::sqliteschema::buildFile(), forOdbc);
    create(m_dir.filePath(QStringLiteral("Medicare.db")), db::sqliteschema::medicare(), forOdbc);
    if (forOdbc) // the data source's own file, beside which the two are attached
        withFile(m_dir.filePath(QStringLiteral("odbc-main.db")),
                 [](QSqlDatabase& db) { run(db, QStringLiteral("CREATE TABLE unused (x)")); });
}

void execOnFile(const QString& databaseFile, const QString& sql, const QVariantList& params)
{
    withFile(databaseFile, [&](QSqlDatabase& db) { run(db, sql, params); });
}

db::ConnectionSettings SmallDatabases::settings() const
{
    db::ConnectionSettings s;
    if (m_odbc) {
        s.kind = db::ConnectionSettings::Kind::Odbc;
        s.odbcConnectionString = QStringLiteral("DRIVER={SQLite3};Database=%1")
                                     .arg(m_dir.filePath(QStringLiteral("odbc-main.db")));
        return s;
    }
    s.kind = db::ConnectionSettings::Kind::Embedded;
    s.embeddedFolder = m_dir.path();
    return s;
}

void SmallDatabases::exec(const QString& database, const QString& sql, const QVariantList& params)
{
    withFile(m_dir.filePath(database + QStringLiteral(".db")),
             [&](QSqlDatabase& db) { run(db, sql, params); });
}

void SmallDatabases::addIcd(const QVariant& code, const QVariant& description)
{
    exec(QStringLiteral("Build_FILE"),
         QStringLiteral("INSERT INTO tbICDdiagMain (CODE, Description, ALLOWASPRIMARY) VALUES (?, ?, 1)"),
         {code, description});
}

void SmallDatabases::addPackage(const QString& packageId, const QVariant& name, const QVariant& amount,
                                const QVariant& pf, const QVariant& medRoomBoard)
{
    exec(QStringLiteral("Medicare"),
         QStringLiteral(
             "INSERT INTO tbMedPackage (PackageID, Package, Amount, PF, MedRoomBoard, Status, CaseType) "
             "VALUES (?, ?, ?, ?, ?, 1, 1)"),
         {packageId, name, amount, pf, medRoomBoard});
}

void SmallDatabases::addCaseRate(const QVariant& code, const QVariant& description, const QString& packageId)
{
    exec(QStringLiteral("Medicare"),
         QStringLiteral(
             "INSERT INTO tbMed_MedicalCaseRates (ICDCode, Description, CaseType, PackageID, Status) "
             "VALUES (?, ?, 1, ?, 1)"),
         {code, description, packageId});
}

QStringList columnValues(db::Connection& connection, const QString& sql)
{
    QStringList values;
    QSqlQuery q = connection.exec(sql);
    while (q.next())
        values.append(q.value(0).isNull() ? QStringLiteral("NULL") : q.value(0).toString());
    return values;
}

void addScanGoldenRows(SmallDatabases& dbs)
{
    dbs.addIcd("A00.0", "Cholera due to Vibrio cholerae 01, biovar cholerae");
    dbs.addIcd("A00.1", "Cholera due to Vibrio cholerae 01, biovar eltor");
    dbs.addIcd("I42.30", QStringLiteral("L\u00f6ffler's endocarditis"));
    dbs.addIcd("I42.9", "Cardiomyopathy, unspecified");
    dbs.addPackage("120", "CHOLERA", 7800, 5460, 2340);
    dbs.addPackage("99", "LOEFFLER ENDOCARDITIS", 30000, 21000, 9000);
    dbs.addCaseRate("A00.0", "CHOLERA DUE TO VIBRIO CHOLERAE 01, BIOVAR CHOLERAE", "120");
    dbs.addCaseRate("A00.1", "CHOLERA DUE TO VIBRIO CHOLERAE 01, BIOVAR ELTOR", "120");
    dbs.addCaseRate("I42.9", "Cardiomyopathy, unspecified", "99");
}

} // namespace orvex::test
