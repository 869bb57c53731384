#include "apply/StoredRows.h"

#include "db/CiAsCollation.h"
#include "db/Connection.h"
#include "db/RowSets.h"
#include "text/Blanks.h"
#include "text/Numbers.h"
#include "text/QuotedText.h"

#include <QSqlQuery>
#include <QStringList>

#include <algorithm>

namespace orvex::apply {

namespace {

bool isAmount(const QString& column)
{
    return kPackageAmountColumns.contains(column);
}

// NULL as a null value: through ODBC a NULL amount comes as a double 0 that is not null,
// and an undo would put 0 back where there was nothing.
QVariant value(const QSqlQuery& q, int column)
{
    return q.isNull(column) ? QVariant() : q.value(column);
}

} // namespace

QString storedText(const QVariant& v)
{
    return v.isNull() ? QString() : v.toString();
}

const QStringList kPackageAmountColumns = {QStringLiteral("Amount"),   QStringLiteral("MedRoomBoard"),
                                           QStringLiteral("MedDrugs"), QStringLiteral("MedOthers"),
                                           QStringLiteral("MedOR"),    QStringLiteral("PF")};

RowReads::RowReads(db::Connection& connection, Mode mode) : m_connection(connection), m_mode(mode) {}

RowReads::Shape& RowReads::shapeOf(const RowShape& shape)
{
    const QString id =
        QStringList{shape.database, shape.table, shape.keyColumn, shape.columns.join(u',')}.join(u'|');
    auto it = m_shapes.find(id);
    if (it == m_shapes.end())
        it = m_shapes.emplace(id, Shape{shape, {}, {}, {}}).first;
    return it->second;
}

const std::vector<QVariantList>& RowReads::rows(const RowShape& shape, const QString& key)
{
    Shape& s = shapeOf(shape);
    auto found = s.rows.constFind(key);
    if (found != s.rows.cend())
        return *found;
    if (!s.asked.contains(key)) {
        s.asked.insert(key);
        s.missing << key;
    }
    if (m_mode == Mode::Direct) {
        fetch(s);
        return s.rows[key];
    }
    return m_none;
}

void RowReads::fetch(Shape& s)
{
    if (s.missing.isEmpty())
        return;
    const db::Product product = m_connection.product();
    const QString sql = db::sets::select(product, db::tableIn(product, s.shape.database, s.shape.table),
                                         s.shape.keyColumn, s.shape.columns);
    db::RowSet keys{1, {}};
    for (const QString& key : std::as_const(s.missing)) {
        keys.add({key});
        s.rows.insert(key, {});
    }
    s.missing.clear();
    const int columns = int(s.shape.columns.size());
    db::execForRows(m_connection, sql, {}, keys, [&](const QSqlQuery& q) {
        QVariantList row;
        row.reserve(columns);
        for (int i = 1; i <= columns; ++i)
            row << value(q, i);
        s.rows[q.value(0).toString()].push_back(std::move(row));
    });
}

bool RowReads::fetch()
{
    bool any = false;
    for (auto& [id, shape] : m_shapes) {
        if (!shape.missing.isEmpty()) {
            any = true;
            fetch(shape);
        }
    }
    return any;
}

namespace {

const RowShape icdShape{QStringLiteral("Build_FILE"),
                        QStringLiteral("tbICDdiagMain"),
                        QStringLiteral("CODE"),
                        {QStringLiteral("Description")}};

QString codeColumnOf(const QString& table)
{
    return table.startsWith(QLatin1String("tbMed_Procedures")) ? QStringLiteral("RVSCODE")
                                                               : QStringLiteral("ICDCode");
}

RowShape medicare(const QString& table, const QString& key, const QStringList& columns)
{
    return {QStringLiteral("Medicare"), table, key, columns};
}

// Rows whose first column tells them apart and whose next three are Amount, PF, MedRoomBoard.
std::vector<KeyRow> rateRows(const std::vector<QVariantList>& found)
{
    std::vector<KeyRow> rows;
    rows.reserve(found.size());
    for (const QVariantList& r : found)
        rows.push_back({r[0],
                        {{QStringLiteral("Amount"), r[1]},
                         {QStringLiteral("PF"), r[2]},
                         {QStringLiteral("MedRoomBoard"), r[3]}}});
    return rows;
}

} // namespace

std::vector<QVariantMap> icdRows(RowReads& reads, const QString& code)
{
    std::vector<QVariantMap> rows;
    for (const QVariantList& r : reads.rows(icdShape, code))
        rows.push_back({{QStringLiteral("Description"), r[0]}});
    return rows;
}

std::optional<QVariantMap> packageNamed(RowReads& reads, const QString& name)
{
    const auto& rows = reads.rows(
        medicare(QStringLiteral("tbMedPackage"), QStringLiteral("Package"), {QStringLiteral("PackageID")}),
        name);
    if (rows.empty())
        return std::nullopt;
    return QVariantMap{{QStringLiteral("PackageID"), rows.front()[0]}};
}

std::vector<KeyRow> packageAmountRows(RowReads& reads, const QString& table, const QString& packageId)
{
    std::vector<KeyRow> rows;
    const RowShape shape = medicare(table, QStringLiteral("PackageID"),
                                    QStringList(kPackageAmountColumns) << QStringLiteral("Package"));
    for (const QVariantList& r : reads.rows(shape, packageId)) {
        KeyRow row{r[kPackageAmountColumns.size()], {}};
        for (int i = 0; i < kPackageAmountColumns.size(); ++i)
            row.values.insert(kPackageAmountColumns[i], r[i]);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::optional<QVariantMap> packageAmounts(RowReads& reads, const QString& table, const QString& packageId)
{
    const std::vector<KeyRow> rows = packageAmountRows(reads, table, packageId);
    if (rows.empty())
        return std::nullopt;
    return rows.front().values;
}

std::vector<KeyRow> packageRows(RowReads& reads, const QString& table, const QString& packageId)
{
    return rateRows(reads.rows(medicare(table, QStringLiteral("PackageID"),
                                        {QStringLiteral("Package"), QStringLiteral("Amount"),
                                         QStringLiteral("PF"), QStringLiteral("MedRoomBoard")}),
                               packageId));
}

std::optional<QVariantMap> packageRow(RowReads& reads, const QString& table, const QString& packageId)
{
    const std::vector<KeyRow> rows = packageRows(reads, table, packageId);
    if (rows.empty())
        return std::nullopt;
    QVariantMap row = rows.front().values;
    row.insert(QStringLiteral("Package"), rows.front().identity);
    return row;
}

std::vector<KeyRow> caseRateRows(RowReads& reads, const QString& table, const QString& code)
{
    std::vector<KeyRow> rows;
    const RowShape shape =
        medicare(table, codeColumnOf(table), {QStringLiteral("Description"), QStringLiteral("PackageID")});
    for (const QVariantList& r : reads.rows(shape, code))
        rows.push_back({r[1], {{QStringLiteral("Description"), r[0]}}});
    return rows;
}

std::vector<KeyRow> newStyleRows(RowReads& reads, const QString& code)
{
    return rateRows(reads.rows(medicare(QStringLiteral("tbMedPackage_NEW"), QStringLiteral("Code"),
                                        {QStringLiteral("PackageID"), QStringLiteral("Amount"),
                                         QStringLiteral("PF"), QStringLiteral("MedRoomBoard")}),
                               code));
}

QStringList caseRateCodesOfPackage(RowReads& reads, const QString& table, const QString& packageId)
{
    QStringList codes;
    for (const QVariantList& r :
         reads.rows(medicare(table, QStringLiteral("PackageID"), {codeColumnOf(table)}), packageId))
        codes << storedText(r[0]);
    return codes;
}

QString identityKey(const QVariant& identity)
{
    return identity.isNull() ? QString() : db::ciAsKey(trimBlanks(storedText(identity)).toString());
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
                                                       : text::quotedForMessage(storedText(row.identity)),
                                 shownValues(same->before), shownValues(row.values));
            return {};
        }
        ++same->count;
    }
    return images;
}

std::optional<QVariantMap> caseRateRow(RowReads& reads, const QString& table, const QString& code,
                                       const QString& packageId)
{
    for (const KeyRow& row : caseRateRows(reads, table, code)) {
        if (packageId.isEmpty() || trimBlanks(storedText(row.identity)) == trimBlanks(packageId))
            return QVariantMap{
                {QStringLiteral("Description"), row.values.value(QStringLiteral("Description"))},
                {QStringLiteral("PackageID"), row.identity}};
    }
    return std::nullopt;
}

bool holds(const QVariantMap& row, const QVariantMap& expected)
{
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const QString stored = storedText(row.value(it.key()));
        const QString wanted = storedText(it.value());
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
        const QString value = storedText(it.value());
        shown << it.key() + QLatin1Char(' ') +
                     (isAmount(it.key()) ? numbers::shortestText(numbers::leadingNumber(value))
                                         : text::quotedForMessage(value));
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
