#include "caserates/RateLookups.h"

#include "db/Connection.h"
#include "db/KeyedRows.h"
#include "db/Queries.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace orvex::caserates {

namespace {

QVariant column(const QSqlQuery& query, const char* name)
{
    const int index = query.record().indexOf(QLatin1String(name));
    return index >= 0 ? query.value(index) : QVariant();
}

CaseRateHit caseRateFrom(const QSqlQuery& q)
{
    return {column(q, "CODE"), column(q, "Description"), column(q, "PackageID")};
}

PackageHit packageFrom(const QSqlQuery& q)
{
    return {column(q, "Amount"), column(q, "PF"), column(q, "MedRoomBoard")};
}

// A case-rate lookup bound to its table: tbMed_Procedures by RVSCODE, or
// tbMed_MedicalCaseRates by ICDCode.
db::Query caseRateLookup(const db::QueryText& text, bool procedures)
{
    return db::Query(text)
        .bindName("table",
                  procedures ? QStringLiteral("tbMed_Procedures") : QStringLiteral("tbMed_MedicalCaseRates"))
        .bindName("key", procedures ? QStringLiteral("RVSCODE") : QStringLiteral("ICDCode"));
}

class PerLine final : public RateLookups
{
public:
    PerLine(db::Connection& connection, bool procedures) : m_connection(connection), m_procedures(procedures)
    {
    }

    bool newStyleExists(const QString& code) override
    {
        return m_connection.exec(db::Query(db::queries::rateNewStyleByCode).bind("code", code)).next();
    }
    std::optional<CaseRateHit> caseRate(const QString& code) override
    {
        QSqlQuery q = m_connection.exec(
            caseRateLookup(db::queries::rateCaseRateByCode, m_procedures).bind("code", code));
        if (!q.next())
            return std::nullopt;
        return caseRateFrom(q);
    }
    std::optional<PackageHit> package(const QString& packageId) override
    {
        QSqlQuery q = m_connection.exec(db::Query(db::queries::ratePackageById).bind("id", packageId));
        if (!q.next())
            return std::nullopt;
        return packageFrom(q);
    }

private:
    db::Connection& m_connection;
    bool m_procedures;
};

class Batched final : public RateLookups
{
public:
    Batched(db::Connection& connection, bool procedures, bool newStyle)
        : m_connection(connection), m_procedures(procedures), m_newStyleWanted(newStyle)
    {
    }

    void prefetch(const QStringList& codes) override
    {
        if (m_newStyleWanted)
            fetchNewStyle(codes);
        fetchCaseRates(codes);
        QStringList retries;
        for (const QString& code : codes) {
            if (!m_caseRates.value(code).has_value())
                retries << withoutBlanks(code);
        }
        fetchCaseRates(retries);
        QStringList packageIds;
        for (const auto& hit : std::as_const(m_caseRates)) {
            if (hit.has_value())
                packageIds << hit->packageId.toString();
        }
        fetchPackages(packageIds);
    }

    bool newStyleExists(const QString& code) override
    {
        if (!m_newStyle.contains(code))
            fetchNewStyle({code});
        return m_newStyle.value(code).has_value();
    }
    std::optional<CaseRateHit> caseRate(const QString& code) override
    {
        if (!m_caseRates.contains(code))
            fetchCaseRates({code}); // not announced: fetched alone
        return m_caseRates.value(code);
    }
    std::optional<PackageHit> package(const QString& packageId) override
    {
        if (!m_packages.contains(packageId))
            fetchPackages({packageId});
        return m_packages.value(packageId);
    }

private:
    void fetchNewStyle(const QStringList& codes)
    {
        fetchKeyedRows(m_connection, m_newStyle, codes, db::queries::rateNewStyleByCodeBatch,
                       QStringLiteral("codes"), [](const QSqlQuery&) { return true; });
    }
    void fetchCaseRates(const QStringList& codes)
    {
        db::NamedColumns named({"CODE", "Description", "PackageID"});
        fetchKeyedRows(m_connection, m_caseRates, codes,
                       caseRateLookup(db::queries::rateCaseRateByCodeBatch, m_procedures),
                       QStringLiteral("codes"), [&named](const QSqlQuery& q) {
                           std::vector<QVariant>& v = named.values(q);
                           return CaseRateHit{std::move(v[0]), std::move(v[1]), std::move(v[2])};
                       });
    }
    void fetchPackages(const QStringList& ids)
    {
        db::NamedColumns named({"Amount", "PF", "MedRoomBoard"});
        fetchKeyedRows(m_connection, m_packages, ids, db::queries::ratePackageByIdBatch,
                       QStringLiteral("ids"), [&named](const QSqlQuery& q) {
                           std::vector<QVariant>& v = named.values(q);
                           return PackageHit{std::move(v[0]), std::move(v[1]), std::move(v[2])};
                       });
    }

    db::Connection& m_connection;
    bool m_procedures;
    bool m_newStyleWanted;
    db::KeyedRows<bool> m_newStyle;
    db::KeyedRows<CaseRateHit> m_caseRates;
    db::KeyedRows<PackageHit> m_packages;
};

} // namespace

QString withoutBlanks(const QString& code)
{
    QString s = code;
    s.remove(QLatin1Char(' '));
    return s;
}

std::unique_ptr<RateLookups> makePerLineRateLookups(db::Connection& connection, bool procedures)
{
    return std::make_unique<PerLine>(connection, procedures);
}

std::unique_ptr<RateLookups> makeBatchedRateLookups(db::Connection& connection, bool procedures,
                                                    bool newStyle)
{
    return std::make_unique<Batched>(connection, procedures, newStyle);
}

} // namespace orvex::caserates
