#include "apply/TypedChanges.h"

#include "Error.h"
#include "apply/ApplyPreflight.h"
#include "apply/StoredRows.h"
#include "db/CiAsCollation.h"
#include "review/ChangeClass.h"
#include "text/Blanks.h"
#include "text/QuotedText.h"

#include <QDir>
#include <QSet>

#include <algorithm>
#include <span>

namespace orvex::apply {

using jobs::Finding;
using review::ChangeClass;
using namespace change;

namespace {

} // namespace

std::optional<ChangeClass> appliedClass(const review::RunRecord& record, const Finding& f)
{
    const std::optional<ChangeClass> c = review::classOf(f);
    if (!c)
        return std::nullopt;
    auto among = [&c](std::span<const ChangeClass> classes) {
        return std::find(classes.begin(), classes.end(), *c) != classes.end() ? c : std::nullopt;
    };
    if (record.is(review::kScanRun))
        return among(review::kIcdScanClasses);
    if (record.is(review::kPhScanRun))
        return among(review::kPhScanClasses);
    if (record.is(review::kPackageRatesRun))
        return among(review::kPackageRateClasses);
    switch (*c) {
    case ChangeClass::NewCode:
    case ChangeClass::RateChange:
        return c;
    case ChangeClass::DescriptionChange:
        return record.updateDescriptions ? c : std::nullopt;
    case ChangeClass::NewStyleRow:
    case ChangeClass::NewStyleRates:
        return record.verB ? c : std::nullopt;
    case ChangeClass::ZeroAmount:
    case ChangeClass::NewIcdCode:
    case ChangeClass::IcdDescriptionChange:
    case ChangeClass::NewPackage:
    case ChangeClass::NewCaseRate:
        return std::nullopt;
    }
    return std::nullopt;
}

namespace {

QString trimmed(const QString& s)
{
    return trimBlanks(s).toString();
}

QString findingWhere(const Finding& f)
{
    QString row = f.keyColumn->trimmed() + QLatin1Char(' ') + text::quotedForMessage(f.key);
    if (f.sourceLine == 0)
        return row;
    return row + QStringLiteral(" (line %1 of %2)")
                     .arg(f.sourceLine)
                     .arg(f.sourceFile.isEmpty() ? QStringLiteral("the list")
                                                 : QDir::toNativeSeparators(f.sourceFile));
}

// Reads a finding's values, gathering what cannot be read.
class Reader
{
public:
    Reader(const Finding& f, QStringList& invalid) : m_f(f), m_invalid(invalid) {}

    Amount listed(const char* column) const
    {
        const QString name = QLatin1String(column);
        const QString text = m_f.proposed.value(name);
        const std::optional<Amount> amount = Amount::fromText(text);
        if (!m_f.proposed.contains(name) || !amount) {
            m_invalid << QStringLiteral("%1 sets %2 to %3, which is not an amount")
                             .arg(findingWhere(m_f), name, text::quotedForMessage(text));
            return {};
        }
        return *amount;
    }
    Amount stored(const char* column) const
    {
        return Amount::asStored(m_f.read.value(QLatin1String(column)));
    }
    Rates listedRates() const { return {listed("Amount"), listed("PF"), listed("MedRoomBoard")}; }
    Rates storedRates() const { return {stored("Amount"), stored("PF"), stored("MedRoomBoard")}; }
    PackageAmounts listedAmounts() const
    {
        return {listed("Amount"),    listed("MedRoomBoard"), listed("MedDrugs"),
                listed("MedOthers"), listed("MedOR"),        listed("PF")};
    }
    PackageAmounts storedAmounts() const
    {
        return {stored("Amount"),    stored("MedRoomBoard"), stored("MedDrugs"),
                stored("MedOthers"), stored("MedOR"),        stored("PF")};
    }
    QString proposed(const char* column) const { return m_f.proposed.value(QLatin1String(column)); }
    QString read(const char* column) const { return m_f.read.value(QLatin1String(column)); }
    Origin origin() const { return {m_f.sourceFile, m_f.sourceLine, m_f.code}; }

