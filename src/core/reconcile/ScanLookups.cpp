#include "reconcile/ScanLookups.h"

#include "db/Connection.h"
#include "db/KeyedRows.h"
#include "db/Queries.h"

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

IcdRow icdRowFrom(std::vector<QVariant>& v)
{
    return {std::move(v[0]), std::move(v[1])};
}
CaseRateRow caseRateRowFrom(std::vector<QVariant>& v)
{
    return {std::move(v[0]), std::move(v[1]), std::move(v[2]), std::move(v[3])};
}
PackageRow packageRowFrom(std::vector<QVariant>& v)
{
    return {std::move(v[0]), std::move(v[1]), std::move(v[2]), std::move(v[3])};
}

bool known(std::vector<QVariant>&)
{
    return true;
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
        std::vector<QVariant> values = readColumns(query, columns);
        return make(values);
    }

    db::Connection& m_connection;
};

class BatchedLookups final : public ScanLookups
{
public:
    BatchedLookups(db::Connection& connection, bool phMode) : m_connection(connection), m_phMode(phMode) {}

    void prefetch(const std::vector<PlannedLookup>& lines) override
    {
        // Only the lines announced are asked for until the next announcement: the rows of
        // earlier ones would make the memory grow with the list.
        QStringList codes;
        codes.reserve(qsizetype(lines.size()));
        for (const auto& line : lines)
            codes << line.code;
        if (m_phMode)
            fetch(m_knownCodes, codes, db::queries::icdCodeKnownBatch, "codes", {}, known);
        else
            fetch(m_codes, codes, db::queries::icdByCodeBatch, "codes", kIcdColumns, icdRowFrom);

        QStringList descriptions;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (!(m_phMode ? m_knownCodes.rows[i].has_value() : m_codes.rows[i].has_value()))
                descriptions << lines[i].description;
        }
        fetch(m_descriptions, descriptions, db::queries::icdByDescriptionBatch, "descriptions", kIcdColumns,
              icdRowFrom);
        if (!m_phMode)
            return;

        fetch(m_caseRates, codes, db::queries::caseRateByCodeBatch, "codes", kCaseRateColumns,
              caseRateRowFrom);
        QStringList groups;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (!m_caseRates.rows[i].has_value())
                groups << lines[i].groupName;
        }
        fetch(m_packages, groups, db::queries::packageByNameBatch, "names", kPackageColumns, packageRowFrom);
    }

    std::optional<IcdRow> icdByCode(const QString& code) override
    {
        Q_ASSERT(!m_phMode); // the PH scan fetched whether its codes are known, not their rows
        return m_codes.next(code);
    }
    bool icdCodeKnown(const QString& code) override
    {
        return m_phMode ? m_knownCodes.next(code).has_value() : m_codes.next(code).has_value();
    }
    std::optional<IcdRow> icdByDescription(const QString& description) override
    {
        return m_descriptions.next(description);
    }
    std::optional<CaseRateRow> caseRateByCode(const QString& code) override { return m_caseRates.next(code); }
    std::optional<PackageRow> packageByName(const QString& groupName) override
    {
        return m_packages.next(groupName);
    }

private:
    // The rows of the keys in the order they were announced: the lines ask for them in that
    // order, so each is served by its place. Keys are matched exactly as sent; the database
    // has already applied its collation.
    template <typename Row> struct InOrder
    {
        QStringList keys;
        std::vector<std::optional<Row>> rows;
        qsizetype at = 0;

        std::optional<Row> next(const QString& key)
        {
            if (at < keys.size() && keys[at] == key)
                return rows[size_t(at++)];
            const qsizetype place = keys.indexOf(key); // asked out of the announced order
            Q_ASSERT(place >= 0);                      // every key was announced before it is asked for
            return place < 0 ? std::nullopt : rows[size_t(place)];
        }
    };

    template <typename Row, typename Make>
    void fetch(InOrder<Row>& into, const QStringList& keys, const db::QueryText& lookup, const char* keyList,
               std::initializer_list<const char*> columns, Make make)
    {
        into = {};
        if (keys.isEmpty())
            return;
        db::NamedColumns named(columns);
        into.rows =
            db::fetchRowsInOrder<Row>(m_connection, keys, lookup, QLatin1String(keyList),
                                      [&](const QSqlQuery& query) { return make(named.values(query)); });
        into.keys = keys;
    }

    db::Connection& m_connection;
    bool m_phMode;
    InOrder<IcdRow> m_codes;
    InOrder<bool> m_knownCodes; // the PH scan's
    InOrder<IcdRow> m_descriptions;
    InOrder<CaseRateRow> m_caseRates;
    InOrder<PackageRow> m_packages;
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
