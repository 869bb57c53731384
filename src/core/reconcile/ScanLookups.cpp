#include "reconcile/ScanLookups.h"

#include "db/Connection.h"
#include "db/KeyedRows.h"
#include "db/Queries.h"

#include <QHash>
#include <QSqlQuery>
#include <QSqlRecord>

namespace orvex::reconcile {

namespace {

// Reads the named columns of the current row; names match without regard to case, as
// the statements spell them several ways.
std::vector<QVariant> readColumns(const QSqlQuery& query, std::initializer_list<const char*> names)
{
    const QSqlRecord record = query.record();
    std::vector<QVariant> values;
    values.reserve(names.size());
    for (const char* name : names) {
        const int index = record.indexOf(QLatin1String(name));
        values.push_back(index >= 0 ? query.value(index) : QVariant());
    }
    return values;
}

IcdRow icdRowFrom(const std::vector<QVariant>& v)
{
    return {v[0], v[1]};
}
CaseRateRow caseRateRowFrom(const std::vector<QVariant>& v)
{
    return {v[0], v[1], v[2], v[3]};
}
PackageRow packageRowFrom(const std::vector<QVariant>& v)
{
    return {v[0], v[1], v[2], v[3]};
}

const std::initializer_list<const char*> kIcdColumns = {"CODE", "Description"};
const std::initializer_list<const char*> kCaseRateColumns = {"ICDCode", "Description", "CaseType",
                                                             "PackageID"};
const std::initializer_list<const char*> kPackageColumns = {"PackageID", "Amount", "PF", "MedRoomBoard"};

class PerLineLookups final : public ScanLookups
{
public:
    explicit PerLineLookups(db::Connection& connection) : m_connection(connection) {}

    std::optional<IcdRow> icdByCode(const QString& code) override
    {
        return first<IcdRow>(db::Query(db::queries::icdByCode).bind("code", code), kIcdColumns, icdRowFrom);
    }
    std::optional<IcdRow> icdByDescription(const QString& description) override
    {
        return first<IcdRow>(db::Query(db::queries::icdByDescription).bind("description", description),
                             kIcdColumns, icdRowFrom);
    }
    std::optional<CaseRateRow> caseRateByCode(const QString& code) override
    {
        return first<CaseRateRow>(db::Query(db::queries::caseRateByCode).bind("code", code), kCaseRateColumns,
                                  caseRateRowFrom);
    }
    std::optional<PackageRow> packageByName(const QString& groupName) override
    {
        return first<PackageRow>(db::Query(db::queries::packageByName).bind("name", groupName),
                                 kPackageColumns, packageRowFrom);
    }

private:
    template <typename Row, typename Make>
    std::optional<Row> first(const db::Query& lookup, std::initializer_list<const char*> columns, Make make)
    {
        QSqlQuery query = m_connection.exec(lookup);
        if (!query.next())
            return std::nullopt;
        return make(readColumns(query, columns));
    }

    db::Connection& m_connection;
};

// Keys are matched exactly as sent; the database has already applied its collation.
template <typename Row> using RowCache = db::KeyedRows<Row>;

class BatchedLookups final : public ScanLookups
{
public:
    BatchedLookups(db::Connection& connection, bool phMode) : m_connection(connection), m_phMode(phMode) {}

    void prefetch(const std::vector<PlannedLookup>& lines) override
    {
        // Only the lines announced are asked for until the next announcement: the rows of
        // earlier ones would make the memory grow with the list.
        m_codes.clear();
        m_descriptions.clear();
        m_caseRates.clear();
        m_packages.clear();
        QStringList codes;
        codes.reserve(qsizetype(lines.size()));
        for (const auto& line : lines)
            codes << line.code;
        fetch(m_codes, codes, db::queries::icdByCodeBatch, "codes", kIcdColumns, icdRowFrom);
        m_codesInOrder.plan(m_codes, codes);

        QStringList descriptions;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (!m_codesInOrder.rows[i].has_value())
                descriptions << lines[i].description;
        }
        fetch(m_descriptions, descriptions, db::queries::icdByDescriptionBatch, "descriptions", kIcdColumns,
              icdRowFrom);
        m_descriptionsInOrder.plan(m_descriptions, descriptions);
        if (!m_phMode)
            return;

