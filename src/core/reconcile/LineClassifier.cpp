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
    return pair(trimmedBlanks(code), trimmedBlanks(description));
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

// The tables' and key columns' names, made once and shared by every finding: a scan over a
// whole list makes hundreds of thousands of them.
struct SharedNames
{
    jobs::SharedName icdTable = QString::fromUtf16(review::kIcdTable);
    jobs::SharedName caseRateTable = QString::fromUtf16(review::kScanCaseRateTable);
    jobs::SharedName packageTable = QString::fromUtf16(review::kScanPackageTable);
    jobs::SharedName code = QStringLiteral("CODE");
    jobs::SharedName icdCode = QStringLiteral("ICDCode");
    jobs::SharedName package = QStringLiteral("Package");
    jobs::SharedName packageId = QStringLiteral("PackageID");
};

const SharedNames& names()
{
    static const SharedNames all;
    return all;
}

// A package as a line of its group lists it.
jobs::Values packageValues(const QString& group, const ratelist::ScanLine& line)
{
    return {{QStringLiteral("Package"), group},
            {QStringLiteral("Amount"), line.amount},
            {QStringLiteral("PF"), line.pf},
            {QStringLiteral("MedRoomBoard"), line.hci}};
}
} // namespace

jobs::Finding LineClassifier::finding(jobs::Finding::Kind kind, const jobs::SharedName& table,
                                      const jobs::SharedName& keyColumn, const QString& key,
                                      const QString& code) const
{
    jobs::Finding f;
    f.kind = kind;
    f.table = table;
    f.keyColumn = keyColumn;
    f.key = key;
    f.code = code;
    f.sourceLine = m_state.lineNumber;
    f.sourceFile = m_state.sourceFile;
    return f;
}

void LineClassifier::keep(jobs::Finding finding)
{
    if (finding.kind != jobs::Finding::Kind::SameRow && m_state.keepRows)
        m_state.changes.push_back(finding);
    m_state.net.add(std::move(finding));
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
    // The PH scan asks only whether the code is known: it never compares its description.
    const std::optional<IcdRow> byCode = m_phMode ? std::nullopt : m_lookups.icdByCode(code);
    const bool known = m_phMode ? m_lookups.icdCodeKnown(code) : byCode.has_value();
    if (!known) {
        if (const std::optional<IcdRow> byDescription = m_lookups.icdByDescription(description)) {
            m_state.addRow(ResultList::SameDescriptionDifferentCode, [&] {
                return ResultRow{pair(listText(byDescription->code), listText(byDescription->description)),
                                 pair(code, description)};
            });
            m_state.counters.sameDescriptionDifferentCode =
                m_state.rowCount(ResultList::SameDescriptionDifferentCode);
            m_writer.sameDescription(*byDescription, code, description);
        } else {
            m_state.addRow(ResultList::NewCode, [&] {
                return ResultRow{pair(code, description), QString()};
            });
            m_state.counters.newCode = m_state.rowCount(ResultList::NewCode);
            m_writer.newCode(code, description);
            const QString trimmedCode = trimmedBlanks(code);
            jobs::Finding f = finding(jobs::Finding::Kind::NewRow, names().icdTable, names().code,
                                      trimmedCode, trimmedCode);
            f.proposed = {{QStringLiteral("Description"), trimmedBlanks(description)}};
            keep(std::move(f));
        }
        return;
    }
    if (m_phMode)
        return;
    const auto row = [&] {
        return ResultRow{pair(listText(byCode->code), listText(byCode->description)),
                         trimmedPair(code, description)};
    };
    jobs::Finding f = finding(jobs::Finding::Kind::SameRow, names().icdTable, names().code, code, code);
    f.proposed = {{QStringLiteral("Description"), description}};
    if (sameText(byCode->description, description)) {
        m_state.addRow(ResultList::SameCodeAndDescription, row);
        m_state.counters.sameCodeAndDescription = m_state.rowCount(ResultList::SameCodeAndDescription);
    } else {
        m_state.addRow(ResultList::SameCodeDifferentDescription, row);
        m_state.counters.sameCodeDifferentDescription =
            m_state.rowCount(ResultList::SameCodeDifferentDescription);
        m_writer.sameCode(*byCode, code, description);
        f.kind = jobs::Finding::Kind::ChangedValues;
        f.read = {{QStringLiteral("Description"), listText(byCode->description)}};
    }
    keep(std::move(f));
}

