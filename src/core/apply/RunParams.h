#pragma once

// What a run record keeps of the run's parameters (its "params"): enough to make the same run
// again, so that an apply can check that the record holds what the run's lists and the
// database give (RunRederive). Each run writes them with its record (scanParamsJson,
// updateRunParamsJson, ...); the apply reads them back here.
#include "caserates/UpdateRunParamsJson.h"
#include "reconcile/ScanJob.h"
#include "review/RunRecord.h"
#include "tools/PackageRates.h"

namespace orvex::apply {

struct UpdateRunAgain
{
    caserates::UpdateRunParams params;
    caserates::PassLines linesRead{};
};

struct ScanAgain
{
    reconcile::ScanParams params; // its lines not read yet
    int linesRead = 0;
};

// The params of `record` read back. Each throws orvex::Error with the apply's refusal when
// the record has none (an earlier version wrote it), when they are damaged, or when they
// disagree with the options the record names for the apply.
UpdateRunAgain updateRunAgain(const review::RunRecord& record);
ScanAgain scanAgain(const review::RunRecord& record);
tools::PackageRateParams packageRatesAgain(const review::RunRecord& record);

// The reading above for the record's kind, before anything is asked or changed.
void checkRunParams(const review::RunRecord& record);

} // namespace orvex::apply
