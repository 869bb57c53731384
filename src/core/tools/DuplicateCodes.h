#pragma once

#include "db/Connection.h"
#include "tools/ToolLog.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

namespace orvex::tools {

// A row of tbICDdiagMain whose code an earlier row already carries (in storage order on
// the embedded database; as the server numbers them on SQL Server).
struct SurplusIcdRow
{
    QVariant code;
    QVariant description;
    QVariant rowNumber; // 2 for the second row of its code, 3 for the third ...
};

struct DeletedIcdRow
{
    QVariant code;
    QVariant description;
    QVariant allowAsPrimary;
};

// A code whose rows differ in description: the row a delete keeps (number 1) and how many
// of the rows that go carry another description.
struct DifferingDuplicate
{
    QString code;
    QVariant keptDescription;
    qsizetype rows = 0; // of the code, the kept one among them
    qsizetype otherDescriptionRows = 0;
};

// The codes of several rows whose descriptions differ, by code; nothing logged.
QList<DifferingDuplicate> findDifferingDuplicates(db::Connection& connection);
// `D50.0 (10 rows) keeps "Iron deficiency anaemia"; 9 rows with another description go`
QString differingDuplicateLine(const DifferingDuplicate& code);

// The surplus rows, nothing logged.
QList<SurplusIcdRow> findDuplicateIcdRows(db::Connection& connection);

// "Check Duplicates": the surplus rows, each written to the activity log as
// code + " " + description + " " + row number, at `when`.
QList<SurplusIcdRow> checkDuplicateIcdCodes(db::Connection& connection, const LogIdentity& log,
                                            const QDateTime& when);

// "Delete Duplicates": deletes the surplus rows and logs each one (code, description,
// allow-as-primary) in the same write transaction, so a row is never gone without its
// log line. Throws orvex::Error, with nothing deleted, when a statement fails.
QList<DeletedIcdRow> deleteDuplicateIcdCodes(db::Connection& connection, const LogIdentity& log,
                                             const QDateTime& when);

QString checkLogLine(const SurplusIcdRow& row);
QString deleteLogLine(const DeletedIcdRow& row);

} // namespace orvex::tools
