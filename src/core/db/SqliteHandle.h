#pragma once

#include <QSqlDatabase>

struct sqlite3;

namespace orvex::db {

// The sqlite3 handle behind an open QSQLITE connection. Throws orvex::Error when the
// connection is not SQLite or not open.
sqlite3* sqliteHandle(const QSqlDatabase& database);

// Gives the main database the schema name `name`, so that statements qualified with it
// address the main file ("main" names it still). SQLite keeps the pointer: pass a literal.
void nameMainSchema(const QSqlDatabase& database, const char* name);

} // namespace orvex::db
