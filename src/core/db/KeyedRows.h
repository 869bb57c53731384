#pragma once

#include "db/Connection.h"
#include "db/Dialect.h"
#include "db/Query.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <optional>

namespace orvex::db {

// Rows looked up by key, many keys per statement: the batched lookups' cache.
template <typename Row> using KeyedRows = QHash<QString, std::optional<Row>>;

// Fetches the keys not yet in `cache` through `query`, whose key list `listName` they fill:
// as many per statement as the parameter limit allows, or all in one where the list goes
// as one JSON array. Column 0 of the result is the key as sent; `make(query)` reads a row.
// The first row of a key is its match; a key without rows is cached as absent.
template <typename Row, typename Make>
void fetchKeyedRows(Connection& connection, KeyedRows<Row>& cache, const QStringList& keys, Query query,
                    const QString& listName, Make make)
{
    QStringList wanted;
    QSet<QString> seen;
    for (const QString& key : keys) {
        if (!cache.contains(key) && !seen.contains(key)) {
            seen.insert(key);
            wanted << key;
        }
    }
    const qsizetype chunk = query.keysInOneParameter(connection.dialectFor(query))
                                ? std::max<qsizetype>(1, wanted.size())
                                : Dialect::kMaxParameters;
    for (qsizetype start = 0; start < wanted.size(); start += chunk) {
        const QStringList part = wanted.mid(start, chunk);
        QSqlQuery result = connection.exec(query.bindList(listName, part));
        for (const QString& key : part)
            cache.insert(key, std::nullopt);
        while (result.next()) {
            auto it = cache.find(result.value(0).toString());
            if (it == cache.end() || it->has_value())
                continue; // a later row of a key already matched
            *it = make(result);
        }
    }
}

} // namespace orvex::db
