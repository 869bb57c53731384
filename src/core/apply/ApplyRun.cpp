#include "apply/ApplyRun.h"

#include "Error.h"
#include "apply/StoredRows.h"
#include "apply/UndoFile.h"
#include "db/ActivityLog.h"
#include "db/CiAsCollation.h"
#include "db/Connection.h"
#include "db/Statements.h"
#include "db/Transaction.h"
#include "review/ChangeClass.h"
#include "text/Blanks.h"
#include "text/Numbers.h"
#include "tools/ToolLog.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QSqlQuery>

#include <algorithm>
#include <limits>
#include <span>

namespace orvex::apply {

using jobs::Finding;
using review::ChangeClass;

namespace {

bool isKind(const RunRecord& record, const char16_t* kind)
{
    return record.kind == QStringView(kind);
}

// The applied classes; everything else in a record is a note or not handled here.
std::optional<ChangeClass> appliedClass(const RunRecord& record, const Finding& f)
{
    const std::optional<ChangeClass> c = review::classOf(f);
    if (!c)
        return std::nullopt;
    auto among = [&c](std::span<const ChangeClass> classes) {
        return std::find(classes.begin(), classes.end(), *c) != classes.end() ? c : std::nullopt;
    };
    if (isKind(record, kScanRun))
        return among(review::kIcdScanClasses);
    if (isKind(record, kPhScanRun))
        return among(review::kPhScanClasses);
    if (isKind(record, kPackageRatesRun))
        return among(review::kPackageRateClasses);
    switch (*c) {
    case ChangeClass::NewCode:
    case ChangeClass::RateChange:
        return c;
    case ChangeClass::DescriptionChange:
        return record.updateDescriptions ? c : std::nullopt;
    default:
        return std::nullopt;
    }
}

// What each kind of run asks for when its record no longer fits the database.
QString runAgain(const RunRecord& record)
{
    if (isKind(record, kPackageRatesRun))
        return QStringLiteral("Write the package rate script again.");
    if (isKind(record, kUpdateRun))
        return QStringLiteral("Run the update again.");
    return QStringLiteral("Run the %1 again.").arg(runKindTitle(record.kind));
}

// "an update run", "a PH scan".
QString withArticle(const QString& title)
{
    const bool vowel = !title.isEmpty() && QStringLiteral("aeiouAEIOU").contains(title[0]);
    return (vowel ? QStringLiteral("an ") : QStringLiteral("a ")) + title;
}

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

// What the changes of one apply share.
struct Applying
{
    qint64 lastPackageId = 0;
    QHash<QString, QString> groupPackages; // CI_AS key of a group: the package inserted for it
    QStringList& newPackageIds;
    std::vector<UndoStep>& undo;

