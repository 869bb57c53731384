#pragma once

// What the apply of one change works with: the row a finding names, the check that the row
// still holds what the run read, and the change itself with its undo steps.
#include "apply/UndoFile.h"
#include "jobs/Finding.h"
#include "review/ChangeClass.h"

#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <vector>

namespace orvex::db {
class Connection;
}

namespace orvex::apply::change {

bool isProcedure(const jobs::Finding& f);
QString trimmed(const QString& s);
QString valueText(const QVariant& v);
// "ICDCode "A01.0" (line 2 of ...)": the row and where the list names it, for messages.
QString where(const jobs::Finding& f);
QString caseRateTable(const jobs::Finding& f); // "tbMed_Procedures" or "tbMed_MedicalCaseRates"
QString codeColumn(const jobs::Finding& f);    // "RVSCODE" or "ICDCode"
// Amount, PF and MedRoomBoard of `values`; all six amounts of a package with amountsOf.
QVariantMap rates(const QMap<QString, QString>& values);
QVariantMap amountsOf(const QMap<QString, QString>& values);
// A package rate script's change raises all six amounts of a package, in the table it
// addresses (checked to be a package table).
bool allAmounts(const jobs::Finding& f);
QString packageRateTable(const jobs::Finding& f);

// What the row holds now, when it differs from what the run read; empty when it still
// holds that. `before` takes the values the change will overwrite, for the undo.
QString drift(db::Connection& connection, const jobs::Finding& f, review::ChangeClass c, QVariantMap& before);

// The largest PackageID as a number (0 when there is none). Throws orvex::Error when one is
// not a whole number.
qint64 largestPackageId(db::Connection& connection);

// What the changes of one apply share.
struct Applying
{
    qint64 lastPackageId = 0;
    QHash<QString, QString> groupPackages; // CI_AS key of a group: the package inserted for it
    QStringList& newPackageIds;
    std::vector<UndoStep>& undo;

    QString nextPackageId();
};

// Makes one change and adds its undo steps; returns the log line.
QString applyOne(db::Connection& connection, const jobs::Finding& f, review::ChangeClass c,
                 const QVariantMap& before, Applying& applying);

} // namespace orvex::apply::change
