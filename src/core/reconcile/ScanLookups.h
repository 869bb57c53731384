#pragma once

#include <QString>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

namespace orvex::db {
class Connection;
}

namespace orvex::reconcile {

// The first row of a lookup, as the database returns it (NULLs stay NULL).
struct IcdRow
{
    QVariant code;
    QVariant description;
};

struct CaseRateRow
{
    QVariant icdCode;
    QVariant description;
    QVariant caseType;
    QVariant packageId;
};

struct PackageRow
{
    QVariant packageId;
    QVariant amount;
    QVariant pf;
    QVariant medRoomBoard;
};

// What the batched strategy needs to know of a code line before it is classified.
struct PlannedLookup
{
    QString code;
    QString description;
    QString groupName; // the group in force at that line
};

// The four lookups of the scan. Both strategies give the same rows: the first matching
// row in the table's order, matched with the database's collation.
class ScanLookups
{
public:
    virtual ~ScanLookups() = default;

    // Announces the code lines about to be classified, in order; only they are asked for
    // until the next announcement.
    virtual void prefetch(const std::vector<PlannedLookup>& lines) { (void)lines; }

    virtual std::optional<IcdRow> icdByCode(const QString& code) = 0;
    // Whether the diagnosis table holds the code: all the PH scan asks of it.
    virtual bool icdCodeKnown(const QString& code) { return icdByCode(code).has_value(); }
    virtual std::optional<IcdRow> icdByDescription(const QString& description) = 0;
    virtual std::optional<CaseRateRow> caseRateByCode(const QString& code) = 0;
    virtual std::optional<PackageRow> packageByName(const QString& groupName) = 0;
};

// One statement per lookup, as the lines come.
std::unique_ptr<ScanLookups> makePerLineLookups(db::Connection& connection);

// The keys of the lines announced together in one statement per table (one JSON array on
// SQLite and on a SQL Server that reads JSON, else chunks of at most 2,000 parameters);
// the rows are then served from memory. In `phMode` the codes are only looked up for
// whether they are known (icdCodeKnown), not for their rows.
std::unique_ptr<ScanLookups> makeBatchedLookups(db::Connection& connection, bool phMode);

} // namespace orvex::reconcile
