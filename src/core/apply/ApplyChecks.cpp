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
#include <QSqlQuery>

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

// The package rate script read the live package and writes the table it addresses.
QString packageRateDrift(db::Connection& connection, const Finding& f, QVariantMap& before)
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
    const std::optional<QVariantMap> target = table == live ? row : packageAmounts(connection, table, f.key);
    if (!target)
        return QStringLiteral("package %1 is not in %2").arg(f.key, table);
    before = *target;
    return {};
}

} // namespace

// What the row holds now, when it differs from what the run read; empty when it still
// holds that. `before` takes the values the change will overwrite, for the undo.
QString drift(db::Connection& connection, const Finding& f, ChangeClass c, QVariantMap& before)
{
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
        before = {{QStringLiteral("Description"), stored}};
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
        const std::optional<QVariantMap> row = caseRateRow(connection, isProcedure(f), f.key);
        return row ? QStringLiteral("%1 now has a case rate (package %2)")
                         .arg(where(f),
                              tools::quotedForMessage(valueText(row->value(QStringLiteral("PackageID")))))
                   : QString();
    }
    case ChangeClass::RateChange: {
        if (allAmounts(f))
            return packageRateDrift(connection, f, before);
        const std::optional<QVariantMap> row = packageRow(connection, f.key);
        if (!row)
            return QStringLiteral("package %1 (code %2) no longer exists").arg(f.key, f.code);
        before = {{QStringLiteral("Amount"), row->value(QStringLiteral("Amount"))},
                  {QStringLiteral("PF"), row->value(QStringLiteral("PF"))},
                  {QStringLiteral("MedRoomBoard"), row->value(QStringLiteral("MedRoomBoard"))}};
        const QVariantMap read = rates(f.read);
        return holds(before, read) ? QString()
                                   : QStringLiteral("package %1 (code %2) now holds %3, the run read %4")
                                         .arg(f.key, f.code, shownValues(before), shownValues(read));
    }
    case ChangeClass::DescriptionChange: {
        const std::optional<QVariantMap> row = caseRateRow(connection, isProcedure(f), f.key);
        if (!row)
            return QStringLiteral("%1 no longer has a case rate").arg(where(f));
        const QVariant stored = row->value(QStringLiteral("Description"));
        before = {{QStringLiteral("Description"), stored}};
        return valueText(stored) == f.read.value(QStringLiteral("Description"))
                   ? QString()
                   : QStringLiteral("%1 now has the description %2")
                         .arg(where(f), tools::quotedForMessage(valueText(stored)));
    }
    default:
        return {};
    }
}

} // namespace orvex::apply::change
