#include "reconcile/LineClassifier.h"

#include "db/CiAsCollation.h"
#include "ratelist/RateLine.h"
#include "review/ChangeClass.h"
#include "text/Blanks.h"
#include "text/Numbers.h"

namespace orvex::reconcile {

namespace {

// List texts join stored values as the window did: a NULL adds nothing.
QString listText(const QVariant& value)
{
    return value.isNull() ? QString() : value.toString();
}

QString pair(const QString& code, const QString& description)
{
    return code + QStringLiteral(" - ") + description;
}

QString trimmedPair(const QString& code, const QString& description)
{
    return pair(trimBlanks(code).toString(), trimBlanks(description).toString());
}

// The stored description is compared exactly: case matters, nothing is trimmed, and
// NULL never equals.
bool sameText(const QVariant& stored, const QString& description)
{
    return !stored.isNull() && stored.toString() == description;
}

// Both sides of an amount pair are read with the one number rule; the line's value is
// rounded to two decimals first. Empty, malformed and NULL values read 0.
bool amountDiffers(const QVariant& stored, const QString& source)
{
    const double storedValue = stored.isNull() ? 0.0 : numbers::leadingNumber(stored.toString());
    const double sourceValue = numbers::roundTo2(numbers::leadingNumber(source));
    return storedValue != sourceValue;
}
} // namespace

void ScanState::addRow(ResultList list, ResultRow row)
{
    rowsOfLine.emplace_back(list, row);
    lists[int(list)].push_back(std::move(row));
}

jobs::Finding& LineClassifier::addChange(jobs::Finding::Kind kind, const char16_t* table,
                                         const char* keyColumn, const QString& key, const QString& code)
{
    jobs::Finding& f = m_state.changes.emplace_back();
    f.kind = kind;
    f.table = QString::fromUtf16(table);
    f.keyColumn = QLatin1String(keyColumn);
    f.key = key;
    f.code = code;
    f.sourceLine = m_state.lineNumber;
    f.sourceFile = m_state.sourceFile;
    return f;
}

void LineClassifier::classify(const ratelist::ScanLine& line)
{
    classifyIcd(line);
    if (m_phMode)
        classifyCaseRate(line);
}

void LineClassifier::classifyIcd(const ratelist::ScanLine& line)
{
    const QString& code = line.code;
    const QString& description = line.description;
    const std::optional<IcdRow> byCode = m_lookups.icdByCode(code);
    if (!byCode) {
        if (const std::optional<IcdRow> byDescription = m_lookups.icdByDescription(description)) {
            m_state.addRow(ResultList::SameDescDifCode,
                           {pair(listText(byDescription->code), listText(byDescription->description)),
                            pair(code, description)});
            m_state.counters.lblDifCode = m_state.rowCount(ResultList::SameDescDifCode);
            m_writer.sameDescription(*byDescription, code, description);
        } else {
            m_state.addRow(ResultList::NewCode, {pair(code, description), QString()});
            m_state.counters.lblnew = m_state.rowCount(ResultList::NewCode);
            m_writer.newCode(code, description);
            const QString trimmedCode = trimBlanks(code).toString();
            addChange(jobs::Finding::Kind::NewRow, review::kIcdTable, "CODE", trimmedCode, trimmedCode)
                .proposed = {{QStringLiteral("Description"), trimBlanks(description).toString()}};
        }
        return;
    }
    if (m_phMode)
        return; // the PH scan never compares descriptions of known codes
    const ResultRow row{pair(listText(byCode->code), listText(byCode->description)),
                        trimmedPair(code, description)};
    if (sameText(byCode->description, description)) {
        m_state.addRow(ResultList::SameCodeDescription, row);
        m_state.counters.lblsame = m_state.rowCount(ResultList::SameCodeDescription);
    } else {
        m_state.addRow(ResultList::SameCodeDifDesc, row);
        m_state.counters.lblDifDesc = m_state.rowCount(ResultList::SameCodeDifDesc);
        m_writer.sameCode(*byCode, code, description);
        jobs::Finding& f =
            addChange(jobs::Finding::Kind::ChangedValues, review::kIcdTable, "CODE", code, code);
        f.read = {{QStringLiteral("Description"), listText(byCode->description)}};
        f.proposed = {{QStringLiteral("Description"), description}};
    }
}

void LineClassifier::classifyCaseRate(const ratelist::ScanLine& line)
{
    const std::optional<CaseRateRow> caseRate = m_lookups.caseRateByCode(line.code);
    if (!caseRate) {
        const std::optional<QString> packageId = packageStep(line);
        m_state.addRow(ResultList::NewCodePH, {pair(line.code, line.description), QString()});
        m_state.counters.lblNewPH = m_state.rowCount(ResultList::NewCodePH);
        m_writer.caseRateInsert(line.code, line.description, m_state.groupName, packageId);
        const QString trimmedCode = trimBlanks(line.code).toString();
        addChange(jobs::Finding::Kind::NewRow, review::kScanCaseRateTable, "ICDCode", trimmedCode,
                  trimmedCode)
            .proposed = {{QStringLiteral("Description"), trimBlanks(line.description).toString()},
                         {QStringLiteral("CaseType"), m_state.groupName},
                         {QStringLiteral("PackageID"), packageId.value_or(QString())}};
        return;
    }
    if (sameText(caseRate->description, line.description)) {
        ++m_state.counters.lblsamePH;
        return;
    }
    ++m_state.counters.lblDifDescPH;
    m_state.addRow(ResultList::SameCodeDifDescPH, {pair(line.code, listText(caseRate->description)),
                                                   trimmedPair(line.code, line.description)});
    m_writer.caseRateDescriptionUpdate(caseRate->description, line.code, line.description);
    jobs::Finding& f = addChange(jobs::Finding::Kind::ChangedValues, review::kScanCaseRateTable, "ICDCode",
                                 line.code, line.code);
    f.read = {{QStringLiteral("Description"), listText(caseRate->description)}};
    f.proposed = {{QStringLiteral("Description"), line.description}};
}

std::optional<QString> LineClassifier::packageStep(const ratelist::ScanLine& line)
{
    const QString& group = m_state.groupName;
    const std::optional<PackageRow> package = m_lookups.packageByName(group);
    if (!package) {
        // One INSERT per group and run: a second one would create a duplicate package
        // and make every later sub-select by name return more than one value.
        if (!m_state.packagesInserted.contains(db::ciAsKey(group))) {
            m_state.packagesInserted.insert(db::ciAsKey(group));
            m_writer.packageInsert(group, line.amount, line.pf, line.hci);
            addChange(jobs::Finding::Kind::NewRow, review::kScanPackageTable, "Package", group, line.code)
                .proposed = {{QStringLiteral("Package"), group},
                             {QStringLiteral("Amount"), line.amount},
                             {QStringLiteral("PF"), line.pf},
                             {QStringLiteral("MedRoomBoard"), line.hci}};
        }
        return std::nullopt;
    }
    m_state.packageId = listText(package->packageId);
    if (amountDiffers(package->amount, line.amount) || amountDiffers(package->pf, line.pf) ||
        amountDiffers(package->medRoomBoard, line.hci)) {
        m_writer.packageUpdate(line.amount, line.pf, line.hci, m_state.packageId);
        jobs::Finding& f = addChange(jobs::Finding::Kind::ChangedValues, review::kScanPackageTable,
                                     "PackageID", m_state.packageId, line.code);
        f.read = {{QStringLiteral("Amount"), listText(package->amount)},
                  {QStringLiteral("PF"), listText(package->pf)},
                  {QStringLiteral("MedRoomBoard"), listText(package->medRoomBoard)}};
        f.proposed = {{QStringLiteral("Package"), group},
                      {QStringLiteral("Amount"), line.amount},
                      {QStringLiteral("PF"), line.pf},
                      {QStringLiteral("MedRoomBoard"), line.hci}};
    }
    return m_state.packageId;
}

} // namespace orvex::reconcile
