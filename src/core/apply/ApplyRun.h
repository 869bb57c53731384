#pragma once

#include "apply/RunRecord.h"
#include "db/LogIdentity.h"

#include <QDateTime>
#include <QString>

namespace orvex::db {
class Connection;
}

namespace orvex::apply {

// What an apply changes, by class.
struct ApplyCounts
{
    int newCodes = 0;           // a package and a case rate inserted each
    int rateChanges = 0;        // packages whose amounts are updated
    int descriptionChanges = 0; // only when the run had description updates on

    int total() const { return newCodes + rateChanges + descriptionChanges; }
    QString text() const; // "3 new codes, 2 rate changes, 1 description change"
};

// The changes of `record` an apply makes (amounts of 0 are notes, never applied).
ApplyCounts countChanges(const RunRecord& record);

struct ApplyResult
{
    QString runId;
    ApplyCounts counts;
    QStringList newPackageIds; // in the order of the new codes
    QString undoFile;          // the "undo <date time>.sql" that takes the apply back
};

// Applies the run recorded in `outputFolder`/changes.json to `connection` in one write
// transaction, with one activity-log entry for the apply and one line per change, and
// marks the run applied ("applied <run id>" beside the record). Nothing is changed, and
// orvex::Error says why, when the record names another database, the run was applied
// already, it aimed at test copies or at tbMedPackage_NEW, a row no longer holds the
// values the run read (the rows are named), or a statement fails (the change is named).
ApplyResult applyRun(db::Connection& connection, const QString& outputFolder, const db::LogIdentity& log,
                     const QDateTime& when);

// The marker file of an applied run.
QString appliedMarkerPath(const QString& outputFolder, const QString& runId);

} // namespace orvex::apply
