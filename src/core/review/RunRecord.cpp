#include "review/RunRecord.h"

#include "Error.h"
#include "platform/OutputFile.h"
#include "platform/Sha256.h"
#include "platform/SystemText.h"
#include "review/ChangeClass.h"
#include "text/JsonText.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>

namespace orvex::review {

using jobs::Finding;

namespace {
struct KindName
{
    Finding::Kind kind;
    const char* name;
};
constexpr KindName kKinds[] = {
    {Finding::Kind::NewRow, "new-row"},
    {Finding::Kind::SameRow, "same-row"},
    {Finding::Kind::ChangedValues, "changed-values"},
    {Finding::Kind::ZeroAmount, "zero-amount"},
    {Finding::Kind::DuplicateRow, "duplicate-row"},
    {Finding::Kind::ReplacementValues, "replacement-values"},
};

QString kindName(Finding::Kind kind)
{
    for (const KindName& k : kKinds)
        if (k.kind == kind)
            return QLatin1String(k.name);
    return {};
}

const QString kDateFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

[[noreturn]] void damaged(const QString& path, const QString& what)
{
    throw Error(
        QStringLiteral("The run record \"%1\" is damaged (%2). Run the update again to write a new one.")
            .arg(QDir::toNativeSeparators(path), what));
}

QString text(const QJsonObject& o, const char* key, const QString& path)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (!v.isString())
        damaged(path, QStringLiteral("\"%1\" is missing or not a text").arg(QLatin1String(key)));
    return v.toString();
}

jobs::Values values(const QJsonObject& o, const char* key, const QString& path)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (!v.isObject())
        damaged(path, QStringLiteral("\"%1\" is missing or not an object").arg(QLatin1String(key)));
    jobs::Values map;
    const QJsonObject values = v.toObject();
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (!it.value().isString())
            damaged(path, QStringLiteral("the value of \"%1\" is not a text").arg(it.key()));
        map.insert(it.key(), it.value().toString());
    }
    return map;
}

RunCompleteness completeness(const QJsonObject& o, const QString& path)
{
    RunCompleteness c;
    const QString name = text(o, "completion", path);
    const auto known = {RunCompletion::Complete, RunCompletion::Stopped, RunCompletion::Incomplete};
    const auto found =
        std::find_if(known.begin(), known.end(), [&](RunCompletion k) { return completionName(k) == name; });
    if (found == known.end())
        damaged(path, QStringLiteral("unknown completion \"%1\"").arg(name));
    c.completion = *found;
    const QJsonValue notRead = o.value(QLatin1String("notRead"));
    if (!notRead.isArray())
        damaged(path, QStringLiteral("\"notRead\" is missing or not a list"));
    const QJsonArray notReadItems = notRead.toArray();
    for (const auto& v : notReadItems) {
        if (!v.isString())
            damaged(path, QStringLiteral("an item of \"notRead\" is not a text"));
        c.notRead << v.toString();
    }
    return c;
}
} // namespace

QString completionName(RunCompletion completion)
{
    switch (completion) {
    case RunCompletion::Complete:
        return QStringLiteral("complete");
    case RunCompletion::Stopped:
        return QStringLiteral("stopped");
    case RunCompletion::Incomplete:
        return QStringLiteral("incomplete");
    }
    return {};
}

void RunCompleteness::add(RunCompletion why, const QString& what)
{
    completion = std::max(completion, why);
    notRead << what;
}

namespace {
QString notReadList(const RunCompleteness& c)
{
    return QStringLiteral("Not read:\n- ") + c.notRead.join(QStringLiteral("\n- "));
}
} // namespace

QString notCompleteMessage(const RunCompleteness& c, const QString& files)
{
    if (c.completion == RunCompletion::Stopped)
        return QStringLiteral("Stopped before the end: %1 hold only the lines read before the stop, and "
                              "\"Apply to database…\" asks before it applies a stopped run.\n\n%2")
            .arg(files, notReadList(c));
    return QStringLiteral("Not done: the run is incomplete, and \"Apply to database…\" refuses it. %1 "
                          "hold only the lines read; mend what is named below and run it again.\n\n%2")
        .arg(files, notReadList(c));
}

QStringList notReadLogLines(const RunCompleteness& c)
{
    if (c.isComplete())
        return {};
    QStringList lines = {c.completion == RunCompletion::Stopped
                             ? QStringLiteral("*** The run was stopped before its end; these were not read:")
                             : QStringLiteral("*** The run is incomplete; these were not read:")};
    for (const QString& item : c.notRead)
        lines << QStringLiteral("***   ") + item;
    return lines;
}

