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

QString browseFilter(int descriptionWords)
{
    if (descriptionWords < 0)
        return QString();
    QString filter = QStringLiteral(" where (code like ? escape '!'");
    if (descriptionWords > 0) {
        filter += QLatin1String(" or (");
        for (int i = 0; i < descriptionWords; ++i)
            filter += i == 0 ? QLatin1String("Description like ? escape '!'")
                             : QLatin1String(" and Description like ? escape '!'");
        filter += QLatin1Char(')');
    }
    return filter + QLatin1Char(')');
}

} // namespace orvex::db
