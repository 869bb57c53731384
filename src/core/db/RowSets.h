#pragma once

#include "db/Connection.h"

#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <vector>

namespace orvex::db {

// Many rows of values sent as one set, so that one statement inserts, updates, deletes or
// reads them all: a statement's "{rows}" stands for them, as a table r with the columns
// c0, c1, ... On SQLite they go as one JSON array (json_each); on SQL Server through
// OPENJSON where the server has it, else as VALUES rows, within Dialect::kMaxParameters.
// SQLite behind ODBC whose own file is an attached one gets VALUES rows too
// (Connection::mainFileIsAttached), within SQLite's oldest limit of parameters.
struct RowSet
{
    int columns = 0;
    std::vector<QVariantList> rows; // each `columns` long; a null QVariant is NULL

    void add(QVariantList row) { rows.push_back(std::move(row)); }
    bool empty() const { return rows.empty(); }
};

// How the rows are sent.
enum class RowSetForm { JsonEach, OpenJson, ValuesRows, SqliteValues };
RowSetForm rowSetForm(Connection& connection);

// The text that replaces "{rows}" for `rowCount` rows of `columns` columns: "(select ...
// from json_each(?)) as r", "openjson(?) with (...) as r", "(values (?,?),(?,?)) as r(c0,c1)",
// "(select column1 as c0, ... from (values (?,?),(?,?))) as r".
QString rowSource(RowSetForm form, int columns, int rowCount);
// How many rows one statement takes in that form.
int rowsPerStatement(RowSetForm form, int columns, int leadingParameters);

// Runs `statement` for every row of `rows`, in as few statements as the form allows (and
// Connection::rowsPerSetStatement lets); `leading` are bound before the rows' values in
// each. Calls `onRow` with every result row.
// Returns the rows affected, summed (-1 when the driver does not tell).
int execForRows(Connection& connection, const QString& statement, const QVariantList& leading,
                const RowSet& rows, const std::function<void(const QSqlQuery&)>& onRow = {});

// A table the tool writes, in a statement of `product`: "Medicare.tbMedPackage" or
// "[Medicare].[dbo].[tbMedPackage]". `database` and `table` are the tool's own names.
QString tableIn(Product product, const QString& database, const QString& table);

// A column set to a value the same for every row: its expression in each dialect.
struct FixedColumn
{
    QString column;
    QString sqlite;
    QString sqlServer;
};

// The set statements of the write path, each rendered for `product`. Row columns come in the
// order the arguments name them.
namespace sets {
// insert into `table` (columns..., fixed...) the rows.
QString insert(Product product, const QString& table, const QStringList& columns,
               const std::vector<FixedColumn>& fixed = {});
// update `table`: the rows' first columns into `set`, matched on `match` (the rows' next
// columns); a match column in `nullSafe` also matches NULL to NULL.
QString update(Product product, const QString& table, const QStringList& set, const QStringList& match,
               const QStringList& nullSafe = {});
// delete the rows of `table` that match a row on `match`.
QString remove(Product product, const QString& table, const QStringList& match);
// select the key as sent (column 0) and `columns` of every row of `table` whose `keyColumn`
// matches a row's c0, in the table's order of storage where it has one.
QString select(Product product, const QString& table, const QString& keyColumn, const QStringList& columns);
} // namespace sets

} // namespace orvex::db
