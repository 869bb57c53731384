#pragma once

#include "db/Connection.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

namespace orvex::test {

// A pair of empty hospital databases (Build_FILE.db, Medicare.db) with the product's
// schema in a temporary folder, and a few calls to put rows in.
class SmallDatabases
{
public:
    // `forOdbc`: the text columns collate NOCASE instead of CI_AS, which the SQLite ODBC
    // driver cannot provide.
    explicit SmallDatabases(bool forOdbc = false);
    QString folder() const { return m_dir.path(); }
    db::ConnectionSettings settings() const; // embedded, or the SQLite ODBC driver when forOdbc

    void addIcd(const QVariant& code, const QVariant& description);
    void addPackage(const QString& packageId, const QVariant& name, const QVariant& amount,
                    const QVariant& pf, const QVariant& medRoomBoard);
    void addCaseRate(const QVariant& code, const QVariant& description, const QString& packageId);

    // Runs one statement on "Build_FILE" or "Medicare".
    void exec(const QString& database, const QString& sql, const QVariantList& params = {});

private:
    QTemporaryDir m_dir;
    bool m_odbc = false;
};

// Runs one statement on any database file (the sample databases, central.db).
void execOnFile(const QString& databaseFile, const QString& sql, const QVariantList& params = {});

// The first column of every row `sql` returns, NULL as "NULL".
QStringList columnValues(db::Connection& connection, const QString& sql);

// The few ICD, package and case-rate rows the scan's golden files were made on.
void addScanGoldenRows(SmallDatabases& dbs);

} // namespace orvex::test
