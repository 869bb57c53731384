#include "apply/ApplyChange.h"

#include "Error.h"
#include "apply/StoredRows.h"
#include "apply/TypedChanges.h"
#include "change/ChangeValues.h"
#include "db/CiAsCollation.h"
#include "db/Connection.h"
#include "db/Queries.h"
#include "text/QuotedText.h"

#include <QSqlQuery>

#include <limits>

namespace orvex::apply {

using namespace change;

qint64 largestPackageId(db::Connection& connection, const QString& table)
{
    QSqlQuery q = connection.exec(db::Query(db::queries::largestPackageId).bindName("table", table));
    if (!q.next() || q.value(0).isNull())
        return 0;
    if (!q.value(1).isNull())
        throw Error(QStringLiteral("%1 holds the PackageID %2, which is not a whole number, so no "
                                   "new package can be numbered. Correct that row first.")
                        .arg(table, text::quotedForMessage(q.value(1).toString())));
    return q.value(0).toLongLong();
}

QString largestNewStylePackageId(db::Connection& connection)
{
    QSqlQuery q = connection.exec(db::queries::largestNewStylePackageId);
    if (!q.next() || q.value(0).isNull())
        throw Error(
            QStringLiteral("tbMedPackage_NEW holds no PackageID, and its new rows take the largest one "
                           "as the script gives them"));
    return QString::number(q.value(0).toLongLong());
}

namespace {

QString amountsText(const Rates& r)
{
    return QStringLiteral("%1, %2, %3").arg(r.amount.text(), r.pf.text(), r.roomBoard.text());
}

QString codeColumnOf(const TableRef& caseRates)
{
    return caseRates.keyColumn();
}

// Status 1, as the scripts write it.
const db::FixedColumn kStatus{QStringLiteral("Status"), QStringLiteral("1"), QStringLiteral("'1'")};

} // namespace

ChangeWriter::Statement& ChangeWriter::statement(const QString& sql, int columns, bool insert,
                                                 const QString& what)
{
    for (Statement& s : m_statements) {
        if (s.sql == sql)
            return s;
    }
    m_statements.push_back({sql, insert, db::RowSet{columns, {}}, 0, what});
    return m_statements.back();
}

QString ChangeWriter::nextPackageId(const TableRef& packages)
{
    const QString table = packages.name();
    auto it = m_lastPackageId.find(table);
    if (it == m_lastPackageId.end())
        it = m_lastPackageId.insert(table, largestPackageId(m_connection, table));
    if (*it == std::numeric_limits<qint64>::max())
        throw Error(QStringLiteral("the largest PackageID leaves no room for a new package"));
    QString id = QString::number(++*it);
    m_newPackageIds << id;
    return id;
}

// A package numbered after the largest, with the listed amounts, and the step that removes
// it again; returns its PackageID.
QString ChangeWriter::insertPackage(const TableRef& packages, const QString& name, const Rates& rates,
                                    const QString& caseType, std::vector<UndoStep>& undo)
{
    const db::Product product = m_connection.product();
    QString id = nextPackageId(packages);
    const QString sql =
        db::sets::insert(product, db::tableIn(product, packages.database(), packages.name()),
                         {QStringLiteral("PackageID"), QStringLiteral("Package"), QStringLiteral("Amount"),
                          QStringLiteral("PF"), QStringLiteral("MedRoomBoard"), QStringLiteral("CaseType")},
                         {kStatus});
    statement(sql, 6, true, QStringLiteral("new packages"))
        .rows.add({id, name, rates.amount.text(), rates.pf.text(), rates.roomBoard.text(), caseType});
    QVariantMap inserted = columnValues(rates);
    inserted.insert(QStringLiteral("Package"), name);
    undo.push_back({UndoStep::Action::Remove,
                    packages.name(),
                    QStringLiteral("PackageID"),
                    id,
                    QString(),
                    {},
                    inserted});
    return id;
}

QString ChangeWriter::add(const Change& change, const Overwritten& before, std::vector<UndoStep>& undo)
{
    const db::Product product = m_connection.product();
    auto table = [&](const TableRef& t) { return db::tableIn(product, t.database(), t.name()); };
    // An update of the rows of a key, with the step that puts each back. A test copy or
    // tbMedPackage_NEW may lack the key: the statement changes no row of it.
    auto update = [&](const TableRef& t, const QStringList& set, QVariantList values, const QString& key,
                      const QVariantMap& after, int rows, bool alwaysRestore = false) {
        Statement& s = statement(db::sets::update(product, table(t), set, {t.keyColumn()}),
                                 int(set.size()) + 1, false, QStringLiteral("changes of %1").arg(t.name()));
        s.rows.add(values << key);
        s.expected += rows;
        if (before.rows.empty() && !alwaysRestore)
            return;
        UndoStep step{
            UndoStep::Action::Restore, t.name(), t.keyColumn(), key, QString(), before.values, after, {}};
        step.rows = before.rows;
        undo.push_back(std::move(step));
    };
    const QStringList rateColumns = {QStringLiteral("Amount"), QStringLiteral("PF"),
                                     QStringLiteral("MedRoomBoard")};
    auto rateValues = [](const Rates& r) {
        return QVariantList{r.amount.text(), r.pf.text(), r.roomBoard.text()};
    };

    return std::visit(
        Overloaded{
            [&](const NewIcdCode& c) {
                const TableRef icd{Table::IcdDiagMain, {}};
                statement(db::sets::insert(product, table(icd),
                                           {QStringLiteral("CODE"), QStringLiteral("Description")}),
                          2, true, QStringLiteral("new ICD-10 codes"))
                    .rows.add({c.code, c.description});
                undo.push_back({UndoStep::Action::Remove,
                                icd.name(),
                                QStringLiteral("CODE"),
                                c.code,
                                QString(),
                                {},
                                {{QStringLiteral("Description"), c.description}}});
                return QStringLiteral("New ICD-10 code %1: %2")
                    .arg(c.code, text::quotedForMessage(c.description));
            },
            [&](const IcdDescriptionChange& c) {
                update({Table::IcdDiagMain, {}}, {QStringLiteral("Description")}, {c.description}, c.code,
                       {{QStringLiteral("Description"), c.description}}, before.rowCount, true);
                return QStringLiteral("Description of ICD-10 code %1: %2 was %3 (%4 rows)")
                    .arg(c.code, text::quotedForMessage(c.description),
                         text::quotedForMessage(c.readDescription))
                    .arg(before.rowCount);
            },
            [&](const NewPackage& c) {
                // As the script does: the group's name, the listed amounts, status and case type 1.
                const QString id = insertPackage(c.packages, c.name, c.rates, QStringLiteral("1"), undo);
                m_groupPackages.insert(db::ciAsKey(c.name), id);
                return QStringLiteral("New package %1 %2 (%3)")
                    .arg(id, text::quotedForMessage(c.name), amountsText(c.rates));
            },
            [&](const NewCode& c) {
                const QString id = insertPackage(c.packages, c.description, c.rates, c.caseType, undo);
                const QString column = codeColumnOf(c.caseRates);
                statement(
                    db::sets::insert(product, table(c.caseRates),
                                     {column, QStringLiteral("Description"), QStringLiteral("PackageID")},
                                     {kStatus}),
                    3, true, QStringLiteral("new case rates"))
                    .rows.add({c.code, c.description, id});
                undo.push_back({UndoStep::Action::Remove,
                                c.caseRates.name(),
                                column,
                                c.code,
                                id,
                                {},
                                {{QStringLiteral("Description"), c.description}}});
                return QStringLiteral("New code %1 with package %2 (%3)")
                    .arg(c.code, id, amountsText(c.rates));
            },
            [&](const NewCaseRate& c) {
                // The package found by the run, or the one this apply inserted for the line's group.
                QString packageId = c.packageId;
                if (packageId.isEmpty())
                    packageId = m_groupPackages.value(db::ciAsKey(c.group));
                if (packageId.isEmpty())
                    throw Error(QStringLiteral("the record inserts no package for its group %1")
                                    .arg(text::quotedForMessage(c.group)));
                // As the script does: case type 1 (diagnosis); the record's CaseType names the group.
                const QString column = codeColumnOf(c.caseRates);
                statement(db::sets::insert(product, table(c.caseRates),
                                           {column, QStringLiteral("Description"), QStringLiteral("CaseType"),
                                            QStringLiteral("PackageID")}),
                          4, true, QStringLiteral("new case rates"))
                    .rows.add({c.code, c.description, QStringLiteral("1"), packageId});
                undo.push_back({UndoStep::Action::Remove,
                                c.caseRates.name(),
                                column,
                                c.code,
                                packageId,
                                {},
                                {{QStringLiteral("Description"), c.description}}});
                return QStringLiteral("New case rate %1 in package %2").arg(c.code, packageId);
            },
            [&](const PackageRatesChange& c) {
                update(c.packages, rateColumns, rateValues(c.rates), c.packageId, columnValues(c.rates),
                       before.rowCount);
                return QStringLiteral("Rates of package %1 (code %2): %3 were %4 (%5 rows)")
                    .arg(c.packageId, c.origin.code, amountsText(c.rates), amountsText(c.read))
                    .arg(before.rowCount);
            },
            [&](const PackageAmountsChange& c) {
                const QVariantMap raised = columnValues(c.amounts);
                update(c.packages, kPackageAmountColumns, orderedValues(c.amounts), c.packageId, raised,
                       before.rowCount);
                return QStringLiteral("Rates of package %1 in %2: %3 were %4 (%5 rows)")
                    .arg(c.packageId, c.packages.name(), shownValues(raised), shownValues(before.values))
                    .arg(before.rowCount);
            },
            [&](const CaseRateDescriptionChange& c) {
                update(c.caseRates, {QStringLiteral("Description")}, {c.description}, c.code,
                       {{QStringLiteral("Description"), c.description}}, before.rowCount);
                return QStringLiteral("Description of %1 %2: %3 was %4")
                    .arg(codeColumnOf(c.caseRates), c.code, text::quotedForMessage(c.description),
                         text::quotedForMessage(c.readDescription));
            },
            [&](const NewStyleRow& c) {
                // As the script does: the largest PackageID the table holds, not one after it.
                if (m_newStylePackageId.isEmpty())
                    m_newStylePackageId = largestNewStylePackageId(m_connection);
                const TableRef newStyle{Table::NewStylePackages, {}};
                statement(db::sets::insert(product, table(newStyle),
                                           {QStringLiteral("PackageID"), QStringLiteral("Code"),
                                            QStringLiteral("Package"), QStringLiteral("Amount"),
                                            QStringLiteral("PF"), QStringLiteral("MedRoomBoard")},
                                           {kStatus}),
                          6, true, QStringLiteral("new rows of tbMedPackage_NEW"))
                    .rows.add({m_newStylePackageId, c.code, c.package, c.rates.amount.text(),
                               c.rates.pf.text(), c.rates.roomBoard.text()});
                m_newStyleCodes.insert(db::ciAsKey(c.code));
                // The undo checks the amounts: the run's rate update of the code may follow.
                undo.push_back({UndoStep::Action::Remove,
                                newStyle.name(),
                                QStringLiteral("Code"),
                                c.code,
                                m_newStylePackageId,
                                {},
                                columnValues(c.rates)});
                return QStringLiteral("New row of tbMedPackage_NEW %1 in package %2 (%3)")
                    .arg(c.code, m_newStylePackageId, amountsText(c.rates));
            },
            [&](const NewStyleRates& c) {
                // A row this apply inserts for the code is set too.
                const int rows = before.rowCount + (m_newStyleCodes.contains(db::ciAsKey(c.code)) ? 1 : 0);
                update({Table::NewStylePackages, {}}, rateColumns, rateValues(c.rates), c.code,
                       columnValues(c.rates), rows);
                return QStringLiteral("Rates of %1 in tbMedPackage_NEW: %2 (%3 rows)")
                    .arg(c.code, amountsText(c.rates))
                    .arg(rows);
            },
        },
        change);
}

void ChangeWriter::send()
{
    // The inserts first: an update of a code's new-style rows covers the row inserted for it.
    for (const bool inserts : {true, false}) {
        for (const Statement& s : m_statements) {
            if (s.insert != inserts)
                continue;
            const int changed = db::execForRows(m_connection, s.sql, {}, s.rows);
            const int expected = s.insert ? int(s.rows.rows.size()) : s.expected;
            if (changed >= 0 && changed != expected)
                throw Error(QStringLiteral("the %1 changed %2 rows where the checks found %3")
                                .arg(s.what)
                                .arg(changed)
                                .arg(expected));
        }
    }
}

} // namespace orvex::apply
