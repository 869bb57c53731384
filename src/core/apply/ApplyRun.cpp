#include "apply/ApplyRun.h"

#include "Error.h"
#include "apply/StoredRows.h"
#include "apply/UndoFile.h"
#include "db/ActivityLog.h"
#include "db/Connection.h"
#include "db/Statements.h"
#include "db/Transaction.h"
#include "review/ChangeClass.h"
#include "text/Blanks.h"
#include "text/Numbers.h"
#include "tools/ToolLog.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSqlQuery>

#include <limits>

namespace orvex::apply {

using jobs::Finding;
using review::ChangeClass;

namespace {

// How many drifted rows a refusal names before it counts the rest.
constexpr int kRowsNamed = 20;

// The applied classes; everything else in a record is a note or not handled here.
std::optional<ChangeClass> appliedClass(const RunRecord& record, const Finding& f)
{
    const std::optional<ChangeClass> c = review::classOf(f);
    if (!c)
        return std::nullopt;
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
    return QStringLiteral("%1 %2 (line %3 of %4)")
        .arg(f.keyColumn.trimmed(), tools::quotedForMessage(f.key))
        .arg(f.sourceLine)
        .arg(QDir::toNativeSeparators(f.sourceFile));
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

// What the row holds now, when it differs from what the run read; empty when it still
// holds that. `before` takes the values the change will overwrite, for the undo.
QString drift(db::Connection& connection, const Finding& f, ChangeClass c, QVariantMap& before)
{
    switch (c) {
    case ChangeClass::NewCode: {
        const std::optional<QVariantMap> row = caseRateRow(connection, isProcedure(f), f.key);
        return row ? QStringLiteral("%1 now has a case rate (package %2)")
                         .arg(where(f),
                              tools::quotedForMessage(valueText(row->value(QStringLiteral("PackageID")))))
                   : QString();
    }
    case ChangeClass::RateChange: {
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

// Makes one change; returns the log line.
QString applyOne(db::Connection& connection, const Finding& f, ChangeClass c, const QVariantMap& before,
                 qint64& lastPackageId, QStringList& newPackageIds, std::vector<UndoStep>& undo)
{
    const db::Statements& sql = connection.statements();
    const auto& v = f.proposed;
    switch (c) {
    case ChangeClass::NewCode: {
        if (lastPackageId == std::numeric_limits<qint64>::max())
            throw Error(QStringLiteral("the largest PackageID leaves no room for a new package"));
        const QString id = QString::number(++lastPackageId);
        const QString description = trimmed(v.value(QStringLiteral("Description")));
        connection.exec(sql.applyInsertPackage(),
                        {id, description, v.value(QStringLiteral("Amount")), v.value(QStringLiteral("PF")),
                         v.value(QStringLiteral("MedRoomBoard")), v.value(QStringLiteral("CaseType"))});
        connection.exec(sql.applyInsertCaseRate(isProcedure(f)), {trimmed(f.key), description, id});
        newPackageIds << id;
        QVariantMap inserted = rates(v);
        inserted.insert(QStringLiteral("Package"), description);
        undo.push_back({UndoStep::Action::Remove,
                        QStringLiteral("tbMedPackage"),
                        QStringLiteral("PackageID"),
                        id,
                        QString(),
                        {},
                        inserted});
        undo.push_back({UndoStep::Action::Remove,
                        caseRateTable(f),
                        codeColumn(f),
                        trimmed(f.key),
                        id,
                        {},
                        {{QStringLiteral("Description"), description}}});
        return QStringLiteral("New code %1 with package %2 (%3, %4, %5)")
            .arg(trimmed(f.key), id, v.value(QStringLiteral("Amount")), v.value(QStringLiteral("PF")),
                 v.value(QStringLiteral("MedRoomBoard")));
    }
    case ChangeClass::RateChange: {
        const int rows = connection
                             .exec(sql.applyUpdatePackageRates(),
                                   {v.value(QStringLiteral("Amount")), v.value(QStringLiteral("PF")),
                                    v.value(QStringLiteral("MedRoomBoard")), f.key})
                             .numRowsAffected();
        undo.push_back({UndoStep::Action::Restore, QStringLiteral("tbMedPackage"),
                        QStringLiteral("PackageID"), f.key, QString(), before, rates(v)});
        return QStringLiteral("Rates of package %1 (code %2): %3, %4, %5 were %6, %7, %8 (%9 rows)")
            .arg(f.key, f.code, v.value(QStringLiteral("Amount")), v.value(QStringLiteral("PF")),
                 v.value(QStringLiteral("MedRoomBoard")), f.read.value(QStringLiteral("Amount")),
                 f.read.value(QStringLiteral("PF")), f.read.value(QStringLiteral("MedRoomBoard")))
            .arg(rows);
    }
    case ChangeClass::DescriptionChange: {
        const QString description = v.value(QStringLiteral("Description"));
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
                                   "of %2. Run the update again.")
                        .arg(last, db::ActivityLog::timestampText(record.when)));
}

void writeUndoFile(const QString& path, const QByteArray& text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        throw Error(QStringLiteral("the undo file \"%1\" could not be written (%2)")
                        .arg(QDir::toNativeSeparators(path), file.errorString()));
}

void applyInTransaction(db::Connection& connection, const RunRecord& record, const QString& outputFolder,
                        const db::LogIdentity& log, const QDateTime& when, ApplyResult& result)
{
    const QString refused = refusal(record);
    db::Transaction transaction(connection, db::Transaction::Mode::Write);
    refuseWhenNotTheLastRun(connection, record, refused);
    QStringList drifted;
    int driftCount = 0;
    std::vector<QVariantMap> before; // per applied change, in order
    for (const Finding& f : record.changes) {
        if (const auto c = appliedClass(record, f)) {
            before.emplace_back();
            if (const QString d = drift(connection, f, *c, before.back());
                !d.isEmpty() && ++driftCount <= kRowsNamed)
                drifted << d;
        }
    }
    if (driftCount > 0) {
        if (driftCount > kRowsNamed)
            drifted << QStringLiteral("and %1 more").arg(driftCount - kRowsNamed);
        throw Error(refused + QStringLiteral("%1 rows changed since the run read them:\n").arg(driftCount) +
                    drifted.join(QLatin1Char('\n')) + QStringLiteral("\nRun the update again."));
    }

    db::ActivityLog activity(connection);
    activity.append(
        log.user, log.workstation,
        QStringLiteral("Apply of update run %1 (run by %2 on %3): %4")
            .arg(record.runId, record.user, record.when.toString(Qt::ISODate), result.counts.text()),
        when);
    UndoRecord undo{record.runId, record.database, log.user, when, result.counts.text(), {}};
    qint64 lastPackageId = result.counts.newCodes > 0 ? largestPackageId(connection) : 0;
    int number = 0;
    for (const Finding& f : record.changes) {
        const auto c = appliedClass(record, f);
        if (!c)
            continue;
        ++number;
        QString line;
        try {
            line = applyOne(connection, f, *c, before[size_t(number - 1)], lastPackageId,
                            result.newPackageIds, undo.steps);
        } catch (const Error& e) {
            throw Error(refused + QStringLiteral("change %1 of %2 (%3, %4) failed: %5")
                                      .arg(number)
                                      .arg(result.counts.total())
                                      .arg(review::className(*c), where(f), e.message()));
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
    auto n = [](int count, const char* one, const char* many) {
        return QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? one : many);
    };
    return n(newCodes, "new code", "new codes") + QStringLiteral(", ") +
           n(rateChanges, "rate change", "rate changes") + QStringLiteral(", ") +
           n(descriptionChanges, "description change", "description changes");
}

ApplyCounts countChanges(const RunRecord& record)
{
    ApplyCounts counts;
    for (const Finding& f : record.changes) {
        switch (appliedClass(record, f).value_or(ChangeClass::ZeroAmount)) {
        case ChangeClass::NewCode:
            ++counts.newCodes;
            break;
        case ChangeClass::RateChange:
            ++counts.rateChanges;
            break;
        case ChangeClass::DescriptionChange:
            ++counts.descriptionChanges;
            break;
        default:
            break;
        }
    }
    return counts;
}

QString appliedMarkerPath(const QString& outputFolder, const QString& runId)
{
    return QDir(outputFolder).filePath(QStringLiteral("applied ") + runId);
}

ApplyResult applyRun(db::Connection& connection, const QString& outputFolder, const db::LogIdentity& log,
                     const QDateTime& when)
{
    const QString recordPath = QDir(outputFolder).filePath(QString::fromUtf16(kRunRecordName));
    const RunRecord record = readRunRecord(recordPath);
    const QString refused =
        QStringLiteral("The run %1 was not applied, and nothing was changed: ").arg(record.runId);
    if (record.kind != QLatin1String("update"))
        throw Error(
            refused +
            QStringLiteral("it is a run of kind \"%1\"; only update runs are applied.").arg(record.kind));
    const QString database = connection.settings().describe();
    if (record.database != database)
        throw Error(
            refused +
            QStringLiteral("it read the database %1, not the connected %2.").arg(record.database, database));
    const QString marker = appliedMarkerPath(outputFolder, record.runId);
    if (QFile::exists(marker))
        throw Error(refused + QStringLiteral("it was applied already (%1). Run the update again.")
                                  .arg(QDir::toNativeSeparators(marker)));
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
