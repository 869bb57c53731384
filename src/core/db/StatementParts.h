#pragma once

#include <QString>

namespace orvex::db {

// "(?),(?),..." for `keyCount` keys: the key list of the batched lookups.
QString valuesRows(int keyCount);

// The find of the table browser: " where (code like ? or (Description like ? and ...))"
// for `descriptionWords` >= 0, else nothing. "!" escapes the patterns.
QString browseFilter(int descriptionWords);

} // namespace orvex::db
