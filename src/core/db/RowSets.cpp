#include "db/RowSets.h"

#include "Error.h"
#include "db/Dialect.h"
#include "text/JsonText.h"

#include <algorithm>
#include <limits>

namespace orvex::db {

namespace {

QString columnName(int i)
{
    return QStringLiteral("c%1").arg(i);
}

QString columnList(int columns)
{
    QStringList names;
    for (int i = 0; i < columns; ++i)
        names << columnName(i);
    return names.join(QStringLiteral(", "));
}

// Every value as a JSON text or null: json_each hands a text back as it was bound, and the
// column's affinity converts it as it would a bound text.
QString jsonRows(const std::vector<QVariantList>& rows, size_t from, size_t count)
{
    text::JsonText json;
    json.open('[');
    for (size_t i = from; i < from + count; ++i) {
        json.open('[');
        for (const QVariant& v : rows[i])
            json.scalar(v.isNull() ? QVariant() : QVariant(v.toString()));
        json.close(']');
    }
    json.close(']');
    return QString::fromUtf8(json.take());
}

} // namespace

RowSetForm rowSetForm(Connection& connection)
{
    if (connection.product() == Product::Sqlite)
        return connection.mainFileIsAttached() ? RowSetForm::SqliteValues : RowSetForm::JsonEach;
    return connection.serverHasOpenJson() ? RowSetForm::OpenJson : RowSetForm::ValuesRows;
}

QString rowSource(RowSetForm form, int columns, int rowCount)
{
    QStringList parts;
    switch (form) {
    case RowSetForm::JsonEach:
        for (int i = 0; i < columns; ++i)
            parts << QStringLiteral("json_extract(value, '$[%1]') as %2").arg(i).arg(columnName(i));
        return QStringLiteral("(select %1 from json_each(?)) as r").arg(parts.join(QStringLiteral(", ")));
    case RowSetForm::OpenJson:
        // nvarchar(max): a shorter type would cut a longer value without a word, and a
        // description column may be wider than 4,000 characters (or ntext).
        for (int i = 0; i < columns; ++i)
            parts << QStringLiteral("%1 nvarchar(max) '$[%2]'").arg(columnName(i)).arg(i);
        return QStringLiteral("OPENJSON(?) WITH (%1) AS r").arg(parts.join(QStringLiteral(", ")));
    case RowSetForm::SqliteValues: {
        for (int i = 0; i < columns; ++i)
            parts << QStringLiteral("column%1 as %2").arg(i + 1).arg(columnName(i));
        const QString row = QLatin1Char('(') +
                            QStringList(columns, QStringLiteral("?")).join(QLatin1Char(',')) +
                            QLatin1Char(')');
        return QStringLiteral("(select %1 from (values %2)) as r")
            .arg(parts.join(QStringLiteral(", ")), QStringList(rowCount, row).join(QLatin1Char(',')));
    }
    case RowSetForm::ValuesRows: {
        const QString row = QLatin1Char('(') +
                            QStringList(columns, QStringLiteral("?")).join(QLatin1Char(',')) +
                            QLatin1Char(')');
        return QStringLiteral("(VALUES %1) AS r(%2)")
            .arg(QStringList(rowCount, row).join(QLatin1Char(',')), columnList(columns));
    }
    }
    return {};
}

int rowsPerStatement(RowSetForm form, int columns, int leadingParameters)
{
    // SQLite before 3.32 takes at most 999 parameters, and an ODBC driver may bring its own.
    constexpr int kOldestSqliteParameters = 999;
    int parameters = 0;
    switch (form) {
    case RowSetForm::JsonEach:
    case RowSetForm::OpenJson:
        return std::numeric_limits<int>::max();
    case RowSetForm::ValuesRows:
        parameters = Dialect::kMaxParameters;
        break;
    case RowSetForm::SqliteValues:
        parameters = kOldestSqliteParameters;
        break;
    }
    return std::max(1, (parameters - leadingParameters) / std::max(1, columns));
}

int execForRows(Connection& connection, const QString& statement, const QVariantList& leading,
                const RowSet& rows, const std::function<void(const QSqlQuery&)>& onRow)
{
    if (rows.empty())
        return 0;
    for (const QVariantList& row : rows.rows) {
        if (row.size() != rows.columns)
            throw Error(QStringLiteral("a row of %1 values was given for %2 columns")
                            .arg(row.size())
                            .arg(rows.columns));
    }
    const RowSetForm form = rowSetForm(connection);
    size_t perStatement = size_t(rowsPerStatement(form, rows.columns, int(leading.size())));
    if (connection.rowsPerSetStatement() > 0)
        perStatement = std::min(perStatement, size_t(connection.rowsPerSetStatement()));
    int affected = 0;
    for (size_t from = 0; from < rows.rows.size(); from += perStatement) {
        const size_t count = std::min(perStatement, rows.rows.size() - from);
        QVariantList params = leading;
        if (form == RowSetForm::ValuesRows) {
            for (size_t i = from; i < from + count; ++i)
                params << rows.rows[i];
        } else if (form == RowSetForm::SqliteValues) {
            // As text, as json_each hands the values over: the columns' affinity converts them alike.
            for (size_t i = from; i < from + count; ++i) {
                for (const QVariant& v : rows.rows[i])
                    params << (v.isNull() ? QVariant() : QVariant(v.toString()));
            }
        } else {
            params << jsonRows(rows.rows, from, count);
        }
        QString sql = statement;
        sql.replace(QStringLiteral("{rows}"), rowSource(form, rows.columns, int(count)));
        QSqlQuery q = connection.exec(sql, params);
        const int n = q.numRowsAffected();
        affected = (affected < 0 || n < 0) ? -1 : affected + n;
        if (onRow) {
            while (q.next())
                onRow(q);
        }
    }
    return affected;
}

QString tableIn(Product product, const QString& database, const QString& table)
{
    return Dialect::of(product).table(database, table);
}

namespace sets {

namespace {
QString rowColumn(int i)
{
    return QStringLiteral("r.") + columnName(i);
}

// "t.A = r.c2 AND (t.B = r.c3 OR (t.B IS NULL AND r.c3 IS NULL))": the key column on the
// left, so that its collation decides.
QString matching(const QStringList& match, int firstColumn, const QStringList& nullSafe)
{
    QStringList parts;
    for (int i = 0; i < match.size(); ++i) {
        const QString t = QStringLiteral("t.") + match[i];
        const QString r = rowColumn(firstColumn + i);
        parts << (nullSafe.contains(match[i])
                      ? QStringLiteral("(%1 = %2 OR (%1 IS NULL AND %2 IS NULL))").arg(t, r)
                      : QStringLiteral("%1 = %2").arg(t, r));
    }
    return parts.join(QStringLiteral(" AND "));
}
} // namespace

QString insert(Product product, const QString& table, const QStringList& columns,
               const std::vector<FixedColumn>& fixed)
{
    QStringList names = columns;
    QStringList values;
    for (int i = 0; i < columns.size(); ++i)
        values << rowColumn(i);
    for (const FixedColumn& f : fixed) {
        names << f.column;
        values << (product == Product::Sqlite ? f.sqlite : f.sqlServer);
    }
    return QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM {rows}")
        .arg(table, names.join(QLatin1Char(',')), values.join(QStringLiteral(", ")));
}

QString update(Product product, const QString& table, const QStringList& set, const QStringList& match,
               const QStringList& nullSafe)
{
    QStringList assignments;
    for (int i = 0; i < set.size(); ++i)
        assignments << QStringLiteral("%1 = %2").arg(set[i], rowColumn(i));
    const QString on = matching(match, int(set.size()), nullSafe);
    if (product == Product::Sqlite)
        return QStringLiteral("UPDATE %1 AS t SET %2 FROM {rows} WHERE %3")
            .arg(table, assignments.join(QStringLiteral(", ")), on);
    return QStringLiteral("UPDATE t SET %2 FROM %1 AS t JOIN {rows} ON %3")
        .arg(table, assignments.join(QStringLiteral(", ")), on);
}

QString remove(Product product, const QString& table, const QStringList& match)
{
    const QString on = matching(match, 0, {});
    // SQLite: the rows are read once, not once per row of the table.
    if (product == Product::Sqlite)
        return QStringLiteral(
                   "DELETE FROM %1 WHERE rowid IN (SELECT t.rowid FROM {rows} CROSS JOIN %1 AS t ON %2)")
            .arg(table, on);
    return QStringLiteral("DELETE t FROM %1 AS t JOIN {rows} ON %2").arg(table, on);
}

QString select(Product product, const QString& table, const QString& keyColumn, const QStringList& columns)
{
    QStringList selected = {rowColumn(0)};
    for (const QString& c : columns)
        selected << QStringLiteral("t.") + c;
    const QString on = matching({keyColumn}, 0, {});
    if (product == Product::Sqlite)
        return QStringLiteral("SELECT %1 FROM {rows} CROSS JOIN %2 AS t ON %3 ORDER BY t.rowid")
            .arg(selected.join(QStringLiteral(", ")), table, on);
    return QStringLiteral("SELECT %1 FROM {rows} JOIN %2 AS t ON %3")
        .arg(selected.join(QStringLiteral(", ")), table, on);
}

} // namespace sets

} // namespace orvex::db
