#include "db/Statements.h"

#include "db/Connection.h"
#include "db/SqlServerStatements.h"
#include "db/SqliteStatements.h"
#include "db/StatementParts.h"

namespace orvex::db {

const Statements& Statements::forProduct(Product product)
{
    static const SqlServerStatements sqlServer;
    static const SqliteStatements sqlite;
    if (product == Product::SqlServer)
        return sqlServer;
    return sqlite;
}

QString valuesRows(int keyCount)
{
    QString rows;
    rows.reserve(keyCount * 5);
    for (int i = 0; i < keyCount; ++i)
        rows += i == 0 ? QLatin1String("(?)") : QLatin1String(",(?)");
    return rows;
}

} // namespace orvex::db
