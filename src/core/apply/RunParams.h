#pragma once

// What a run record keeps of the run's parameters (its "params"): enough to make the same run
// again, so that an apply can check that the record holds what the run's lists and the
// database give (RunRederive). Each run writes them with its record; the apply reads them back.
#include "apply/RunRecord.h"
#include "caserates/UpdateRunJob.h"
#include "reconcile/ScanJob.h"
#include "tools/PackageRates.h"

#include <QJsonObject>

#include <array>

namespace orvex::apply {

// The lines each pass of an update run read (diagnosis, procedure): a stop ends a pass early.
using PassLines = std::array<int, 2>;

QJsonObject updateRunParamsJson(const caserates::UpdateRunParams& params, const PassLines& linesRead);
// Without the lines: the apply reads them again from `params.list`.
QJsonObject scanParamsJson(const reconcile::ScanParams& params, int linesRead);
QJsonObject packageRateParamsJson(const tools::PackageRateParams& params);

struct UpdateRunAgain
{
    caserates::UpdateRunParams params;
    PassLines linesRead{};
};

struct ScanAgain
{
    reconcile::ScanParams params; // its lines not read yet
    int linesRead = 0;
};

// The params of `record` read back. Each throws orvex::Error with the apply's refusal when
// the record has none (an earlier version wrote it), when they are damaged, or when they
// disagree with the options the record names for the apply.
UpdateRunAgain updateRunAgain(const RunRecord& record);
ScanAgain scanAgain(const RunRecord& record);
tools::PackageRateParams packageRatesAgain(const RunRecord& record);

// The reading above for the record's kind, before anything is asked or changed.
void checkRunParams(const RunRecord& record);

} // namespace orvex::apply
