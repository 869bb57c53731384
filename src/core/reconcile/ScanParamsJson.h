#pragma once

// How a run record keeps a scan's parameters (its "params"), and the names the record gives
// the lookup strategy and the kind of list; the apply reads them back.
#include "reconcile/ScanJob.h"

#include <QJsonObject>
#include <QString>

#include <optional>

namespace orvex::reconcile {

QString strategyName(LookupStrategy strategy); // "batched", "per-line"
std::optional<LookupStrategy> strategyNamed(const QString& name);
QString scanListName(ScanList list); // "given", "source-file", "update-resource"
std::optional<ScanList> scanListNamed(const QString& name);

// Without the lines themselves: the apply reads them again from `params.list`.
QJsonObject scanParamsJson(const ScanParams& params, int linesRead);

} // namespace orvex::reconcile
