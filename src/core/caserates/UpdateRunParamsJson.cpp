#include "caserates/UpdateRunParamsJson.h"

#include "reconcile/ScanParamsJson.h"

#include <QJsonArray>

namespace orvex::caserates {

QJsonObject updateRunParamsJson(const UpdateRunParams& params, const PassLines& linesRead)
{
    return QJsonObject{{"fileBase", params.fileBase},
                       {"verB", params.verB},
                       {"updateDescriptions", params.updateDescriptions},
                       {"testSuffix", params.testSuffix},
                       {"strategy", reconcile::strategyName(params.strategy)},
                       {"linesRead", QJsonArray{linesRead[0], linesRead[1]}}};
}

} // namespace orvex::caserates
