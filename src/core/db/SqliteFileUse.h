#pragma once

#include <QString>

// Replacing an SQLite file safely: its journal files belong to the old file, and a file that
// another process is writing must not be swapped under it.
namespace orvex::db {

// Throws orvex::Error naming `path` when another connection (any process) holds a lock on
// the database there. A file that is missing or not a database is not in use.
void requireSqliteFileUnused(const QString& path);

// Finishes what a crashed writer left (a hot journal is rolled back by SQLite itself) and
// removes the "-journal", "-wal" and "-shm" files beside `path`, so that none of them is
// applied to a new file put in its place. Throws orvex::Error when the file is in use or a
// journal file cannot be removed.
void releaseSqliteFile(const QString& path);

} // namespace orvex::db
