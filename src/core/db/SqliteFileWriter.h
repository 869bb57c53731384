#pragma once

#include "db/SampleTables.h"
#include "db/SqliteSchema.h"

#include <QString>

namespace orvex::db {

// Writes one SQLite database file in one go: schema, rows, then indexes. Built for
// speed (journal off, one transaction, one prepared statement per table), since the file
// is new and a failure throws it away anyway. `path` must not hold a database yet.
// Throws orvex::Error naming the file, table and the database's message.
void writeSqliteFile(const QString& path, const sqliteschema::Schema& schema,
                     const QList<sample::TableRows>& tables);

// Rows per table of an existing SQLite file, in the order the tables were created.
struct TableCount
{
    QString table;
    qint64 rows = 0;
};
QList<TableCount> countSqliteTables(const QString& path);

} // namespace orvex::db
