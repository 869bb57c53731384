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

qint64 largestPackageId(db::Connection& connection)
{
    QSqlQuery q = connection.exec(connection.statements().largestPackageId());
    if (!q.next() || q.value(0).isNull())
        return 0;
    if (!q.value(1).isNull())
        throw Error(QStringLiteral("tbMedPackage holds the PackageID %1, which is not a whole number, so no "
                                   "new package can be numbered. Correct that row first.")
                        .arg(tools::quotedForMessage(q.value(1).toString())));
    return q.value(0).toLongLong();
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
    connection.exec(connection.statements().applyInsertPackage(),
                    {id, name, v.value(QStringLiteral("Amount")), v.value(QStringLiteral("PF")),
                     v.value(QStringLiteral("MedRoomBoard")), caseType});
    QVariantMap inserted = rates(v);
    inserted.insert(QStringLiteral("Package"), name);
    applying.undo.push_back({UndoStep::Action::Remove,
                             QStringLiteral("tbMedPackage"),
                             QStringLiteral("PackageID"),
                             id,
                             QString(),
                             {},
                             inserted});
    return id;
}

} // namespace

// Makes one change; returns the log line.
QString applyOne(db::Connection& connection, const Finding& f, ChangeClass c, const QVariantMap& before,
                 Applying& applying)
{
    const db::Statements& sql = connection.statements();
    const auto& v = f.proposed;
    std::vector<UndoStep>& undo = applying.undo;
    const QString description = v.value(QStringLiteral("Description"));
    switch (c) {
    case ChangeClass::NewCode: {
        const QString trimmedDescription = trimmed(description);
        const QString id =
            insertPackage(connection, applying, trimmedDescription, v, v.value(QStringLiteral("CaseType")));
        connection.exec(sql.applyInsertCaseRate(isProcedure(f)), {trimmed(f.key), trimmedDescription, id});
        undo.push_back({UndoStep::Action::Remove,
                        caseRateTable(f),
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
        undo.push_back({UndoStep::Action::Restore,
                        QStringLiteral("tbICDdiagMain"),
                        QStringLiteral("CODE"),
                        f.key,
                        QString(),
                        before,
                        {{QStringLiteral("Description"), description}}});
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
            undo.push_back({UndoStep::Action::Restore, table, QStringLiteral("PackageID"), f.key, QString(),
                            before, raised});
            return QStringLiteral("Rates of package %1 in %2: %3 were %4 (%5 rows)")
                .arg(f.key, table, shownValues(raised), shownValues(before))
                .arg(rows);
        }
        const int rows = connection
                             .exec(sql.applyUpdatePackageRates(),
                                   {v.value(QStringLiteral("Amount")), v.value(QStringLiteral("PF")),
                                    v.value(QStringLiteral("MedRoomBoard")), f.key})
                             .numRowsAffected();
        undo.push_back({UndoStep::Action::Restore, QStringLiteral("tbMedPackage"),
                        QStringLiteral("PackageID"), f.key, QString(), before, rates(v)});
        return QStringLiteral("Rates of package %1 (code %2): %3 were %4 (%5 rows)")
            .arg(f.key, f.code, amountsText(v), amountsText(f.read))
            .arg(rows);
    }
    case ChangeClass::DescriptionChange: {
        connection.exec(sql.applyUpdateDescription(isProcedure(f)), {description, f.key});
        undo.push_back({UndoStep::Action::Restore,
                        caseRateTable(f),
                        codeColumn(f),
                        f.key,
                        QString(),
                        before,
                        {{QStringLiteral("Description"), description}}});
        return QStringLiteral("Description of %1 %2: %3 was %4")
            .arg(f.keyColumn.trimmed(), f.key, tools::quotedForMessage(description),
                 tools::quotedForMessage(f.read.value(QStringLiteral("Description"))));
    }
    default:
        return {};
    }
}

} // namespace orvex::apply::change
