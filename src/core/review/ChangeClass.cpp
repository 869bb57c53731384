#include "review/ChangeClass.h"

namespace orvex::review {

using jobs::Finding;

std::optional<ChangeClass> classOf(const Finding& f)
{
    const bool icd = f.table == QStringView(kIcdTable);
    switch (f.kind) {
    case Finding::Kind::NewRow:
        if (icd)
            return ChangeClass::NewIcdCode;
        if (f.keyColumn == QLatin1String("Package"))
            return ChangeClass::NewPackage;
        // A new case rate carries its case type; a new-style row does not. The update run's
        // carries its package's amounts too, the scan's refers to a package of its own.
        if (f.proposed.contains(QStringLiteral("CaseType")))
            return f.proposed.contains(QStringLiteral("Amount")) ? ChangeClass::NewCode
                                                                 : ChangeClass::NewCaseRate;
        return ChangeClass::NewStyleRow;
    case Finding::Kind::ChangedValues:
        if (!f.read.contains(QStringLiteral("Description")))
            return ChangeClass::RateChange;
        return icd ? ChangeClass::IcdDescriptionChange : ChangeClass::DescriptionChange;
    case Finding::Kind::ReplacementValues:
        return ChangeClass::NewStyleRates;
    case Finding::Kind::ZeroAmount:
        return ChangeClass::ZeroAmount;
    case Finding::Kind::SameRow:
    case Finding::Kind::DuplicateRow:
        break;
    }
    return std::nullopt;
}

namespace {
struct ClassNames
{
    const char16_t* name;
    const char16_t* heading;
};
// In the order of ChangeClass.
constexpr ClassNames kNames[] = {
    {u"new-code", u"New codes"},
    {u"rate-change", u"Rate changes"},
    {u"description-change", u"Description changes"},
    {u"new-style-row", u"New rows of tbMedPackage_NEW"},
    {u"new-style-rates", u"Rates written to tbMedPackage_NEW"},
    {u"zero-amount", u"Amounts of 0 (note only, nothing changed)"},
    {u"new-icd-code", u"New ICD-10 codes"},
    {u"icd-description-change", u"ICD-10 description changes"},
    {u"new-package", u"New packages"},
    {u"new-case-rate", u"New case rates"},
};
static_assert(std::size(kNames) == kChangeClassCount);
} // namespace

QString className(ChangeClass c)
{
    return QString::fromUtf16(kNames[int(c)].name);
}

QString classHeading(ChangeClass c)
{
    return QString::fromUtf16(kNames[int(c)].heading);
}

} // namespace orvex::review
