#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <vector>

namespace orvex::db {

enum class Product;
class Dialect;

// The texts of one statement the tool sends, written once (db/Queries.h holds them all). A
// text may hold, outside quotes:
//   :name            a value, bound by name and sent as a parameter;
//   $name            a name of the tool's own (a table, a column), bound by name;
//   {Db.table}       a table of Build_FILE or Medicare, qualified as the product wants it
//                    ({Medicare.$table}: the table's name bound by name);
//   {keys :name}     the keys of a batched lookup as a table k(i, v), one parameter a key;
//   {jsonkeys :name} the same, on SQLite in one parameter as a JSON array;
//   {join}           the join that keeps the table to its left the outer loop;
//   {order t: A*, B} the row order the tool relies on: SQL Server sorts by the columns (a
//                    "*" one byte for byte), SQLite keeps the order of storage (t.rowid);
//                    "{order}" and "{order t}" sort on SQLite only;
//   {orAllLike :name Column}  " or (Column like ? escape '!' and ...)", one LIKE a value of
//                    the list, nothing for an empty list.
// Where the products differ in more than that, a definition has a text for each; a product
// without texts sends nothing. A few definitions are several statements sent one by one.
class QueryText
{
public:
    struct Both
    {
        QStringList texts;
    };
    struct PerProduct
    {
        QStringList sqlServer;
        QStringList sqlite;
    };

    QueryText(const char* name, const Both& both);
    QueryText(const char* name, PerProduct texts);
    QueryText(const QueryText&) = delete;
    QueryText& operator=(const QueryText&) = delete;

    const QString& name() const { return m_name; }
    const QStringList& texts(Product product) const;
    // The names some product's text uses: values (:name), names of the tool's own ($name),
    // and lists ({keys :name} and the like).
    const QStringList& values() const { return m_values; }
    const QStringList& identifiers() const { return m_identifiers; }
    const QStringList& lists() const { return m_lists; }

    // Every definition, in the order of db/Queries.h: what the grammar check reads.
    static const std::vector<const QueryText*>& all();

private:
    QString m_name;
    QStringList m_sqlServer;
    QStringList m_sqlite;
    QStringList m_values;
    QStringList m_identifiers;
    QStringList m_lists;
};

// One statement as rendered for a product: the text and its parameters in order.
struct RenderedStatement
{
    QString sql;
    QVariantList params;
};

// A definition with its values bound by name. Rendering (and so executing) throws
// orvex::Error when a name the texts use is unbound, or a bound name is none of theirs.
class Query
{
public:
    Query(const QueryText& text) : m_text(&text) {} // NOLINT: a definition is a query with nothing bound

    Query& bind(const QString& name, const QVariant& value);
    // A name of the tool's own ($name): letters, digits and underscores only, else Error.
    Query& bindName(const QString& name, const QString& identifier);
    // The values of {keys :name}, {jsonkeys :name} or {orAllLike :name ...}.
    Query& bindList(const QString& name, const QStringList& values);

    const QueryText& text() const { return *m_text; }
    // Whether `product` is sent anything for this query.
    bool sends(Product product) const;
    // Whether the key list `name` takes any number of keys in one statement on `product`.
    bool keysInOneParameter(Product product) const;
    bool keysInOneParameter(const Dialect& dialect) const;
    // Whether a text of `product` holds a {jsonkeys :name} list.
    bool hasJsonKeys(Product product) const;

    std::vector<RenderedStatement> render(Product product) const;
    std::vector<RenderedStatement> render(const Dialect& dialect) const;
    // The one statement of the query; Error when it is not exactly one.
    RenderedStatement renderOne(Product product) const;
    RenderedStatement renderOne(const Dialect& dialect) const;

private:
    const QueryText* m_text;
    QHash<QString, QVariant> m_values;
    QHash<QString, QString> m_identifiers;
    QHash<QString, QStringList> m_lists;
};

} // namespace orvex::db
