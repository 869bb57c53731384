#include "change/ChangeValues.h"

namespace orvex::change {

QVariantMap columnValues(const Rates& r)
{
    return {{QStringLiteral("Amount"), r.amount.text()},
            {QStringLiteral("PF"), r.pf.text()},
            {QStringLiteral("MedRoomBoard"), r.roomBoard.text()}};
}

QVariantList orderedValues(const PackageAmounts& a)
{
    return {a.amount.text(), a.roomBoard.text(),     a.drugs.text(),
            a.others.text(), a.operatingRoom.text(), a.pf.text()};
}

QVariantMap columnValues(const PackageAmounts& a)
{
    return {{QStringLiteral("Amount"), a.amount.text()},
            {QStringLiteral("MedRoomBoard"), a.roomBoard.text()},
            {QStringLiteral("MedDrugs"), a.drugs.text()},
            {QStringLiteral("MedOthers"), a.others.text()},
            {QStringLiteral("MedOR"), a.operatingRoom.text()},
            {QStringLiteral("PF"), a.pf.text()}};
}

} // namespace orvex::change
