#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

namespace orvex::db {
class Connection;
}

namespace orvex::caserates {

// The first case-rate row of a code (NULLs stay NULL).
struct CaseRateHit
{
    QVariant code;
    QVariant description;
    QVariant packageId;
};

struct PackageHit
{
    QVariant amount;
    QVariant pf;
    QVariant medRoomBoard;
};

// The update run's lookups of one pass. Both strategies give the same answers: the first
// matching row in the table's order, matched with the database's collation.
class RateLookups
{
public:
    virtual ~RateLookups() = default;

    // Announces the codes of the pass, in order (the batched strategy fetches them here).
    virtual void prefetch(const QStringList& codes) { (void)codes; }

    virtual bool newStyleExists(const QString& code) = 0;
    virtual std::optional<CaseRateHit> caseRate(const QString& code) = 0;
    virtual std::optional<PackageHit> package(const QString& packageId) = 0;
};

// One statement per lookup (the reference).
std::unique_ptr<RateLookups> makePerLineRateLookups(db::Connection& connection, bool procedures);
// Many keys per statement, fetched by prefetch; `newStyle`: also tbMedPackage_NEW.
std::unique_ptr<RateLookups> makeBatchedRateLookups(db::Connection& connection, bool procedures,
                                                    bool newStyle);

// The code with every blank removed: the case-rate lookup's second try.
QString withoutBlanks(const QString& code);

} // namespace orvex::caserates