    // The table a finding names as the scripts spell it, checked to be one the tool writes.
    TableRef table(const QString& scriptName) const
    {
        QString name = scriptName;
        for (const QString& prefix : {QStringLiteral("[Medicare].[dbo].["), QStringLiteral("dbo.")}) {
            if (name.startsWith(prefix)) {
                name = name.mid(prefix.size());
                break;
            }
        }
        if (name.endsWith(QLatin1Char(']')))
            name.chop(1);
        if (const std::optional<TableRef> ref = TableRef::fromName(name.trimmed()))
            return *ref;
        m_invalid << QStringLiteral("%1 names the table %2, which this tool does not write")
                         .arg(findingWhere(m_f), text::quotedForMessage(scriptName));
        return {};
    }

private:
    const Finding& m_f;
    QStringList& m_invalid;
};

TableRef caseRatesOf(const Finding& f, const QString& suffix)
{
    const bool procedures = f.table->contains(QLatin1String("tbMed_Procedures"), Qt::CaseInsensitive);
    return {procedures ? Table::Procedures : Table::MedicalCaseRates, suffix};
}

Change typed(const Finding& f, ChangeClass c, const review::RunRecord& record, QStringList& invalid)
{
    const Reader r(f, invalid);
    const QString& suffix = record.testSuffix;
    const TableRef packages{Table::Packages, suffix};
    switch (c) {
    case ChangeClass::NewIcdCode:
        return NewIcdCode{f.key, r.proposed("Description"), r.origin()};
    case ChangeClass::IcdDescriptionChange:
        return IcdDescriptionChange{f.key, r.read("Description"), r.proposed("Description"), r.origin()};
    case ChangeClass::NewPackage:
        return NewPackage{packages, r.proposed("Package"), r.listedRates(), r.origin()};
    case ChangeClass::NewCode:
        return NewCode{caseRatesOf(f, suffix),
                       packages,
                       trimmed(f.key),
                       trimmed(r.proposed("Description")),
                       r.listedRates(),
                       r.proposed("CaseType"),
                       r.origin()};
    case ChangeClass::NewCaseRate:
        return NewCaseRate{{Table::MedicalCaseRates, {}}, f.key,
                           r.proposed("Description"),     r.proposed("CaseType"),
                           r.proposed("PackageID"),       r.origin()};
    case ChangeClass::RateChange:
        // The package rate script raises all six amounts, in the table it addresses.
        if (f.proposed.contains(QStringLiteral("MedDrugs"))) {
            const TableRef table = r.table(f.table);
            if (table.table != Table::Packages)
                invalid << QStringLiteral("%1 names the table %2, which is no package table")
                               .arg(findingWhere(f), text::quotedForMessage(f.table));
            return PackageAmountsChange{table, f.key, r.storedAmounts(), r.listedAmounts()};
        }
        return PackageRatesChange{packages, f.key, r.storedRates(), r.listedRates(), r.origin()};
    case ChangeClass::DescriptionChange:
        return CaseRateDescriptionChange{caseRatesOf(f, suffix), f.key, r.read("Description"),
                                         r.proposed("Description"), r.origin()};
    case ChangeClass::NewStyleRow:
        return NewStyleRow{trimmed(f.key), trimmed(r.proposed("Package")), r.listedRates(), r.origin()};
    case ChangeClass::NewStyleRates:
        return NewStyleRates{f.key, r.listedRates(), r.origin()};
    case ChangeClass::ZeroAmount:
        break; // a note: appliedClass leaves it out
    }
    throw Error(QStringLiteral("%1 is a note, not a change").arg(findingWhere(f)));
}

} // namespace

Changes appliedChanges(const review::RunRecord& record)
{
    std::vector<std::pair<const Finding*, ChangeClass>> chosen;
    for (const Finding& f : record.changes) {
        if (const auto c = appliedClass(record, f))
            chosen.emplace_back(&f, *c);
    }
    std::stable_partition(chosen.begin(), chosen.end(),
                          [](const auto& change) { return change.second == ChangeClass::NewPackage; });
    QStringList invalid;
    Changes changes;
    changes.reserve(chosen.size());
    QSet<QString> rows;
    for (const auto& [f, c] : chosen) {
        Change change = typed(*f, c, record, invalid);
        // A new package and a new code each insert a row of their own, named by the group or code.
        const QString row = QString::number(change.index()) + QLatin1Char('\n') +
                            targetTable(change).name().toLower() + QLatin1Char('\n') +
                            db::ciAsKey(targetKey(change));
        if (rows.contains(row))
            invalid << QStringLiteral("%1 is listed twice").arg(where(change));
        rows.insert(row);
        changes.push_back(std::move(change));
    }
    if (!invalid.isEmpty()) {
        ChangedRows named;
        for (const QString& i : invalid)
            named.add(i);
        throw Error(refusal(record) +
                    QStringLiteral("the run record holds %1 changes no run writes:\n").arg(named.count()) +
                    named.text() + QLatin1Char('\n') + runAgain(record));
    }
    return changes;
}

TableRef targetTable(const Change& change)
{
    return std::visit(Overloaded{
                          [](const NewIcdCode&) {
                              return TableRef{Table::IcdDiagMain, {}};
                          },
                          [](const IcdDescriptionChange&) {
                              return TableRef{Table::IcdDiagMain, {}};
                          },
                          [](const NewPackage& c) { return c.packages; },
                          [](const NewCode& c) { return c.caseRates; },
                          [](const NewCaseRate& c) { return c.caseRates; },
                          [](const PackageRatesChange& c) { return c.packages; },
                          [](const PackageAmountsChange& c) { return c.packages; },
                          [](const CaseRateDescriptionChange& c) { return c.caseRates; },
                          [](const NewStyleRow&) {
                              return TableRef{Table::NewStylePackages, {}};
                          },
                          [](const NewStyleRates&) {
                              return TableRef{Table::NewStylePackages, {}};
                          },
                      },
                      change);
}

QString targetKey(const Change& change)
{
    return std::visit(Overloaded{
                          [](const NewIcdCode& c) { return c.code; },
                          [](const IcdDescriptionChange& c) { return c.code; },
                          [](const NewPackage& c) { return c.name; },
                          [](const NewCode& c) { return c.code; },
                          [](const NewCaseRate& c) { return c.code; },
                          [](const PackageRatesChange& c) { return c.packageId; },
                          [](const PackageAmountsChange& c) { return c.packageId; },
                          [](const CaseRateDescriptionChange& c) { return c.code; },
                          [](const NewStyleRow& c) { return c.code; },
                          [](const NewStyleRates& c) { return c.code; },
                      },
                      change);
}

QString where(const Change& change)
{
    const bool byName = std::holds_alternative<NewPackage>(change);
    const QString column = byName ? QStringLiteral("Package") : targetTable(change).keyColumn();
    QString row = column + QLatin1Char(' ') + text::quotedForMessage(targetKey(change));
    const Origin origin = std::visit(Overloaded{[](const PackageAmountsChange&) { return Origin{}; },
                                                [](const auto& c) { return c.origin; }},
                                     change);
    if (origin.line == 0)
        return row; // the package rate script reads no list
    return row + QStringLiteral(" (line %1 of %2)")
                     .arg(origin.line)
                     .arg(origin.file.isEmpty() ? QStringLiteral("the list")
                                                : QDir::toNativeSeparators(origin.file));
}

} // namespace orvex::apply
