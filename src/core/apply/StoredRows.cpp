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
    return column == QLatin1String("Amount") || column == QLatin1String("PF") ||
           column == QLatin1String("MedRoomBoard");
}

QString text(const QVariant& v)
{
    return v.isNull() ? QString() : v.toString();
}

} // namespace

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

} // namespace orvex::apply