bool isRunKind(const QString& kind)
{
    for (const char16_t* k : {kUpdateRun, kScanRun, kPhScanRun, kPackageRatesRun})
        if (kind == QStringView(k))
            return true;
    return false;
}

QString runKindTitle(const QString& kind)
{
    if (kind == QStringView(kUpdateRun))
        return QStringLiteral("update run");
    if (kind == QStringView(kScanRun))
        return QStringLiteral("ICD scan");
    if (kind == QStringView(kPhScanRun))
        return QStringLiteral("PH scan");
    if (kind == QStringView(kPackageRatesRun))
        return QStringLiteral("package rate script");
    return kind;
}

void removeRunRecord(const QString& outputFolder)
{
    QFile::remove(QDir(outputFolder).filePath(QString::fromUtf16(kRunRecordName)));
}

QString newRunId(const QDateTime& when)
{
    return when.toString(QStringLiteral("yyyyMMdd-HHmmss-")) +
           QStringLiteral("%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

bool isRunId(const QString& id)
{
    static const QRegularExpression form(QStringLiteral("^[0-9]{8}-[0-9]{6}-[0-9a-f]{8}$"));
    return form.match(id).hasMatch();
}

RunRecord newRunRecord(const QString& kind, const QDateTime& when, const QString& user,
                       const QString& database)
{
    RunRecord record;
    record.runId = newRunId(when);
    record.kind = kind;
    record.when = when;
    record.user = user;
    record.database = database;
    return record;
}

namespace {

using text::appendJsonString;

void appendMember(QByteArray& out, const char* indent, const char* name)
{
    out += indent;
    out += '"';
    out += name;
    out += "\": ";
}

void appendValues(QByteArray& out, const jobs::Values& values)
{
    out += "{\n";
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (it != values.cbegin())
            out += ",\n";
        out += "        ";
        appendJsonString(out, it.key());
        out += ": ";
        appendJsonString(out, it.value());
    }
    out += values.isEmpty() ? "    }" : "\n    }";
}

// The members in QJsonObject's order (sorted by name), laid out as QJsonDocument::Indented
// lays out an object of its own: written by hand, as a QJsonObject per change costs more
// than the rest of a scan's line.
void appendChangeJson(QByteArray& out, const Finding& f)
{
    const std::optional<review::ChangeClass> c = review::classOf(f);
    out += "{\n";
    appendMember(out, "    ", "class");
    appendJsonString(out, c ? review::className(*c) : QString());
    out += ",\n";
    appendMember(out, "    ", "code");
    appendJsonString(out, f.code);
    out += ",\n";
    // As the user reads paths, like every other path of the run.
    appendMember(out, "    ", "file");
    appendJsonString(out, QDir::toNativeSeparators(f.sourceFile));
    out += ",\n";
    appendMember(out, "    ", "key");
    appendJsonString(out, f.key);
    out += ",\n";
    appendMember(out, "    ", "keyColumn");
    appendJsonString(out, f.keyColumn.text());
    out += ",\n";
    appendMember(out, "    ", "kind");
    appendJsonString(out, kindName(f.kind));
    out += ",\n";
    appendMember(out, "    ", "line");
    out += QByteArray::number(f.sourceLine);
    out += ",\n";
    appendMember(out, "    ", "proposed");
    appendValues(out, f.proposed);
    out += ",\n";
    appendMember(out, "    ", "read");
    appendValues(out, f.read);
    out += ",\n";
    appendMember(out, "    ", "table");
    appendJsonString(out, f.table.text());
    out += "\n}";
}

// Written a change at a time: a run over whole lists records tens of thousands of changes,
// and one document of them all costs several times the file's size in memory and time.
bool writeRunRecordTo(const RunRecord& record, QIODevice& out, Sha256* digest = nullptr)
{
    const auto send = [&](const QByteArray& bytes) {
        if (digest)
            digest->addData(bytes);
        return out.write(bytes) == bytes.size();
    };
    const QJsonObject head{{"run", record.runId},
                           {"kind", record.kind},
                           {"date", record.when.toString(kDateFormat)},
                           {"user", record.user},
                           {"database", record.database},
                           {"verB", record.verB},
                           {"updateDescriptions", record.updateDescriptions},
                           {"testSuffix", record.testSuffix},
                           {"params", record.params},
                           {"completion", completionName(record.completeness.completion)},
                           {"notRead", QJsonArray::fromStringList(record.completeness.notRead)}};
    QByteArray text = QJsonDocument(head).toJson(QJsonDocument::Indented);
    text.chop(3); // "\n}\n": the changes follow as the object's last member
    text += ",\n    \"changes\": [\n";
    for (size_t i = 0; i < record.changes.size(); ++i) {
        appendChangeJson(text, record.changes[i]);
        text += i + 1 < record.changes.size() ? ",\n" : "\n";
        if (text.size() > (1 << 16)) {
            if (!send(text))
                return false;
            text.resize(0); // keeps its room for the next changes
        }
    }
    text += "    ]\n}\n";
    return send(text);
}

} // namespace

QByteArray runRecordJson(const RunRecord& record)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writeRunRecordTo(record, buffer);
    return buffer.data();
}

