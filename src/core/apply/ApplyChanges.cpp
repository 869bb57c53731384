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

qint64 largestPackageId(db::Connection& connection, const QString& table)
{
    QSqlQuery q = connection.exec(connection.statements().largestPackageIdIn(table));
    if (!q.next() || q.value(0).isNull())
        return 0;
    if (!q.value(1).isNull())
        throw Error(QStringLiteral("%1 holds the PackageID %2, which is not a whole number, so no "
                                   "new package can be numbered. Correct that row first.")
                        .arg(table, tools::quotedForMessage(q.value(1).toString())));
    return q.value(0).toLongLong();
}

QString largestNewStylePackageId(db::Connection& connection)
{
    QSqlQuery q = connection.exec(connection.statements().largestNewStylePackageId());
    if (!q.next() || q.value(0).isNull())
        throw Error(
            QStringLiteral("tbMedPackage_NEW holds no PackageID, and its new rows take the largest one "
                           "as the script gives them"));
    return QString::number(q.value(0).toLongLong());
}

QString Applying::nextPackageId()
{
    if (lastPackageId == std::numeric_limits<qint64>::max())
        throw Error(QStringLiteral("the largest PackageID leaves no room for a new package"));
    const QString id = QString::number(++lastPackageId);
    newPackageIds << id;
    return id;
}

namespace {

QString amountsText(const QMap<QString, QString>& v)
{
    return QStringLiteral("%1, %2, %3")
        .arg(v.value(QStringLiteral("Amount")), v.value(QStringLiteral("PF")),
             v.value(QStringLiteral("MedRoomBoard")));
}

// Inserts a package numbered after the largest, with the listed amounts, and the step that
// removes it again; returns its PackageID.
QString insertPackage(db::Connection& connection, Applying& applying, const QString& name,
                      const QMap<QString, QString>& v, const QString& caseType)
{
    const QString id = applying.nextPackageId();
    connection.exec(connection.statements().applyInsertPackage(applying.packageTable()),
                    {id, name, v.value(QStringLiteral("Amount")), v.value(QStringLiteral("PF")),
                     v.value(QStringLiteral("MedRoomBoard")), caseType});
    QVariantMap inserted = rates(v);
    inserted.insert(QStringLiteral("Package"), name);
    applying.undo.push_back({UndoStep::Action::Remove,
                             applying.packageTable(),
                             QStringLiteral("PackageID"),
                             id,
                             QString(),
                             {},
                             inserted});
    return id;
}

} // namespace

