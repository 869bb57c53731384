#pragma once

#include "db/LogIdentity.h"
#include "review/RunRecord.h"

#include <QDateTime>
#include <QJsonObject>
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
    int descriptionChanges = 0; // of case rates; an update run's only when it had them on
    int newIcdCodes = 0;        // rows inserted into tbICDdiagMain
    int icdDescriptionChanges = 0;
    int newPackages = 0; // a PH scan's packages for groups the package table lacks
    int newCaseRates = 0;
    int newStyleRows = 0;  // an update run's with Ver B: rows of tbMedPackage_NEW inserted...
    int newStyleRates = 0; // ...and codes whose tbMedPackage_NEW amounts are written

    int total() const
    {
        return newCodes + rateChanges + descriptionChanges + newIcdCodes + icdDescriptionChanges +
               newPackages + newCaseRates + newStyleRows + newStyleRates;
    }
    // "3 new codes, 2 rate changes, 1 description change": the classes there are any of,
    // or "no changes".
    QString text() const;
    // {"newCodes": 3, "rateChanges": 2, ...}: every class, 0 included.
    QJsonObject json() const;
};

// The changes of `record` an apply makes (amounts of 0 are notes, never applied).
ApplyCounts countChanges(const review::RunRecord& record);

struct ApplyResult
{
    QString runId;
    ApplyCounts counts;
    QStringList newPackageIds; // in the order they were inserted
    QString undoFile;          // the "undo <date time>.sql" that takes the apply back
    QString recordDigest;      // the SHA-256 of the changes.json applied, as its review page shows it
};

// Applies the run recorded in `outputFolder`/changes.json (an update run, either scan or
// the package rate script) to `connection` in one write transaction, with one
// activity-log entry for the apply and one line per change, and marks the run applied
// ("applied <run id>" beside the record). An update run on the test copies changes the
// copies, and one with Ver B tbMedPackage_NEW too, as their scripts do. Nothing is changed,
// and orvex::Error says why, for every refusal of refuseInapplicable (another database,
// applied already, an incomplete run, a stopped one unless `stoppedConfirmed`, missing test
// copies, an older run, duplicate ICD codes), when a row no longer holds the values the run
// read (the rows are named), or a statement fails (the change is named). With `expectedKind`
// ("update", "scan", "ph-scan", "package-rates"), a record of another kind is refused, naming
// both: the output folder's last run is not the one meant. With `expectedRunId` (the run the
// user confirmed), a record of another run is refused; with `expectedDigest` (the SHA-256 the
// question showed), a record changed since. Inside the transaction the run is made again
// (RunRederive): a record that no longer holds what the run gives is refused.
ApplyResult applyRun(db::Connection& connection, const QString& outputFolder, const db::LogIdentity& log,
                     const QDateTime& when, const QString& expectedKind = {},
                     const QString& expectedRunId = {}, bool stoppedConfirmed = false,
                     const QString& expectedDigest = {});

// Throws orvex::Error when the record is of a kind no apply knows, or, with `expectedKind`,
// of another kind ("the last run in the output folder is a PH scan of ..., not an update run").
void checkRunKind(const review::RunRecord& record, const QString& expectedKind);

// The marker file of an applied run.
QString appliedMarkerPath(const QString& outputFolder, const QString& runId);

} // namespace orvex::apply
