#pragma once

#include <QString>
#include <QStringList>

namespace orvex::db {

enum class Product;

// How a statement of the tool is written for one database product: the parts of a text
// (db/Query.h) that the products write differently, rendered here and nowhere else.
class Dialect
{
public:
    // SQL Server takes at most 2,100 parameters a statement; the tool keeps below 2,000.
    static constexpr int kMaxParameters = 2000;

    static const Dialect& of(Product product);
    // With `jsonKeys`, a JSON key list goes in one parameter: json_each on SQLite (what
    // of(Product::Sqlite) does), OPENJSON on a SQL Server that reads JSON (compatibility
    // level 130 and up); without, a parameter a key.
    static const Dialect& of(Product product, bool jsonKeys);

    Product product() const { return m_product; }
    // SQL Server begins, commits and rolls back through the driver; SQLite by statements.
    bool transactionsThroughDriver() const;

    // "[Medicare].[dbo].[tbMedPackage]" or "Medicare.tbMedPackage" (attached as a schema).
    QString table(const QString& database, const QString& name) const;
    // " order by ..." for the columns ("*" after a text column: byte for byte), each with
    // `prefix` ("t." or empty); on SQLite the order of storage instead, which SQL Server
    // has not, so there "{order}" without columns says nothing.
    QString order(const QString& prefix, const QStringList& columns) const;
    // The keys of a batched lookup as a table k(i, v): i the key's place in the list (from
    // 0), v the key; with `count` "?" (or one, `json`, where jsonKeysInOneParameter()).
    QString keys(int count, bool json) const;
    // The join of a batched lookup: SQLite's "cross join" keeps the keys the outer loop.
    QString keysJoin() const;
    // Whether a JSON key list takes all its keys in one parameter here.
    bool jsonKeysInOneParameter() const;

private:
    Dialect(Product product, bool jsonKeys) : m_product(product), m_jsonKeys(jsonKeys) {}
    Product m_product;
    bool m_jsonKeys;
};

} // namespace orvex::db
