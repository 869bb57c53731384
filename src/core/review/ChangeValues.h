#pragma once

#include "jobs/Finding.h"

#include <QString>

namespace orvex::review {

// A change's description as the review files show it. `before` is empty where the run did
// not read one (a new row, or a change of amounts only); `changed` says whether the
// description itself is part of the change.
struct DescriptionPair
{
    QString before;
    QString after;
    bool changed = false;
};
DescriptionPair descriptionsOf(const jobs::Finding& f);

// An amount before (as read) and after (as proposed); empty where there is none.
QString amountBefore(const jobs::Finding& f, const char* column);
QString amountAfter(const jobs::Finding& f, const char* column);

} // namespace orvex::review
