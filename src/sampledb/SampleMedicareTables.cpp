// Medicare.db as a hospital held it before the 2024 update, from the two 2024 case-rate
// lists. The rules are those of data/README.md; n is a line's 1-based number in its list.
#include "sampledb/SampleTables.h"
#include "text/DescriptionMatch.h"

#include <QHash>

#include <cmath>
#include <functional>
#include <optional>

namespace orvex::sampledb {

namespace {

// The 2024 circular raised the case rates by 50 %: the old amounts are the new ones / 1.5.
constexpr double kRaise2024 = 1.5;

bool isRemoved(int n)
{
    return n % 20 == 0;
} // the update adds these codes
bool keepsPackage(int n)
{
    return isRemoved(n) ? n % 100 == 40 : n % 1000 != 110;
}
bool hasZeroAmounts(int n)
{
    return n % 1000 == 130;
}
bool hasCurrentAmounts(int n)
{
    return n % 200 == 10 || n % 200 == 40;
}

struct ListKind
{
    int caseType;
    int packageIdBase; // PackageID = base + n: six digits, increasing in file order
};
const ListKind kMedical{1, 100000};
const ListKind kProcedure{2, 200000};

struct Amounts
{
    double amount = 0, pf = 0, roomBoard = 0;
};

double rounded2(double v)
{
    return std::round(v * 100.0) / 100.0;
}

Amounts amountsOf(const RateLine& line)
{
    const Amounts listed{amountOf(line.caseRate), amountOf(line.professionalFee), amountOf(line.facilityFee)};
    if (hasZeroAmounts(line.lineNumber))
        return {};
    if (hasCurrentAmounts(line.lineNumber))
        return listed;
    return {std::round(listed.amount / kRaise2024), std::round(listed.pf / kRaise2024),
            std::round(listed.roomBoard / kRaise2024)};
}

// A description rule: the first `limit` kept lines (not taken by an earlier rule) for
// which `variant` gives a stored wording.
struct DescriptionRule
{
    int limit;
    std::function<std::optional<QString>(const RateLine&)> variant;
};

QHash<int, QString> storedDescriptions(const QList<RateLine>& lines, const QList<DescriptionRule>& rules)
{
    QHash<int, QString> stored;
    for (const DescriptionRule& rule : rules) {
        int taken = 0;
        for (const RateLine& line : lines) {
            if (taken == rule.limit)
                break;
            if (isRemoved(line.lineNumber) || stored.contains(line.lineNumber))
                continue;
            if (const auto text = rule.variant(line)) {
                stored.insert(line.lineNumber, *text);
                ++taken;
            }
        }
    }
    return stored;
}

QList<DescriptionRule> medicalRules(const Sources& s)
{
    auto whoTitles = std::make_shared<QHash<QString, QString>>();
    for (const WhoCode& c : s.codes)
        whoTitles->insert(c.code, c.title);
    // The WHO 2010 title, when it relates to the list's wording as `wanted`.
    auto whoTitleIf = [whoTitles](text::DescriptionMatch wanted) {
        return [whoTitles, wanted](const RateLine& line) -> std::optional<QString> {
            const auto it = whoTitles->constFind(line.code);
            if (it == whoTitles->constEnd() || text::compareDescriptions(line.description, *it) != wanted)
                return std::nullopt;
            return *it;
        };
    };
    auto withoutApostrophes = [](const RateLine& line) -> std::optional<QString> {
        if (!line.description.contains(QLatin1Char('\'')))
            return std::nullopt;
        return QString(line.description).remove(QLatin1Char('\''));
    };
    return {
        {5, whoTitleIf(text::DescriptionMatch::CaseOnly)},
        {5, whoTitleIf(text::DescriptionMatch::BlanksOrApostrophes)},
        {3, withoutApostrophes},
        {5, whoTitleIf(text::DescriptionMatch::Changed)},
    };
}

QList<DescriptionRule> procedureRules()
{
    auto sentenceCase = [](const RateLine& line) -> std::optional<QString> {
        const QString d = line.description;
        const QString variant = d.left(1).toUpper() + d.mid(1).toLower();
        if (variant == d)
            return std::nullopt;
        return variant;
    };
    auto joinedAfterCommas = [](const RateLine& line) -> std::optional<QString> {
        if (!line.description.contains(QStringLiteral(", ")))
            return std::nullopt;
        return QString(line.description).replace(QStringLiteral(", "), QStringLiteral(","));
    };
    auto withoutParenthesis = [](const RateLine& line) -> std::optional<QString> {
        const qsizetype at = line.description.indexOf(QStringLiteral(" ("));
        if (at <= 0)
            return std::nullopt;
        return line.description.left(at);
    };
    return {{3, sentenceCase}, {3, joinedAfterCommas}, {3, withoutParenthesis}};
}

// The first three kept medical codes with a blank inside are stored without it.
QHash<int, QString> storedCodes(const QList<RateLine>& lines)
{
    QHash<int, QString> stored;
    for (const RateLine& line : lines) {
        if (stored.size() == 3)
            break;
        if (!isRemoved(line.lineNumber) && line.code.contains(QLatin1Char(' ')))
            stored.insert(line.lineNumber, QString(line.code).remove(QLatin1Char(' ')));
    }
    return stored;
}

struct MedicareTables
{
    TableRows packages{QStringLiteral("tbMedPackage"),
                       {QStringLiteral("PackageID"),
                        QStringLiteral("Package"),
                        QStringLiteral("Amount"),
                        QStringLiteral("PF"),
                        QStringLiteral("MedRoomBoard"),
                        QStringLiteral("MedDrugs"),
                        QStringLiteral("MedOthers"),
                        QStringLiteral("MedOR"),
                        QStringLiteral("Status"),
                        QStringLiteral("CaseType"),
                        QStringLiteral("Shortcut"),
                        QStringLiteral("IsAllowSlashing"),
                        QStringLiteral("Type"),
                        QStringLiteral("isZBenefit"),
                        QStringLiteral("isAllowSecondCR"),
                        QStringLiteral("HCIPercentage"),
                        QStringLiteral("PFPercentage"),
                        QStringLiteral("CaseRatePercentage"),
                        QStringLiteral("isACR"),
                        QStringLiteral("canMultiple")},
                       {}};
    TableRows packagesNew{QStringLiteral("tbMedPackage_NEW"),
                          {QStringLiteral("PackageID"), QStringLiteral("Code"), QStringLiteral("Package"),
                           QStringLiteral("Amount"), QStringLiteral("PF"), QStringLiteral("MedRoomBoard"),
                           QStringLiteral("Status")},
                          {}};
    TableRows medicalCaseRates{QStringLiteral("tbMed_MedicalCaseRates"),
                               {QStringLiteral("ICDCode"), QStringLiteral("Description"),
                                QStringLiteral("CaseType"), QStringLiteral("PackageID"),
                                QStringLiteral("Status")},
                               {}};
    TableRows procedures{QStringLiteral("tbMed_Procedures"),
                         {QStringLiteral("RVSCODE"), QStringLiteral("Description"),
                          QStringLiteral("PackageID"), QStringLiteral("Status")},
                         {}};

