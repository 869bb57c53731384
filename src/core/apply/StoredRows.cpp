#include "apply/StoredRows.h"

#include "db/CiAsCollation.h"
#include "db/Connection.h"
#include "db/Statements.h"
#include "text/Blanks.h"
#include "text/Numbers.h"
#include "tools/ToolLog.h"

#include <QSqlQuery>
#include <QStringList>

#include <algorithm>

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

std::vector<KeyRow> packageAmountRows(db::Connection& connection, const QString& table,
                                      const QString& packageId)
{
    std::vector<KeyRow> rows;
    QSqlQuery q = connection.exec(connection.statements().applyPackageAmountsRow(table), {packageId});
    while (q.next()) {
        KeyRow row{value(q, int(kPackageAmountColumns.size())), {}};
        for (int i = 0; i < kPackageAmountColumns.size(); ++i)
            row.values.insert(kPackageAmountColumns[i], value(q, i));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::optional<QVariantMap> packageAmounts(db::Connection& connection, const QString& table,
                                          const QString& packageId)
{
    const std::vector<KeyRow> rows = packageAmountRows(connection, table, packageId);
    if (rows.empty())
        return std::nullopt;
    return rows.front().values;
}

namespace {
// Rows whose first column tells them apart and whose next three are Amount, PF, MedRoomBoard.
std::vector<KeyRow> rateRows(QSqlQuery& q)
{
    std::vector<KeyRow> rows;
    while (q.next())
        rows.push_back({value(q, 0),
                        {{QStringLiteral("Amount"), value(q, 1)},
                         {QStringLiteral("PF"), value(q, 2)},
                         {QStringLiteral("MedRoomBoard"), value(q, 3)}}});
    q.finish();
    return rows;
}
} // namespace

std::vector<KeyRow> packageRows(db::Connection& connection, const QString& table, const QString& packageId)
{
    return rateRows(connection.execPrepared(connection.statements().applyPackageRow(table), {packageId}));
}

std::optional<QVariantMap> packageRow(db::Connection& connection, const QString& table,
                                      const QString& packageId)
{
    const std::vector<KeyRow> rows = packageRows(connection, table, packageId);
    if (rows.empty())
        return std::nullopt;
    QVariantMap row = rows.front().values;
    row.insert(QStringLiteral("Package"), rows.front().identity);
    return row;
}

std::vector<KeyRow> caseRateRows(db::Connection& connection, const QString& table, const QString& code)
{
    QSqlQuery& q = connection.execPrepared(connection.statements().applyCaseRateRows(table), {code});
    std::vector<KeyRow> rows;
    while (q.next())
        rows.push_back({value(q, 1), {{QStringLiteral("Description"), value(q, 0)}}});
    q.finish();
    return rows;
}

std::vector<KeyRow> newStyleRows(db::Connection& connection, const QString& code)
{
    return rateRows(connection.execPrepared(connection.statements().newStyleRows(), {code}));
}

QString identityKey(const QVariant& identity)
{
    return identity.isNull() ? QString() : db::ciAsKey(trimBlanks(text(identity)).toString());
}

std::vector<RowImage> rowImages(const std::vector<KeyRow>& rows, QString& ambiguity)
{
    std::vector<RowImage> images;
    for (const KeyRow& row : rows) {
        auto same = std::find_if(images.begin(), images.end(), [&](const RowImage& image) {
            return image.identity.isNull() == row.identity.isNull() &&
                   identityKey(image.identity) == identityKey(row.identity);
        });
        if (same == images.end()) {
            images.push_back({row.identity, row.values, 1});
            continue;
        }
        if (!holds(same->before, row.values) || !holds(row.values, same->before)) {
            ambiguity = QStringLiteral("%1 rows of %2 hold different values (%3 and %4)")
                            .arg(same->count + 1)
                            .arg(row.identity.isNull() ? QStringLiteral("no identity")
                                                       : tools::quotedForMessage(text(row.identity)),
                                 shownValues(same->before), shownValues(row.values));
            return {};
        }
        ++same->count;
    }
    return images;
}

std::optional<QVariantMap> caseRateRow(db::Connection& connection, const QString& table, const QString& code,
                                       const QString& packageId)
{
    for (const KeyRow& row : caseRateRows(connection, table, code)) {
        if (packageId.isEmpty() || trimBlanks(text(row.identity)) == trimBlanks(packageId))
            return QVariantMap{
                {QStringLiteral("Description"), row.values.value(QStringLiteral("Description"))},
                {QStringLiteral("PackageID"), row.identity}};
    }
    return std::nullopt;
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
