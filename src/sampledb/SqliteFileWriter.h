#pragma once

#include "db/SqliteSchema.h"
#include "sampledb/SampleTables.h"

#include <QString>

namespace orvex::sampledb {

// Writes one SQLite database file in one go: schema, rows, then indexes. Built for
// speed (journal off, one transaction, one prepared statement per table), since the file
// is new and a failure throws it away anyway. `path` must not hold a database yet.
// Throws orvex::Error naming the file, table and the database's message.
void writeSqliteFile(const QString& path, const db::sqliteschema::Schema& schema,
                     const QList<TableRows>& tables);

// Rows per table of an existing SQLite file, in the order the tables were created.
struct TableCount
{
    QString table;
    qint64 rows = 0;
};
QList<TableCount> countSqliteTables(const QString& path);

} // namespace orvex::sampledb
