#pragma once

// How a run record keeps an update run's parameters (its "params"); the apply reads them back.
#include "caserates/UpdateRunJob.h"

#include <QJsonObject>

#include <array>

namespace orvex::caserates {

// The lines each pass of an update run read (diagnosis, procedure): a stop ends a pass early.
using PassLines = std::array<int, 2>;

QJsonObject updateRunParamsJson(const UpdateRunParams& params, const PassLines& linesRead);

} // namespace orvex::caserates
