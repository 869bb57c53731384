#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include "apply/UndoFile.h"

#include <optional>
#include <vector>

namespace orvex::db {
class Connection;
}

namespace orvex::apply {

// The rows an apply and an undo check before they change them, read as they are now.

// One row of a key: what tells it apart from the key's other rows (a package's name, a case
// rate's PackageID), and the values a change of the key overwrites.
struct KeyRow
{
    QVariant identity;
    QVariantMap values;
};
// Every row with that PackageID in `table` (tbMedPackage or a test copy): Amount, PF,
// MedRoomBoard, told apart by Package.
std::vector<KeyRow> packageRows(db::Connection& connection, const QString& table, const QString& packageId);
// Every row with that PackageID in `table`: the six amounts, told apart by Package.
std::vector<KeyRow> packageAmountRows(db::Connection& connection, const QString& table,
                                      const QString& packageId);
// Every case rate of `code` in `table` (a case-rate table or a test copy): Description, told
// apart by PackageID.
std::vector<KeyRow> caseRateRows(db::Connection& connection, const QString& table, const QString& code);
// Every row of `code` in tbMedPackage_NEW: Amount, PF, MedRoomBoard, told apart by PackageID.
std::vector<KeyRow> newStyleRows(db::Connection& connection, const QString& code);
// The rows as an undo puts them back: one image per identity. Empty, with `ambiguity` set,
// when two rows of one identity hold different values, which no undo could tell apart.
std::vector<RowImage> rowImages(const std::vector<KeyRow>& rows, QString& ambiguity);
// The CI_AS key of a row's identity, as the database compares it ("" stands for NULL too,
// which `isNull` tells apart).
QString identityKey(const QVariant& identity);

// Package, Amount, PF, MedRoomBoard of the first row with that PackageID in `table`.
std::optional<QVariantMap> packageRow(db::Connection& connection, const QString& table,
                                      const QString& packageId);
// Description, PackageID of the first case rate of `code` in `table`; with `packageId`, of the
// first one of that package.
std::optional<QVariantMap> caseRateRow(db::Connection& connection, const QString& table, const QString& code,
                                       const QString& packageId = {});

// Description of every row of `code` in tbICDdiagMain, the scan's first row first.
std::vector<QVariantMap> icdRows(db::Connection& connection, const QString& code);
// PackageID of the first package named `name`.
std::optional<QVariantMap> packageNamed(db::Connection& connection, const QString& name);
// Amount, MedRoomBoard, MedDrugs, MedOthers, MedOR, PF of the first row with that PackageID
// in `table` (tbMedPackage and a checked suffix).
std::optional<QVariantMap> packageAmounts(db::Connection& connection, const QString& table,
                                          const QString& packageId);
// The six amounts' names in the order the package rate script sets them.
extern const QStringList kPackageAmountColumns;

// Whether `row` holds `expected`: amounts compared as the numbers they start with (a money
// column hands "3330.0000" back for "3330"), texts without their trailing blanks, NULL as "".
bool holds(const QVariantMap& row, const QVariantMap& expected);

// "Amount 3330, PF 0, MedRoomBoard 0", or a description in quotes, for messages.
QString shownValues(const QVariantMap& values);

// The rows a refusal names: the first 20, then how many more.
class ChangedRows
{
public:
    void add(const QString& row); // "" is no row
    int count() const { return m_count; }
    QString text() const; // one row a line

private:
    QStringList m_named;
    int m_count = 0;
};

} // namespace orvex::apply
