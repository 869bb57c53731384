#include "apply/ApplyChange.h"

#include "apply/StoredRows.h"
#include "apply/TypedChanges.h"
#include "change/ChangeValues.h"
#include "text/QuotedText.h"

namespace orvex::apply {

using namespace change;

namespace {

// The rows of a key the change overwrites, each for the undo; a message when two of them
// cannot be told apart.
QString imagesOf(const std::vector<KeyRow>& rows, const QString& what, Overwritten& before)
{
    QString ambiguity;
    before.rows = rowImages(rows, ambiguity);
    before.rowCount = int(rows.size());
    if (ambiguity.isEmpty())
        return {};
    return QStringLiteral("%1: %2, so an undo could not put each back; remove the duplicate rows first")
        .arg(what, ambiguity);
}

const QString kLivePackages = QStringLiteral("tbMedPackage");

} // namespace

// A run on the test copies read the live tables and writes the copies: the live rows must
// still hold what it read, and the copies' rows are what the change overwrites.
QString drift(RowReads& reads, const Change& change, Overwritten& before)
{
    return std::visit(
        Overloaded{
            [&](const NewIcdCode& c) {
                return icdRows(reads, c.code).empty()
                           ? QString()
                           : QStringLiteral("%1 is now in tbICDdiagMain").arg(where(change));
            },
            [&](const IcdDescriptionChange& c) {
                const std::vector<QVariantMap> rows = icdRows(reads, c.code);
                if (rows.empty())
                    return QStringLiteral("%1 is no longer in tbICDdiagMain").arg(where(change));
                const QVariant stored = rows.front().value(QStringLiteral("Description"));
                before.values = {{QStringLiteral("Description"), stored}};
                before.rowCount = int(rows.size());
                // Every row of the code is set, and the undo puts one description back: the
                // apply refuses duplicate codes of different descriptions before this.
                if (storedText(stored) != c.readDescription)
                    return QStringLiteral("%1 now has the description %2")
                        .arg(where(change), text::quotedForMessage(storedText(stored)));
                return QString();
            },
            [&](const NewPackage& c) {
                const std::optional<QVariantMap> row = packageNamed(reads, c.name);
                return row ? QStringLiteral("a package named %1 now exists (PackageID %2)")
                                 .arg(text::quotedForMessage(c.name),
                                      storedText(row->value(QStringLiteral("PackageID"))))
                           : QString();
            },
            [&](const NewCode& c) {
                // The run read the live table.
                const std::optional<QVariantMap> row =
                    caseRateRow(reads, TableRef{c.caseRates.table, {}}.name(), c.code);
                return row ? QStringLiteral("%1 now has a case rate (package %2)")
                                 .arg(where(change), text::quotedForMessage(
                                                         storedText(row->value(QStringLiteral("PackageID")))))
                           : QString();
            },
            [&](const NewCaseRate& c) {
                const std::optional<QVariantMap> row = caseRateRow(reads, c.caseRates.name(), c.code);
                return row ? QStringLiteral("%1 now has a case rate (package %2)")
                                 .arg(where(change), text::quotedForMessage(
                                                         storedText(row->value(QStringLiteral("PackageID")))))
                           : QString();
            },
            [&](const PackageRatesChange& c) {
                const std::vector<KeyRow> rows = packageRows(reads, kLivePackages, c.packageId);
                if (rows.empty())
                    return QStringLiteral("package %1 (code %2) no longer exists")
                        .arg(c.packageId, c.origin.code);
                before.values = rows.front().values;
                const QVariantMap read = columnValues(c.read);
                if (!holds(before.values, read))
                    return QStringLiteral("package %1 (code %2) now holds %3, the run read %4")
                        .arg(c.packageId, c.origin.code, shownValues(before.values), shownValues(read));
                const QString target = c.packages.name();
                return imagesOf(
                    c.packages.suffix.isEmpty() ? rows : packageRows(reads, target, c.packageId),
                    QStringLiteral("package %1 (code %2) in %3").arg(c.packageId, c.origin.code, target),
                    before);
            },
            [&](const PackageAmountsChange& c) {
                // The package rate script read the live package and writes the table it addresses.
                const std::optional<QVariantMap> row = packageAmounts(reads, kLivePackages, c.packageId);
                if (!row)
                    return QStringLiteral("package %1 no longer exists").arg(c.packageId);
                const QVariantMap read = columnValues(c.read);
                if (!holds(*row, read))
                    return QStringLiteral("package %1 now holds %2, the run read %3")
                        .arg(c.packageId, shownValues(*row), shownValues(read));
                const QString table = c.packages.name();
                const std::vector<KeyRow> target = packageAmountRows(reads, table, c.packageId);
                if (target.empty())
                    return QStringLiteral("package %1 is not in %2").arg(c.packageId, table);
                before.values = target.front().values;
                return imagesOf(target, QStringLiteral("package %1 in %2").arg(c.packageId, table), before);
            },
            [&](const CaseRateDescriptionChange& c) {
                const QString live = TableRef{c.caseRates.table, {}}.name();
                const std::vector<KeyRow> rows = caseRateRows(reads, live, c.code);
                if (rows.empty())
                    return QStringLiteral("%1 no longer has a case rate").arg(where(change));
                const QVariant stored = rows.front().values.value(QStringLiteral("Description"));
                before.values = rows.front().values;
                if (storedText(stored) != c.readDescription)
                    return QStringLiteral("%1 now has the description %2")
                        .arg(where(change), text::quotedForMessage(storedText(stored)));
                return imagesOf(
                    c.caseRates.suffix.isEmpty() ? rows : caseRateRows(reads, c.caseRates.name(), c.code),
                    where(change), before);
            },
            [&](const NewStyleRow& c) {
                return newStyleRows(reads, c.code).empty()
                           ? QString()
                           : QStringLiteral("%1 is now in tbMedPackage_NEW").arg(where(change));
            },
            [&](const NewStyleRates& c) {
                // Written whatever the rows held, as the script does; each row is kept for the undo.
                const std::vector<KeyRow> rows = newStyleRows(reads, c.code);
                if (!rows.empty())
                    before.values = rows.front().values;
                return imagesOf(rows, where(change) + QStringLiteral(" in tbMedPackage_NEW"), before);
            },
        },
        change);
}

} // namespace orvex::apply