// Makes one change; returns the log line.
QString applyOne(db::Connection& connection, const Finding& f, ChangeClass c, const Overwritten& overwritten,
                 Applying& applying)
{
    const db::Statements& sql = connection.statements();
    const auto& v = f.proposed;
    std::vector<UndoStep>& undo = applying.undo;
    const QString description = v.value(QStringLiteral("Description"));
    const QVariantMap& before = overwritten.values;
    auto restore = [&](const QString& table, const QString& keyColumn, const QVariantMap& after) {
        // A test copy or tbMedPackage_NEW may lack the key: the statement changed no row.
        if (overwritten.rows.empty() && c != ChangeClass::IcdDescriptionChange)
            return;
        UndoStep step{UndoStep::Action::Restore, table, keyColumn, f.key, QString(), before, after, {}};
        step.rows = overwritten.rows;
        undo.push_back(std::move(step));
    };
    switch (c) {
    case ChangeClass::NewCode: {
        const QString trimmedDescription = trimmed(description);
        const QString id =
            insertPackage(connection, applying, trimmedDescription, v, v.value(QStringLiteral("CaseType")));
        const QString table = caseRateTable(f) + applying.suffix;
        connection.exec(sql.applyInsertCaseRate(table), {trimmed(f.key), trimmedDescription, id});
        undo.push_back({UndoStep::Action::Remove,
                        table,
                        codeColumn(f),
                        trimmed(f.key),
                        id,
                        {},
                        {{QStringLiteral("Description"), trimmedDescription}}});
        return QStringLiteral("New code %1 with package %2 (%3)").arg(trimmed(f.key), id, amountsText(v));
    }
    case ChangeClass::NewPackage: {
        // As the script does: the group's name, the listed amounts, status and case type 1.
        const QString name = v.value(QStringLiteral("Package"));
        const QString id = insertPackage(connection, applying, name, v, QStringLiteral("1"));
        applying.groupPackages.insert(db::ciAsKey(name), id);
        return QStringLiteral("New package %1 %2 (%3)")
            .arg(id, tools::quotedForMessage(name), amountsText(v));
    }
    case ChangeClass::NewCaseRate: {
        // The package found by the run, or the one this apply inserted for the line's group.
        const QString group = v.value(QStringLiteral("CaseType"));
        QString packageId = v.value(QStringLiteral("PackageID"));
        if (packageId.isEmpty())
            packageId = applying.groupPackages.value(db::ciAsKey(group));
        if (packageId.isEmpty())
            throw Error(QStringLiteral("the record inserts no package for its group %1")
                            .arg(tools::quotedForMessage(group)));
        // As the script does: case type 1 (diagnosis); the record's CaseType names the group.
        connection.exec(sql.applyInsertScanCaseRate(), {f.key, description, QStringLiteral("1"), packageId});
        undo.push_back({UndoStep::Action::Remove,
                        caseRateTable(f),
                        codeColumn(f),
                        f.key,
                        packageId,
                        {},
                        {{QStringLiteral("Description"), description}}});
        return QStringLiteral("New case rate %1 in package %2").arg(f.key, packageId);
    }
    case ChangeClass::NewIcdCode: {
        connection.exec(sql.applyInsertIcdCode(), {f.key, description});
        undo.push_back({UndoStep::Action::Remove,
                        QStringLiteral("tbICDdiagMain"),
                        QStringLiteral("CODE"),
                        f.key,
                        QString(),
                        {},
                        {{QStringLiteral("Description"), description}}});
        return QStringLiteral("New ICD-10 code %1: %2").arg(f.key, tools::quotedForMessage(description));
    }
    case ChangeClass::IcdDescriptionChange: {
        const int rows =
            connection.exec(sql.applyUpdateIcdDescription(), {description, f.key}).numRowsAffected();
        restore(QStringLiteral("tbICDdiagMain"), QStringLiteral("CODE"),
                {{QStringLiteral("Description"), description}});
        return QStringLiteral("Description of ICD-10 code %1: %2 was %3 (%4 rows)")
            .arg(f.key, tools::quotedForMessage(description),
                 tools::quotedForMessage(f.read.value(QStringLiteral("Description"))))
            .arg(rows);
    }
    case ChangeClass::RateChange: {
        if (allAmounts(f)) {
            const QString table = packageRateTable(f);
            const QVariantMap raised = amountsOf(v);
            QVariantList values;
            for (const QString& column : kPackageAmountColumns)
                values << raised.value(column);
            const int rows =
                connection.exec(sql.applyUpdatePackageAmounts(table), values << f.key).numRowsAffected();
            restore(table, QStringLiteral("PackageID"), raised);
            return QStringLiteral("Rates of package %1 in %2: %3 were %4 (%5 rows)")
                .arg(f.key, table, shownValues(raised), shownValues(before))
                .arg(rows);
        }
        const int rows = connection
                             .exec(sql.applyUpdatePackageRates(applying.packageTable()),
                                   {v.value(QStringLiteral("Amount")), v.value(QStringLiteral("PF")),
                                    v.value(QStringLiteral("MedRoomBoard")), f.key})
                             .numRowsAffected();
        restore(applying.packageTable(), QStringLiteral("PackageID"), rates(v));
        return QStringLiteral("Rates of package %1 (code %2): %3 were %4 (%5 rows)")
            .arg(f.key, f.code, amountsText(v), amountsText(f.read))
            .arg(rows);
    }
    case ChangeClass::DescriptionChange: {
        const QString table = caseRateTable(f) + applying.suffix;
        connection.exec(sql.applyUpdateDescription(table), {description, f.key});
        restore(table, codeColumn(f), {{QStringLiteral("Description"), description}});
        return QStringLiteral("Description of %1 %2: %3 was %4")
            .arg(f.keyColumn.trimmed(), f.key, tools::quotedForMessage(description),
                 tools::quotedForMessage(f.read.value(QStringLiteral("Description"))));
    }
    case ChangeClass::NewStyleRow: {
        // As the script does: the largest PackageID the table holds, not one after it.
        if (applying.newStylePackageId.isEmpty())
            applying.newStylePackageId = largestNewStylePackageId(connection);
        const QString code = trimmed(f.key);
        const QString package = trimmed(v.value(QStringLiteral("Package")));
        connection.exec(sql.applyInsertNewStyleRow(),
                        {applying.newStylePackageId, code, package, v.value(QStringLiteral("Amount")),
                         v.value(QStringLiteral("PF")), v.value(QStringLiteral("MedRoomBoard"))});
        // The undo checks the amounts: the run's rate update of the code may follow.
        undo.push_back({UndoStep::Action::Remove,
                        QStringLiteral("tbMedPackage_NEW"),
                        QStringLiteral("Code"),
                        code,
                        applying.newStylePackageId,
                        {},
                        rates(v)});
        return QStringLiteral("New row of tbMedPackage_NEW %1 in package %2 (%3)")
            .arg(code, applying.newStylePackageId, amountsText(v));
    }
    case ChangeClass::NewStyleRates: {
        const int rows = connection
                             .exec(sql.applyUpdateNewStyleRates(),
                                   {v.value(QStringLiteral("Amount")), v.value(QStringLiteral("PF")),
                                    v.value(QStringLiteral("MedRoomBoard")), f.key})
                             .numRowsAffected();
        restore(QStringLiteral("tbMedPackage_NEW"), QStringLiteral("Code"), rates(v));
        return QStringLiteral("Rates of %1 in tbMedPackage_NEW: %2 (%3 rows)")
            .arg(f.key, amountsText(v))
            .arg(rows);
    }
    case ChangeClass::ZeroAmount:
        break;
    }
    return {};
}

} // namespace orvex::apply::change
