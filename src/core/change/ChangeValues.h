#pragma once

// A change's amounts by column name, as the checks compare them with a row and as an undo
// step records them.
#include "change/Change.h"

#include <QVariantList>
#include <QVariantMap>

namespace orvex::change {

// Amount, PF, MedRoomBoard as listed ("" where absent).
QVariantMap columnValues(const Rates& rates);
// The six amounts by column name, and in the order the package rate script sets them.
QVariantMap columnValues(const PackageAmounts& amounts);
QVariantList orderedValues(const PackageAmounts& amounts);

} // namespace orvex::change
