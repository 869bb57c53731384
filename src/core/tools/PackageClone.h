#pragma once

#include "db/CaseRateTable.h"
#include "db/Connection.h"
#include "tools/ToolLog.h"

#include <QDateTime>
#include <QString>

namespace orvex::tools {

struct CloneParams
{
    db::CaseRateTable table = db::CaseRateTable::Medical;
    QString code; // used exactly as typed: no trimming, no change of case
    LogIdentity log;
};

struct CloneResult
{
    enum class Outcome { NothingToDo, NotFound, Done };
    Outcome outcome = Outcome::NothingToDo;
    QString oldPackageId;
    QString newPackageId;
};

// Splits the case rate of one code off the package it shares: the case rate moves to a new
// package, the largest PackageID plus one, which starts as a copy of the old one. Both
// changes and the activity-log line (of time `when`) are made in one write transaction.
// An empty code does nothing; a code without a case rate changes nothing (NotFound).
// Throws orvex::Error, with nothing changed, when the case rate names no package or one
// that does not exist, when a PackageID is not a whole number, or when a statement fails.
CloneResult clonePackage(db::Connection& connection, const CloneParams& params, const QDateTime& when);

// The closing message: "Done." naming the code and its new and old PackageID, or "Not
// Found." naming the code and the table searched; empty when there was nothing to do.
QString cloneMessage(const CloneParams& params, const CloneResult& result);

QString caseRateTableName(db::CaseRateTable table); // "tbMed_MedicalCaseRates", "tbMed_Procedures"
QString codeKind(db::CaseRateTable table);          // "ICD", "RVS"

} // namespace orvex::tools