QString runRecordDigest(const QByteArray& bytes)
{
    return QString::fromLatin1(Sha256::hash(bytes).toHex());
}

QString writeRunRecord(const RunRecord& record, const QString& outputFolder)
{
    Sha256 digest;
    const QString path = QDir(outputFolder).filePath(QString::fromUtf16(kRunRecordName));
    refuseLinkedFile(path);
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && writeRunRecordTo(record, file, &digest) && file.commit())
        return QString::fromLatin1(digest.result().toHex());
    throw Error(Error::Kind::File,
                QStringLiteral("Cannot write the run record \"%1\": %2.")
                    .arg(QDir::toNativeSeparators(path), systemReason(file.errorString())));
}

RunRecord readRunRecord(const QString& path, QString* digest)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(Error::Kind::File,
                    QStringLiteral("Cannot read the run record \"%1\": %2. Run the update first.")
                        .arg(QDir::toNativeSeparators(path), systemReason(file.errorString())));
    const QByteArray bytes = file.readAll();
    if (digest)
        *digest = runRecordDigest(bytes);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        damaged(path, error.errorString() + QStringLiteral(" at byte ") + QString::number(error.offset));
    if (!doc.isObject())
        damaged(path, QStringLiteral("not a JSON object"));
    const QJsonObject o = doc.object();

    RunRecord record;
    record.runId = text(o, "run", path);
    if (!isRunId(record.runId))
        damaged(path, QStringLiteral("the run id %1 is not one a run writes").arg(record.runId));
    record.kind = text(o, "kind", path);
    record.when = QDateTime::fromString(text(o, "date", path), kDateFormat);
    if (!record.when.isValid())
        damaged(path, QStringLiteral("the date is not a date"));
    record.user = text(o, "user", path);
    record.database = text(o, "database", path);
    record.verB = o.value(QLatin1String("verB")).toBool();
    record.updateDescriptions = o.value(QLatin1String("updateDescriptions")).toBool();
    record.testSuffix = text(o, "testSuffix", path);
    // The suffix names the tables an apply writes.
    static const QRegularExpression suffix(QStringLiteral("^[A-Za-z0-9_]{0,100}$"));
    if (!suffix.match(record.testSuffix).hasMatch())
        damaged(path, QStringLiteral("the test copies' suffix %1 is no table suffix").arg(record.testSuffix));
    const QJsonValue params = o.value(QLatin1String("params"));
    if (!params.isUndefined() && !params.isObject())
        damaged(path, QStringLiteral("\"params\" is not an object"));
    record.params = params.toObject();
    record.completeness = completeness(o, path);
    const QJsonValue changes = o.value(QLatin1String("changes"));
    if (!changes.isArray())
        damaged(path, QStringLiteral("\"changes\" is missing or not a list"));
    const QJsonArray changeList = changes.toArray();
    for (const auto& v : changeList) {
        const QJsonObject c = v.toObject();
        Finding f;
        const QString kind = text(c, "kind", path);
        const auto known = std::find_if(std::begin(kKinds), std::end(kKinds),
                                        [&](const KindName& k) { return kind == QLatin1String(k.name); });
        if (known == std::end(kKinds))
            damaged(path, QStringLiteral("unknown kind of change \"%1\"").arg(kind));
        f.kind = known->kind;
        f.table = text(c, "table", path);
        f.keyColumn = text(c, "keyColumn", path);
        f.key = text(c, "key", path);
        f.read = values(c, "read", path);
        f.proposed = values(c, "proposed", path);
        f.code = text(c, "code", path);
        f.sourceFile = QDir::fromNativeSeparators(text(c, "file", path));
        f.sourceLine = c.value(QLatin1String("line")).toInt();
        record.changes.push_back(std::move(f));
    }
    return record;
}

} // namespace orvex::review
