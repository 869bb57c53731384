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

// What a change will overwrite: the values of the row the run read, and every row of the key
// the statement changes, each with its own values, for the undo.
struct Overwritten
{
    QVariantMap values;
    std::vector<RowImage> rows;
};

// What is wrong with the values a change would write, or "" when they can be written: every
// amount it sets is a decimal number (thousands separated by commas at most) or blank, as a
// list may leave it.
QString invalidValue(const jobs::Finding& f, review::ChangeClass c);
// The row a change writes, the same for two changes of one row.
QString rowKey(const jobs::Finding& f, review::ChangeClass c);

// What the row holds now, when it differs from what the run read; empty when it still
// holds that. `before` takes what the change will overwrite.
// `suffix` is the test copies' ("" for the live tables).
QString drift(db::Connection& connection, const jobs::Finding& f, review::ChangeClass c,
              const QString& suffix, Overwritten& before);

// The largest PackageID of `table` as a number (0 when there is none). Throws orvex::Error
// when one is not a whole number.
qint64 largestPackageId(db::Connection& connection, const QString& table);
// tbMedPackage_NEW's largest PackageID, which the script gives every new row of it. Throws
// orvex::Error when the table holds none.
QString largestNewStylePackageId(db::Connection& connection);

// What the changes of one apply share.
struct Applying
{
    qint64 lastPackageId = 0;
    QHash<QString, QString> groupPackages; // CI_AS key of a group: the package inserted for it
    QStringList& newPackageIds;
    std::vector<UndoStep>& undo;
    QString suffix;            // the test copies', or "" for the live tables
    QString newStylePackageId; // read once, when the apply inserts into tbMedPackage_NEW

    QString nextPackageId();
    QString packageTable() const { return QStringLiteral("tbMedPackage") + suffix; }
};

// Makes one change and adds its undo steps; returns the log line.
QString applyOne(db::Connection& connection, const jobs::Finding& f, review::ChangeClass c,
                 const Overwritten& before, Applying& applying);

} // namespace orvex::apply::change