    QString nextPackageId()
    {
        if (lastPackageId == std::numeric_limits<qint64>::max())
            throw Error(QStringLiteral("the largest PackageID leaves no room for a new package"));
        const QString id = QString::number(++lastPackageId);
        newPackageIds << id;
        return id;
    }
};

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
        connection.exec(sql.applyInsertScanCaseRate(), {f.key, description, group, packageId});
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

QString refusal(const RunRecord& record)
{
    return QStringLiteral("The run %1 was not applied, and nothing was changed: ").arg(record.runId);
}

// A run older than the last apply or undo read rows that may have changed since.
void refuseWhenNotTheLastRun(db::Connection& connection, const RunRecord& record, const QString& refused)
{
    const QString last = db::ActivityLog(connection).lastApplyOrUndo();
    if (!last.isEmpty() && last > db::ActivityLog::timestampText(record.when))
        throw Error(refused +
                    QStringLiteral("the database was changed by an apply or an undo on %1, after the run "
                                   "of %2. ")
                        .arg(last, db::ActivityLog::timestampText(record.when)) +
                    runAgain(record));
}

void writeUndoFile(const QString& path, const QByteArray& text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        throw Error(QStringLiteral("the undo file \"%1\" could not be written (%2)")
                        .arg(QDir::toNativeSeparators(path), file.errorString()));
}

// The order of the changes: a PH scan's new packages first, so that the new case rates of
// their groups find them whatever line the record kept; the rest as recorded.
std::vector<std::pair<const Finding*, ChangeClass>> appliedChanges(const RunRecord& record)
{
    std::vector<std::pair<const Finding*, ChangeClass>> changes;
    for (const Finding& f : record.changes) {
        if (const auto c = appliedClass(record, f))
            changes.emplace_back(&f, *c);
    }
    std::stable_partition(changes.begin(), changes.end(),
                          [](const auto& change) { return change.second == ChangeClass::NewPackage; });
    return changes;
}

void applyInTransaction(db::Connection& connection, const RunRecord& record, const QString& outputFolder,
                        const db::LogIdentity& log, const QDateTime& when, ApplyResult& result)
{
    const QString refused = refusal(record);
    db::Transaction transaction(connection, db::Transaction::Mode::Write);
    refuseWhenNotTheLastRun(connection, record, refused);
    const auto changes = appliedChanges(record);
    ChangedRows drifted;
    std::vector<QVariantMap> before(changes.size()); // per applied change, in order
    for (size_t i = 0; i < changes.size(); ++i)
        drifted.add(drift(connection, *changes[i].first, changes[i].second, before[i]));
    if (drifted.count() > 0)
        throw Error(refused +
                    QStringLiteral("%1 rows changed since the run read them:\n").arg(drifted.count()) +
                    drifted.text() + QLatin1Char('\n') + runAgain(record));

    db::ActivityLog activity(connection);
    activity.append(log.user, log.workstation,
                    QStringLiteral("Apply of %1 %2 (run by %3 on %4): %5")
                        .arg(runKindTitle(record.kind), record.runId, record.user,
                             record.when.toString(Qt::ISODate), result.counts.text()),
                    when);
    UndoRecord undo{record.runId, record.database, log.user, when, result.counts.text(), {}};
    Applying applying{0, {}, result.newPackageIds, undo.steps};
    if (result.counts.newCodes + result.counts.newPackages > 0)
        applying.lastPackageId = largestPackageId(connection);
    for (size_t i = 0; i < changes.size(); ++i) {
        const auto& [f, c] = changes[i];
        QString line;
        try {
            line = applyOne(connection, *f, c, before[i], applying);
        } catch (const Error& e) {
            throw Error(refused + QStringLiteral("change %1 of %2 (%3, %4) failed: %5")
                                      .arg(i + 1)
                                      .arg(changes.size())
                                      .arg(review::className(c), where(*f), e.message()));
        }
        activity.append(log.user, log.workstation, QStringLiteral("Apply %1: ").arg(record.runId) + line,
                        when);
    }
    // The way back is on disk before the changes are: an apply without it is not made.
    result.undoFile = newUndoFilePath(outputFolder, when);
    writeUndoFile(result.undoFile, undoFileText(undo));
    try {
        transaction.commit();
    } catch (const Error&) {
        QFile::remove(result.undoFile);
        result.undoFile.clear();
        throw;
    }
}

} // namespace

QString ApplyCounts::text() const
{
    QStringList parts;
    auto n = [&parts](int count, const char* one, const char* many) {
        if (count > 0)
            parts << QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? one : many);
    };
    n(newIcdCodes, "new ICD-10 code", "new ICD-10 codes");
    n(icdDescriptionChanges, "ICD-10 description change", "ICD-10 description changes");
    n(newPackages, "new package", "new packages");
    n(newCodes, "new code", "new codes");
    n(newCaseRates, "new case rate", "new case rates");
    n(rateChanges, "rate change", "rate changes");
    n(descriptionChanges, "description change", "description changes");
    return parts.isEmpty() ? QStringLiteral("no changes") : parts.join(QStringLiteral(", "));
}

