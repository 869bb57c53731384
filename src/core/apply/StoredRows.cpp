#include "apply/StoredRows.h"

#include "db/Connection.h"
#include "db/Statements.h"
#include "text/Blanks.h"
#include "text/Numbers.h"
#include "tools/ToolLog.h"

#include <QSqlQuery>
#include <QStringList>

namespace orvex::apply {

namespace {

bool isAmount(const QString& column)
{
    return kPackageAmountColumns.contains(column);
}

QString text(const QVariant& v)
{
    return v.isNull() ? QString() : v.toString();
}

// NULL as a null value: through ODBC a NULL amount comes as a double 0 that is not null,
// and an undo would put 0 back where there was nothing.
QVariant value(const QSqlQuery& q, int column)
{
    return q.isNull(column) ? QVariant() : q.value(column);
}

} // namespace

const QStringList kPackageAmountColumns = {QStringLiteral("Amount"),   QStringLiteral("MedRoomBoard"),
                                           QStringLiteral("MedDrugs"), QStringLiteral("MedOthers"),
                                           QStringLiteral("MedOR"),    QStringLiteral("PF")};

std::vector<QVariantMap> icdRows(db::Connection& connection, const QString& code)
{
    std::vector<QVariantMap> rows;
    QSqlQuery q = connection.exec(connection.statements().icdByCode(), {code});
    while (q.next())
        rows.push_back({{QStringLiteral("Description"), value(q, 1)}});
    return rows;
}

std::optional<QVariantMap> packageNamed(db::Connection& connection, const QString& name)
{
    QSqlQuery q = connection.exec(connection.statements().packageByName(), {name});
    if (!q.next())
        return std::nullopt;
    return QVariantMap{{QStringLiteral("PackageID"), q.value(0)}};
}

std::optional<QVariantMap> packageAmounts(db::Connection& connection, const QString& table,
                                          const QString& packageId)
{
    QSqlQuery q = connection.exec(connection.statements().applyPackageAmountsRow(table), {packageId});
    if (!q.next())
        return std::nullopt;
    QVariantMap row;
    for (int i = 0; i < kPackageAmountColumns.size(); ++i)
        row.insert(kPackageAmountColumns[i], value(q, i));
    return row;
}

std::optional<QVariantMap> packageRow(db::Connection& connection, const QString& packageId)
{
    QSqlQuery& q = connection.execPrepared(connection.statements().applyPackageRow(), {packageId});
    std::optional<QVariantMap> row;
    if (q.next())
        row = QVariantMap{{QStringLiteral("Package"), q.value(0)},
                          {QStringLiteral("Amount"), q.value(1)},
                          {QStringLiteral("PF"), q.value(2)},
                          {QStringLiteral("MedRoomBoard"), q.value(3)}};
    q.finish();
    return row;
}

std::optional<QVariantMap> caseRateRow(db::Connection& connection, bool procedures, const QString& code,
                                       const QString& packageId)
{
    QSqlQuery& q = connection.execPrepared(connection.statements().rateCaseRateByCode(procedures), {code});
    std::optional<QVariantMap> row;
    while (!row && q.next()) {
        if (packageId.isEmpty() || trimBlanks(text(q.value(2))) == trimBlanks(packageId))
            row = QVariantMap{{QStringLiteral("Description"), q.value(1)},
                              {QStringLiteral("PackageID"), q.value(2)}};
    }
    q.finish();
    return row;
}

bool holds(const QVariantMap& row, const QVariantMap& expected)
{
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const QString stored = text(row.value(it.key()));
        const QString wanted = text(it.value());
        const bool same = isAmount(it.key())
                              ? numbers::leadingNumber(stored) == numbers::leadingNumber(wanted)
                              : withoutTrailingBlanks(stored) == withoutTrailingBlanks(wanted);
        if (!same)
            return false;
    }
    return true;
}

QString shownValues(const QVariantMap& values)
{
    QStringList shown;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const QString value = text(it.value());
        shown << it.key() + QLatin1Char(' ') +
                     (isAmount(it.key()) ? numbers::shortestText(numbers::leadingNumber(value))
                                         : tools::quotedForMessage(value));
    }
    return shown.join(QStringLiteral(", "));
}

void ChangedRows::add(const QString& row)
{
    constexpr int kNamed = 20;
    if (!row.isEmpty() && ++m_count <= kNamed)
        m_named << row;
}

QString ChangedRows::text() const
{
    const qsizetype more = m_count - m_named.size();
    return m_named.join(QLatin1Char('\n')) +
           (more > 0 ? QStringLiteral("\nand %1 more").arg(more) : QString());
}

} // namespace orvex::apply
