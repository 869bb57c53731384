#include "apply/ApplyChange.h"

#include "Error.h"
#include "apply/RunRecord.h"
#include "apply/StoredRows.h"
#include "db/CiAsCollation.h"
#include "db/Connection.h"
#include "db/Statements.h"
#include "review/ReviewRun.h"
#include "text/Blanks.h"
#include "text/Numbers.h"
#include "tools/ToolLog.h"

#include <QDir>
#include <QRegularExpression>
#include <QSqlQuery>

#include <cmath>

#include <limits>

namespace orvex::apply::change {

using jobs::Finding;
using review::ChangeClass;

// A package rate script's change raises all six amounts of a package.
bool allAmounts(const Finding& f)
{
    return f.proposed.contains(QStringLiteral("MedDrugs"));
}

// The table the package rate script addresses: tbMedPackage and the year box's text.
QString packageRateTable(const Finding& f)
{
    const QString prefix = QStringLiteral("[Medicare].[dbo].[");
    QString table;
    if (f.table.startsWith(prefix) && f.table.endsWith(QLatin1Char(']')))
        table = f.table.mid(prefix.size(), f.table.size() - prefix.size() - 1);
    if (!isPackageTable(table))
        throw Error(QStringLiteral("the change of package %1 names the table %2, which is no package table")
                        .arg(f.key, tools::quotedForMessage(f.table)));
    return table;
}

QVariantMap amountsOf(const QMap<QString, QString>& values)
{
    QVariantMap amounts;
    for (const QString& c : kPackageAmountColumns)
        amounts.insert(c, values.value(c));
    return amounts;
}

bool isProcedure(const Finding& f)
{
    return f.table.contains(QLatin1String("tbMed_Procedures"), Qt::CaseInsensitive);
}

QString trimmed(const QString& s)
{
    return trimBlanks(s).toString();
}

QString valueText(const QVariant& v)
{
    return v.isNull() ? QString() : v.toString();
}

QString where(const Finding& f)
{
    const QString row = f.keyColumn.trimmed() + QLatin1Char(' ') + tools::quotedForMessage(f.key);
    if (f.sourceLine == 0)
        return row; // the package rate script reads no list
    return row + QStringLiteral(" (line %1 of %2)")
                     .arg(f.sourceLine)
                     .arg(f.sourceFile.isEmpty() ? QStringLiteral("the list")
                                                 : QDir::toNativeSeparators(f.sourceFile));
}

QString caseRateTable(const Finding& f)
{
    return isProcedure(f) ? QStringLiteral("tbMed_Procedures") : QStringLiteral("tbMed_MedicalCaseRates");
}

QString codeColumn(const Finding& f)
{
    return isProcedure(f) ? QStringLiteral("RVSCODE") : QStringLiteral("ICDCode");
}

QVariantMap rates(const QMap<QString, QString>& values)
{
    return {{QStringLiteral("Amount"), values.value(QStringLiteral("Amount"))},
            {QStringLiteral("PF"), values.value(QStringLiteral("PF"))},
            {QStringLiteral("MedRoomBoard"), values.value(QStringLiteral("MedRoomBoard"))}};
}

namespace {

bool isDecimal(const QString& text)
{
    static const QRegularExpression decimal(QStringLiteral("^-?[0-9]{1,3}(,?[0-9]{3})*(\\.[0-9]+)?$"));
    if (!decimal.match(text).hasMatch())
        return false;
    QString digits = text;
    return std::isfinite(digits.remove(QLatin1Char(',')).toDouble());
}

// The amounts a change sets.
QStringList setAmounts(const Finding& f, ChangeClass c)
{
    switch (c) {
    case ChangeClass::NewCode:
    case ChangeClass::NewPackage:
        return {QStringLiteral("Amount"), QStringLiteral("PF"), QStringLiteral("MedRoomBoard")};
    case ChangeClass::RateChange:
        return allAmounts(f) ? kPackageAmountColumns
                             : QStringList{QStringLiteral("Amount"), QStringLiteral("PF"),
                                           QStringLiteral("MedRoomBoard")};
    default:
        return {};
    }
}

} // namespace

QString invalidValue(const Finding& f, ChangeClass c)
{
    for (const QString& column : setAmounts(f, c)) {
        // A list may leave an amount blank, and the script then writes '' too.
        const QString amount = f.proposed.value(column);
        if (!f.proposed.contains(column) || (!amount.isEmpty() && !isDecimal(amount)))
            return QStringLiteral("%1 sets %2 to %3, which is not an amount")
                .arg(where(f), column, tools::quotedForMessage(f.proposed.value(column)));
    }
    return {};
}

QString rowKey(const Finding& f, ChangeClass c)
{
    // A new package and a new code each insert a row of their own, named by the group or code.
    return review::className(c) + QLatin1Char('\n') + f.table.toLower() + QLatin1Char('\n') +
           db::ciAsKey(f.key);
}

namespace {

// The rows of a key the change overwrites, each for the undo; a message when two of them
// cannot be told apart.
QString imagesOf(const std::vector<KeyRow>& rows, const QString& what, Overwritten& before)
{
    QString ambiguity;
    before.rows = rowImages(rows, ambiguity);
    if (ambiguity.isEmpty())
        return {};
    return QStringLiteral("%1: %2, so an undo could not put each back; remove the duplicate rows first")
        .arg(what, ambiguity);
}

// The package rate script read the live package and writes the table it addresses.
QString packageRateDrift(db::Connection& connection, const Finding& f, Overwritten& before)
{
    const QString table = packageRateTable(f);
    const QString live = QStringLiteral("tbMedPackage");
    const std::optional<QVariantMap> row = packageAmounts(connection, live, f.key);
    if (!row)
        return QStringLiteral("package %1 no longer exists").arg(f.key);
    const QVariantMap read = amountsOf(f.read);
    if (!holds(*row, read))
        return QStringLiteral("package %1 now holds %2, the run read %3")
            .arg(f.key, shownValues(*row), shownValues(read));
    const std::vector<KeyRow> target = packageAmountRows(connection, table, f.key);
    if (target.empty())
        return QStringLiteral("package %1 is not in %2").arg(f.key, table);
    before.values = target.front().values;
    return imagesOf(target, QStringLiteral("package %1 in %2").arg(f.key, table), before);
}

} // namespace

// What the row holds now, when it differs from what the run read; empty when it still
// holds that. `before` takes the values the change will overwrite, for the undo.
QString drift(db::Connection& connection, const Finding& f, ChangeClass c, const QString& suffix,
              Overwritten& before)
{
    // A run on the test copies read the live tables and writes the copies: the live rows must
    // still hold what it read, and the copies' rows are what the change overwrites.
    const QString livePackages = QStringLiteral("tbMedPackage");
    switch (c) {
    case ChangeClass::NewIcdCode:
        return icdRows(connection, f.key).empty()
                   ? QString()
                   : QStringLiteral("%1 is now in tbICDdiagMain").arg(where(f));
    case ChangeClass::IcdDescriptionChange: {
        const std::vector<QVariantMap> rows = icdRows(connection, f.key);
        if (rows.empty())
            return QStringLiteral("%1 is no longer in tbICDdiagMain").arg(where(f));
        const QVariant stored = rows.front().value(QStringLiteral("Description"));
        before.values = {{QStringLiteral("Description"), stored}};
        if (valueText(stored) != f.read.value(QStringLiteral("Description")))
            return QStringLiteral("%1 now has the description %2")
                .arg(where(f), tools::quotedForMessage(valueText(stored)));
        // The change sets every row of the code, and the undo puts one description back.
        for (const QVariantMap& row : rows) {
            if (valueText(row.value(QStringLiteral("Description"))) != valueText(stored))
                return QStringLiteral("%1 has %2 rows in tbICDdiagMain with different descriptions; "
                                      "remove the duplicate codes first")
                    .arg(where(f))
                    .arg(rows.size());
        }
        return {};
    }
    case ChangeClass::NewPackage: {
        const std::optional<QVariantMap> row = packageNamed(connection, f.key);
        return row ? QStringLiteral("a package named %1 now exists (PackageID %2)")
                         .arg(tools::quotedForMessage(f.key),
                              valueText(row->value(QStringLiteral("PackageID"))))
                   : QString();
    }
    case ChangeClass::NewCode:
    case ChangeClass::NewCaseRate: {
        const std::optional<QVariantMap> row = caseRateRow(connection, caseRateTable(f), f.key);
        return row ? QStringLiteral("%1 now has a case rate (package %2)")
                         .arg(where(f),
                              tools::quotedForMessage(valueText(row->value(QStringLiteral("PackageID")))))
                   : QString();
    }
    case ChangeClass::RateChange: {
        if (allAmounts(f))
            return packageRateDrift(connection, f, before);
        const std::vector<KeyRow> rows = packageRows(connection, livePackages, f.key);
        if (rows.empty())
            return QStringLiteral("package %1 (code %2) no longer exists").arg(f.key, f.code);
        before.values = rows.front().values;
        const QVariantMap read = rates(f.read);
        if (!holds(before.values, read))
            return QStringLiteral("package %1 (code %2) now holds %3, the run read %4")
                .arg(f.key, f.code, shownValues(before.values), shownValues(read));
        const QString target = livePackages + suffix;
        return imagesOf(suffix.isEmpty() ? rows : packageRows(connection, target, f.key),
                        QStringLiteral("package %1 (code %2) in %3").arg(f.key, f.code, target), before);
    }
    case ChangeClass::DescriptionChange: {
        const std::vector<KeyRow> rows = caseRateRows(connection, caseRateTable(f), f.key);
        if (rows.empty())
            return QStringLiteral("%1 no longer has a case rate").arg(where(f));
        const QVariant stored = rows.front().values.value(QStringLiteral("Description"));
        before.values = rows.front().values;
        if (valueText(stored) != f.read.value(QStringLiteral("Description")))
            return QStringLiteral("%1 now has the description %2")
                .arg(where(f), tools::quotedForMessage(valueText(stored)));
        return imagesOf(suffix.isEmpty() ? rows : caseRateRows(connection, caseRateTable(f) + suffix, f.key),
                        where(f), before);
    }
    case ChangeClass::NewStyleRow:
        return newStyleRows(connection, f.key).empty()
                   ? QString()
                   : QStringLiteral("%1 is now in tbMedPackage_NEW").arg(where(f));
    case ChangeClass::NewStyleRates: {
        // Written whatever the rows held, as the script does; each row is kept for the undo.
        const std::vector<KeyRow> rows = newStyleRows(connection, f.key);
        if (!rows.empty())
            before.values = rows.front().values;
        return imagesOf(rows, where(f) + QStringLiteral(" in tbMedPackage_NEW"), before);
    }
    case ChangeClass::ZeroAmount:
        return {};
    }
    return {};
}

} // namespace orvex::apply::change
