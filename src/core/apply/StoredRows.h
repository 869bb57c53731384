#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include "apply/UndoFile.h"

#include <map>
#include <optional>
#include <vector>

namespace orvex::db {
class Connection;
}

namespace orvex::apply {

// The rows an apply and an undo check before they change them, read as they are now.

// What is read of a table: the rows of a key, some of their columns.
struct RowShape
{
    QString database; // "Build_FILE" or "Medicare"
    QString table;    // the tool's own name of it
    QString keyColumn;
    QStringList columns;
};

// The rows of many keys, read many keys a statement. A deferred reader answers a key it has
// not read with no rows and remembers it; fetch() then reads every key asked for, one
// statement per shape, and the next pass over the same checks finds them all. A direct
// reader reads a missing key at once.
class RowReads
{
public:
    enum class Mode { Deferred, Direct };
    explicit RowReads(db::Connection& connection, Mode mode = Mode::Deferred);

    // The rows of `key`, each the shape's columns in order (NULL kept as a null value).
    const std::vector<QVariantList>& rows(const RowShape& shape, const QString& key);
    // Reads the keys asked for and not yet read; false when there were none.
    bool fetch();
    // Runs `pass` until it asks for no key that was not read: its last run saw every row.
    template <typename Pass> void complete(Pass pass)
    {
        pass();
        while (fetch())
            pass();
    }
    db::Connection& connection() { return m_connection; }

private:
    struct Shape
    {
        RowShape shape;
        QHash<QString, std::vector<QVariantList>> rows; // by key as asked
        QStringList missing;
        QSet<QString> asked;
    };
    Shape& shapeOf(const RowShape& shape);
    void fetch(Shape& shape);

    db::Connection& m_connection;
    Mode m_mode;
    std::map<QString, Shape> m_shapes;
    const std::vector<QVariantList> m_none;
};

// One row of a key: what tells it apart from the key's other rows (a package's name, a case
// rate's PackageID), and the values a change of the key overwrites.
struct KeyRow
{
    QVariant identity;
    QVariantMap values;
};
// Every row with that PackageID in `table` (tbMedPackage or a test copy): Amount, PF,
// MedRoomBoard, told apart by Package.
std::vector<KeyRow> packageRows(RowReads& reads, const QString& table, const QString& packageId);
// Every row with that PackageID in `table`: the six amounts, told apart by Package.
std::vector<KeyRow> packageAmountRows(RowReads& reads, const QString& table, const QString& packageId);
// Every case rate of `code` in `table` (a case-rate table or a test copy): Description, told
// apart by PackageID.
std::vector<KeyRow> caseRateRows(RowReads& reads, const QString& table, const QString& code);
// Every row of `code` in tbMedPackage_NEW: Amount, PF, MedRoomBoard, told apart by PackageID.
std::vector<KeyRow> newStyleRows(RowReads& reads, const QString& code);
// The rows as an undo puts them back: one image per identity. Empty, with `ambiguity` set,
// when two rows of one identity hold different values, which no undo could tell apart.
std::vector<RowImage> rowImages(const std::vector<KeyRow>& rows, QString& ambiguity);
// The CI_AS key of a row's identity, as the database compares it ("" stands for NULL too,
// which `isNull` tells apart).
QString identityKey(const QVariant& identity);

// Package, Amount, PF, MedRoomBoard of the first row with that PackageID in `table`.
std::optional<QVariantMap> packageRow(RowReads& reads, const QString& table, const QString& packageId);
// Description, PackageID of the first case rate of `code` in `table`; with `packageId`, of the
// first one of that package.
std::optional<QVariantMap> caseRateRow(RowReads& reads, const QString& table, const QString& code,
                                       const QString& packageId = {});

// The codes of the case rates of `packageId` in `table`, in the table's order.
QStringList caseRateCodesOfPackage(RowReads& reads, const QString& table, const QString& packageId);
// Description of every row of `code` in tbICDdiagMain, the scan's first row first.
std::vector<QVariantMap> icdRows(RowReads& reads, const QString& code);
// PackageID of the first package named `name`.
std::optional<QVariantMap> packageNamed(RowReads& reads, const QString& name);
// Amount, MedRoomBoard, MedDrugs, MedOthers, MedOR, PF of the first row with that PackageID
// in `table` (tbMedPackage and a checked suffix).
std::optional<QVariantMap> packageAmounts(RowReads& reads, const QString& table, const QString& packageId);
// The six amounts' names in the order the package rate script sets them.
extern const QStringList kPackageAmountColumns;

// A stored value as text, NULL as "".
QString storedText(const QVariant& v);

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