        fetch(m_caseRates, codes, db::queries::caseRateByCodeBatch, "codes", kCaseRateColumns,
              caseRateRowFrom);
        m_caseRatesInOrder.plan(m_caseRates, codes);
        QStringList groups;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (!m_caseRatesInOrder.rows[i].has_value())
                groups << lines[i].groupName;
        }
        fetch(m_packages, groups, db::queries::packageByNameBatch, "names", kPackageColumns, packageRowFrom);
        m_packagesInOrder.plan(m_packages, groups);
    }

    std::optional<IcdRow> icdByCode(const QString& code) override
    {
        return m_codesInOrder.next(m_codes, code);
    }
    std::optional<IcdRow> icdByDescription(const QString& description) override
    {
        return m_descriptionsInOrder.next(m_descriptions, description);
    }
    std::optional<CaseRateRow> caseRateByCode(const QString& code) override
    {
        return m_caseRatesInOrder.next(m_caseRates, code);
    }
    std::optional<PackageRow> packageByName(const QString& groupName) override
    {
        return m_packagesInOrder.next(m_packages, groupName);
    }

private:
    // The rows of the keys in the order they were announced: the lines ask for them in that
    // order, so each is served by its place instead of a hash lookup of its key.
    template <typename Row> struct InOrder
    {
        QStringList keys;
        std::vector<std::optional<Row>> rows;
        qsizetype at = 0;

        void plan(const RowCache<Row>& cache, const QStringList& announced)
        {
            keys = announced;
            rows.clear();
            rows.reserve(size_t(announced.size()));
            for (const QString& key : announced)
                rows.push_back(cache.value(key));
            at = 0;
        }
        std::optional<Row> next(const RowCache<Row>& cache, const QString& key)
        {
            if (at < keys.size() && keys[at] == key)
                return rows[size_t(at++)];
            return served(cache, key); // asked out of the announced order
        }
    };

    template <typename Row> static std::optional<Row> served(const RowCache<Row>& cache, const QString& key)
    {
        const auto it = cache.constFind(key);
        Q_ASSERT(it != cache.constEnd()); // every key was announced before it is asked for
        return it == cache.constEnd() ? std::nullopt : *it;
    }

    // Fetches the keys not yet cached. Column 0 is the key as sent, the others are read by
    // name; the first row of a key is its match.
    template <typename Row, typename Make>
    void fetch(RowCache<Row>& cache, const QStringList& keys, const db::QueryText& lookup,
               const char* keyList, std::initializer_list<const char*> columns, Make make)
    {
        db::NamedColumns named(columns);
        db::fetchKeyedRows(m_connection, cache, keys, lookup, QLatin1String(keyList),
                           [&](const QSqlQuery& query) { return make(named.values(query)); });
    }

    db::Connection& m_connection;
    bool m_phMode;
    RowCache<IcdRow> m_codes;
    RowCache<IcdRow> m_descriptions;
    RowCache<CaseRateRow> m_caseRates;
    RowCache<PackageRow> m_packages;
    InOrder<IcdRow> m_codesInOrder;
    InOrder<IcdRow> m_descriptionsInOrder;
    InOrder<CaseRateRow> m_caseRatesInOrder;
    InOrder<PackageRow> m_packagesInOrder;
};

} // namespace

std::unique_ptr<ScanLookups> makePerLineLookups(db::Connection& connection)
{
    return std::make_unique<PerLineLookups>(connection);
}

std::unique_ptr<ScanLookups> makeBatchedLookups(db::Connection& connection, bool phMode)
{
    return std::make_unique<BatchedLookups>(connection, phMode);
}

} // namespace orvex::reconcile
