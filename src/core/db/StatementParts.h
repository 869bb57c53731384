#pragma once

#include <QString>

namespace orvex::db {

// "(?),(?),..." for `keyCount` keys: the key list of the batched lookups.
QString valuesRows(int keyCount);

} // namespace orvex::db