void LineClassifier::classifyCaseRate(const ratelist::ScanLine& line)
{
    const std::optional<CaseRateRow> caseRate = m_lookups.caseRateByCode(line.code);
    if (!caseRate) {
        const std::optional<QString> packageId = packageStep(line);
        m_state.addRow(ResultList::PhNewCode, [&] {
            return ResultRow{pair(line.code, line.description), QString()};
        });
        m_state.counters.phNewCode = m_state.rowCount(ResultList::PhNewCode);
        m_writer.caseRateInsert(line.code, line.description, m_state.groupName, packageId);
        const QString trimmedCode = trimmedBlanks(line.code);
        jobs::Finding f = finding(jobs::Finding::Kind::NewRow, names().caseRateTable, names().icdCode,
                                  trimmedCode, trimmedCode);
        f.proposed = {{QStringLiteral("Description"), trimmedBlanks(line.description)},
                      {QStringLiteral("CaseType"), m_state.groupName},
                      {QStringLiteral("PackageID"), packageId.value_or(QString())}};
        keep(std::move(f));
        return;
    }
    jobs::Finding f =
        finding(jobs::Finding::Kind::SameRow, names().caseRateTable, names().icdCode, line.code, line.code);
    f.proposed = {{QStringLiteral("Description"), line.description}};
    if (sameText(caseRate->description, line.description)) {
        ++m_state.counters.phSameDescription;
        keep(std::move(f));
        return;
    }
    ++m_state.counters.phSameCodeDifferentDescription;
    m_state.addRow(ResultList::PhSameCodeDifferentDescription, [&] {
        return ResultRow{pair(line.code, listText(caseRate->description)),
                         trimmedPair(line.code, line.description)};
    });
    m_writer.caseRateDescriptionUpdate(caseRate->description, line.code, line.description);
    f.kind = jobs::Finding::Kind::ChangedValues;
    f.read = {{QStringLiteral("Description"), listText(caseRate->description)}};
    keep(std::move(f));
}

std::optional<QString> LineClassifier::packageStep(const ratelist::ScanLine& line)
{
    const QString& group = m_state.groupName;
    const std::optional<PackageRow> package = m_lookups.packageByName(group);
    if (!package) {
        jobs::Finding f =
            finding(jobs::Finding::Kind::NewRow, names().packageTable, names().package, group, line.code);
        f.proposed = packageValues(group, line);
        // One INSERT per group and run: a second one would create a duplicate package
        // and make every later sub-select by name return more than one value.
        if (!m_state.packagesInserted.contains(db::ciAsKey(group))) {
            m_state.packagesInserted.insert(db::ciAsKey(group));
            m_writer.packageInsert(group, line.amount, line.pf, line.hci);
            keep(std::move(f));
        } else {
            // The script gives the new package the first line's amounts; for the apply the
            // group's last line holds, as it does for a package that exists, so that the
            // next run finds the package as listed.
            m_state.net.add(std::move(f));
        }
        return std::nullopt;
    }
    m_state.packageId = listText(package->packageId);
    jobs::Finding f = finding(jobs::Finding::Kind::SameRow, names().packageTable, names().packageId,
                              m_state.packageId, line.code);
    f.proposed = packageValues(group, line);
    if (amountDiffers(package->amount, line.amount) || amountDiffers(package->pf, line.pf) ||
        amountDiffers(package->medRoomBoard, line.hci)) {
        m_writer.packageUpdate(line.amount, line.pf, line.hci, m_state.packageId);
        f.kind = jobs::Finding::Kind::ChangedValues;
        f.read = {{QStringLiteral("Amount"), listText(package->amount)},
                  {QStringLiteral("PF"), listText(package->pf)},
                  {QStringLiteral("MedRoomBoard"), listText(package->medRoomBoard)}};
    }
    keep(std::move(f));
    return m_state.packageId;
}

} // namespace orvex::reconcile
