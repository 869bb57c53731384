#pragma once

#include "Error.h"
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
    // lacks reads as a null QVariant. Names match without regard to case. The values are
    // the caller's to move from until the next call, which reuses their vector.
    std::vector<QVariant>& values(const QSqlQuery& query)
    {
        if (!m_placed) {
            const QSqlRecord record = query.record();
            for (const char* name : m_names)
                m_positions.push_back(record.indexOf(QLatin1String(name)));
            m_placed = true;
        }
        m_values.clear();
        for (const int position : m_positions)
            m_values.push_back(position >= 0 ? query.value(position) : QVariant());
        return m_values;
    }

private:
    std::vector<const char*> m_names;
    std::vector<int> m_positions;
    bool m_placed = false;
    std::vector<QVariant> m_values;
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

// The place in the list sent (from 0) that column 0 of a batched lookup's current row names;
// one outside the `count` keys sent is the database's fault, told as such.
inline qsizetype keyPlace(const QSqlQuery& result, qsizetype count, const QString& listName)
{
    bool isNumber = false;
    const qlonglong place = result.value(0).toLongLong(&isNumber);
    if (!isNumber || place < 0 || place >= count)
        throw Error(Error::Kind::Database,
                    QStringLiteral("The database answered a lookup of %1 with a row for no key it was sent.")
                        .arg(listName));
    return qsizetype(place);
}

// Looks up every key of `keys` through `query`, whose key list `listName` they fill: as
// many per statement as the parameter limit allows, or all in one where the list goes as
// one JSON array. Column 0 of the result is a key's place in the list sent; `make(query)`
// reads a row. Gives each key's first row, or none, in the order of `keys`: a key listed
// twice is looked up twice, which costs less than finding the repeats.
template <typename Row, typename Make>
std::vector<std::optional<Row>> fetchRowsInOrder(Connection& connection, const QStringList& keys, Query query,
                                                 const QString& listName, Make make)
{
    std::vector<std::optional<Row>> rows(size_t(keys.size()));
    const qsizetype chunk = query.keysInOneParameter(connection.dialectFor(query))
                                ? std::max<qsizetype>(1, keys.size())
                                : Dialect::kMaxParameters;
    for (qsizetype start = 0; start < keys.size(); start += chunk) {
        const qsizetype count = std::min(chunk, keys.size() - start);
        QSqlQuery result = connection.exec(query.bindList(listName, keys.mid(start, count)));
        while (result.next()) {
            std::optional<Row>& row = rows[size_t(start + keyPlace(result, count, listName))];
            if (!row)
                row = make(result); // a later row of a key already matched is passed over
        }
    }
    return rows;
}

} // namespace orvex::db
