#include "review/ChangeClass.h"

namespace orvex::review {

using jobs::Finding;

std::optional<ChangeClass> classOf(const Finding& f)
{
    switch (f.kind) {
    case Finding::Kind::NewRow:
        // A new case rate carries its case type; a new-style row does not.
        return f.proposed.contains(QStringLiteral("CaseType")) ? ChangeClass::NewCode
                                                               : ChangeClass::NewStyleRow;
    case Finding::Kind::ChangedValues:
        return f.read.contains(QStringLiteral("Description")) ? ChangeClass::DescriptionChange
                                                              : ChangeClass::RateChange;
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
};
static_assert(std::size(kNames) == kChangeClasses.size());
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
