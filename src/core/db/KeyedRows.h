#pragma once

#include "db/Connection.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <optional>

namespace orvex::db {

// Rows looked up by key, many keys per statement: the batched lookups' cache.
template <typename Row> using KeyedRows = QHash<QString, std::optional<Row>>;

// Fetches the keys not yet in `cache`, `chunk` per statement (under SQL Server's 2,100
// parameters), or all in one statement as a JSON array when `jsonArray` (the statement then
// has one "?"). `sqlFor(n)` gives the statement for n keys, whose column 0 is the key as
// sent; `make(query)` reads a row. The first row of a key is its match; a key without rows
// is cached as absent.
template <typename Row, typename SqlFor, typename Make>
void fetchKeyedRows(Connection& connection, KeyedRows<Row>& cache, const QStringList& keys, SqlFor sqlFor,
                    Make make, bool jsonArray = false, int chunk = 2000)
{
    QStringList wanted;
    QSet<QString> seen;
    for (const QString& key : keys) {
        if (!cache.contains(key) && !seen.contains(key)) {
            seen.insert(key);
            wanted << key;
        }
    }
    if (jsonArray)
        chunk = std::max(1, int(wanted.size()));
    for (qsizetype start = 0; start < wanted.size(); start += chunk) {
        const QStringList part = wanted.mid(start, chunk);
        QVariantList params;
        if (jsonArray) {
            params << QString::fromUtf8(
                QJsonDocument(QJsonArray::fromStringList(part)).toJson(QJsonDocument::Compact));
        } else {
            params.reserve(part.size());
            for (const QString& key : part)
                params << key;
        }
        QSqlQuery query = connection.exec(sqlFor(int(part.size())), params);
        for (const QString& key : part)
            cache.insert(key, std::nullopt);
        while (query.next()) {
            auto it = cache.find(query.value(0).toString());
            if (it == cache.end() || it->has_value())
                continue; // a later row of a key already matched
            *it = make(query);
        }
    }
}

} // namespace orvex::db
