#include "apply/UndoFile.h"

#include "Error.h"
#include "platform/Sha256.h"
#include "review/RunRecord.h"
#include "text/JsonText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace orvex::apply {

namespace {

constexpr char kDataPrefix[] = "--@ ";
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// A table an apply writes: its name, or its name followed by a test copy's suffix.
bool isTable(const QString& table, const char* name, bool copies)
{
    if (!table.startsWith(QLatin1String(name)))
        return false;
    const QStringView suffix = QStringView(table).mid(qsizetype(qstrlen(name)));
    if (!copies && !suffix.isEmpty())
        return false;
    return std::all_of(suffix.begin(), suffix.end(), [](QChar c) {
        return (c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char('_');
    });
}

// The only rows an undo touches; a file naming any other table is refused as damaged.
bool knownRow(const UndoStep& step)
{
    const QString& key = step.keyColumn;
    if (key == QLatin1String("PackageID")) // tbMedPackage, its test copy or a year's copy
        return isPackageTable(step.table) && step.table != QLatin1String("tbMedPackage_NEW");
    if (key == QLatin1String("Code"))
        return step.table == QLatin1String("tbMedPackage_NEW");
    if (key == QLatin1String("CODE"))
        return step.table == QLatin1String("tbICDdiagMain");
    if (key == QLatin1String("ICDCode"))
        return isTable(step.table, "tbMed_MedicalCaseRates", true);
    if (key == QLatin1String("RVSCODE"))
        return isTable(step.table, "tbMed_Procedures", true);
    return false;
}

// Comment text on one line: a line break would end the comment.
QString commentText(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

// Every quote doubled, always: the undo puts back exactly what the row held, so a stored
// text that already holds doubled quotes must not be read as escaped. Line breaks become
// NCHAR(13) and NCHAR(10), so that no stored text starts a line of the file.
QString literal(const QVariant& value)
{
    if (value.isNull())
        return QStringLiteral("NULL");
    switch (value.typeId()) {
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::Int:
    case QMetaType::LongLong:
        return value.toString();
    default:
        return QStringLiteral("N'") +
               value.toString()
                   .replace(QLatin1Char('\''), QStringLiteral("''"))
                   .replace(QLatin1Char('\r'), QStringLiteral("' + NCHAR(13) + N'"))
                   .replace(QLatin1Char('\n'), QStringLiteral("' + NCHAR(10) + N'")) +
               QLatin1Char('\'');
    }
}

QString tableName(const UndoStep& step)
{
    return QStringLiteral("[%1].[dbo].[%2]")
        .arg(step.table == QLatin1String("tbICDdiagMain") ? QStringLiteral("Build_FILE")
                                                          : QStringLiteral("Medicare"),
             step.table);
}

QString statement(const UndoStep& step)
{
    const QString where = QStringLiteral(" WHERE %1 = %2").arg(step.keyColumn, literal(step.key));
    if (step.action == UndoStep::Action::Remove) {
        QString s = QStringLiteral("DELETE FROM ") + tableName(step) + where;
        if (!step.packageId.isEmpty())
            s += QStringLiteral(" AND PackageID = ") + literal(step.packageId);
        return s + QLatin1Char(';');
    }
    auto update = [&](const QVariantMap& before, const QString& rowWhere) {
        QStringList sets;
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            sets << QStringLiteral("%1 = %2").arg(it.key(), literal(it.value()));
        return QStringLiteral("UPDATE ") + tableName(step) + QStringLiteral(" SET ") +
               sets.join(QStringLiteral(", ")) + rowWhere + QLatin1Char(';');
    };
    if (step.rows.empty())
        return update(step.before, where);
    QStringList updates;
    for (const RowImage& row : step.rows) {
        const QString identity = row.identity.isNull() ? QStringLiteral(" IS NULL")
                                                       : QStringLiteral(" = ") + literal(row.identity);
        updates << update(row.before, where + QStringLiteral(" AND ") + identityColumn(step) + identity);
    }
    return updates.join(QStringLiteral("\r\n"));
}

// Compact JSON without "/" or "*" (escaped as "\/" and "\u002a", which JSON reads back), so
// that no value opens or ends a comment.
QByteArray dataLine(QByteArray json)
{
    json.replace('/', "\\/").replace('*', "\\u002a");
    return QByteArray(kDataPrefix) + json + "\r\n";
}

QByteArray dataLine(const QJsonObject& o)
{
    return dataLine(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

// A step's data line, written by hand: an apply writes one for every change, and building a
// QJsonObject for each cost more than the rest of the file. It reads back as JSON like any.
QByteArray stepJson(const UndoStep& step)
{
    text::JsonText j;
    j.open('{');
    j.key("action");
    j.scalar(step.action == UndoStep::Action::Remove ? QStringLiteral("remove") : QStringLiteral("restore"));
    j.key("after");
    j.map(step.after);
    j.key("before");
    j.map(step.before);
    j.key("key");
    j.scalar(step.key);
    j.key("keyColumn");
    j.scalar(step.keyColumn);
    j.key("packageId");
    j.scalar(step.packageId);
    if (!step.rows.empty()) {
        j.key("rows");
        j.open('[');
        for (const RowImage& row : step.rows) {
            j.open('{');
            j.key("before");
            j.map(row.before);
            j.key("count");
            j.scalar(row.count);
            j.key("identity");
            j.scalar(row.identity);
            j.close('}');
        }
        j.close(']');
    }
    j.key("table");
    j.scalar(step.table);
    j.close('}');
    return j.take();
}

// The columns an apply changes, and so the only ones an undo step may name.
const QStringList kChangedColumns = {QStringLiteral("Description"),  QStringLiteral("Package"),
                                     QStringLiteral("Amount"),       QStringLiteral("PF"),
                                     QStringLiteral("MedRoomBoard"), QStringLiteral("MedDrugs"),
                                     QStringLiteral("MedOthers"),    QStringLiteral("MedOR")};

bool namesChangedColumns(const QVariantMap& values)
{
    return !values.isEmpty() && std::all_of(values.keyBegin(), values.keyEnd(),
                                            [](const QString& c) { return kChangedColumns.contains(c); });
}

[[noreturn]] void damaged(const QString& path, const QString& what)
{
    throw Error(QStringLiteral("The undo file \"%1\" cannot be used: %2. Nothing was changed.")
                    .arg(QDir::toNativeSeparators(path), what));
}

// JSON null back as a null QVariant, as the row gave it.
QVariantMap values(const QJsonObject& o)
{
    QVariantMap map;
    for (auto it = o.begin(); it != o.end(); ++it)
        map.insert(it.key(), it.value().isNull() ? QVariant() : it.value().toVariant());
    return map;
}

UndoStep stepFrom(const QJsonObject& o, const QString& path, int lineNumber, int version)
{
    UndoStep step;
    const QString action = o.value(QLatin1String("action")).toString();
    if (action != QLatin1String("restore") && action != QLatin1String("remove"))
        damaged(path, QStringLiteral("line %1 names no action").arg(lineNumber));
    step.action = action == QLatin1String("remove") ? UndoStep::Action::Remove : UndoStep::Action::Restore;
    step.table = o.value(QLatin1String("table")).toString();
    step.keyColumn = o.value(QLatin1String("keyColumn")).toString();
    step.key = o.value(QLatin1String("key")).toString();
    step.packageId = o.value(QLatin1String("packageId")).toString();
    step.before = values(o.value(QLatin1String("before")).toObject());
    step.after = values(o.value(QLatin1String("after")).toObject());
    // A case rate's code may be empty (a list's group header taken for a code); its package
    // then names the row.
    if (!knownRow(step) || (step.key.isEmpty() && step.packageId.isEmpty()))
        damaged(path, QStringLiteral("line %1 names no row the apply changes").arg(lineNumber));
    if (step.action == UndoStep::Action::Restore && step.before.isEmpty())
        damaged(path, QStringLiteral("line %1 has no values to put back").arg(lineNumber));
    // What the apply left is what the undo checks before it changes a row: a step without it
    // would put back or remove a row whatever it holds.
    if (!namesChangedColumns(step.after) ||
        (step.action == UndoStep::Action::Restore &&
         QStringList(step.before.keys()) != QStringList(step.after.keys())))
        damaged(path, QStringLiteral("line %1 does not say what the apply left in the row").arg(lineNumber));
    const QJsonArray rows = o.value(QLatin1String("rows")).toArray();
    for (const auto& v : rows) {
        const QJsonObject row = v.toObject();
        const QJsonValue identity = row.value(QLatin1String("identity"));
        RowImage image{identity.isNull() ? QVariant() : identity.toVariant(),
                       values(row.value(QLatin1String("before")).toObject()),
                       row.value(QLatin1String("count")).toInt()};
        if (image.count < 1 || QStringList(image.before.keys()) != QStringList(step.after.keys()))
            damaged(path, QStringLiteral("line %1 has a row without its values").arg(lineNumber));
        step.rows.push_back(std::move(image));
    }
    if (step.action == UndoStep::Action::Restore && !identityColumn(step).isEmpty() && step.rows.empty() &&
        version > 1)
        damaged(path, QStringLiteral("line %1 has no rows to put back").arg(lineNumber));
    return step;
}

} // namespace

QString identityColumn(const UndoStep& step)
{
    if (step.table == QLatin1String("tbICDdiagMain"))
        return {};
    return step.keyColumn == QLatin1String("PackageID") ? QStringLiteral("Package")
                                                        : QStringLiteral("PackageID");
}

QString undoFileDigest(const QByteArray& text)
{
    return QString::fromLatin1(Sha256::hash(text).toHex());
}

QString undoFileLogLine(const QString& runId, const QString& fileName, const QString& digest)
{
    return QStringLiteral("Apply %1: undo file \"%2\", SHA-256 %3").arg(runId, fileName, digest);
}

QString undoFileLogPattern(const QString& runId, const QString& digest)
{
    return QStringLiteral("Apply %1: undo file \"%\", SHA-256 %2").arg(runId, digest);
}

bool isPackageTable(const QString& table)
{
    if (!table.startsWith(QLatin1String("tbMedPackage")))
        return false;
    for (const QChar c : QStringView(table).mid(12)) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('_'))
            return false;
    }
    return true;
}

int UndoRecord::restoredRows() const
{
    return int(std::count_if(steps.begin(), steps.end(),
                             [](const UndoStep& s) { return s.action == UndoStep::Action::Restore; }));
}

int UndoRecord::removedRows() const
{
    return int(steps.size()) - restoredRows();
}

QByteArray undoFileText(const UndoRecord& record)
{
    QString sql;
    auto line = [&sql](const QString& text) { sql += text + QStringLiteral("\r\n"); };
    line(commentText(
        QStringLiteral("-- Undo of the apply of run %1 to %2").arg(record.runId, record.database)));
    line(commentText(QStringLiteral("-- Applied %1 by %2: %3")
                         .arg(record.appliedAt.toString(kTimeFormat), record.user, record.counts)));
    line(QStringLiteral("-- Puts back %1 rows and removes %2 rows, the last change first. orvex-cli undo")
             .arg(record.restoredRows())
             .arg(record.removedRows()));
    line(QStringLiteral(
        "-- checks first that every row still holds what the apply left; this script does not."));
    line(QStringLiteral("SET XACT_ABORT ON;"));
    line(QStringLiteral("BEGIN TRANSACTION;"));
    for (auto it = record.steps.crbegin(); it != record.steps.crend(); ++it)
        line(statement(*it));
    line(QStringLiteral("COMMIT TRANSACTION;"));
    line(QString());
    line(QStringLiteral("-- The same steps as data, read by orvex-cli undo:"));

    QByteArray text = QByteArray("\xEF\xBB\xBF") + sql.toUtf8();
    text += dataLine(QJsonObject{{"undo", record.version},
                                 {"runId", record.runId},
                                 {"database", record.database},
                                 {"user", record.user},
                                 {"appliedAt", record.appliedAt.toString(Qt::ISODate)},
                                 {"counts", record.counts}});
    for (const UndoStep& step : record.steps)
        text += dataLine(stepJson(step));
    if (record.version > 1)
        text += dataLine(QJsonObject{{"end", int(record.steps.size())}});
    return text;
}

UndoRecord readUndoFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(Error::Kind::File, QStringLiteral("The undo file \"%1\" could not be read (%2).")
                                           .arg(QDir::toNativeSeparators(path), file.errorString()));
    UndoRecord record;
    bool header = false;
    bool ended = false;
    int lineNumber = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        ++lineNumber;
        if (!line.startsWith(kDataPrefix))
            continue;
        QJsonParseError error;
        const QJsonDocument doc =
            QJsonDocument::fromJson(line.mid(qsizetype(sizeof kDataPrefix) - 1), &error);
        if (!doc.isObject())
            damaged(path,
                    QStringLiteral("line %1 is not readable (%2)").arg(lineNumber).arg(error.errorString()));
        const QJsonObject o = doc.object();
        if (ended)
            damaged(path, QStringLiteral("line %1 follows the end of the undo data").arg(lineNumber));
        if (!header) {
            record.version = o.value(QLatin1String("undo")).toInt();
            if (record.version != 1 && record.version != 2)
                damaged(path, QStringLiteral("line %1 is not the start of undo data").arg(lineNumber));
            record.runId = o.value(QLatin1String("runId")).toString();
            if (!review::isRunId(record.runId))
                damaged(path, QStringLiteral("line %1 names no run").arg(lineNumber));
            record.database = o.value(QLatin1String("database")).toString();
            record.user = o.value(QLatin1String("user")).toString();
            record.appliedAt =
                QDateTime::fromString(o.value(QLatin1String("appliedAt")).toString(), Qt::ISODate);
            record.counts = o.value(QLatin1String("counts")).toString();
            header = true;
            continue;
        }
        if (record.version > 1 && o.contains(QLatin1String("end"))) {
            if (o.value(QLatin1String("end")).toInt(-1) != int(record.steps.size()))
                damaged(path, QStringLiteral("its closing line counts %1 steps, the file holds %2")
                                  .arg(o.value(QLatin1String("end")).toInt(-1))
                                  .arg(record.steps.size()));
            ended = true;
            continue;
        }
        record.steps.push_back(stepFrom(o, path, lineNumber, record.version));
    }
    if (!header)
        damaged(path, QStringLiteral("it holds no undo data"));
    if (record.version > 1 && !ended)
        damaged(path, QStringLiteral("it ends before its closing line, so steps may be missing"));
    return record;
}

QString newUndoFilePath(const QString& outputFolder, const QDateTime& when)
{
    const QDir dir(outputFolder);
    const QString base = QStringLiteral("undo ") + when.toString(QStringLiteral("yyyy-MM-dd HHmmss"));
    QString path = dir.filePath(base + QStringLiteral(".sql"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(QStringLiteral("%1 (%2).sql").arg(base).arg(n));
    return path;
}

QString undoneMarkerPath(const QString& undoFile)
{
    const QFileInfo info(undoFile);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".done"));
}

} // namespace orvex::apply
