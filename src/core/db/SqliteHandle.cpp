#include "db/SqliteHandle.h"

#include "Error.h"

#include <QSqlDriver>
#include <QVariant>
#include <sqlite3.h>

namespace orvex::db {

sqlite3* sqliteHandle(const QSqlDatabase& database)
{
    const QVariant handle = database.driver() ? database.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        throw Error(Error::Kind::Database,
                    QStringLiteral("%1 is not an open SQLite connection").arg(database.connectionName()));
    sqlite3* raw = *static_cast<sqlite3* const*>(handle.constData());
    if (!raw)
        throw Error(Error::Kind::Database, QStringLiteral("%1 is not open").arg(database.connectionName()));
    return raw;
}

void nameMainSchema(const QSqlDatabase& database, const char* name)
{
    sqlite3* raw = sqliteHandle(database);
    if (sqlite3_db_config(raw, SQLITE_DBCONFIG_MAINDBNAME, name) != SQLITE_OK)
        throw Error(Error::Kind::Database,
                    QStringLiteral("cannot name the main database %1: %2")
                        .arg(QLatin1String(name), QString::fromUtf8(sqlite3_errmsg(raw))));
}

} // namespace orvex::db