ApplyCounts countChanges(const RunRecord& record)
{
    ApplyCounts counts;
    for (const Finding& f : record.changes) {
        const std::optional<ChangeClass> c = appliedClass(record, f);
        if (!c)
            continue;
        switch (*c) {
        case ChangeClass::NewCode:
            ++counts.newCodes;
            break;
        case ChangeClass::RateChange:
            ++counts.rateChanges;
            break;
        case ChangeClass::DescriptionChange:
            ++counts.descriptionChanges;
            break;
        case ChangeClass::NewIcdCode:
            ++counts.newIcdCodes;
            break;
        case ChangeClass::IcdDescriptionChange:
            ++counts.icdDescriptionChanges;
            break;
        case ChangeClass::NewPackage:
            ++counts.newPackages;
            break;
        case ChangeClass::NewCaseRate:
            ++counts.newCaseRates;
            break;
        default:
            break;
        }
    }
    return counts;
}

void checkRunKind(const RunRecord& record, const QString& expectedKind)
{
    const QString refused = refusal(record);
    if (!isRunKind(record.kind))
        throw Error(
            refused +
            QStringLiteral("it is a run of kind \"%1\", which this version cannot apply.").arg(record.kind));
    if (!expectedKind.isEmpty() && record.kind != expectedKind)
        throw Error(refused + QStringLiteral("the last run in the output folder is %1 of %2, not %3.")
                                  .arg(withArticle(runKindTitle(record.kind)),
                                       record.when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                       withArticle(runKindTitle(expectedKind))));
}

QString appliedMarkerPath(const QString& outputFolder, const QString& runId)
{
    return QDir(outputFolder).filePath(QStringLiteral("applied ") + runId);
}

ApplyResult applyRun(db::Connection& connection, const QString& outputFolder, const db::LogIdentity& log,
                     const QDateTime& when, const QString& expectedKind)
{
    const QString recordPath = QDir(outputFolder).filePath(QString::fromUtf16(kRunRecordName));
    const RunRecord record = readRunRecord(recordPath);
    const QString refused = refusal(record);
    checkRunKind(record, expectedKind);
    const QString database = connection.settings().describe();
    if (record.database != database)
        throw Error(
            refused +
            QStringLiteral("it read the database %1, not the connected %2.").arg(record.database, database));
    const QString marker = appliedMarkerPath(outputFolder, record.runId);
    if (QFile::exists(marker))
        throw Error(refused +
                    QStringLiteral("it was applied already (%1). ").arg(QDir::toNativeSeparators(marker)) +
                    runAgain(record));
    if (!record.testSuffix.isEmpty())
        throw Error(refused +
                    QStringLiteral("it aimed at the test copies (suffix %1); apply works on the live "
                                   "tables. Run the update without test tables.")
                        .arg(record.testSuffix));
    if (record.verB)
        throw Error(refused + QStringLiteral("it kept tbMedPackage_NEW in step (Ver B), which apply does not "
                                             "change. Run the update without Ver B, or run its scripts."));

    ApplyResult result;
    result.runId = record.runId;
    result.counts = countChanges(record);

    try {
        applyInTransaction(connection, record, outputFolder, log, when, result);
    } catch (const Error& e) {
        // A lost connection or a failed commit: the transaction rolled back.
        if (e.message().startsWith(refused))
            throw;
        throw Error(refused + e.message());
    }

    QFile mark(marker);
    if (!mark.open(QIODevice::WriteOnly) || mark.write(when.toString(Qt::ISODate).toUtf8()) < 0 ||
        !mark.flush())
        throw Error(QStringLiteral("The run %1 was applied, but the marker \"%2\" could not be written (%3): "
                                   "do not apply this run again.")
                        .arg(record.runId, QDir::toNativeSeparators(marker), mark.errorString()));
    return result;
}

} // namespace orvex::apply
