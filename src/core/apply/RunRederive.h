#pragma once

// An apply applies exactly what was reviewed. Inside its write transaction, before anything
// is written, the run is made again on the apply's connection, and the record must hold what
// that run gives: the same options, as far read, and the same changes in the same order. An
// amount edited in changes.json, a change taken out or added by hand, is refused.
#include "review/RunRecord.h"

#include <QString>
#include <QStringList>

namespace orvex::db {
class Connection;
}

namespace orvex::apply {

// The record the run of `record` writes now: the same kind of run with the record's params
// over the lists of `programFolder`, on `connection` (the apply's, inside its transaction),
// stopped where the record says it was. Its reports, scripts and record go to a temporary
// folder that is removed after, so that the output folder stays as it was reviewed. Throws
// orvex::Error when the params cannot be read, a list cannot be read, or a statement fails
// (a run passes a failed lookup over, and would then give other changes).
review::RunRecord rederiveRun(db::Connection& connection, const review::RunRecord& record,
                              const QString& programFolder);

// What differs between `record` and `again`, a sentence each: the options, how far the run
// read, the number of changes and the first changes that differ (where in the list, what the
// record says, what the run gives now). Empty when the two are the same.
QStringList recordDifferences(const review::RunRecord& record, const review::RunRecord& again);

// Both, for the record read from `outputFolder` (the output folder of the run's program
// folder): throws orvex::Error with the apply's refusal, naming the differences and telling
// the user to make the run again and review it.
void refuseUnlessRederived(db::Connection& connection, const review::RunRecord& record,
                           const QString& outputFolder);

} // namespace orvex::apply
