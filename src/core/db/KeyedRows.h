#pragma once

#include "db/Connection.h"
#include "db/Dialect.h"
#include "db/Query.h"

#include <QHash>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <vector>

namespace orvex::db {

// Columns read by name from the rows of one statement: their positions are found in the
// first row's record and kept, as making a record for every row costs more than the row.
class NamedColumns
{
public:
    explicit NamedColumns(std::initializer_list<const char*> names) : m_names(names) {}

    // The named columns of the current row, in the order named; a column the statement
    // lacks reads as a null QVariant. Names match without regard to case.
    std::vector<QVariant> values(const QSqlQuery& query)
    {
        if (m_positions.empty()) {
            const QSqlRecord record = query.record();
            for (const char* name : m_names)
                m_positions.push_back(record.indexOf(QLatin1String(name)));
        }
        std::vector<QVariant> out;
        out.reserve(m_positions.size());
        for (const int position : m_positions)
            out.push_back(position >= 0 ? query.value(position) : QVariant());
        return out;
    }

private:
    std::vector<const char*> m_names;
    std::vector<int> m_positions;
};

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
    // A key wanted is entered as absent at once (which also drops its repeats), and taken
    // out again when its statement fails: only keys asked for successfully stay.
    QStringList wanted;
    wanted.reserve(keys.size());
    cache.reserve(cache.size() + keys.size());
    for (const QString& key : keys) {
        const qsizetype before = cache.size();
        cache[key]; // absent until a row says otherwise; one hash for a key new or known
        if (cache.size() != before)
            wanted << key;
    }
    const qsizetype chunk = query.keysInOneParameter(connection.dialectFor(query))
                                ? std::max<qsizetype>(1, wanted.size())
                                : Dialect::kMaxParameters;
    for (qsizetype start = 0; start < wanted.size(); start += chunk) {
        try {
            QSqlQuery result = connection.exec(query.bindList(listName, wanted.mid(start, chunk)));
            while (result.next()) {
                auto it = cache.find(result.value(0).toString());
                if (it == cache.end() || it->has_value())
                    continue; // a later row of a key already matched
                *it = make(result);
            }
        } catch (...) {
            for (qsizetype i = start; i < wanted.size(); ++i)
                cache.remove(wanted[i]);
            throw;
        }
    }
}

} // namespace orvex::db
