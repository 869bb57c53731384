#pragma once

// What an apply of a run would do and whether it would be refused, known before anything is
// asked: the window and the command line both check here first, and the apply checks the
// same again when it runs.
#include "apply/ApplyRun.h"
#include "change/Change.h"
#include "review/RunRecord.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace orvex::db {
class Connection;
}

namespace orvex::apply {

struct ApplyPlan
{
    review::RunRecord record;
    ApplyCounts counts;
    // What is unusual about the apply, one sentence each: a stopped run, the tables of test
    // copies or of Ver B it changes, changes it leaves out, no backup made today.
    QStringList notes;
    QString recordDigest; // the SHA-256 of changes.json as it is now

    bool stopped() const { return record.completeness.completion == review::RunCompletion::Stopped; }
    // The question before the apply: the run, its time, the database, the counts and the notes.
    QString question() const;
};

// Checks `record` (the last run of `outputFolder`) against `connection` without changing
// anything and gathers the notes of its question; `now` is the day a backup is looked for.
// Throws orvex::Error with the refusal the apply would give. A stopped run is no refusal
// here: the plan says so, and the apply must be told that it was confirmed.
ApplyPlan planApply(db::Connection& connection, const review::RunRecord& record, const QString& outputFolder,
                    const QDateTime& now);

// The notes of the question alone (ApplyPlan::notes), whatever the refusals say.
QStringList applyNotes(db::Connection& connection, const review::RunRecord& record, const QDateTime& now);

// The refusals of the plan and of the apply: another database, applied already, incomplete,
// stopped (unless `stoppedConfirmed`), test copies, Ver B, older than the last apply or undo,
// duplicate ICD codes among the codes it changes, values no run writes, options the apply
// cannot run again (RunParams). Throws orvex::Error naming the first. Returns the changes an
// apply makes, their values checked.
change::Changes refuseInapplicable(db::Connection& connection, const review::RunRecord& record,
                                   const QString& outputFolder, bool stoppedConfirmed);

// With `expectedDigest` (the SHA-256 of the record the user was shown), throws orvex::Error
// when `digest`, the record's as the apply read it, is another: it changed since its review.
void refuseChangedRecord(const review::RunRecord& record, const QString& digest,
                         const QString& expectedDigest);

// Shared with the apply's own checks:
// "The run <id> was not applied, and nothing was changed: ", the start of every refusal.
QString refusal(const review::RunRecord& record);
// What each kind of run asks for when its record no longer fits the database.
QString runAgain(const review::RunRecord& record);
// A run older than the last apply or undo read rows that may have changed since.
void refuseWhenNotTheLastRun(db::Connection& connection, const review::RunRecord& record);
// An ICD code the run changes the description of, held by rows of different descriptions:
// which one the run read is not known. Names the codes and points to "Check Duplicates".
void refuseDuplicateIcdCodes(db::Connection& connection, const review::RunRecord& record);

} // namespace orvex::apply
