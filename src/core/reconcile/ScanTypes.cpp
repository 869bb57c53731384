#include "reconcile/ScanTypes.h"

namespace orvex::reconcile {

const char* resultListName(ResultList list)
{
    switch (list) {
    case ResultList::NewCode:
        return "lsvNewCode";
    case ResultList::SameCodeDescription:
        return "lsvSameCodeDescription";
    case ResultList::SameCodeDifDesc:
        return "lsvSameCodeDifDesc";
    case ResultList::SameDescDifCode:
        return "lsvSameDescDifCode";
    case ResultList::NewCodePH:
        return "lsvNewCodePH";
    case ResultList::SameCodeDifDescPH:
        return "lsvSameCodeDifDescPH";
    }
    return "";
}

} // namespace orvex::reconcile
