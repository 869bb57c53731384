#include "db/Dialect.h"

#include "db/Connection.h"

namespace orvex::db {

const Dialect& Dialect::of(Product product)
{
    return of(product, product == Product::Sqlite);
}

const Dialect& Dialect::of(Product product, bool jsonKeys)
{
    static const Dialect sqlServer(Product::SqlServer, false);
    static const Dialect sqlServerJson(Product::SqlServer, true);
    static const Dialect sqlite(Product::Sqlite, false);
    static const Dialect sqliteJson(Product::Sqlite, true);
    if (product == Product::Sqlite)
        return jsonKeys ? sqliteJson : sqlite;
    return jsonKeys ? sqlServerJson : sqlServer;
}

bool Dialect::transactionsThroughDriver() const
{
    return m_product == Product::SqlServer;
}

QString Dialect::table(const QString& database, const QString& name) const
{
    return m_product == Product::Sqlite ? database + QLatin1Char('.') + name
                                        : QStringLiteral("[%1].[dbo].[%2]").arg(database, name);
}

QString Dialect::order(const QString& prefix, const QStringList& columns) const
{
    // SQL Server returns rows in no defined order without ORDER BY, and a lookup takes the
    // first row of a key; its text columns sort byte for byte, as the case-insensitive
    // collation would leave "a00.0" and "A00.0" tied. SQLite returns a key's rows in the
    // table's order of storage, as SQL Server's heap or clustered scan does.
    if (m_product == Product::Sqlite)
        return QStringLiteral(" order by ") + prefix + QStringLiteral("rowid");
    if (columns.isEmpty())
        return QString();
    QStringList parts;
    for (const QString& column : columns) {
        parts << (column.endsWith(QLatin1Char('*'))
                      ? prefix + column.chopped(1) + QStringLiteral(" collate Latin1_General_BIN2")
                      : prefix + column);
    }
    return QStringLiteral(" order by ") + parts.join(QStringLiteral(", "));
}

QString Dialect::keys(int count, bool json) const
{
    // Column i is a key's place in its list (from 0): a row of a batched lookup names the
    // key it belongs to by that, which is cheaper to read back than the key's text.
    if (json && m_jsonKeys) {
        // SQLite numbers every "?" of a statement by a list search: thousands of them cost
        // more than the lookups, so the batched lookups send their keys as one JSON array.
        if (m_product == Product::SqlServer)
            return QStringLiteral("(select cast([key] as int) as i, cast(value as nvarchar(4000)) as v "
                                  "from OPENJSON(?)) as k");
        return QStringLiteral("(select key as i, value as v from json_each(?)) as k");
    }
    QString rows;
    rows.reserve(qsizetype(count) * 10);
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            rows += QLatin1Char(',');
        rows += QLatin1Char('(') + QString::number(i) + QLatin1String(",?)");
    }
    if (m_product == Product::SqlServer)
        return QStringLiteral("(values %1) as k(i,v)").arg(rows);
    return QStringLiteral("(select column1 as i, column2 as v from (values %1)) as k").arg(rows);
}

QString Dialect::keysJoin() const
{
    return m_product == Product::Sqlite ? QStringLiteral("cross join") : QStringLiteral("join");
}

bool Dialect::jsonKeysInOneParameter() const
{
    return m_jsonKeys;
}

} // namespace orvex::db
