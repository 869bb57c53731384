#include "apply/UndoWriter.h"

#include "Error.h"
#include "apply/StoredRows.h"
#include "change/TableRef.h"
#include "db/CiAsCollation.h"
#include "db/Connection.h"

namespace orvex::apply {

using change::Table;
using change::TableRef;

QString undoRowName(const UndoStep& step)
{
    QString name = QStringLiteral("%1 %2 %3").arg(step.table, step.keyColumn, step.key);
    if (!step.packageId.isEmpty())
        name += QStringLiteral(" (package %1)").arg(step.packageId);
    return name;
}

namespace {

const QStringList kRateColumns = {QStringLiteral("Amount"), QStringLiteral("PF"),
                                  QStringLiteral("MedRoomBoard")};
const QStringList kDescription = {QStringLiteral("Description")};

// The columns a restored key gets back, in the order its statement sets them: a package
// rate script's step sets all six amounts.
QStringList restoredColumns(const TableRef& table, const UndoStep& step)
{
    switch (table.table) {
    case Table::Packages:
        return step.before.contains(QStringLiteral("MedDrugs")) ? kPackageAmountColumns : kRateColumns;
    case Table::NewStylePackages:
        return kRateColumns;
    case Table::IcdDiagMain:
    case Table::MedicalCaseRates:
    case Table::Procedures:
        return kDescription;
    }
    return {};
}

QVariantList valuesOf(const QVariantMap& values, const QStringList& columns, const UndoStep& step)
{
    QVariantList list;
    for (const QString& c : columns) {
        if (!values.contains(c))
            throw Error(QStringLiteral("the undo data of %1 lacks its %2").arg(undoRowName(step), c));
        list << values.value(c);
    }
    return list;
}

QString shownRows(const UndoStep& step)
{
    QStringList shown;
    for (const RowImage& image : step.rows)
        shown << shownValues(image.before);
    return shown.join(QStringLiteral("; "));
}

} // namespace

UndoWriter::Statement& UndoWriter::statement(const QString& sql, int columns)
{
    for (Statement& s : m_statements) {
        if (s.sql == sql)
            return s;
    }
    m_statements.push_back({sql, db::RowSet{columns, {}}, 0});
    return m_statements.back();
}

QString UndoWriter::add(const UndoStep& step)
{
    const std::optional<TableRef> table = TableRef::fromName(step.table);
    if (!table || table->keyColumn() != step.keyColumn)
        throw Error(QStringLiteral("%1 is no row this tool writes").arg(undoRowName(step)));
    // A row touched by an earlier step waits until that step's statement is sent.
    const QString touched = step.table.toLower() + QLatin1Char('\n') + db::ciAsKey(step.key);
    if (m_touched.contains(touched))
        finish();
    m_touched.insert(touched);

    const db::Product product = m_connection.product();
    const QString sqlTable = db::tableIn(product, table->database(), table->name());
    const QString key = step.keyColumn;
    if (step.action == UndoStep::Action::Remove) {
        // The checks made sure that a removed code or package has the one row the apply inserted.
        switch (table->table) {
        case Table::IcdDiagMain:
        case Table::Packages: {
            Statement& s = statement(db::sets::remove(product, sqlTable, {key}), 1);
            s.rows.add({step.key});
            ++s.expected;
            break;
        }
        case Table::MedicalCaseRates:
        case Table::Procedures:
        case Table::NewStylePackages: {
            Statement& s =
                statement(db::sets::remove(product, sqlTable, {key, QStringLiteral("PackageID")}), 2);
            s.rows.add({step.key, step.packageId});
            s.expected = -1;
            break;
        }
        }
        return QStringLiteral("removed %1").arg(undoRowName(step));
    }
    const QStringList columns = restoredColumns(*table, step);
    if (step.rows.empty()) {
        // The rows of tbICDdiagMain's code, which the apply requires to agree, and undo files
        // of the first version: every row of the key gets `before`.
        Statement& s =
            statement(db::sets::update(product, sqlTable, columns, {key}), int(columns.size()) + 1);
        s.rows.add(valuesOf(step.before, columns, step) << step.key);
        s.expected = -1;
        return QStringLiteral("put back %1: %2").arg(undoRowName(step), shownValues(step.before));
    }
    // Each row back to its own values, told apart by its identity.
    const QString identity = identityColumn(step);
    Statement& s = statement(db::sets::update(product, sqlTable, columns, {key, identity}, {identity}),
                             int(columns.size()) + 2);
    for (const RowImage& image : step.rows) {
        s.rows.add(valuesOf(image.before, columns, step) << step.key << image.identity);
        if (s.expected >= 0)
            s.expected += image.count;
    }
    return QStringLiteral("put back %1: %2").arg(undoRowName(step), shownRows(step));
}

void UndoWriter::finish()
{
    for (const Statement& s : m_statements) {
        const int changed = db::execForRows(m_connection, s.sql, {}, s.rows);
        if (s.expected >= 0 && changed >= 0 && changed != s.expected)
            throw Error(QStringLiteral("a statement changed %1 rows where the undo data names %2")
                            .arg(changed)
                            .arg(s.expected));
    }
    m_statements.clear();
    m_touched.clear();
}

} // namespace orvex::apply