    void addList(const QList<RateLine>& lines, const ListKind& kind, const QHash<int, QString>& descriptions,
                 const QHash<int, QString>& codes)
    {
        for (const RateLine& line : lines) {
            const int n = line.lineNumber;
            const QString packageId = QString::number(kind.packageIdBase + n);
            const QString code = codes.value(n, line.code);
            const QString description = descriptions.value(n, line.description);
            const Amounts a = amountsOf(line);
            if (keepsPackage(n))
                addPackage(line, kind, packageId, code, description, a);
            if (isRemoved(n))
                continue;
            if (kind.caseType == kMedical.caseType)
                medicalCaseRates.rows.append({code, description, kind.caseType, packageId, 1});
            else
                procedures.rows.append({code, description, packageId, 1});
            packagesNew.rows.append({packageId, code, description, a.amount, a.pf, a.roomBoard, 1});
        }
    }

    void addPackage(const RateLine& line, const ListKind& kind, const QString& packageId, const QString& code,
                    const QString& description, const Amounts& a)
    {
        // The shares as the list splits its case rate, in percent.
        const double caseRate = amountOf(line.caseRate);
        const double hci = caseRate > 0 ? rounded2(amountOf(line.facilityFee) * 100.0 / caseRate) : 0.0;
        const double pf = caseRate > 0 ? rounded2(amountOf(line.professionalFee) * 100.0 / caseRate) : 0.0;
        packages.rows.append({packageId, description,   a.amount, a.pf, a.roomBoard,   0.0, 0.0, 0.0,
                              1,         kind.caseType, code,     0,    kind.caseType, 0,   1,   hci,
                              pf,        100.0,         0,        0});
    }
};

} // namespace

QList<TableRows> medicareTables(const Sources& s)
{
    MedicareTables t;
    t.addList(s.medical, kMedical, storedDescriptions(s.medical, medicalRules(s)), storedCodes(s.medical));
    t.addList(s.procedures, kProcedure, storedDescriptions(s.procedures, procedureRules()), {});
    return {t.packages, t.packagesNew, t.medicalCaseRates, t.procedures};
}

} // namespace orvex::sampledb
